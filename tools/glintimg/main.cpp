// glintimg: looks at and converts pictures with the image library.
//   glintimg info FILE
//   glintimg decode FILE OUT.bmp [--frame N] [--alpha OUT.pgm]
//   glintimg bench
#include "image/DibImage.h"
#include "image/ImageStream.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

using namespace glint;

int RunBench(int argc, char** argv); // Bench.cpp

namespace {

const char kUsage[] =
    "usage:\n"
    "  glintimg info FILE\n"
    "  glintimg decode FILE OUT.bmp [--frame N] [--alpha OUT.pgm]\n"
    "  glintimg bench            (decoding and drawing speed; prints ratios)\n";

int Usage(const char* problem)
{
    std::fprintf(stderr, "glintimg: %s\n\n%s", problem, kUsage);
    return 2;
}

bool FileExists(const char* path)
{
    std::FILE* f = std::fopen(path, "rb");
    if (f)
        std::fclose(f);
    return f != nullptr;
}

bool Load(CDibImage& image, const char* path)
{
    if (!FileExists(path)) {
        std::fprintf(stderr, "glintimg: cannot open %s: %s\n", path, std::strerror(errno));
        return false;
    }
    if (!image.LoadFile(path, FORMAT_UNKNOWN)) {
        // A build without GDI reads no metafile: asking for that format by
        // name tells whether this is one, and says so.
        CDibImage probe;
        const bool metafile = !probe.LoadFile(path, FORMAT_WMF) && std::strstr(probe.LastError(), "GDI");
        std::fprintf(stderr, "glintimg: cannot decode %s: %s\n", path, metafile ? probe.LastError() : image.LastError());
        return false;
    }
    return true;
}

int Info(const char* path)
{
    CDibImage image;
    if (!Load(image, path))
        return 1;
    const BITMAPINFOHEADER& h = image.Header();
    std::printf("file: %s\n", path);
    std::printf("format: %s\n", FormatName(image.Type()));
    std::printf("size: %d x %d\n", image.Width(), image.Height());
    std::printf("bits: %u\n", image.BitCount());
    std::printf("resolution: %d x %d dpi (%d x %d pixels per metre)\n", image.XDPI(), image.YDPI(),
                int(h.biXPelsPerMeter), int(h.biYPelsPerMeter));
    std::printf("colours used: %u\n", image.ColorsUsed());
    if (image.TransIndex() >= 0) {
        const RGBQUAD c = image.TransparentColor();
        std::printf("transparent index: %d (#%02X%02X%02X)\n", image.TransIndex(), c.rgbRed, c.rgbGreen, c.rgbBlue);
    } else {
        std::printf("transparent index: none\n");
    }
    const RGBQUAD t = image.TransColor();
    std::printf("transparent colour: #%02X%02X%02X\n", t.rgbRed, t.rgbGreen, t.rgbBlue);
    std::printf("alpha plane: %s\n", image.HasAlpha() ? "yes" : "no");
    // A decoder that does not count frames has found the one picture.
    std::printf("frames: %d\n", image.FrameCount() > 0 ? image.FrameCount() : 1);
    return 0;
}

bool WriteAlphaPgm(const CDibImage& image, const char* path)
{
    std::FILE* f = std::fopen(path, "wb");
    if (!f) {
        std::fprintf(stderr, "glintimg: cannot create %s: %s\n", path, std::strerror(errno));
        return false;
    }
    const int32_t w = image.Width(), h = image.Height();
    std::fprintf(f, "P5\n%d %d\n255\n", w, h);
    std::string row(size_t(w), char(255));
    bool ok = true;
    // PGM rows run from the top; the picture's rows from the bottom.
    for (int32_t y = h - 1; y >= 0 && ok; --y) {
        if (image.HasAlpha())
            std::memcpy(&row[0], image.AlphaPlane() + size_t(y) * size_t(w), size_t(w));
        ok = std::fwrite(row.data(), 1, row.size(), f) == row.size();
    }
    ok = std::fclose(f) == 0 && ok;
    if (!ok)
        std::fprintf(stderr, "glintimg: cannot write %s\n", path);
    return ok;
}

bool ParseFrame(const char* text, int32_t& frame)
{
    char* end = nullptr;
    errno = 0;
    long v = std::strtol(text, &end, 10);
    if (!*text || *end || errno || v < 0 || v > INT32_MAX)
        return false;
    frame = int32_t(v);
    return true;
}

int Decode(int argc, char** argv)
{
    if (argc < 4)
        return Usage("decode needs FILE and OUT.bmp");
    const char* in = argv[2];
    const char* out = argv[3];
    const char* alphaPath = nullptr;
    int32_t frame = 0;
    for (int i = 4; i < argc; ++i) {
        if (std::strcmp(argv[i], "--frame") == 0 && i + 1 < argc) {
            if (!ParseFrame(argv[++i], frame))
                return Usage("--frame needs a number of 0 or more");
        } else if (std::strcmp(argv[i], "--alpha") == 0 && i + 1 < argc) {
            alphaPath = argv[++i];
        } else {
            return Usage((std::string("unknown or incomplete option ") + argv[i]).c_str());
        }
    }
    CDibImage image;
    image.SetFrame(frame);
    if (!Load(image, in))
        return 1;

    uint8_t* bytes = nullptr;
    uint32_t size = 0;
    if (!image.EncodeBuffer(bytes, size, FORMAT_BMP)) {
        std::fprintf(stderr, "glintimg: cannot encode %s: %s\n", in, image.LastError());
        return 1;
    }
    std::FILE* f = std::fopen(out, "wb");
    bool ok = f && std::fwrite(bytes, 1, size, f) == size;
    if (f)
        ok = std::fclose(f) == 0 && ok;
    std::free(bytes);
    if (!ok) {
        std::fprintf(stderr, "glintimg: cannot write %s\n", out);
        return 1;
    }
    if (alphaPath) {
        if (!image.HasAlpha())
            std::fprintf(stderr, "glintimg: %s has no alpha plane; %s is fully opaque\n", in, alphaPath);
        if (!WriteAlphaPgm(image, alphaPath))
            return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2)
        return Usage("no command");
    const std::string command = argv[1];
    if (command == "info")
        return argc == 3 ? Info(argv[2]) : Usage("info needs exactly one FILE");
    if (command == "decode")
        return Decode(argc, argv);
    if (command == "bench")
        return RunBench(argc, argv);
    if (command == "-h" || command == "--help") {
        std::fputs(kUsage, stdout);
        return 0;
    }
    return Usage(("unknown command " + command).c_str());
}
