// The PNM, PGX and Sun raster readers on files written byte by byte from the
// formats' descriptions: every PNM kind with comments and 16-bit samples,
// PGX byte orders and signed samples, Sun raster colour maps, run-length
// coding and row padding; damaged files are refused with a message.
#include "image/DibImage.h"
#include "tests/unit/image/ByteFiles.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

using namespace glint;

namespace {

std::vector<uint8_t> Bytes(const std::string& text, std::initializer_list<uint8_t> tail = {})
{
    std::vector<uint8_t> out(text.begin(), text.end());
    out.insert(out.end(), tail);
    return out;
}

void PutBe32(std::vector<uint8_t>& f, uint32_t v)
{
    f.insert(f.end(), {uint8_t(v >> 24), uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v)});
}

// A Sun raster header followed by `rest`.
std::vector<uint8_t> Sun(uint32_t w, uint32_t h, uint32_t depth, uint32_t type, uint32_t mapType,
                         std::initializer_list<uint8_t> map, std::initializer_list<uint8_t> rest)
{
    std::vector<uint8_t> f;
    for (uint32_t v : {0x59A66A95u, w, h, depth, 0u, type, mapType, uint32_t(map.size())})
        PutBe32(f, v);
    f.insert(f.end(), map);
    f.insert(f.end(), rest);
    return f;
}

TEST(RasterFormats, KnownAnswers)
{
    const std::vector<test::KnownPicture> cases = {
        // PBM: 1 is black; plain bits need no spaces; comments anywhere in the header.
        {"P1 plain", Bytes("P1\n# made by hand\n3 2\n0 1 0\n101"), FORMAT_PNM, "a=FFFFFF b=000000 | aba/bab", 1},
        // Raw bits: rows padded to a byte (width 10 -> 2 bytes a row).
        {"P4 raw", Bytes("P4 10 2\n", {0xC0, 0x40, 0x00, 0xFF}), FORMAT_PNM,
         "a=000000 b=FFFFFF | aabbbbbbba/bbbbbbbbaa", 1},
        // Grey scaled from maxval 4: 0, 1, 2, 4 -> 0, 64, 128, 255.
        {"P2 maxval 4", Bytes("P2 4 1 4\n0 1\n#c\n2 4\n"), FORMAT_PNM, "a=000000 b=404040 c=808080 d=FFFFFF | abcd", 8},
        {"P3 plain colour", Bytes("P3\n2 1\n255\n255 0 0  0 128 255\n"), FORMAT_PNM, "a=FF0000 b=0080FF | ab", 24},
        // 16-bit samples, most significant byte first; maxval 1000.
        {"P5 16-bit", Bytes("P5 2 1 1000\n", {0x03, 0xE8, 0x01, 0xF4}), FORMAT_PNM, "a=FFFFFF b=808080 | ab", 8},
        {"P6 with comment", Bytes("P6\n#x\n2 2 255\n", {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}), FORMAT_PNM,
         "a=010203 b=040506 c=070809 d=0A0B0C | ab/cd", 24},
        {"P6 16-bit", Bytes("P6 1 1 65535\n", {0xFF, 0xFF, 0x80, 0x00, 0x00, 0x00}), FORMAT_PNM, "a=FF8000 | a", 24},
        // PGX: ML is big-endian, LM little-endian; 12-bit samples reduce to their high 8.
        {"PGX ML 12-bit", Bytes("PG ML + 12 2 1\n", {0x0F, 0xFF, 0x08, 0x00}), FORMAT_PGX, "a=FFFFFF b=808080 | ab", 8},
        {"PGX LM 12-bit", Bytes("PG LM +12 2 1\n", {0xFF, 0x0F, 0x00, 0x08}), FORMAT_PGX, "a=FFFFFF b=808080 | ab", 8},
        // Signed 8-bit: -128 black, 0 middle grey, 127 white.
        {"PGX signed", Bytes("PG ML - 8 3 1\n", {0x80, 0x00, 0x7F}), FORMAT_PGX, "a=000000 b=808080 c=FFFFFF | abc", 8},
        {"PGX 4-bit", Bytes("PG ML + 4 2 1\n", {0x0F, 0x05}), FORMAT_PGX, "a=FFFFFF b=555555 | ab", 8},
        // Sun: 24-bit standard rows are blue, green, red, padded to 16 bits.
        {"Sun 24-bit", Sun(1, 2, 24, 1, 0, {}, {0x30, 0x20, 0x10, 0, 0x03, 0x02, 0x01, 0}), FORMAT_RAS,
         "a=102030 b=010203 | a/b", 24},
        // Type 3 keeps red, green, blue order; 32-bit pixels have a pad byte first.
        {"Sun RGB type", Sun(2, 1, 24, 3, 0, {}, {0x10, 0x20, 0x30, 0x40, 0x50, 0x60}), FORMAT_RAS,
         "a=102030 b=405060 | ab", 24},
        {"Sun 32-bit", Sun(1, 1, 32, 1, 0, {}, {0xEE, 0x30, 0x20, 0x10}), FORMAT_RAS, "a=102030 | a", 24},
        // 8-bit with a colour map of three entries (planes of red, green, blue).
        {"Sun colour map", Sun(3, 1, 8, 1, 1, {255, 0, 0, 0, 255, 0, 0, 0, 255}, {2, 1, 0, 0}), FORMAT_RAS,
         "a=0000FF b=00FF00 c=FF0000 | abc", 8},
        // Run-length: 0x80 4 7 is five 7s, 0x80 0 a single 0x80; rows are 4
        // bytes (3 pixels and a pad byte), and the run crosses into row two.
        {"Sun run-length", Sun(3, 2, 8, 2, 0, {}, {5, 0x80, 4, 7, 0x80, 0, 9}), FORMAT_RAS,
         "a=050505 b=070707 c=808080 | abb/bbc", 8},
        // 1-bit without a map: 1 is black; rows padded to 16 bits.
        {"Sun 1-bit", Sun(3, 2, 1, 1, 0, {}, {0xA0, 0, 0x40, 0}), FORMAT_RAS, "a=000000 b=FFFFFF | aba/bab", 1},
    };
    test::ExpectPictures(cases);
    for (const test::KnownPicture& c : cases) { // the size alone can be asked for
        SCOPED_TRACE(c.what);
        CDibImage image;
        ASSERT_TRUE(test::Decode(image, c.file, c.format));
        test::ExpectSizeOnly(c.file, c.format, image.Width(), image.Height());
    }
}

