// The BMP codec on files built byte by byte: headers of every kind, the
// run-length decoders' codes, bit fields, and hostile sizes and offsets.
#include "image/DibImage.h"
#include "image/ImageStream.h"
#include "image/codec/DibImageBMP.h"
#include "tests/unit/image/ByteFiles.h"

#include <gtest/gtest.h>

#include <cstdlib>
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

bool Decode(CDibImage& image, const Bytes& b, uint32_t format = FORMAT_BMP)
{
    return image.DecodeBuffer(b.data.data(), b.data.size(), format);
}

bool Same(RGBQUAD a, RGBQUAD b) { return std::memcmp(&a, &b, 4) == 0; }

} // namespace

TEST(BmpHeaders, BareInfoHeaderDecodes)
{
    Bytes b;
    InfoHeader(b, 2, 1, 8);
    for (int i = 0; i < 256; ++i)
        b.U8(uint8_t(i)).U8(0).U8(0).U8(0x99);
    b.Raw({3, 200, 0, 0});
    CDibImage image;
    ASSERT_TRUE(Decode(image, b)) << image.LastError();
    EXPECT_EQ(image.PixelIndex(0, 0), 3);
    EXPECT_EQ(image.PixelIndex(1, 0), 200);
    EXPECT_TRUE(Same(image.PaletteEntry(200), RGBQUAD{200, 0, 0, 0})); // reserved cleared
    EXPECT_EQ(image.XDPI(), 72);
}

TEST(BmpHeaders, BareFourBitWithFewColoursReadsFullPalette)
{
    Bytes b;
    InfoHeader(b, 2, 1, 4, 0, 5);
    for (int i = 0; i < 16; ++i)
        b.U8(uint8_t(i * 10)).U8(0).U8(0).U8(0);
    b.Raw({0x1F, 0, 0, 0});
    CDibImage image;
    ASSERT_TRUE(Decode(image, b)) << image.LastError();
    EXPECT_EQ(image.PixelIndex(0, 0), 1);
    EXPECT_EQ(image.PixelIndex(1, 0), 15);
    EXPECT_EQ(image.PaletteEntry(15).rgbBlue, 150);
}

TEST(BmpHeaders, FileColoursUsedNeverShortensThePaletteRead)
{
    // With a file header but a data offset of 0, the pixels come after the
    // full 256 entries, not after the file's 2.
    Bytes b;
    FileHeader(b, 0);
    InfoHeader(b, 1, 1, 8, 0, 2);
    b.Raw({1, 2, 3, 0, 4, 5, 6, 0}).Fill(254 * 4, 0x77).Raw({1, 0, 0, 0});
    CDibImage image;
    ASSERT_TRUE(Decode(image, b)) << image.LastError();
    EXPECT_EQ(image.PixelIndex(0, 0), 1);
    EXPECT_TRUE(Same(image.PaletteEntry(1), RGBQUAD{4, 5, 6, 0}));
    EXPECT_TRUE(Same(image.PaletteEntry(2), RGBQUAD{0x77, 0x77, 0x77, 0}));

    // With a data offset the pixels are found there; the entries beyond the
    // file's count are whatever bytes the full read met, and a file that ends
    // inside the palette leaves the rest black.
    Bytes shortFile;
    FileHeader(shortFile, 14 + 40 + 8);
    InfoHeader(shortFile, 1, 1, 8, 0, 2);
    shortFile.Raw({1, 2, 3, 0, 4, 5, 6, 0}).Raw({1, 0, 0, 0});
    ASSERT_TRUE(Decode(image, shortFile)) << image.LastError();
    EXPECT_EQ(image.PixelIndex(0, 0), 1);
    EXPECT_TRUE(Same(image.PaletteEntry(2), RGBQUAD{1, 0, 0, 0}));
    EXPECT_TRUE(Same(image.PaletteEntry(3), RGBQUAD{0, 0, 0, 0}));
}

