// Starts the skin runtime and answers, as its exit code, what it found and did:
// the platform code it computed, plus 10 when the themed button procedure was
// captured, plus 100 for each scroll-bar function it redirected, plus 1000
// when every byte of the eight functions (and the 5 before each) is back after
// ExitSkinRuntime, plus 2000 when a direct InstallScrollBarRedirection then
// answers 1, plus 10000 when the start failed.
#include <windows.h>

#include "skin/runtime/SkinRuntime.h"
#include "skin/runtime/scrollbar/SkinScrollBars.h"

#include <cstring>

namespace {

const char* const kNames[] = {"EnableScrollBar", "GetScrollInfo", "GetScrollPos",   "GetScrollRange",
                              "SetScrollInfo",   "SetScrollPos",  "SetScrollRange", "ShowScrollBar"};

void Snapshot(unsigned char (&bytes)[8][21])
{
    HMODULE user32 = GetModuleHandleA("user32.dll");
    for (int i = 0; i < 8; ++i)
        std::memcpy(bytes[i], reinterpret_cast<const unsigned char*>(GetProcAddress(user32, kNames[i])) - 5, 21);
}

} // namespace

int main()
{
    unsigned char before[8][21], after[8][21];
    Snapshot(before);
    const int started = glint::InitSkinRuntime(GetModuleHandleA(nullptr));
    int code = glint::PlatformCode() + (glint::ThemedButtonProc() ? 10 : 0) +
               100 * glint::RedirectedScrollBarFunctions() + (started ? 0 : 10000);
    glint::ExitSkinRuntime();
    Snapshot(after);
    code += std::memcmp(before, after, sizeof before) == 0 ? 1000 : 0;
    code += glint::InstallScrollBarRedirection() ? 2000 : 0;
    glint::RemoveScrollBarRedirection();
    return code;
}
