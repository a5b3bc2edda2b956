#pragma once
// What the tests of decoders on files built byte by byte share.
#include "image/DibImage.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
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

// Index of the pixel at (x, y) counted from the top.
inline uint8_t Top(const CDibImage& image, int32_t x, int32_t y) { return image.PixelIndex(x, image.Height() - 1 - y); }

// The palette indices in hex, top row first, rows joined by '/': "55 10/10 20".
inline std::string Indices(const CDibImage& image)
{
    std::string out;
    char hex[4];
    for (int32_t y = 0; y < image.Height(); ++y)
        for (int32_t x = 0; x < image.Width(); ++x) {
            std::snprintf(hex, sizeof hex, "%02X", Top(image, x, y));
            if (x || y)
                out += x ? ' ' : '/';
            out += hex;
        }
    return out;
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