TEST(BmpHeaders, CoreHeaderWithThreeBytePalette)
{
    Bytes b;
    b.U32(12).U16(3).U16(1).U16(1).U16(1);
    b.Raw({10, 20, 30, 40, 50, 60});
    b.Raw({0x40, 0, 0, 0}); // pixels 0 1 0
    CDibImage image;
    ASSERT_TRUE(Decode(image, b)) << image.LastError(); // only 26 bytes: no 40-byte read may be needed
    EXPECT_EQ(image.Width(), 3);
    EXPECT_EQ(image.PixelIndex(1, 0), 1);
    EXPECT_TRUE(Same(image.PaletteEntry(0), RGBQUAD{10, 20, 30, 0}));
    EXPECT_TRUE(Same(image.PaletteEntry(1), RGBQUAD{40, 50, 60, 0}));
}

TEST(BmpHeaders, LongHeadersAndTheirConditions)
{
    // A V5-sized header with bit fields: the masks are inside the header.
    Bytes b;
    FileHeader(b, 14 + 124);
    InfoHeader(b, 1, 1, 16, 3, 0, 124);
    b.U32(0xF800).U32(0x07E0).U32(0x001F).Fill(124 - 52, 0);
    b.U16(0xFFFF).U16(0);
    CDibImage image;
    ASSERT_TRUE(Decode(image, b)) << image.LastError();
    EXPECT_TRUE(Same(image.PixelColor(0, 0), RGBQUAD{248, 252, 248, 0}));

    // An unknown size above 40 is believed only for a plain bitmap.
    Bytes odd;
    InfoHeader(odd, 1, 1, 24, 0, 0, 44);
    odd.Fill(4, 0).Raw({1, 2, 3, 0});
    EXPECT_FALSE(Decode(image, odd)); // image size 0 is not the plain size
    odd.data[20] = 4;                 // image size = one padded row
    ASSERT_TRUE(Decode(image, odd)) << image.LastError();
    EXPECT_TRUE(Same(image.PixelColor(0, 0), RGBQUAD{1, 2, 3, 0}));
    Bytes oddCompressed;
    InfoHeader(oddCompressed, 1, 1, 8, 1, 0, 44);
    oddCompressed.Fill(4 + 1024 + 4, 0);
    EXPECT_FALSE(Decode(image, oddCompressed));
    EXPECT_STREQ(image.LastError(), "Error reading BMP info");
    Bytes small;
    InfoHeader(small, 1, 1, 24, 0, 0, 30);
    EXPECT_FALSE(Decode(image, small));
    // A header size near 4 GB must not turn into a backwards seek.
    Bytes huge;
    InfoHeader(huge, 1, 1, 24, 0, 0, 0xFFFFFFF0u);
    huge.Fill(8, 0);
    EXPECT_FALSE(Decode(image, huge));
}

TEST(BmpPixels, TopDownMatchesBottomUpTwin)
{
    Bytes up, down;
    InfoHeader(up, 2, 2, 24);
    InfoHeader(down, 2, 2, 24);
    down.data[8] = 0xFE; // height -2
    down.data[9] = down.data[10] = down.data[11] = 0xFF;
    const std::initializer_list<uint8_t> rowA = {1, 2, 3, 4, 5, 6, 0, 0}, rowB = {7, 8, 9, 10, 11, 12, 0, 0};
    up.Raw(rowA).Raw(rowB);
    down.Raw(rowB).Raw(rowA);
    CDibImage a, b;
    ASSERT_TRUE(Decode(a, up));
    ASSERT_TRUE(Decode(b, down)) << b.LastError();
    EXPECT_EQ(b.Height(), 2);
    EXPECT_EQ(std::memcmp(a.Bits(), b.Bits(), a.Header().biSizeImage), 0);
}

TEST(BmpPixels, SixteenBitDefaultsTo555)
{
    Bytes b;
    InfoHeader(b, 3, 1, 16);
    b.U16(0x7FFF).U16(0x001F).U16(0x7C00).U16(0);
    CDibImage image;
    ASSERT_TRUE(Decode(image, b)) << image.LastError();
    EXPECT_TRUE(Same(image.PixelColor(0, 0), RGBQUAD{248, 248, 248, 0}));
    EXPECT_TRUE(Same(image.PixelColor(1, 0), RGBQUAD{248, 0, 0, 0}));
    EXPECT_TRUE(Same(image.PixelColor(2, 0), RGBQUAD{0, 0, 248, 0}));
}

