// Painting Glintbox's settings dialog whole (frame, background, client and
// every control) with the default skin against the same dialog with the
// system's look, in one process. Prints the time per paint and the ratio; the
// goal is at most 2.
//   bench_skin_paint [ROUNDS]    (default 300)
#include "tests/bench/WallClock.h"
#include "tests/win32/skinsettings/SettingsDialogDriver.h"

#include "skin/runtime/SkinRuntime.h"

#include <windows.h>

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
    return CompareWithSkin(
        "bench_skin_paint", "settings dialog, whole paint, rounds: " + std::to_string(rounds), "system look",
        "default skin",
        [&](bool skinned) { return TimePaints(rounds, skinned); },
        [] {
            if (StartSkinnedDialogs())
                return std::string();
            return "the skin runtime did not start (error " + std::to_string(SkinRuntimeError()) + ")";
        },
        ExitSkinRuntime);
}
