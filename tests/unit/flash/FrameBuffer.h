#pragma once
// A frame buffer for the player tests, with pixel access by channel.
#include "flash/SwfPlayer.h"
#include "flash/testing/SwfWriter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace glint::flash::test {

struct FrameBuffer {
    int width, height;
    std::vector<uint32_t> pixels;

    FrameBuffer(int w, int h) : width(w), height(h), pixels(size_t(w) * size_t(h), 0x12345678) {}

    uint32_t At(int x, int y) const { return pixels[size_t(y) * size_t(width) + size_t(x)]; }
    int R(int x, int y) const { return int(At(x, y) >> 16) & 0xFF; }
    int G(int x, int y) const { return int(At(x, y) >> 8) & 0xFF; }
    int B(int x, int y) const { return int(At(x, y)) & 0xFF; }
    uint32_t Rgb(int x, int y) const { return At(x, y) & 0xFFFFFF; }
};

inline FrameBuffer Draw(SwfPlayer& player, int w, int h, ScaleMode mode = ScaleMode::ShowAll)
{
    FrameBuffer fb(w, h);
    player.Render(fb.pixels.data(), w, h, w, mode);
    return fb;
}

// The frame in letters, one a `cell` x `cell` block sampled at its centre, rows
// split by '|': W white, K black, R red, G green, B blue, '?' any other colour.
inline std::string Sketch(const FrameBuffer& fb, int cell)
{
    const uint32_t colours[] = {0xFFFFFF, 0x000000, 0xFF0000, 0x00FF00, 0x0000FF};
    std::string s;
    for (int y = cell / 2; y < fb.height; y += cell) {
        s += s.empty() ? "" : "|";
        for (int x = cell / 2; x < fb.width; x += cell) {
            const auto* c = std::find(std::begin(colours), std::end(colours), fb.Rgb(x, y));
            s += c == std::end(colours) ? '?' : "WKRGB"[c - colours];
        }
    }
    return s;
}

// Ends the frame being written and loads the movie into a new player.
inline std::unique_ptr<SwfPlayer> Loaded(testing::SwfWriter& swf)
{
    swf.ShowFrame();
    auto player = std::make_unique<SwfPlayer>();
    EXPECT_TRUE(player->Load(swf.Finish(false)));
    return player;
}

// Ends the frame being written and draws the movie's first frame at w x h.
inline FrameBuffer FirstFrame(testing::SwfWriter& swf, int w, int h) { return Draw(*Loaded(swf), w, h); }

// Largest channel difference between two 0xRRGGBB colours.
inline int ColorDistance(uint32_t a, uint32_t b)
{
    int d = 0;
    for (int s = 0; s < 24; s += 8)
        d = std::max(d, std::abs(int((a >> s) & 0xFF) - int((b >> s) & 0xFF)));
    return d;
}

constexpr Rgba kWhite{255, 255, 255, 255}, kBlack{0, 0, 0, 255}, kGrey{0x40, 0x40, 0x40, 255};
constexpr Rgba kRed{255, 0, 0, 255}, kGreen{0, 255, 0, 255}, kBlue{0, 0, 255, 255};

// A movie of w x h pixels at 12 frames a second on a background of one colour.
inline testing::SwfWriter Stage(int w, int h, Rgba background)
{
    testing::SwfWriter swf(w, h, 12);
    swf.SetBackground(background);
    return swf;
}

// Shape `id`: a square of `size` pixels at the origin in one colour.
inline void Square(testing::SwfWriter& swf, uint16_t id, Rgba c, int size = 10)
{
    testing::ShapeBuilder sb;
    sb.Rect(0, 0, size * 20, size * 20, sb.AddSolidFill(c));
    swf.DefineShape(id, sb);
}

// A placement at (x, y) pixels.
inline Matrix At(double x, double y) { return Matrix{1, 0, 0, 1, x * 20, y * 20}; }

} // namespace glint::flash::test
