// The BMP codec on files built byte by byte: headers of every kind, the
// run-length decoders' codes, bit fields, and hostile sizes and offsets.
#include "base/ByteOrder.h"
#include "image/DibImage.h"
#include "image/ImageStream.h"
#include "image/codec/DibImageBMP.h"
#include "tests/unit/image/ByteFiles.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

using namespace glint;

namespace {

class Bytes {
public:
    Bytes& U8(uint8_t v) { data.push_back(v); return *this; }
    Bytes& U16(uint16_t v) { return U8(uint8_t(v)).U8(uint8_t(v >> 8)); }
    Bytes& U32(uint32_t v) { return U16(uint16_t(v)).U16(uint16_t(v >> 16)); }
    Bytes& Raw(std::initializer_list<uint8_t> v) { data.insert(data.end(), v); return *this; }
    Bytes& Fill(size_t n, uint8_t v) { data.insert(data.end(), n, v); return *this; }
    std::vector<uint8_t> data;
};

// 40-byte information header.
Bytes& InfoHeader(Bytes& b, int32_t w, int32_t h, uint16_t bpp, uint32_t compression = 0, uint32_t colors = 0,
                  uint32_t size = 40)
{
    return b.U32(size).U32(uint32_t(w)).U32(uint32_t(h)).U16(1).U16(bpp).U32(compression).U32(0).U32(2835).U32(2835)
        .U32(colors).U32(0);
}

Bytes& FileHeader(Bytes& b, uint32_t offset) { return b.Raw({'B', 'M'}).U32(0).U32(0).U32(offset); }

// Palette entries i = 0..n-1 of blue i, so that "0000ii" shows index ii; their
// reserved bytes are not zero.
Bytes& Palette(Bytes& b, int n)
{
    for (int i = 0; i < n; ++i)
        b.U8(uint8_t(i)).U8(0).U8(0).U8(0x99);
    return b;
}

} // namespace

