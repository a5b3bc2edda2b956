// A stand-in PASSWORD.CPL for the end-to-end tests of the Windows 9x password
// path. Each call is recorded in "password-calls.txt" beside the library; the
// password counts as entered when "password-allow" exists there.
#include <windows.h>

#include <string>

namespace {

std::string Beside(const char* name)
{
    HMODULE self = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCSTR>(&Beside), &self);
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(self, path, MAX_PATH);
    std::string folder(path, n);
    return folder.substr(0, folder.rfind('\\') + 1) + name;
}

} // namespace

extern "C" __declspec(dllexport) BOOL WINAPI VerifyScreenSavePwd(HWND window)
{
    HANDLE log = CreateFileA(Beside("password-calls.txt").c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr,
                             OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (log != INVALID_HANDLE_VALUE) {
        DWORD written;
        WriteFile(log, window ? "verify owned\r\n" : "verify\r\n", window ? 14 : 8, &written, nullptr);
        CloseHandle(log);
    }
    return GetFileAttributesA(Beside("password-allow").c_str()) != INVALID_FILE_ATTRIBUTES;
}
