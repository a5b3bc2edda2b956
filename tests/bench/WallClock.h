#pragma once
// Seconds on the performance counter, and the skinned-against-system comparison
// that the Win32 benchmarks print.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>

inline double Seconds()
{
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return double(now.QuadPart) / double(frequency.QuadPart);
}

// Times `measure(false)` with the system's look and `measure(true)` after
// `startSkin()` (which answers "" or what failed), alternating, best of three
// each, so that a busy moment of the machine does not land on one side only.
// `measure` gives seconds per step, negative when it failed. Prints both and
// their ratio (the goal: at most 2); returns the program's exit code.
template <class Measure, class StartSkin>
int CompareWithSkin(const char* program, const std::string& title, const char* plainName, const char* skinnedName,
                    Measure measure, StartSkin startSkin, void (*stopSkin)())
{
    double plain = 1e9, skinned = 1e9;
    for (int run = 0; run < 3; ++run) {
        const double p = measure(false);
        const std::string failed = startSkin();
        if (!failed.empty()) {
            std::fprintf(stderr, "%s: %s\n", program, failed.c_str());
            return 1;
        }
        const double s = measure(true);
        stopSkin();
        if (p < 0 || s < 0) {
            std::fprintf(stderr, "%s: measuring the %s failed\n", program, p < 0 ? plainName : skinnedName);
            return 1;
        }
        plain = std::min(plain, p);
        skinned = std::min(skinned, s);
    }
    std::printf("%s, best of 3\n", title.c_str());
    std::printf("  %-26s %8.3f ms\n", plainName, plain * 1000);
    std::printf("  %-26s %8.3f ms\n", skinnedName, skinned * 1000);
    std::printf("  %-26s %8.2f x   (goal: at most 2 x)\n", "ratio", skinned / plain);
    return 0;
}