TEST(BmpDecoder, KnownPictures)
{
    std::vector<test::KnownPicture> cases;
    const auto add = [&cases](const char* what, const Bytes& b, const char* picture, uint32_t bits = 0) {
        cases.push_back({what, b.data, FORMAT_BMP, picture, bits});
    };
    Bytes b; // each case starts it anew: b = {}
    add("bare 40-byte header", Palette(InfoHeader(b, 2, 1, 8), 256).Raw({3, 200, 0, 0}), "a=000003 b=0000C8 | ab", 8);
    // A count of 5 colours still reads all 16 entries before the pixels.
    add("4 bits, 5 colours", Palette(InfoHeader(b = {}, 2, 1, 4, 0, 5), 16).Raw({0x1F, 0, 0, 0}),
        "a=000001 b=00000F | ab", 4);
    // With a data offset of 0, the pixels follow all 256 entries, not the file's 2.
    add("2 colours, offset 0", InfoHeader(FileHeader(b = {}, 0), 1, 1, 8, 0, 2).Raw({1, 2, 3, 0, 4, 5, 6, 0})
        .Fill(254 * 4, 0x77).Raw({1, 0, 0, 0}), "a=060504 | a");
    // With an offset, the pixels are found there; a file that ends inside
    // the palette leaves the rest of it black (entry 3 here).
    add("2 colours, file ends in the palette", InfoHeader(FileHeader(b = {}, 14 + 40 + 8), 1, 1, 8, 0, 2)
        .Raw({1, 2, 3, 0, 4, 5, 6, 0, 3, 0, 0, 0}), "a=000000 | a");
    // 26 bytes in all: no 40-byte read may be needed.
    add("core header", b = Bytes().U32(12).U16(3).U16(1).U16(1).U16(1).Raw({10, 20, 30, 40, 50, 60, 0x40, 0, 0, 0}),
        "a=1E140A b=3C3228 | aba", 1);
    add("V5 header with 5-6-5 fields", InfoHeader(FileHeader(b = {}, 14 + 124), 1, 1, 16, 3, 0, 124)
        .U32(0xF800).U32(0x07E0).U32(0x001F).Fill(124 - 52, 0).U16(0xFFFF).U16(0), "a=F8FCF8 | a");
    // An unknown size above 40 is believed for a plain bitmap whose image size is one padded row.
    InfoHeader(b = {}, 1, 1, 24, 0, 0, 44).Fill(4, 0).Raw({1, 2, 3, 0});
    b.data[20] = 4;
    add("44-byte header", b, "a=030201 | a");
    add("bottom-up rows", InfoHeader(b = {}, 2, 2, 24).Raw({1, 2, 3, 4, 5, 6, 0, 0, 7, 8, 9, 10, 11, 12, 0, 0}),
        "a=090807 b=0C0B0A c=030201 d=060504 | ab/cd");
    add("top-down rows", InfoHeader(b = {}, 2, -2, 24).Raw({7, 8, 9, 10, 11, 12, 0, 0, 1, 2, 3, 4, 5, 6, 0, 0}),
        "a=090807 b=0C0B0A c=030201 d=060504 | ab/cd");
    add("top-down, 8 bits", Palette(InfoHeader(b = {}, 2, -2, 8), 256).Raw({1, 2, 0, 0, 3, 4, 0, 0}),
        "a=000001 b=000002 c=000003 d=000004 | ab/cd", 8);
    add("16 bits are 5-5-5", InfoHeader(b = {}, 3, 1, 16).U16(0x7FFF).U16(0x001F).U16(0x7C00).U16(0),
        "a=F8F8F8 b=0000F8 c=F80000 | abc", 24);
    // 3-3-2 fields in the low byte: no field may shift by a negative count.
    add("odd masks", InfoHeader(b = {}, 2, 1, 16, 3).U32(0x00E0).U32(0x001C).U32(0x0003).U16(0x00FF).U16(0),
        "a=E0E0C0 b=000000 | ab");
    add("32 bits", InfoHeader(FileHeader(b = {}, 54), 2, 1, 32).Raw({1, 2, 3, 99, 4, 5, 6, 98}),
        "a=030201 b=060504 | ab", 24);
    add("32 bits with fields", InfoHeader(FileHeader(b = {}, 66), 2, 1, 32, 3).U32(0xFF0000).U32(0xFF00).U32(0xFF)
        .Raw({1, 2, 3, 99, 4, 5, 6, 98}), "a=030201 b=060504 | ab", 24);
    add("rows missing at the end", InfoHeader(FileHeader(b = {}, 54), 4, 8, 24).Fill(12 * 2, 0xAB),
        "a=000000 b=ABABAB | aaaa/aaaa/aaaa/aaaa/aaaa/aaaa/bbbb/bbbb");
    // The masks follow a bare 40-byte header; V2 to V5 headers hold them at
    // header + 40. The pixels follow the masks or the whole header, with or
    // without a file header whose data offset is 0.
    for (uint32_t size : {40u, 52u, 56u, 64u, 108u, 124u})
        for (bool fileHeader : {false, size > 40}) {
            b = {};
            if (fileHeader)
                FileHeader(b, 0);
            add(size > 40 ? fileHeader ? "long header after a file header" : "long header" : "masks after 40 bytes",
                InfoHeader(b, 1, 2, 16, 3, 0, size).U32(0xF800).U32(0x07E0).U32(0x001F)
                .Fill(size > 52 ? size - 52 : 0, 0xEE).U16(0x07E0).U16(0).U16(0xF800).U16(0), "a=F80000 b=00FC00 | a/b");
        }
    // Run-length codes: a count and a value; 0 0 ends a line, 0 1 the picture,
    // 0 2 dx dy moves, 0 n is n absolute pixels padded to 16 bits.
    add("8-bit runs", Palette(InfoHeader(b = {}, 3, 2, 8, 1), 256).Raw({3, 0x41, 0, 0, 3, 0x42, 0, 1}),
        "a=000042 b=000041 | aaa/bbb");
    // After 7 8 9 the move goes to (4, 1), past the row: the run goes on in
    // row 2; a move far away writes nothing, and the run after it neither.
    add("8-bit absolute and moves", Palette(InfoHeader(b = {}, 4, 3, 8, 1), 256)
        .Raw({0, 3, 7, 8, 9, 0xAA, 0, 2, 1, 1, 2, 0x55, 0, 2, 0xFF, 0xFF, 0xFF, 0x66, 0, 1}),
        "a=000055 b=000000 c=000007 d=000008 e=000009 | aabb/bbbb/cdeb");
    // 4 bits: runs alternate two nibbles; absolute 3 takes two bytes, 5
    // three and a pad; a move by an odd count changes the nibble.
    add("4-bit runs", Palette(InfoHeader(b = {}, 8, 3, 4, 2), 16)
        .Raw({3, 0x12, 0, 3, 0x34, 0x50, 0, 0, 0, 5, 0x67, 0x89, 0xA0, 0, 0, 2, 1, 1, 2, 0xBC, 0, 1, 1, 0xFF}),
        "a=000000 b=00000B c=00000C d=000006 e=000007 f=000008 g=000009 h=00000A i=000001 j=000002 k=000003 "
        "l=000004 m=000005 | aaaaaabc/defghaaa/ijiklmaa");
    add("runs cut short", Palette(InfoHeader(b = {}, 4, 4, 8, 1), 256).Raw({0, 2, 1}), "a=000000 | aaaa/aaaa/aaaa/aaaa");
    test::ExpectPictures(cases);

    // The palette's reserved bytes are cleared; the resolution is read.
    CDibImage image;
    ASSERT_TRUE(test::Decode(image, cases[0].file, FORMAT_BMP));
    EXPECT_EQ(image.PaletteEntry(200).rgbReserved, 0);
    EXPECT_EQ(image.XDPI(), 72);
}

