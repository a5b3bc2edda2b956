// saverswf: writes the movies of the saver's end-to-end tests.
//
//   saverswf shapes OUT.swf                 400 x 300 at 12 fps, navy background, a red square
//                                           (50,50)-(150,150) and a green disc at (300,200) r 40;
//                                           one frame, so nothing changes while it plays
//   saverswf stop-at-end OUT.swf            6 frames at 4 fps over a navy background: the left
//                                           half of the stage green, on the last frame red and stopped
#include "base/File.h"
#include "flash/testing/SwfWriter.h"

#include <cstdio>
#include <cstring>
#include <string>

using namespace glint;
using namespace glint::flash;
using namespace glint::flash::testing;

namespace {

constexpr Rgba kNavy{0x10, 0x20, 0x50, 0xFF}, kRed{0xE0, 0x10, 0x10, 0xFF}, kGreen{0x10, 0xC0, 0x20, 0xFF};

std::string Shapes()
{
    SwfWriter swf(400, 300, 12, 8);
    swf.SetBackground(kNavy);
    ShapeBuilder square;
    square.Rect(50 * 20, 50 * 20, 100 * 20, 100 * 20, square.AddSolidFill(kRed));
    swf.DefineShape(1, square, 3);
    ShapeBuilder disc;
    disc.Circle(300 * 20, 200 * 20, 40 * 20, disc.AddSolidFill(kGreen));
    swf.DefineShape(2, disc, 3);
    swf.Place(1, 1);
    swf.Place(2, 2);
    swf.ShowFrame();
    return swf.Finish(true);
}

std::string StopAtEnd()
{
    // Slow enough that each colour stays on screen across several screenshots.
    SwfWriter swf(400, 300, 4, 8);
    swf.SetBackground(kNavy);
    ShapeBuilder green, red;
    green.Rect(0, 0, 200 * 20, 300 * 20, green.AddSolidFill(kGreen));
    red.Rect(0, 0, 200 * 20, 300 * 20, red.AddSolidFill(kRed));
    swf.DefineShape(1, green, 3);
    swf.DefineShape(2, red, 3);
    for (int f = 0; f < 6; ++f) {
        if (f)
            swf.Remove(1);
        swf.Place(1, f == 5 ? 2 : 1);
        if (f == 5)
            swf.DoAction(ActionBuilder().Stop());
        swf.ShowFrame();
    }
    return swf.Finish(true);
}

int Usage()
{
    std::fputs("usage: saverswf shapes|stop-at-end OUT.swf\n", stderr);
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3)
        return Usage();
    const std::string kind = argv[1];
    std::string movie;
    if (kind == "shapes")
        movie = Shapes();
    else if (kind == "stop-at-end")
        movie = StopAtEnd();
    else
        return Usage();
    if (!WriteWholeFile(argv[2], movie.data(), movie.size())) {
        std::fprintf(stderr, "saverswf: cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
