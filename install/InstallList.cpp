#include "install/InstallList.h"

#include <process.h>

namespace glint::install {

namespace {

// Longest command line CreateProcess takes; longer values are refused there.
constexpr DWORD kMaxValueChars = 32768;

} // namespace

std::string ModulePath()
{
    std::vector<char> buffer(MAX_PATH);
    for (;;) {
        DWORD n = GetModuleFileNameA(nullptr, buffer.data(), DWORD(buffer.size()));
        if (n == 0)
            return std::string();
        if (n < buffer.size() - 1 || buffer.size() >= kMaxValueChars)
            return std::string(buffer.data(), n);
        buffer.resize(buffer.size() * 2);
    }
}

namespace {

std::string ReadListValue(const std::string& listPath, const std::string& key)
{
    // The value is read whole: a command line cut short would run something else.
    std::vector<char> buffer(260);
    for (;;) {
        DWORD n = GetPrivateProfileStringA(kListSection, key.c_str(), "", buffer.data(), DWORD(buffer.size()),
                                           listPath.c_str());
        if (n + 1 < buffer.size() || buffer.size() >= kMaxValueChars)
            return std::string(buffer.data(), n);
        buffer.resize(buffer.size() * 2);
    }
}

} // namespace

std::vector<std::string> ReadInstallList(const std::string& listPath)
{
    return CollectInstallList([&](const std::string& key) { return ReadListValue(listPath, key); });
}

std::string ReadMachineText(const char* subkey, const char* valueName)
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, subkey, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return std::string();
    std::string text;
    DWORD type = 0, size = 0;
    if (RegQueryValueExA(key, valueName, nullptr, &type, nullptr, &size) == ERROR_SUCCESS &&
        (type == REG_SZ || type == REG_EXPAND_SZ) && size > 0 && size <= kMaxValueChars) {
        std::vector<char> buffer(size + 1, '\0'); // stored text need not end with a zero
        if (RegQueryValueExA(key, valueName, nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()), &size) ==
            ERROR_SUCCESS)
            text = buffer.data();
    }
    RegCloseKey(key);
    return text;
}

namespace {

std::string ExpandEnvironment(const std::string& text)
{
    DWORD needed = ExpandEnvironmentStringsA(text.c_str(), nullptr, 0);
    if (needed == 0)
        return text;
    std::vector<char> buffer(needed + 1);
    DWORD n = ExpandEnvironmentStringsA(text.c_str(), buffer.data(), DWORD(buffer.size()));
    return (n == 0 || n > buffer.size()) ? text : std::string(buffer.data());
}

} // namespace

std::string ExpandEntry(const std::string& entry, const std::string& programFolder)
{
    PlaceholderValues values;
    values.programFolder = programFolder;
    values.languageId = ReadMachineText("SYSTEM\\CurrentControlSet\\Control\\Nls\\Language", "InstallLanguage");
    const char* shellFolders = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
    values.commonDesktop = ReadMachineText(shellFolders, "Common Desktop");
    values.commonStartup = ReadMachineText(shellFolders, "Common Startup");
    return ExpandPlaceholders(ExpandEnvironment(entry), values);
}

InstallJob::InstallJob() : stop(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {}

InstallJob::~InstallJob()
{
    if (stop)
        CloseHandle(stop);
}

bool CProcessRunner::StartAndWait(const std::string& commandLine)
{
    std::vector<char> line(commandLine.begin(), commandLine.end()); // CreateProcessA may write into it
    line.push_back('\0');
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return false;
    CloseHandle(process.hThread);
    HANDLE waitFor[2] = {process.hProcess, m_stop};
    WaitForMultipleObjects(2, waitFor, FALSE, INFINITE);
    CloseHandle(process.hProcess);
    return true;
}

bool CProcessRunner::Pause(unsigned milliseconds) { return WaitForSingleObject(m_stop, milliseconds) == WAIT_TIMEOUT; }

bool CProcessRunner::Stopped() const { return WaitForSingleObject(m_stop, 0) != WAIT_TIMEOUT; }

std::string CProcessRunner::FailureText(const std::string& commandLine)
{
    return "Error : CreatePrecess\r\n" + commandLine;
}

void CProcessRunner::ReportStartFailure(const std::string& commandLine)
{
    // No owner: the dialog belongs to the other thread. Topmost, because the
    // dialog is.
    MessageBoxA(nullptr, FailureText(commandLine).c_str(), "Install",
                MB_OK | MB_ICONERROR | MB_TOPMOST | MB_SETFOREGROUND);
}

unsigned __stdcall RunInstallList(void* param)
{
    std::unique_ptr<std::shared_ptr<InstallJob>> holder(static_cast<std::shared_ptr<InstallJob>*>(param));
    InstallJob& job = **holder;

    std::string programPath = ModulePath();
    std::string programFolder = FolderOf(programPath);
    SetCurrentDirectoryA(programFolder.c_str());

    std::vector<std::string> entries = ReadInstallList(InstallListPath(programPath));
    for (std::string& entry : entries)
        entry = ExpandEntry(entry, programFolder);

    CProcessRunner runner(job.stop);
    RunInstallEntries(entries, runner);

    // Posted again until the dialog answers, in case one is lost; a dialog that
    // is gone ends the loop too.
    while (!runner.Stopped()) {
        if (!PostMessageA(job.dialog, WM_INSTALL_DONE, 0, 0))
            break;
        if (!runner.Pause(kDonePostIntervalMs))
            break;
    }
    return 0;
}

HANDLE StartInstallWorker(const std::shared_ptr<InstallJob>& job)
{
    auto* param = new std::shared_ptr<InstallJob>(job);
    uintptr_t thread = _beginthreadex(nullptr, 0, RunInstallList, param, 0, nullptr);
    if (thread == 0) {
        delete param;
        return nullptr;
    }
    return reinterpret_cast<HANDLE>(thread);
}

} // namespace glint::install
