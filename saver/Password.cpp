#include "saver/Password.h"

namespace glint {

namespace {

// Frees a library loaded by name at the end of a scope.
class LoadedLibrary {
public:
    explicit LoadedLibrary(const char* name) : module_(LoadLibraryA(name)) {}
    ~LoadedLibrary()
    {
        if (module_)
            FreeLibrary(module_);
    }
    LoadedLibrary(const LoadedLibrary&) = delete;
    LoadedLibrary& operator=(const LoadedLibrary&) = delete;

    explicit operator bool() const { return module_ != nullptr; }
    template <typename F> F Function(const char* name) const
    {
        return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module_, name)));
    }

private:
    HMODULE module_;
};

} // namespace

bool VerifyPassword(HWND window)
{
    OSVERSIONINFOA version = {};
    version.dwOSVersionInfoSize = sizeof version;
    if (GetVersionExA(&version) && version.dwPlatformId == VER_PLATFORM_WIN32_NT)
        return true;
    LoadedLibrary library("PASSWORD.CPL");
    if (!library)
        return true;
    using VerifyFn = BOOL(WINAPI*)(HWND);
    auto verify = library.Function<VerifyFn>("VerifyScreenSavePwd");
    if (!verify)
        return true;
    return verify(window) != FALSE;
}

void ChangePassword(HWND window)
{
    LoadedLibrary library("MPR.DLL");
    if (!library)
        return;
    using ChangeFn = DWORD(WINAPI*)(LPCSTR, HWND, DWORD, LPVOID);
    if (auto change = library.Function<ChangeFn>("PwdChangePasswordA"))
        change("SCRSAVE", window, 0, nullptr);
}

} // namespace glint
