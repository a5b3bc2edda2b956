#pragma once
// What the image tests share to ask ImageMagick and netpbm about a file, and
// to compare their reading with ours.
#include "image/DibImage.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace glint::test {

// Runs a shell command quietly; true when it succeeded.
inline bool Shell(const std::string& command)
{
    return std::system(("(" + command + ") 2>/dev/null").c_str()) == 0;
}

inline std::vector<uint8_t> ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

// A picture as 8-bit red, green, blue, opacity; top row first.
struct Rgba {
    int32_t width = 0, height = 0;
    std::vector<uint8_t> bytes;
};

// Our reading: opacity from the alpha plane, else from the palette's alpha,
// else 0 for the transparent index and 255 for the rest.
// Rows are read directly: a 24-megapixel fax page is among the test files.
inline Rgba FromImage(const CDibImage& image)
{
    Rgba out{image.Width(), image.Height(), {}};
    out.bytes.resize(size_t(out.width) * size_t(out.height) * 4);
    const uint32_t bits = image.BitCount();
    const bool paletteAlpha = bits != 24 && image.Info().alphaPaletteEnabled;
    const int32_t key = bits != 24 && !image.HasAlpha() && !paletteAlpha ? image.TransIndex() : -1;
    uint8_t* to = out.bytes.data();
    for (int32_t y = out.height - 1; y >= 0; --y) {
        const uint8_t* row = image.RowPointer(y);
        const uint8_t* alpha = image.HasAlpha() ? image.AlphaPlane() + size_t(y) * size_t(out.width) : nullptr;
        for (int32_t x = 0; x < out.width; ++x, to += 4) {
            int32_t index = -1;
            RGBQUAD c{};
            if (bits == 24) {
                c = RGBQUAD{row[x * 3], row[x * 3 + 1], row[x * 3 + 2], 0};
            } else {
                index = bits == 8 ? row[x] : bits == 4 ? (row[x / 2] >> (x & 1 ? 0 : 4)) & 15 : (row[x / 8] >> (7 - x % 8)) & 1;
                c = image.PaletteEntry(uint32_t(index));
            }
            to[0] = c.rgbRed, to[1] = c.rgbGreen, to[2] = c.rgbBlue;
            to[3] = alpha ? alpha[x] : paletteAlpha ? c.rgbReserved : index >= 0 && index == key ? 0 : 255;
        }
    }
    return out;
}

// ImageMagick's reading of a file (`quotedName` is a shell word and may name
// one frame: "'file[2]'"), turned upright as its orientation says.
inline bool MagickRgba(const std::string& quotedName, const std::string& scratch, Rgba& out)
{
    if (!Shell("convert " + quotedName + " -auto-orient -depth 8 rgba:'" + scratch + "'"))
        return false;
    FILE* p = popen(("convert " + quotedName + " -auto-orient -format '%w %h' info: 2>/dev/null").c_str(), "r");
    if (!p || std::fscanf(p, "%d %d", &out.width, &out.height) != 2) {
        if (p)
            pclose(p);
        return false;
    }
    pclose(p);
    out.bytes = ReadFile(scratch);
    return out.bytes.size() == size_t(out.width) * size_t(out.height) * 4;
}

// How two readings may differ.
struct Match {
    int tolerance = 0;          // a channel may be off by this much
    bool alpha = false;         // opacity must agree; a fully transparent pixel's colour is not compared
    bool premultiplied = false; // the reference's colours are multiplied by opacity (then ±1 more)
};

inline ::testing::AssertionResult SameRgba(const Rgba& ours, const Rgba& ref, Match m = {})
{
    if (ours.width != ref.width || ours.height != ref.height || ours.bytes.size() != ref.bytes.size())
        return ::testing::AssertionFailure() << "size " << ours.width << "x" << ours.height << " vs " << ref.width
                                             << "x" << ref.height;
    // The common case first, at memory speed: large pictures are among the files.
    bool opaque = true;
    for (size_t i = 3; opaque && m.premultiplied && i < ours.bytes.size(); i += 4)
        opaque = ours.bytes[i] == 255;
    if (opaque && ours.bytes == ref.bytes)
        return ::testing::AssertionSuccess();
    for (size_t i = 0; i < ours.bytes.size(); i += 4) {
        const int a = ours.bytes[i + 3];
        if (m.alpha && a != ref.bytes[i + 3])
            return ::testing::AssertionFailure() << "alpha of pixel " << i / 4 << ": ours " << a << ", theirs "
                                                 << int(ref.bytes[i + 3]);
        if (m.alpha && a == 0)
            continue;
        for (size_t c = 0; c < 3; ++c) {
            const bool multiply = m.premultiplied && a != 255;
            const int mine = multiply ? (ours.bytes[i + c] * a + 127) / 255 : ours.bytes[i + c];
            if (std::abs(mine - int(ref.bytes[i + c])) > m.tolerance + (multiply ? 1 : 0))
                return ::testing::AssertionFailure()
                       << "pixel (" << (i / 4) % size_t(ours.width) << ", " << (i / 4) / size_t(ours.width)
                       << ") channel " << c << ": ours " << mine << ", theirs " << int(ref.bytes[i + c]);
        }
    }
    return ::testing::AssertionSuccess();
}

} // namespace glint::test
