#pragma once
// Small movies for the tests of the player control and the saver window:
// each frame fills the left half of the stage with a colour of its own, so a
// pixel tells which frame is shown.
#include "flash/testing/SwfWriter.h"

#include <windows.h>

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

namespace glint::testmovies {

using flash::Rgba;

struct Frame {
    Frame(Rgba c, bool stops = false, std::string fsCommand = {}, std::string fsArgs = {})
        : colour(c), stop(stops), command(std::move(fsCommand)), args(std::move(fsArgs))
    {
    }
    Rgba colour;
    bool stop;                   // the frame's actions stop the movie
    std::string command, args;   // an FSCommand the frame raises
};

inline std::string ColourFrames(int width, int height, double fps, Rgba background, const std::vector<Frame>& frames)
{
    using namespace flash::testing;
    SwfWriter swf(width, height, fps, 8);
    swf.SetBackground(background);
    for (size_t f = 0; f < frames.size(); ++f) {
        ShapeBuilder half;
        half.Rect(0, 0, width * 20 / 2, height * 20, half.AddSolidFill(frames[f].colour));
        const auto id = uint16_t(f + 1);
        swf.DefineShape(id, half, 3);
        if (f)
            swf.Remove(1);
        swf.Place(1, id);
        ActionBuilder actions;
        if (!frames[f].command.empty())
            actions.FSCommand(frames[f].command, frames[f].args);
        if (frames[f].stop)
            actions.Stop();
        if (!frames[f].command.empty() || frames[f].stop)
            swf.DoAction(actions);
        swf.ShowFrame();
    }
    return swf.Finish(true);
}

// Writes the bytes to a file in the temporary folder; returns its path.
inline std::string WriteTempFile(const std::string& name, const std::string& bytes)
{
    char folder[MAX_PATH];
    GetTempPathA(MAX_PATH, folder);
    std::string path = std::string(folder) + "glint-" + std::to_string(GetCurrentProcessId()) + "-" + name;
    if (FILE* f = std::fopen(path.c_str(), "wb")) {
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
    }
    return path;
}

// Runs the thread's message loop for a while (timers, paints, posted events).
inline void PumpFor(DWORD ms)
{
    DWORD end = GetTickCount() + ms;
    while (int(end - GetTickCount()) > 0) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
}

// Pumps until the condition holds or the time is up; returns the condition.
template <class Condition>
bool PumpUntil(Condition condition, DWORD ms)
{
    DWORD end = GetTickCount() + ms;
    while (!condition()) {
        if (int(end - GetTickCount()) <= 0)
            return false;
        PumpFor(10);
    }
    return true;
}

inline constexpr Rgba kRed{0xE0, 0x10, 0x10, 0xFF}, kGreen{0x10, 0xC0, 0x20, 0xFF}, kBlue{0x10, 0x20, 0xD0, 0xFF},
    kYellow{0xF0, 0xE0, 0x10, 0xFF}, kNavy{0x10, 0x20, 0x50, 0xFF};

inline COLORREF ColorRefOf(Rgba c) { return RGB(c.r, c.g, c.b); }

} // namespace glint::testmovies
