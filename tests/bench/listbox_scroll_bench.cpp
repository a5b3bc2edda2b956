// Scrolling a list box of 1,000 items line by line, each step painted at once:
// the list box skinned with a background picture against the system's list
// box, in one process under Wine. Prints the time per step and the ratio; the
// goal is at most 2.
//   bench_listbox_scroll [STEPS]    (default 100)
#include "tests/bench/WallClock.h"
#include "tests/win32/skinbuttons/ButtonSkinSupport.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>

using namespace buttontest;

namespace {

constexpr int kItems = 1000;

// Seconds per scroll step of a list box in a new dialog; negative when the
// list box is (not) skinned against what was asked.
double TimeScrolling(int steps, bool wantSkinned)
{
    Notifications heard;
    HWND dialog = CreateRecordingDialog(&heard, 40, 40, 320, 300);
    HWND list = AddControl(dialog, "ListBox", "", WS_VSCROLL | LBS_NOINTEGRALHEIGHT, 1, {10, 10, 290, 250},
                           WS_EX_CLIENTEDGE);
    const bool skinned = list && GetPropA(list, "OBJECT") != nullptr;
    double perStep = -1;
    if (list && skinned == wantSkinned) {
        char text[64];
        for (int i = 0; i < kItems; ++i) {
            std::snprintf(text, sizeof text, "Item %d of the list, with some text", i);
            SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
        }
        UpdateWindow(dialog);
        Pump();
        const double start = Seconds();
        for (int i = 0; i < steps; ++i) {
            SendMessageA(list, WM_VSCROLL, SB_LINEDOWN, 0);
            UpdateWindow(list);
        }
        Pump();
        perStep = (Seconds() - start) / steps;
    }
    if (dialog)
        DestroyWindow(dialog);
    Pump();
    return perStep;
}

} // namespace

int main(int argc, char** argv)
{
    const int steps = argc > 1 ? std::atoi(argv[1]) : 100;
    if (argc > 2 || steps <= 0 || steps >= kItems) {
        std::fprintf(stderr, "usage: bench_listbox_scroll [STEPS]   (1 to %d)\n", kItems - 1);
        return 2;
    }
    const std::string title = "list box of " + std::to_string(kItems) + " items, scrolled a line and painted, steps: " +
                              std::to_string(steps);
    return CompareWithSkin("bench_listbox_scroll", title, "system list box", "skinned list box, with a picture",
                           [&](bool skinned) { return TimeScrolling(steps, skinned); },
                           [] { return StartWithBlockSkin(); }, ExitSkinRuntime);
}