TEST(BmpRefusals, MessagesForBadFiles)
{
    const auto info = [](int32_t w, int32_t h, uint16_t bpp, uint32_t compression = 0, size_t pad = 0,
                         uint32_t size = 40) {
        Bytes b;
        InfoHeader(b, w, h, bpp, compression, 0, size).Fill(pad, 0);
        return b.data;
    };
    Bytes farOffset;
    FileHeader(farOffset, 0xFFFFFFF0u);
    InfoHeader(farOffset, 1, 1, 24);
    test::ExpectRefused({
        {"too short", {'B', 'M', 0}, FORMAT_BMP, "Not a BMP"},
        {"zero width", info(0, 5, 24), FORMAT_BMP, "Error reading BMP info"},
        {"zero height", info(5, 0, 24), FORMAT_BMP, "CDibImage::Create : width and height must be greater than zero"},
        // Would overflow every 32-bit size computation.
        {"huge", info(0x7FFFFFFF, 0x7FFFFFFF, 32), FORMAT_BMP, "DIBIMAGE_MAX_MEMORY exceeded"},
        {"tallest top-down", info(1, INT32_MIN, 24), FORMAT_BMP},
        {"24-bit runs", info(1, 1, 24, 1), FORMAT_BMP, "unknown compression"},
        {"JPEG inside", info(1, 1, 8, 4, 1028), FORMAT_BMP, "compression type not supported"},
        {"4-bit runs of an 8-bit picture", info(1, 1, 8, 2, 1028), FORMAT_BMP},
        {"two bits", info(1, 1, 2, 0, 20), FORMAT_BMP, "unsupported bit count"},
        {"far data offset", farOffset.data, FORMAT_BMP, "bad pixel data offset"},
        // A header size above 40 that is not known is believed only for a
        // plain bitmap whose image size is the plain size.
        {"44-byte header without image size", info(1, 1, 24, 0, 8, 44), FORMAT_BMP},
        {"44-byte header, run-length", info(1, 1, 8, 1, 4 + 1024 + 4, 44), FORMAT_BMP, "Error reading BMP info"},
        {"30-byte header", info(1, 1, 24, 0, 0, 30), FORMAT_BMP},
        // Must not turn into a backwards seek.
        {"header size near 4 GB", info(1, 1, 24, 0, 8, 0xFFFFFFF0u), FORMAT_BMP},
    });
}

TEST(BmpEncoder, LayoutOfTenByTenEightBit)
{
    CDibImage image(10, 10, 8, FORMAT_BMP);
    image.SetGrayPalette();
    image.SetPixelIndex(9, 9, 77);
    const std::vector<uint8_t> bytes = test::EncodeBmp(image);
    ASSERT_EQ(bytes.size(), 14u + 40 + 1024 + 120);
    EXPECT_EQ(bytes[0], 'B');
    EXPECT_EQ(bytes[1], 'M');
    EXPECT_EQ(ReadU32LE(&bytes[2]), bytes.size());
    EXPECT_EQ(ReadU32LE(&bytes[10]), 1078u);
    EXPECT_EQ(bytes[1078 + 9 * 12 + 9], 77);
}

TEST(BmpEncoder, RoundTripEveryDepthKeepsPixelsAndResolution)
{
    for (uint32_t bpp : {1u, 4u, 8u, 24u}) {
        CDibImage image(13, 7, bpp, FORMAT_BMP);
        image.SetXDPI(150);
        for (uint32_t i = 0; i < image.ColorsUsed(); ++i)
            image.SetPaletteEntry(i, uint8_t(i), uint8_t(255 - i), uint8_t(i * 3));
        for (uint32_t i = 0; i < image.Header().biSizeImage; ++i)
            image.Bits()[i] = uint8_t(i * 31 + 5);
        const std::vector<uint8_t> bytes = test::EncodeBmp(image);
        CDibImage back;
        ASSERT_TRUE(test::Decode(back, bytes, FORMAT_UNKNOWN)) << back.LastError();
        EXPECT_EQ(back.BitCount(), bpp);
        EXPECT_EQ(back.XDPI(), 150);
        ASSERT_EQ(back.DibSize(), image.DibSize());
        EXPECT_EQ(std::memcmp(back.Dib() + 40, image.Dib() + 40, image.DibSize() - 40), 0) << bpp;
    }
}

namespace {
// Accepts a limited number of bytes, then refuses.
class FullStream : public ImageMemoryStream {
public:
    size_t Write(const void* b, size_t e, size_t c) override { return e * c > 20 ? 0 : ImageMemoryStream::Write(b, e, c); }
};
} // namespace

TEST(BmpEncoder, ShortWriteIsAFailure)
{
    CDibImage image(4, 4, 24, FORMAT_BMP);
    FullStream stream;
    ASSERT_TRUE(stream.OpenEmpty());
    EXPECT_FALSE(image.EncodeStream(&stream, FORMAT_BMP));
    EXPECT_STREQ(image.LastError(), "BMP write failed");
}
