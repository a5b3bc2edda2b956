// swfrender: draws one frame of an SWF movie with the built-in player into a PPM picture.
#include "base/File.h"
#include "flash/SwfPlayer.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

using namespace glint;
using namespace glint::flash;

namespace {

const char kUsage[] = "usage: swfrender IN.swf OUT.ppm [--frame N] [--size WxH] [--scale showall|noscale]\n";

bool ParseInt(const char* s, int& out)
{
    char* end = nullptr;
    long v = std::strtol(s, &end, 10);
    if (!*s || *end || v < 0 || v > 1000000)
        return false;
    out = int(v);
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    std::string in = argv[1], out = argv[2];
    int frame = 0, width = 0, height = 0;
    ScaleMode mode = ScaleMode::ShowAll;
    for (int i = 3; i < argc; ++i) {
        std::string a = argv[i];
        const char* v = i + 1 < argc ? argv[i + 1] : nullptr;
        if (a == "--frame" && v && ParseInt(v, frame)) {
            ++i;
        } else if (a == "--size" && v) {
            std::string s = v;
            size_t x = s.find('x');
            if (x == std::string::npos || !ParseInt(s.substr(0, x).c_str(), width) ||
                !ParseInt(s.substr(x + 1).c_str(), height) || width == 0 || height == 0 || width > 16384 ||
                height > 16384) {
                std::fprintf(stderr, "swfrender: bad size '%s' (want WxH, up to 16384x16384)\n", v);
                return 2;
            }
            ++i;
        } else if (a == "--scale" && v && (std::strcmp(v, "showall") == 0 || std::strcmp(v, "noscale") == 0)) {
            mode = std::strcmp(v, "noscale") == 0 ? ScaleMode::NoScale : ScaleMode::ShowAll;
            ++i;
        } else {
            std::fprintf(stderr, "swfrender: bad argument '%s'\n%s", a.c_str(), kUsage);
            return 2;
        }
    }

    std::string bytes;
    if (!ReadWholeFile(in, bytes)) {
        std::fprintf(stderr, "swfrender: cannot read %s\n", in.c_str());
        return 1;
    }
    SwfPlayer player;
    if (!player.Load(bytes)) {
        std::fprintf(stderr, "swfrender: %s is not an SWF movie this player can read\n", in.c_str());
        return 1;
    }
    if (frame >= player.TotalFrames()) {
        std::fprintf(stderr, "swfrender: frame %d out of range (the movie has %d frames)\n", frame,
                     player.TotalFrames());
        return 1;
    }
    if (frame > 0)
        player.GotoFrame(frame);
    if (width == 0) {
        width = player.StageWidth();
        height = player.StageHeight();
        if (width <= 0 || height <= 0 || width > 16384 || height > 16384) {
            std::fprintf(stderr, "swfrender: stage size %dx%d unusable; give --size\n", width, height);
            return 1;
        }
    }
    std::vector<uint32_t> pixels(size_t(width) * size_t(height));
    player.Render(pixels.data(), width, height, width, mode);

    std::string ppm = "P6\n" + std::to_string(width) + " " + std::to_string(height) + "\n255\n";
    ppm.reserve(ppm.size() + pixels.size() * 3);
    for (uint32_t p : pixels) {
        ppm.push_back(char(p >> 16));
        ppm.push_back(char(p >> 8));
        ppm.push_back(char(p));
    }
    if (!WriteWholeFile(out, ppm.data(), ppm.size())) {
        std::fprintf(stderr, "swfrender: cannot write %s\n", out.c_str());
        return 1;
    }
    return 0;
}