TEST(BmpPixels, SixteenBitMasksThenPixelsForEveryHeader)
{
    // The masks follow a bare 40-byte header; V2 to V5 headers hold them at
    // header + 40. The pixels follow the masks or the whole header, with or
    // without a file header whose data offset is 0.
    for (uint32_t size : {40u, 52u, 56u, 64u, 108u, 124u}) {
        for (bool fileHeader : {false, size > 40}) {
            Bytes b;
            if (fileHeader)
                FileHeader(b, 0);
            InfoHeader(b, 1, 2, 16, 3, 0, size);
            b.U32(0xF800).U32(0x07E0).U32(0x001F).Fill(size > 52 ? size - 52 : 0, 0xEE);
            b.U16(0x07E0).U16(0).U16(0xF800).U16(0);
            CDibImage image;
            ASSERT_TRUE(Decode(image, b)) << image.LastError() << " header " << size;
            EXPECT_TRUE(Same(image.PixelColor(0, 0), RGBQUAD{0, 252, 0, 0})) << size << " " << fileHeader;
            EXPECT_TRUE(Same(image.PixelColor(0, 1), RGBQUAD{0, 0, 248, 0})) << size << " " << fileHeader;
        }
    }
}

TEST(BmpPixels, OddMasksDoNotShiftNegatively)
{
    Bytes b;
    InfoHeader(b, 2, 1, 16, 3);
    b.U32(0x00E0).U32(0x001C).U32(0x0003); // 3-3-2 in the low byte
    b.U16(0x00FF).U16(0x0000);
    CDibImage image;
    ASSERT_TRUE(Decode(image, b)) << image.LastError();
    EXPECT_TRUE(Same(image.PixelColor(0, 0), RGBQUAD{192, 224, 224, 0}));
}

TEST(BmpPixels, ThirtyTwoBitsWithAndWithoutBitFields)
{
    for (uint32_t compression : {0u, 3u}) {
        Bytes b;
        FileHeader(b, 14 + 40 + (compression ? 12 : 0));
        InfoHeader(b, 2, 1, 32, compression);
        if (compression)
            b.U32(0xFF0000).U32(0xFF00).U32(0xFF);
        b.Raw({1, 2, 3, 99, 4, 5, 6, 98});
        CDibImage image;
        ASSERT_TRUE(Decode(image, b)) << image.LastError();
        EXPECT_TRUE(Same(image.PixelColor(1, 0), RGBQUAD{4, 5, 6, 0})) << compression;
        EXPECT_EQ(image.BitCount(), 24u);
    }
}

TEST(BmpPixels, ShortPixelDataLeavesZeroRows)
{
    Bytes b;
    FileHeader(b, 54);
    InfoHeader(b, 4, 8, 24);
    b.Fill(12 * 2, 0xAB); // two rows of twelve bytes
    CDibImage image;
    ASSERT_TRUE(Decode(image, b)) << image.LastError();
    EXPECT_EQ(image.RowPointer(1)[0], 0xAB);
    for (int32_t y = 2; y < 8; ++y)
        for (int i = 0; i < 12; ++i)
            ASSERT_EQ(image.RowPointer(y)[i], 0);
}

TEST(BmpRle, EightBitRunsAndEndOfLine)
{
    Bytes b;
    InfoHeader(b, 3, 2, 8, 1);
    b.Fill(1024, 0);
    b.Raw({0x03, 0x41, 0x00, 0x00, 0x03, 0x42, 0x00, 0x01});
    CDibImage image;
    ASSERT_TRUE(Decode(image, b)) << image.LastError();
    for (int x = 0; x < 3; ++x) {
        EXPECT_EQ(image.PixelIndex(x, 0), 0x41);
        EXPECT_EQ(image.PixelIndex(x, 1), 0x42);
    }
}

