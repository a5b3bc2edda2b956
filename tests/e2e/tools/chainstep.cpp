// chainstep: a stand-in setup program for the install.exe tests.
//
//   chainstep LOG NAME MILLISECONDS [ANYTHING...]
//
// Appends "NAME start T" to LOG, stays MILLISECONDS, appends "NAME end T"
// (T in milliseconds of the system clock). In between come "NAME line ..." with
// its whole command line, so that expanded placeholders can be checked, and
// "NAME pid N", so that a test can end a program it no longer needs.
// Started without arguments (copied as CMD.exe beside install.exe, which F12
// then finds first), it appends "bare start T" to log.txt in its current folder.
// A window program, so that no console appears when it is started.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

unsigned long long NowMs()
{
    FILETIME ft;
    GetSystemTimeAsFileTime(&ft);
    return ((unsigned long long)ft.dwHighDateTime << 32 | ft.dwLowDateTime) / 10000;
}

bool Append(const char* log, const std::string& line)
{
    FILE* f = std::fopen(log, "ab");
    if (!f)
        return false;
    std::fprintf(f, "%s\r\n", line.c_str());
    return std::fclose(f) == 0;
}

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    unsigned long long started = NowMs();
    if (__argc == 1)
        return Append("log.txt", "bare start " + std::to_string(started)) ? 0 : 3;
    if (__argc < 4)
        return 2;
    const char* log = __argv[1];
    std::string name = __argv[2];
    char* end = nullptr;
    long stay = std::strtol(__argv[3], &end, 10);
    if (*end || stay < 0)
        return 2;
    if (!Append(log, name + " start " + std::to_string(started)) ||
        !Append(log, name + " line " + GetCommandLineA()) ||
        !Append(log, name + " pid " + std::to_string(GetCurrentProcessId())))
        return 3;
    Sleep(DWORD(stay));
    return Append(log, name + " end " + std::to_string(NowMs())) ? 0 : 3;
}
