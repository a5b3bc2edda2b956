// Painting Glintbox's settings dialog whole (frame, background, client and
// every control) with the default skin against the same dialog with the
// system's look, in one process. Prints the time per paint and the ratio; the
// goal is at most 2.
//   bench_skin_paint [ROUNDS]    (default 300)
#include "tests/bench/WallClock.h"
#include "tests/win32/skinsettings/SettingsDialogDriver.h"

#include "skin/runtime/SkinRuntime.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

using namespace glint;
using namespace glint::testing;

namespace {

// Seconds per whole paint of the open settings dialog; negative when it did
// not open, or was (not) skinned against what was asked.
double TimePaints(int rounds, bool wantSkinned)
{
    double perPaint = -1;
    const bool shown = RunSettingsDialog([&](HWND dialog) {
        if ((GetPropA(dialog, "OBJECT") != nullptr) != wantSkinned)
            return;
        for (int i = 0; i < 10; ++i) // caches, the first region
            PaintWholeWindow(dialog);
        const double start = Seconds();
        for (int i = 0; i < rounds; ++i)
            PaintWholeWindow(dialog);
        perPaint = (Seconds() - start) / rounds;
    });
    return shown ? perPaint : -1;
}

} // namespace

int main(int argc, char** argv)
{
    const int rounds = argc > 1 ? std::atoi(argv[1]) : 300;
    if (argc > 2 || rounds <= 0) {
        std::fprintf(stderr, "usage: bench_skin_paint [ROUNDS]\n");
        return 2;
    }
    // Alternate the two, best of three each, so that a busy moment of the
    // machine does not land on one side only.
    double plain = 1e9, skinned = 1e9;
    for (int run = 0; run < 3; ++run) {
        const double p = TimePaints(rounds, false);
        if (!StartSkinnedDialogs()) {
            std::fprintf(stderr, "bench_skin_paint: the skin runtime did not start (error %d)\n", SkinRuntimeError());
            return 1;
        }
        const double s = TimePaints(rounds, true);
        ExitSkinRuntime();
        if (p < 0 || s < 0) {
            std::fprintf(stderr, "bench_skin_paint: the settings dialog did not open %s\n",
                         p < 0 ? "with the system's look" : "skinned");
            return 1;
        }
        plain = std::min(plain, p);
        skinned = std::min(skinned, s);
    }
    std::printf("settings dialog, whole paint (%d rounds, best of 3)\n", rounds);
    std::printf("  system look   %8.3f ms\n", plain * 1000);
    std::printf("  default skin  %8.3f ms\n", skinned * 1000);
    std::printf("  ratio         %8.2f x   (goal: at most 2 x)\n", skinned / plain);
    return 0;
}