TEST(RasterFormats, DamagedFilesRefused)
{
    const std::vector<test::Refusal> cases = {
        {"P6 cut short", Bytes("P6 2 2 255\n", {1, 2, 3, 4, 5, 6, 7}), FORMAT_PNM, "PNM: the file ends before the picture"},
        {"P5 above maxval", Bytes("P5 2 1 100\n", {50, 101}), FORMAT_PNM, "PNM: pixel value above maxval"},
        {"P2 maxval 0", Bytes("P2 1 1 0\n0\n"), FORMAT_PNM, "PNM: bad maxval"},
        {"P3 letters", Bytes("P3 1 1 255\n1 x 3\n"), FORMAT_PNM, "PNM: bad pixel value"},
        {"P1 cut short", Bytes("P1 4 4\n0101"), FORMAT_PNM, "PNM: the file ends before the picture"},
        {"P5 no size", Bytes("P5\n# only a comment\n"), FORMAT_PNM, "PNM: bad header"},
        {"P4 zero width", Bytes("P4 0 5\n"), FORMAT_PNM, "PNM: bad size"},
        {"P6 over the limit", Bytes("P6 200000 200000 255\n", {0}), FORMAT_PNM, "DIBIMAGE_MAX_MEMORY exceeded"},
        {"PGX bad order", Bytes("PG XY + 8 1 1\n", {0}), FORMAT_PGX, "PGX: bad header"},
        {"PGX 20-bit", Bytes("PG ML + 20 1 1\n", {0, 0, 0, 0}), FORMAT_PGX, "PGX: unsupported sample depth"},
        {"PGX cut short", Bytes("PG ML + 16 2 2\n", {0, 0, 0}), FORMAT_PGX, "PGX: the file ends before the picture"},
        {"Sun depth 7", Sun(1, 1, 7, 1, 0, {}, {0, 0}), FORMAT_RAS, "Sun raster: unsupported depth"},
        {"Sun run cut", Sun(4, 4, 8, 2, 0, {}, {0x80, 3, 1, 0x80}), FORMAT_RAS, "Sun raster: the file ends before the picture"},
        {"Sun rows cut", Sun(4, 4, 24, 1, 0, {}, {1, 2, 3}), FORMAT_RAS, "Sun raster: the file ends before the picture"},
        {"Sun map not in threes", Sun(1, 1, 8, 1, 1, {1, 2}, {0, 0}), FORMAT_RAS, "Sun raster: bad colour map"},
        {"Sun over the limit", Sun(100000, 100000, 24, 2, 0, {}, {0}), FORMAT_RAS, "DIBIMAGE_MAX_MEMORY exceeded"},
    };
    test::ExpectRefused(cases);
    // Named as another of the family, the bytes are not taken either.
    for (const test::Refusal& c : cases) {
        CDibImage other;
        EXPECT_FALSE(other.DecodeBuffer(c.file.data(), c.file.size(), c.format == FORMAT_PNM ? FORMAT_RAS : FORMAT_PNM))
            << c.what;
    }
    // Only one picture is in such a file.
    const std::vector<uint8_t> one = Bytes("P5 1 1 255\n", {7});
    CDibImage second;
    second.SetFrame(1);
    EXPECT_FALSE(second.DecodeBuffer(one.data(), one.size(), FORMAT_PNM));
    EXPECT_STREQ(second.LastError(), "wrong frame!");
}

} // namespace
