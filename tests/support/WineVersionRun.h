#pragma once
// Runs a helper program under a Windows version that Wine reports to that
// program alone (its AppDefaults setting), for tests of version-dependent paths.
#include <windows.h>

#include <cstring>
#include <string>

namespace glint::test {

// The program's exit code; ~0 when it could not start or did not end within a minute.
inline DWORD RunAsWindowsVersion(const std::string& program, const char* version)
{
    const std::string key = "Software\\Wine\\AppDefaults\\" + program.substr(program.find_last_of("\\/") + 1);
    HKEY k;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &k, nullptr) !=
        ERROR_SUCCESS)
        return ~DWORD(0);
    RegSetValueExA(k, "Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(version), DWORD(strlen(version) + 1));
    RegCloseKey(k);
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    std::string command = "\"" + program + "\"";
    DWORD exitCode = ~DWORD(0);
    if (CreateProcessA(program.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
        if (WaitForSingleObject(pi.hProcess, 60000) == WAIT_OBJECT_0)
            GetExitCodeProcess(pi.hProcess, &exitCode);
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
    }
    RegDeleteKeyA(HKEY_CURRENT_USER, key.c_str());
    return exitCode;
}

} // namespace glint::test
