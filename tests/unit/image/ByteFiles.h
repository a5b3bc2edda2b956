#pragma once
// What the tests of decoders on files built byte by byte share, and the
// pictures as short strings that the painting tests use too.
#include "image/DibImage.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace glint::test {

inline void Put16(std::vector<uint8_t>& v, uint32_t x)
{
    v.push_back(uint8_t(x));
    v.push_back(uint8_t(x >> 8));
}
inline void Put32(std::vector<uint8_t>& v, uint32_t x)
{
    Put16(v, x & 0xFFFF);
    Put16(v, x >> 16);
}

inline bool Decode(CDibImage& image, const std::vector<uint8_t>& file, uint32_t format, int32_t frame = 0)
{
    image.SetFrame(frame);
    return image.DecodeBuffer(file.data(), file.size(), format);
}

// Our BMP encoding of a picture.
inline std::vector<uint8_t> EncodeBmp(CDibImage& image)
{
    uint8_t* bytes = nullptr;
    uint32_t size = 0;
    EXPECT_TRUE(image.EncodeBuffer(bytes, size, FORMAT_BMP)) << image.LastError();
    std::vector<uint8_t> out(bytes, bytes + size);
    std::free(bytes);
    return out;
}

// Asked for its size alone (escape -1), a decoder gives it without pixels,
// so without the memory limit.
inline void ExpectSizeOnly(const std::vector<uint8_t>& file, uint32_t format, int32_t width, int32_t height)
{
    CDibImage size;
    size.SetEscape(-1);
    ASSERT_TRUE(size.DecodeBuffer(file.data(), file.size(), format)) << size.LastError();
    EXPECT_EQ(size.Width(), width);
    EXPECT_EQ(size.Height(), height);
    EXPECT_FALSE(size.IsValid());
}

// Index of the pixel at (x, y) counted from the top.
inline uint8_t Top(const CDibImage& image, int32_t x, int32_t y) { return image.PixelIndex(x, image.Height() - 1 - y); }

// A picture as a short string: a legend naming each colour (`colourAt(x, y)`,
// y from the top) by a letter in order of first appearance, then the rows of
// letters, top row first: "a=FF0000 b=00FF00 | ab/ba".
template <class ColourAt>
std::string Lettered(int32_t width, int32_t height, ColourAt colourAt)
{
    std::vector<std::string> colours;
    std::string legend, rows;
    for (int32_t y = 0; y < height; ++y) {
        rows += y ? "/" : "";
        for (int32_t x = 0; x < width; ++x) {
            const std::string colour = colourAt(x, y);
            size_t i = 0;
            while (i < colours.size() && colours[i] != colour)
                ++i;
            if (i == 26)
                return "more than 26 colours";
            if (i == colours.size()) {
                colours.push_back(colour);
                legend += std::string(1, char('a' + i)) + "=" + colour + " ";
            }
            rows += char('a' + i);
        }
    }
    return legend + "| " + rows;
}

// The picture as a person sees it: colours "RRGGBB", or "RRGGBBAA" with an alpha plane.
inline std::string Picture(const CDibImage& image)
{
    return Lettered(image.Width(), image.Height(), [&image](int32_t x, int32_t top) {
        const int32_t y = image.Height() - 1 - top;
        const RGBQUAD c = image.PixelColor(x, y, false);
        char hex[12];
        std::snprintf(hex, sizeof hex, image.HasAlpha() ? "%02X%02X%02X%02X" : "%02X%02X%02X", c.rgbRed, c.rgbGreen,
                      c.rgbBlue, image.AlphaGet(x, y));
        return std::string(hex);
    });
}

// A file built byte by byte and the picture it must decode to, also when
// its format is not named.
struct KnownPicture {
    const char* what;
    std::vector<uint8_t> file;
    uint32_t format;
    std::string picture;
    uint32_t bits = 0;       // the bit count, when it matters
    int32_t frame = 0;
    int32_t trans = -2;      // the transparent index, when it matters
};

inline void ExpectPictures(const std::vector<KnownPicture>& cases)
{
    for (const KnownPicture& c : cases) {
        SCOPED_TRACE(c.what);
        CDibImage image, found;
        ASSERT_TRUE(Decode(image, c.file, c.format, c.frame)) << image.LastError();
        EXPECT_EQ(image.Type(), c.format);
        EXPECT_EQ(Picture(image), c.picture);
        ASSERT_TRUE(Decode(found, c.file, FORMAT_UNKNOWN, c.frame)) << "format not named: " << found.LastError();
        EXPECT_EQ(found.Type(), c.format) << "format not named";
        EXPECT_EQ(Picture(found), c.picture) << "format not named";
        if (c.bits) {
            EXPECT_EQ(image.BitCount(), c.bits);
        }
        if (c.trans != -2) {
            EXPECT_EQ(image.TransIndex(), c.trans);
        }
    }
}

// A file that must be refused, with the message it must give (any, when null).
struct Refusal {
    const char* what;
    std::vector<uint8_t> file;
    uint32_t format;
    const char* message = nullptr;
};

inline void ExpectRefused(const std::vector<Refusal>& cases)
{
    for (const Refusal& c : cases) {
        SCOPED_TRACE(c.what);
        CDibImage image;
        EXPECT_FALSE(image.DecodeBuffer(c.file.data(), c.file.size(), c.format));
        EXPECT_FALSE(image.IsValid());
        if (c.message)
            EXPECT_STREQ(image.LastError(), c.message);
        else
            EXPECT_STRNE(image.LastError(), "");
    }
}

} // namespace glint::test
