// Running the list: order, retries, pauses, failure reports and stopping.
#include "install/core/InstallRules.h"

#include <gtest/gtest.h>

#include <set>

using namespace glint::install;

namespace {

// Records every call as one line; entries named in failing never start, and
// the run stops when the event numbered stopAfter has been recorded.
class FakeRunner : public EntryRunner {
public:
    std::set<std::string> failing;
    size_t stopAfter = SIZE_MAX;
    std::vector<std::string> events;

    bool StartAndWait(const std::string& commandLine) override
    {
        bool ok = !failing.count(commandLine);
        Record((ok ? "run " : "fail ") + commandLine);
        return ok;
    }
    bool Pause(unsigned ms) override
    {
        Record("pause " + std::to_string(ms));
        return !stopped_;
    }
    bool Stopped() const override { return stopped_; }
    void ReportStartFailure(const std::string& commandLine) override { Record("report " + commandLine); }

private:
    void Record(std::string e)
    {
        events.push_back(std::move(e));
        if (events.size() >= stopAfter)
            stopped_ = true;
    }
    bool stopped_ = false;
};

using Events = std::vector<std::string>;

} // namespace

TEST(RunInstallEntries, EachEntryInOrderWithASecondAfterIt)
{
    FakeRunner r;
    EXPECT_EQ(RunInstallEntries({"a", "b", "c"}, r), 3);
    EXPECT_EQ(r.events, (Events{"run a", "pause 1000", "run b", "pause 1000", "run c", "pause 1000"}));
}

TEST(RunInstallEntries, FiveAttemptsTwoSecondsApartThenReportAndGoOn)
{
    FakeRunner r;
    r.failing = {"missing"};
    EXPECT_EQ(RunInstallEntries({"missing", "b"}, r), 1);
    Events expected;
    for (int i = 0; i < 5; ++i) {
        expected.push_back("fail missing");
        expected.push_back("pause 2000");
    }
    expected.insert(expected.end(), {"pause 1000", "report missing", "run b", "pause 1000"});
    EXPECT_EQ(r.events, expected);
}

TEST(RunInstallEntries, StopWhileAnEntryRunsStartsNothingFurther)
{
    FakeRunner r;
    r.stopAfter = 1; // stopped during "run a"
    EXPECT_EQ(RunInstallEntries({"a", "b"}, r), 1);
    EXPECT_EQ(r.events, (Events{"run a", "pause 1000"}));
}

TEST(RunInstallEntries, StopDuringARetryPauseEndsWithoutReport)
{
    FakeRunner r;
    r.failing = {"missing"};
    r.stopAfter = 4; // fail, pause, fail, pause(stopped)
    EXPECT_EQ(RunInstallEntries({"missing", "b"}, r), 0);
    EXPECT_EQ(r.events, (Events{"fail missing", "pause 2000", "fail missing", "pause 2000"}));
}

TEST(RunInstallEntries, StoppedBeforeTheStartOrAnEmptyListRunsNothing)
{
    class AlreadyStopped : public FakeRunner {
    public:
        bool Stopped() const override { return true; }
    } r;
    EXPECT_EQ(RunInstallEntries({"a"}, r), 0);
    EXPECT_TRUE(r.events.empty());
    FakeRunner empty;
    EXPECT_EQ(RunInstallEntries({}, empty), 0);
    EXPECT_TRUE(empty.events.empty());
}
