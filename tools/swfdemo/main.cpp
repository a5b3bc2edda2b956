// swfdemo: writes the project's demo movies. The plain one: a few coloured
// shapes moving over a coloured background in a loop. The masked one: a sprite
// with a timeline of its own, tweened (moved, turned, faded) behind a moving
// circular mask, the kind of movie a screensaver is made of.
// Usage: swfdemo OUT.swf [--uncompressed] [--masked]
#include "base/File.h"
#include "flash/testing/SwfWriter.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

using namespace glint;
using namespace glint::flash;
using namespace glint::flash::testing;

namespace {

constexpr int kWidth = 640, kHeight = 480, kFrames = 48;

std::string MakeDemo(bool compressed)
{
    SwfWriter swf(kWidth, kHeight, 24.0, 8);
    swf.SetBackground({0x10, 0x20, 0x50, 0xFF});

    ShapeBuilder ball; // centred on its origin so that the matrix moves it
    int ballFill = ball.AddRadialFill(Matrix{0.07, 0, 0, 0.07, -300, -300},
                                      {{0, {0xFF, 0xF0, 0x80, 0xFF}}, {255, {0xE0, 0x30, 0x20, 0xFF}}});
    int ballLine = ball.AddLineStyle(60, {0x60, 0x10, 0x10, 0xFF});
    ball.Circle(0, 0, 1200, ballFill, ballLine);
    swf.DefineShape(1, ball, 3);

    ShapeBuilder bar;
    int barFill = bar.AddLinearFill(Matrix{0.1, 0, 0, 0.1, 0, 0},
                                    {{0, {0x20, 0xC0, 0x60, 0xFF}}, {255, {0x20, 0x60, 0xE0, 0xFF}}});
    bar.Rect(-1600, -400, 3200, 800, barFill);
    swf.DefineShape(2, bar, 2);

    ShapeBuilder tri;
    int triFill = tri.AddSolidFill({0xFF, 0xD0, 0x20, 0xC0});
    tri.MoveTo(0, -900);
    tri.SetStyles(0, triFill, 0);
    tri.LineTo(800, 600);
    tri.LineTo(-800, 600);
    tri.LineTo(0, -900);
    swf.DefineShape(3, tri, 3);

    const double pi = 3.14159265358979323846;
    for (int f = 0; f < kFrames; ++f) {
        double t = 2 * pi * f / kFrames;
        Matrix ballM{1, 0, 0, 1, 20 * (320 + 200 * std::cos(t)), 20 * (240 + 140 * std::sin(t))};
        Matrix barM{std::cos(t), std::sin(t), -std::sin(t), std::cos(t), 20 * 320.0, 20 * 240.0};
        Matrix triM{1, 0, 0, 1, 20 * (100 + 440.0 * f / kFrames), 20 * 400.0};
        if (f == 0) {
            swf.Place(1, 2, barM);
            swf.Place(2, 1, ballM);
            swf.Place(3, 3, triM);
        } else {
            swf.Move(1, barM);
            swf.Move(2, ballM);
            swf.Move(3, triM);
        }
        swf.ShowFrame();
    }
    return swf.Finish(compressed);
}

// A striped sprite whose stripes slide across on its own timeline (12 frames),
// shown through a circle that travels over the stage while the sprite turns,
// grows and fades in and out; a frame outside the mask shows what is cut away.
std::string MakeMaskedDemo(bool compressed)
{
    SwfWriter swf(kWidth, kHeight, 24.0, 8);
    swf.SetBackground({0x18, 0x18, 0x28, 0xFF});

    const Rgba stripe[2] = {{0xF0, 0x90, 0x20, 0xFF}, {0x30, 0xA0, 0xE0, 0xFF}};
    ShapeBuilder stripes; // 8 stripes of 40 px, centred on the origin
    int fills[2] = {stripes.AddSolidFill(stripe[0]), stripes.AddSolidFill(stripe[1])};
    for (int i = 0; i < 8; ++i)
        stripes.Rect(20 * (-160 + 40 * i), 20 * -160, 20 * 40, 20 * 320, fills[i % 2]);
    swf.DefineShape(1, stripes, 3);

    SwfWriter inner(kWidth, kHeight, 24.0, 8);
    constexpr int kInnerFrames = 12;
    for (int f = 0; f < kInnerFrames; ++f) {
        Matrix m{1, 0, 0, 1, 20 * (80.0 * f / kInnerFrames - 40), 0};
        if (f == 0)
            inner.Place(1, 1, m);
        else
            inner.Move(1, m);
        inner.ShowFrame();
    }
    swf.DefineSprite(2, inner);

    ShapeBuilder hole;
    hole.Circle(0, 0, 20 * 150, hole.AddSolidFill({0xFF, 0xFF, 0xFF, 0xFF}));
    swf.DefineShape(3, hole, 3);

    ShapeBuilder ring; // the mask's outline, drawn above it and not masked
    ring.Circle(0, 0, 20 * 152, 0, ring.AddLineStyle(80, {0xF0, 0xF0, 0xF0, 0xFF}));
    swf.DefineShape(4, ring, 3);

    const double pi = 3.14159265358979323846;
    for (int f = 0; f < kFrames; ++f) {
        double t = 2 * pi * f / kFrames;
        Matrix maskM{1, 0, 0, 1, 20 * (320 + 150 * std::cos(t)), 20 * (240 + 60 * std::sin(2 * t))};
        double s = 1.0 + 0.3 * std::sin(t), a = t / 2;
        Matrix spriteM{s * std::cos(a), s * std::sin(a), -s * std::sin(a), s * std::cos(a), 20 * 320.0, 20 * 240.0};
        ColorTransform fade;
        fade.mulA = int32_t(256 * (0.65 + 0.35 * std::cos(t)));
        if (f == 0) {
            swf.Place(1, 3, maskM, nullptr, 2); // masks depth 2
            swf.Place(2, 2, spriteM, &fade);
            swf.Place(3, 4, maskM);
        } else {
            swf.Move(1, maskM);
            swf.Move(2, spriteM, &fade);
            swf.Move(3, maskM);
        }
        swf.ShowFrame();
    }
    return swf.Finish(compressed);
}

} // namespace

int main(int argc, char** argv)
{
    // An option in the place of the file name is a mistake (or --help), never a file to write.
    bool compressed = true, masked = false, ok = argc >= 2 && argv[1][0] != '-';
    for (int i = 2; ok && i < argc; ++i) {
        if (std::strcmp(argv[i], "--uncompressed") == 0)
            compressed = false;
        else if (std::strcmp(argv[i], "--masked") == 0)
            masked = true;
        else
            ok = false;
    }
    if (!ok) {
        std::fputs("usage: swfdemo OUT.swf [--uncompressed] [--masked]\n", stderr);
        return 2;
    }
    std::string movie = masked ? MakeMaskedDemo(compressed) : MakeDemo(compressed);
    if (!WriteWholeFile(argv[1], movie.data(), movie.size())) {
        std::fprintf(stderr, "swfdemo: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
