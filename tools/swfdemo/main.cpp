// swfdemo: writes the project's demo movie, a few coloured shapes moving over
// a coloured background in a loop. Usage: swfdemo OUT.swf [--uncompressed]
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
    tri.Triangle(0, -900, 800, 600, -800, 600, triFill);
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

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2 || argc > 3 || (argc == 3 && std::strcmp(argv[2], "--uncompressed") != 0)) {
        std::fputs("usage: swfdemo OUT.swf [--uncompressed]\n", stderr);
        return 2;
    }
    std::string movie = MakeDemo(argc == 2);
    if (!WriteWholeFile(argv[1], movie.data(), movie.size())) {
        std::fprintf(stderr, "swfdemo: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
