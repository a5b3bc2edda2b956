// Running the list: order, retries, pauses, failure reports and stopping.
#include "install/core/InstallRules.h"

#include <gtest/gtest.h>

#include <set>

using namespace glint::install;

namespace {

// Records every call as one line; entries named in failing never start, and
// the run counts as stopped once stopAfter events have been recorded.
class FakeRunner : public EntryRunner {
public:
    std::set<std::string> failing;
    size_t stopAfter = SIZE_MAX;
    std::vector<std::string> events;

    bool StartAndWait(const std::string& commandLine) override
    {
        bool ok = !failing.count(commandLine);
        events.push_back((ok ? "run " : "fail ") + commandLine);
        return ok;
    }
    bool Pause(unsigned ms) override
    {
        events.push_back("pause " + std::to_string(ms));
        return !Stopped();
    }
    bool Stopped() const override { return events.size() >= stopAfter; }
    void ReportStartFailure(const std::string& commandLine) override { events.push_back("report " + commandLine); }
};

using Events = std::vector<std::string>;

Events FiveFailedAttempts()
{
    Events e;
    for (int i = 0; i < 5; ++i)
        e.insert(e.end(), {"fail missing", "pause 2000"});
    return e;
}

} // namespace

TEST(RunInstallEntries, Cases)
{
    Events failedThenB = FiveFailedAttempts();
    failedThenB.insert(failedThenB.end(), {"pause 1000", "report missing", "run b", "pause 1000"});
    const struct {
        const char* what;
        std::vector<std::string> entries;
        size_t stopAfter;
        int started;
        Events events;
    } cases[] = {
        {"each entry in order with a second after it", {"a", "b", "c"}, SIZE_MAX, 3,
         {"run a", "pause 1000", "run b", "pause 1000", "run c", "pause 1000"}},
        // Five attempts two seconds apart, then the report, and the list goes on.
        {"an entry that cannot start", {"missing", "b"}, SIZE_MAX, 1, failedThenB},
        {"stopped while an entry runs: nothing further starts", {"a", "b"}, 1, 1, {"run a", "pause 1000"}},
        {"stopped during a retry pause: no report", {"missing", "b"}, 4, 0,
         {"fail missing", "pause 2000", "fail missing", "pause 2000"}},
        {"stopped before the start", {"a"}, 0, 0, {}},
        {"an empty list", {}, SIZE_MAX, 0, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        FakeRunner r;
        r.failing = {"missing"};
        r.stopAfter = c.stopAfter;
        EXPECT_EQ(RunInstallEntries(c.entries, r), c.started);
        EXPECT_EQ(r.events, c.events);
    }
}
