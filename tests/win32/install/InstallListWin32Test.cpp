// Reading the list file, expanding entries with the environment and the
// registry, and starting programs, through the real system calls.
#include "InstallTestSupport.h"

#include <gtest/gtest.h>

using namespace glint::install;
using namespace installtest;

namespace {

class ListFile : public ::testing::Test {
protected:
    void TearDown() override { DeleteFileA(path_.c_str()); }
    std::string path_ = Folder() + "list-test.ini";
};

} // namespace

TEST_F(ListFile, KeysUpToTheFirstMissingOneAreReadWhole)
{
    // Beyond the 259 characters of a classic buffer: cutting it would run
    // another command line.
    const std::string longEntry = "prog.exe " + std::string(700, 'x') + " /end";
    WriteText(path_, "[InstallList]\r\nSetup1=" + longEntry + "\r\nSetup2=b.exe\r\nSetup4=d.exe\r\n");
    EXPECT_EQ(ReadInstallList(path_), (std::vector<std::string>{longEntry, "b.exe"}));
    WriteText(path_, "[Other]\r\nSetup1=a.exe\r\n");
    EXPECT_TRUE(ReadInstallList(path_).empty());
    EXPECT_TRUE(ReadInstallList(Folder() + "no-such-list.ini").empty());
}

TEST(ReadMachineText, MissingKeysAndValuesAreEmpty)
{
    EXPECT_EQ(ReadMachineText("Software\\Glintbox\\NoSuchKey", "Value"), "");
    EXPECT_EQ(ReadMachineText("SYSTEM\\CurrentControlSet\\Control\\Nls\\Language", "NoSuchValue"), "");
}

TEST(ExpandEntry, EnvironmentFirstThenPlaceholdersFromTheRegistry)
{
    SetEnvironmentVariableA("GLINT_INSTALL_TEST", "from-env");
    std::string language =
        ReadMachineText("SYSTEM\\CurrentControlSet\\Control\\Nls\\Language", "InstallLanguage");
    std::string desktop = ReadMachineText("Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders",
                                          "Common Desktop");
    ASSERT_FALSE(language.empty()); // present on every installed system
    EXPECT_EQ(ExpandEntry("%CurrentLocation%\\s.exe %GLINT_INSTALL_TEST% %langid% \"%DESKTOP%\"", "C:\\Media\\"),
              "C:\\Media\\s.exe from-env " + language + " \"" + desktop + "\"");
    SetEnvironmentVariableA("GLINT_INSTALL_TEST", nullptr);
}

TEST(ExpandEntry, UnknownVariablesStayAndLongResultsAreNotCut)
{
    SetEnvironmentVariableA("GLINT_INSTALL_LONG", std::string(600, 'y').c_str());
    std::string out = ExpandEntry("a.exe %GLINT_INSTALL_LONG% %GLINT_NO_SUCH_VARIABLE%", "C:\\");
    EXPECT_EQ(out, "a.exe " + std::string(600, 'y') + " %GLINT_NO_SUCH_VARIABLE%");
    SetEnvironmentVariableA("GLINT_INSTALL_LONG", nullptr);
}

namespace {

DWORD WINAPI StopSoon(void* stopEvent)
{
    Sleep(300);
    SetEvent(static_cast<HANDLE>(stopEvent));
    return 0;
}

class Runner : public ::testing::Test {
protected:
    void SetUp() override
    {
        stop_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        DeleteFileA(log_.c_str());
    }
    void TearDown() override
    {
        CloseHandle(stop_);
        DeleteFileA(log_.c_str());
    }
    std::string Step(const std::string& name, int ms)
    {
        return Quoted(Folder() + "chainstep.exe") + " " + Quoted(log_) + " " + name + " " + std::to_string(ms);
    }
    HANDLE stop_ = nullptr;
    std::string log_ = Folder() + "runner-test.log";
};

} // namespace

TEST_F(Runner, WaitsForTheProgramToEnd)
{
    CProcessRunner runner(stop_);
    DWORD start = GetTickCount();
    EXPECT_TRUE(runner.StartAndWait(Step("one", 600)));
    EXPECT_GE(GetTickCount() - start, 550u);
    std::string log = ReadText(log_);
    EXPECT_TRUE(Contains(log, "one start")) << log;
    EXPECT_TRUE(Contains(log, "one end")) << log;
}

TEST_F(Runner, AProgramThatIsNotThereFails)
{
    CProcessRunner runner(stop_);
    EXPECT_FALSE(runner.StartAndWait(Quoted(Folder() + "no-such-program.exe") + " /x"));
    EXPECT_FALSE(runner.StartAndWait(""));
}

TEST_F(Runner, StopEndsTheWaitButNotTheProgram)
{
    CProcessRunner runner(stop_);
    HANDLE stopper = CreateThread(nullptr, 0, StopSoon, stop_, 0, nullptr);
    DWORD start = GetTickCount();
    EXPECT_TRUE(runner.StartAndWait(Step("long", 2000)));
    EXPECT_LT(GetTickCount() - start, 1500u);
    WaitForSingleObject(stopper, INFINITE);
    CloseHandle(stopper);
    EXPECT_TRUE(runner.Stopped());
    EXPECT_FALSE(runner.Pause(5000)); // at once, without waiting
    // The program goes on to its end.
    bool ended = false;
    for (int i = 0; i < 200 && !(ended = Contains(ReadText(log_), "long end")); ++i)
        Sleep(50);
    EXPECT_TRUE(ended);
}

TEST_F(Runner, PauseWaitsWhileNotStopped)
{
    CProcessRunner runner(stop_);
    DWORD start = GetTickCount();
    EXPECT_TRUE(runner.Pause(200));
    EXPECT_GE(GetTickCount() - start, 180u);
    EXPECT_FALSE(runner.Stopped());
}

TEST(FailureText, NamesTheEntryAfterTheFixedLine)
{
    EXPECT_EQ(CProcessRunner::FailureText("x.exe /q"), "Error : CreatePrecess\r\nx.exe /q");
}
