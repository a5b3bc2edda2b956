// Exit code: the functions redirected while the runtime runs, plus 10 when
// every byte of the eight functions (and the 5 before each) is back after
// ExitSkinRuntime, plus 100 when a direct InstallScrollBarRedirection answers 1.
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
    if (!glint::InitSkinRuntime(GetModuleHandleA(nullptr)))
        return 200;
    const int redirected = glint::RedirectedScrollBarFunctions();
    glint::ExitSkinRuntime();
    Snapshot(after);
    const bool restored = std::memcmp(before, after, sizeof before) == 0;
    const int direct = glint::InstallScrollBarRedirection();
    glint::RemoveScrollBarRedirection();
    return redirected + (restored ? 10 : 0) + (direct ? 100 : 0);
}