TEST(BmpRle, EightBitAbsoluteDeltaAndOverrun)
{
    Bytes b;
    InfoHeader(b, 4, 3, 8, 1);
    b.Fill(1024, 0);
    b.Raw({0x00, 0x03, 7, 8, 9, 0xAA}); // absolute 3 + pad
    b.Raw({0x00, 0x02, 0x01, 0x01});    // delta: 1 right, 1 up -> (4, 1)
    b.Raw({0x02, 0x55});                // (4,1) is past the row: runs on into row 2
    b.Raw({0x00, 0x02, 0xFF, 0xFF});    // far away: nothing written, no crash
    b.Raw({0xFF, 0x66});
    b.Raw({0x00, 0x01});
    CDibImage image;
    ASSERT_TRUE(Decode(image, b)) << image.LastError();
    EXPECT_EQ(image.PixelIndex(0, 0), 7);
    EXPECT_EQ(image.PixelIndex(2, 0), 9);
    EXPECT_EQ(image.PixelIndex(3, 0), 0); // the pad byte is not a pixel
    EXPECT_EQ(image.PixelIndex(0, 2), 0x55);
    EXPECT_EQ(image.PixelIndex(1, 2), 0x55);
}

TEST(BmpRle, FourBitRunsAbsoluteAndPadding)
{
    Bytes b;
    InfoHeader(b, 8, 3, 4, 2);
    b.Fill(64, 0);
    b.Raw({0x03, 0x12});                   // 1 2 1
    b.Raw({0x00, 0x03, 0x34, 0x50});       // absolute 3: two bytes, no pad
    b.Raw({0x00, 0x00});                   // end of line
    b.Raw({0x00, 0x05, 0x67, 0x89, 0xA0, 0x00}); // absolute 5: three bytes + pad
    b.Raw({0x00, 0x02, 0x01, 0x01});       // delta by an odd count: changes nibble
    b.Raw({0x02, 0xBC});
    b.Raw({0x00, 0x01});
    b.Raw({0x01, 0xFF});                   // after the end: ignored
    CDibImage image;
    ASSERT_TRUE(Decode(image, b)) << image.LastError();
    const uint8_t row0[] = {1, 2, 1, 3, 4, 5, 0, 0};
    const uint8_t row1[] = {6, 7, 8, 9, 0xA, 0, 0, 0};
    for (int x = 0; x < 8; ++x) {
        EXPECT_EQ(image.PixelIndex(x, 0), row0[x]) << x;
        EXPECT_EQ(image.PixelIndex(x, 1), row1[x]) << x;
    }
    EXPECT_EQ(image.PixelIndex(6, 2), 0xB);
    EXPECT_EQ(image.PixelIndex(7, 2), 0xC);
}

TEST(BmpRle, TruncatedStreamStopsCleanly)
{
    Bytes b;
    InfoHeader(b, 4, 4, 8, 1);
    b.Fill(1024, 0);
    b.Raw({0x00, 0x02, 0x01}); // delta cut short
    CDibImage image;
    EXPECT_TRUE(Decode(image, b));
    EXPECT_EQ(image.PixelIndex(0, 0), 0);
}

TEST(BmpRefusals, MessagesForBadFiles)
{
    const auto info = [](int32_t w, int32_t h, uint16_t bpp, uint32_t compression = 0, size_t pad = 0) {
        Bytes b;
        InfoHeader(b, w, h, bpp, compression).Fill(pad, 0);
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
    });
}

TEST(BmpEncoder, LayoutOfTenByTenEightBit)
{
    CDibImage image(10, 10, 8, FORMAT_BMP);
    image.SetGrayPalette();
    image.SetPixelIndex(9, 9, 77);
    uint8_t* bytes = nullptr;
    uint32_t size = 0;
    ASSERT_TRUE(image.EncodeBuffer(bytes, size, FORMAT_BMP));
    EXPECT_EQ(size, 14u + 40 + 1024 + 120);
    EXPECT_EQ(bytes[0], 'B');
    EXPECT_EQ(bytes[1], 'M');
    uint32_t fileSize, offset;
    std::memcpy(&fileSize, bytes + 2, 4);
    std::memcpy(&offset, bytes + 10, 4);
    EXPECT_EQ(fileSize, size);
    EXPECT_EQ(offset, 1078u);
    EXPECT_EQ(bytes[1078 + 9 * 12 + 9], 77);
    std::free(bytes);
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
        uint8_t* bytes = nullptr;
        uint32_t size = 0;
        ASSERT_TRUE(image.EncodeBuffer(bytes, size, FORMAT_BMP));
        CDibImage back;
        ASSERT_TRUE(back.DecodeBuffer(bytes, size, FORMAT_UNKNOWN)) << back.LastError();
        std::free(bytes);
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
