// Icon, PCX, TGA and WBMP decoders on files built byte by byte: the layouts
// each format allows, and every size, count and run that points past what
// the file holds.
#include "base/ByteOrder.h"
#include "image/DibImage.h"
#include "tests/unit/image/ByteFiles.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

using namespace glint;

namespace {

using Bytes = std::vector<uint8_t>;
using test::Decode;
using test::Put16;
using test::Put32;
using test::Top;

RGBQUAD TopColor(const CDibImage& image, int32_t x, int32_t y) { return image.PixelColor(x, image.Height() - 1 - y, false); }

// ---- icons ----

struct IconImage {
    uint8_t entryWidth, entryHeight; // as stored: 0 means 256
    uint32_t bitCount;
    Bytes palette;          // 4 bytes an entry
    Bytes pixels;           // colour rows as stored, bottom first
    Bytes mask;             // AND rows, bottom first
};

uint32_t Stride(uint32_t width, uint32_t bits) { return (width * bits + 31) / 32 * 4; }

Bytes IconFile(const std::vector<IconImage>& images, uint16_t type = 1, uint16_t claimed = 0)
{
    Bytes file;
    Put16(file, 0);
    Put16(file, type);
    Put16(file, claimed ? claimed : uint16_t(images.size()));
    uint32_t offset = 6 + 16 * uint32_t(images.size());
    std::vector<Bytes> bodies;
    for (const IconImage& im : images) {
        const uint32_t w = im.entryWidth ? im.entryWidth : 256, h = im.entryHeight ? im.entryHeight : 256;
        Bytes body;
        Put32(body, 40);
        Put32(body, w);
        Put32(body, h * 2);
        Put16(body, 1);
        Put16(body, uint16_t(im.bitCount));
        Put32(body, 0);
        Put32(body, 0);
        Put32(body, 0);
        Put32(body, 0);
        Put32(body, uint32_t(im.palette.size() / 4));
        Put32(body, 0);
        body.insert(body.end(), im.palette.begin(), im.palette.end());
        body.insert(body.end(), im.pixels.begin(), im.pixels.end());
        body.insert(body.end(), im.mask.begin(), im.mask.end());
        file.insert(file.end(), {im.entryWidth, im.entryHeight, 0, 0});
        Put16(file, 1);
        Put16(file, uint16_t(im.bitCount));
        Put32(file, uint32_t(body.size()));
        Put32(file, offset);
        offset += uint32_t(body.size());
        bodies.push_back(body);
    }
    for (const Bytes& b : bodies)
        file.insert(file.end(), b.begin(), b.end());
    return file;
}

// A w x h 8-bit icon whose pixel (x, y from the bottom) is (x + y) % colours,
// with mask bits set where masked(x, y).
template <class Masked>
IconImage Icon8(uint8_t w, uint8_t h, uint32_t colours, Masked masked)
{
    IconImage im{w, h, 8, {}, {}, {}};
    im.palette.resize(size_t(colours) * 4, 0);
    for (uint32_t i = 0; i < colours; ++i) {
        im.palette[i * 4] = uint8_t(i);
        im.palette[i * 4 + 1] = uint8_t(i * 2);
        im.palette[i * 4 + 2] = uint8_t(i * 3);
    }
    const uint32_t width = w ? w : 256, height = h ? h : 256;
    im.pixels.assign(size_t(Stride(width, 8)) * height, 0);
    im.mask.assign(size_t(Stride(width, 1)) * height, 0);
    for (uint32_t y = 0; y < height; ++y)
        for (uint32_t x = 0; x < width; ++x) {
            im.pixels[y * Stride(width, 8) + x] = uint8_t((x + y) % colours);
            if (masked(x, y))
                im.mask[y * Stride(width, 1) + x / 8] |= uint8_t(0x80 >> (x % 8));
        }
    return im;
}

TEST(IconDecoder, EveryEntryAndTheCountOfAMissingOne)
{
    const auto none = [](uint32_t, uint32_t) { return false; };
    const Bytes file = IconFile({Icon8(4, 4, 256, none), Icon8(8, 2, 256, none)});
    CDibImage image;
    ASSERT_TRUE(Decode(image, file, FORMAT_ICO, 1)) << image.LastError();
    EXPECT_EQ(image.Width(), 8);
    EXPECT_EQ(image.Height(), 2);
    EXPECT_EQ(image.Type(), FORMAT_ICO);
    EXPECT_EQ(image.FrameCount(), 2);
    EXPECT_FALSE(image.HasAlpha()); // nothing masked
    EXPECT_EQ(image.PixelIndex(7, 1), 8);

    CDibImage missing;
    EXPECT_FALSE(Decode(missing, file, FORMAT_ICO, 2));
    EXPECT_EQ(missing.FrameCount(), 2);
}

TEST(IconDecoder, ZeroWidthAndHeightMean256)
{
    const Bytes file = IconFile({Icon8(0, 0, 16, [](uint32_t x, uint32_t) { return x == 255; })}, 2);
    CDibImage image;
    ASSERT_TRUE(Decode(image, file, FORMAT_UNKNOWN)) << image.LastError();
    EXPECT_EQ(image.Width(), 256);
    EXPECT_EQ(image.Height(), 256);
    EXPECT_EQ(image.Type(), FORMAT_ICO);
    // Indices 0..15 are all used (x + y covers them) but 16..255 are free:
    // the masked column gets index 16, which becomes transparent.
    EXPECT_EQ(image.TransIndex(), 16);
    EXPECT_EQ(image.PixelIndex(255, 10), 16);
    EXPECT_EQ(image.PixelIndex(254, 10), (254 + 10) % 16);
    EXPECT_FALSE(image.HasAlpha());
}

TEST(IconDecoder, FourBitIconUsingEveryIndexKeepsItsAlphaPlane)
{
    IconImage im{4, 4, 4, {}, {}, {}};
    for (uint32_t i = 0; i < 16; ++i)
        im.palette.insert(im.palette.end(), {uint8_t(i * 16), 0, 0, 0});
    im.pixels = {0x01, 0x23, 0, 0, 0x45, 0x67, 0, 0, 0x89, 0xAB, 0, 0, 0xCD, 0xEF, 0, 0};
    im.mask = {0x80, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    CDibImage image;
    ASSERT_TRUE(Decode(image, IconFile({im}), FORMAT_ICO)) << image.LastError();
    EXPECT_EQ(image.BitCount(), 4u);
    EXPECT_EQ(image.TransIndex(), -1);
    ASSERT_TRUE(image.HasAlpha());
    EXPECT_EQ(image.AlphaGet(0, 0), 0);
    EXPECT_EQ(image.AlphaGet(1, 0), 255);
    EXPECT_EQ(image.PixelIndex(3, 3), 15);
}

TEST(IconDecoder, ThirtyTwoBitAlphaAndTwentyFourBitMaskColour)
{
    IconImage im32{2, 2, 32, {}, {}, {}};
    im32.pixels = {1, 2, 3, 10, 4, 5, 6, 20, 7, 8, 9, 30, 10, 11, 12, 40};
    im32.mask = {0x40, 0, 0, 0, 0, 0, 0, 0};
    CDibImage image;
    ASSERT_TRUE(Decode(image, IconFile({im32}), FORMAT_ICO)) << image.LastError();
    EXPECT_EQ(image.BitCount(), 24u);
    EXPECT_EQ(image.AlphaGet(0, 0), 10);
    EXPECT_EQ(image.AlphaGet(1, 0), 0); // masked
    EXPECT_EQ(image.AlphaGet(1, 1), 40);
    EXPECT_EQ(image.PixelColor(1, 1, false).rgbRed, 12);

    IconImage im24{2, 1, 24, {}, {}, {}};
    im24.pixels = {9, 9, 9, 50, 60, 70, 0, 0};
    im24.mask = {0x40, 0, 0, 0};
    ASSERT_TRUE(Decode(image, IconFile({im24}), FORMAT_ICO)) << image.LastError();
    EXPECT_EQ(image.TransIndex(), 0);
    EXPECT_EQ(image.TransColor().rgbRed, 70);
    EXPECT_EQ(image.AlphaGet(1, 0), 0);
    EXPECT_EQ(image.AlphaGet(0, 0), 255);
}

TEST(IconDecoder, FullMaskGivesANegativeWithIndexZeroTransparent)
{
    IconImage im{2, 1, 1, {0, 0, 0, 0, 255, 255, 255, 0}, {0x40, 0, 0, 0}, {0xFF, 0xFF, 0xFF, 0xFF}};
    CDibImage image;
    ASSERT_TRUE(Decode(image, IconFile({im}), FORMAT_ICO));
    EXPECT_EQ(image.TransIndex(), 0);
    EXPECT_EQ(image.PaletteEntry(0).rgbRed, 255); // the palette inverted
}

TEST(IconDecoder, ACountBeyondTheFileIsReportedAndAMissingMaskIsNoFault)
{
    const auto none = [](uint32_t, uint32_t) { return false; };
    CDibImage image;
    EXPECT_FALSE(Decode(image, IconFile({Icon8(2, 2, 4, none)}, 1, 4000), FORMAT_ICO));
    EXPECT_EQ(image.FrameCount(), 4000);
    Bytes noMask = IconFile({Icon8(2, 2, 4, none)});
    noMask.resize(noMask.size() - 8);
    ASSERT_TRUE(Decode(image, noMask, FORMAT_ICO));
    EXPECT_EQ(image.PixelIndex(1, 1), 2);
}

// ---- PCX ----

Bytes PcxHeader(uint16_t w, uint16_t h, uint8_t bpp, uint8_t planes, uint16_t bytesPerLine)
{
    Bytes head(128, 0);
    head[0] = 0x0A;
    head[1] = 5;
    head[2] = 1;
    head[3] = bpp;
    WriteU16LE(&head[8], uint16_t(w - 1));
    WriteU16LE(&head[10], uint16_t(h - 1));
    WriteU16LE(&head[12], 150);
    WriteU16LE(&head[14], 75);
    for (int i = 0; i < 16; ++i) {
        head[16 + i * 3] = uint8_t(i * 16);
        head[17 + i * 3] = uint8_t(255 - i);
        head[18 + i * 3] = 7;
    }
    head[65] = planes;
    WriteU16LE(&head[66], bytesPerLine);
    return head;
}

Bytes Palette256()
{
    Bytes p{0x0C};
    for (int i = 0; i < 256; ++i)
        p.insert(p.end(), {uint8_t(i), uint8_t(i / 2), uint8_t(255 - i)});
    return p;
}

TEST(PcxDecoder, RunsRepeatAndCrossLines)
{
    // 4 x 2, 8 bits: a run of 3 (0xC3 0x55), then a run of 3 crossing into
    // line 2, then literal bytes.
    Bytes file = PcxHeader(4, 2, 8, 1, 4);
    file.insert(file.end(), {0xC3, 0x55, 0xC3, 0x10, 0x20, 0x30});
    const Bytes pal = Palette256();
    file.insert(file.end(), pal.begin(), pal.end());
    CDibImage image;
    ASSERT_TRUE(Decode(image, file, FORMAT_PCX)) << image.LastError();
    EXPECT_EQ(image.BitCount(), 8u);
    EXPECT_EQ(test::Indices(image), "55 55 55 10/10 10 20 30");
    EXPECT_EQ(image.PaletteEntry(0x55).rgbBlue, 255 - 0x55);
    EXPECT_EQ(image.XDPI(), 150);
    EXPECT_EQ(image.YDPI(), 75);
}

TEST(PcxDecoder, PlanesPackedPixelsAndTrueColour)
{
    CDibImage image;
    // 1 bit, 1 plane: black and white.
    Bytes mono = PcxHeader(10, 1, 1, 1, 2);
    mono.insert(mono.end(), {0xA0, 0x40});
    ASSERT_TRUE(Decode(image, mono, FORMAT_PCX)) << image.LastError();
    EXPECT_EQ(image.BitCount(), 1u);
    EXPECT_EQ(test::Indices(image), "01 00 01 00 00 00 00 00 00 01");
    EXPECT_EQ(image.PaletteEntry(1).rgbGreen, 255);

    // 2 bits, 1 plane: 4 pixels a byte, header palette.
    Bytes two = PcxHeader(4, 1, 2, 1, 2);
    two.insert(two.end(), {0x1B, 0x00});
    ASSERT_TRUE(Decode(image, two, FORMAT_PCX)) << image.LastError();
    EXPECT_EQ(image.BitCount(), 4u);
    EXPECT_EQ(test::Indices(image), "00 01 02 03");
    EXPECT_EQ(image.PaletteEntry(3).rgbRed, 48);

    // 4 planes of 1 bit: bit n of the index from plane n.
    Bytes ega = PcxHeader(2, 1, 1, 4, 2);
    ega.insert(ega.end(), {0x80, 0, 0x40, 0, 0xC1, 0xC0, 0, 0x40, 0}); // 0xC0 itself is a run byte
    ASSERT_TRUE(Decode(image, ega, FORMAT_PCX)) << image.LastError();
    EXPECT_EQ(image.BitCount(), 4u);
    EXPECT_EQ(test::Indices(image), "05 0E");

    // 3 planes of 1 bit: 8 colours.
    Bytes eight = PcxHeader(1, 1, 1, 3, 2);
    eight.insert(eight.end(), {0x80, 0, 0x80, 0, 0x80, 0});
    ASSERT_TRUE(Decode(image, eight, FORMAT_PCX)) << image.LastError();
    EXPECT_EQ(Top(image, 0, 0), 7);

    // 4 planes of 8 bits: red, green, blue, alpha.
    Bytes rgba = PcxHeader(2, 1, 8, 4, 2);
    rgba.insert(rgba.end(), {1, 2, 3, 4, 5, 6, 7, 8});
    ASSERT_TRUE(Decode(image, rgba, FORMAT_PCX)) << image.LastError();
    EXPECT_EQ(image.BitCount(), 24u);
    const RGBQUAD c = TopColor(image, 1, 0);
    EXPECT_EQ(c.rgbRed, 2);
    EXPECT_EQ(c.rgbGreen, 4);
    EXPECT_EQ(c.rgbBlue, 6);
    ASSERT_TRUE(image.HasAlpha());
    EXPECT_EQ(image.AlphaGet(1, 0), 8);
}

// ---- TGA ----

Bytes TgaHeader(uint8_t type, uint16_t w, uint16_t h, uint8_t depth, uint8_t descriptor, uint16_t mapLength = 0,
                uint8_t mapBits = 0, uint8_t idLength = 0)
{
    Bytes head{idLength, uint8_t(mapLength ? 1 : 0), type};
    Put16(head, 0);
    Put16(head, mapLength);
    head.push_back(mapBits);
    Put16(head, 0);
    Put16(head, 0);
    Put16(head, w);
    Put16(head, h);
    head.push_back(depth);
    head.push_back(descriptor);
    head.insert(head.end(), idLength, 'x');
    return head;
}

TEST(TgaDecoder, TopOriginThirtyTwoBitsIsUprightWithItsAlpha)
{
    Bytes file = TgaHeader(2, 2, 2, 32, 0x28);
    // Top row first: (10, 20, 30, 200) (40, 50, 60, 100), then the bottom row.
    file.insert(file.end(), {10, 20, 30, 200, 40, 50, 60, 100, 70, 80, 90, 50, 1, 2, 3, 0});
    CDibImage image;
    ASSERT_TRUE(Decode(image, file, FORMAT_TGA)) << image.LastError();
    EXPECT_EQ(image.BitCount(), 24u);
    EXPECT_EQ(TopColor(image, 0, 0).rgbRed, 30);
    EXPECT_EQ(TopColor(image, 1, 1).rgbBlue, 1);
    EXPECT_EQ(image.AlphaGet(0, 1), 200); // top left
    EXPECT_EQ(image.AlphaGet(1, 1), 100);
    EXPECT_EQ(image.AlphaGet(1, 0), 0);
}

TEST(TgaDecoder, SixteenBitsRightToLeftAndBottomOrigin)
{
    Bytes file = TgaHeader(2, 2, 1, 16, 0x10);
    Put16(file, 0x7FFF);
    Put16(file, 0x001F);
    CDibImage image;
    ASSERT_TRUE(Decode(image, file, FORMAT_TGA)) << image.LastError();
    const RGBQUAD white = image.PixelColor(1, 0, false), blue = image.PixelColor(0, 0, false);
    EXPECT_EQ(white.rgbRed, 248);
    EXPECT_EQ(white.rgbGreen, 248);
    EXPECT_EQ(white.rgbBlue, 248);
    EXPECT_EQ(blue.rgbBlue, 248);
    EXPECT_EQ(blue.rgbRed, 0);
}

TEST(TgaDecoder, RunLengthPacketsCarryOverLines)
{
    // 3 x 2, 24 bits, bottom origin: a repeat of 4 pixels spans both lines,
    // then 2 raw pixels.
    Bytes file = TgaHeader(10, 3, 2, 24, 0);
    file.insert(file.end(), {0x83, 1, 2, 3, 0x01, 4, 5, 6, 7, 8, 9});
    CDibImage image;
    ASSERT_TRUE(Decode(image, file, FORMAT_TGA)) << image.LastError();
    EXPECT_EQ(image.PixelColor(2, 0, false).rgbRed, 3);
    EXPECT_EQ(image.PixelColor(0, 1, false).rgbRed, 3);
    EXPECT_EQ(image.PixelColor(1, 1, false).rgbRed, 6);
    EXPECT_EQ(image.PixelColor(2, 1, false).rgbBlue, 7);

    // A packet longer than what is left of the picture stops at its end.
    Bytes over = TgaHeader(10, 2, 1, 24, 0);
    over.insert(over.end(), {0xFF, 1, 2, 3});
    ASSERT_TRUE(Decode(image, over, FORMAT_TGA)) << image.LastError();
    EXPECT_EQ(image.PixelColor(1, 0, false).rgbRed, 3);
}

TEST(TgaDecoder, ColourMapsAndGrey)
{
    // Colour-mapped with a 16-bit map: entries are 5-5-5 words.
    Bytes mapped = TgaHeader(1, 2, 1, 8, 0x20, 2, 16, 3);
    Put16(mapped, 0x7C00); // red
    Put16(mapped, 0x03E0); // green
    mapped.insert(mapped.end(), {1, 0});
    CDibImage image;
    ASSERT_TRUE(Decode(image, mapped, FORMAT_TGA)) << image.LastError();
    EXPECT_EQ(image.BitCount(), 8u);
    EXPECT_EQ(TopColor(image, 0, 0).rgbGreen, 248);
    EXPECT_EQ(TopColor(image, 1, 0).rgbRed, 248);

    Bytes grey = TgaHeader(11, 3, 1, 8, 0);
    grey.insert(grey.end(), {0x82, 77});
    ASSERT_TRUE(Decode(image, grey, FORMAT_TGA)) << image.LastError();
    EXPECT_TRUE(image.IsGrayPalette());
    EXPECT_EQ(image.PixelColor(2, 0, false).rgbGreen, 77);
}

// ---- WBMP ----

TEST(WbmpDecoder, MultiByteWidth)
{
    // Width 200 = 0x81 0x48, height 2: 25 bytes a row, top row first.
    Bytes file{0, 0, 0x81, 0x48, 2};
    Bytes rows(50, 0);
    rows[0] = 0x80;
    rows[25 + 24] = 0x01;
    file.insert(file.end(), rows.begin(), rows.end());
    CDibImage image;
    ASSERT_TRUE(Decode(image, file, FORMAT_WBMP)) << image.LastError();
    EXPECT_EQ(image.Width(), 200);
    EXPECT_EQ(image.Height(), 2);
    EXPECT_EQ(image.BitCount(), 1u);
    EXPECT_EQ(Top(image, 0, 0), 1);
    EXPECT_EQ(Top(image, 1, 0), 0);
    EXPECT_EQ(Top(image, 199, 1), 1);
    EXPECT_EQ(image.PaletteEntry(1).rgbRed, 255);
    EXPECT_EQ(image.PaletteEntry(0).rgbRed, 0);
}

// ---- damaged files of every format ----

// The header and `bytes`, or with `pad` zeros after it.
Bytes With(Bytes head, std::initializer_list<uint8_t> bytes, size_t pad = 0)
{
    head.insert(head.end(), bytes);
    head.resize(head.size() + pad, 0);
    return head;
}

TEST(DamagedFiles, AreRefusedWithTheirMessage)
{
    const auto none = [](uint32_t, uint32_t) { return false; };
    Bytes beyond = IconFile({Icon8(2, 2, 4, none)}), cutIcon = IconFile({Icon8(16, 16, 4, none)}),
          widePalette = IconFile({Icon8(2, 2, 4, none)}), pngEntry;
    WriteU32LE(&beyond[6 + 12], 0x7FFFFFF0);
    cutIcon.resize(6 + 16 + 40 + 16 + 100);
    WriteU32LE(&widePalette[6 + 16 + 32], 300); // more than the bit count allows
    for (uint32_t v : {0u, 1u, 1u}) // a directory of one entry pointing at a damaged PNG
        Put16(pngEntry, v);
    pngEntry.insert(pngEntry.end(), {0, 0, 0, 0, 1, 0, 32, 0, 60, 0, 0, 0, 22, 0, 0, 0, 0x89, 'P', 'N', 'G', '\r', '\n',
                                     0x1A, '\n'});
    pngEntry.resize(22 + 60, 0);
    Bytes encoding = PcxHeader(2, 1, 8, 1, 2);
    encoding[2] = 0;
    test::ExpectRefused({
        {"icon count beyond the file", IconFile({Icon8(2, 2, 4, none)}, 1, 4000), FORMAT_ICO,
         "icon directory larger than the file"},
        {"icon offset beyond the file", beyond, FORMAT_ICO, "icon entry outside the file"},
        {"icon pixels cut short", cutIcon, FORMAT_ICO, "corrupted icon pixels"},
        {"icon palette too large", widePalette, FORMAT_ICO},
        {"icon of a wrong type", IconFile({Icon8(2, 2, 4, none)}, 3), FORMAT_ICO},
        {"icon with a damaged PNG", pngEntry, FORMAT_ICO, "corrupted PNG-compressed icon entry"},
        {"PCX run past the end", With(PcxHeader(4, 1, 8, 1, 4), {0xC5, 0x01}), FORMAT_PCX,
         "repeat count spans end of image"},
        {"PCX cut short", With(PcxHeader(4, 2, 8, 1, 4), {0xC4, 0x01, 0x02}), FORMAT_PCX, "corrupted PCX"},
        {"PCX palette signature", With(PcxHeader(2, 1, 8, 1, 2), {0x01, 0x02, 0x0B}), FORMAT_PCX,
         "bad color map signature"},
        {"PCX five planes", PcxHeader(2, 1, 1, 5, 2), FORMAT_PCX, "Can't handle image with more than 4 planes"},
        {"PCX planes of 4 bits", PcxHeader(2, 1, 4, 2, 2), FORMAT_PCX, "Can't handle more than 1 bit per pixel"},
        {"PCX encoding", encoding, FORMAT_PCX, "PCX file has unknown encoding scheme"},
        {"PCX huge over a few bytes", With(PcxHeader(60000, 60000, 8, 1, 60000), {0xFF, 0x00}), FORMAT_PCX,
         "corrupted PCX"},
        {"PCX lines too short", PcxHeader(20, 1, 8, 1, 4), FORMAT_PCX},
        {"TGA cut short", With(TgaHeader(10, 4, 4, 24, 0), {0x02, 1, 2, 3}), FORMAT_TGA, "corrupted TGA"},
        {"TGA type", With(TgaHeader(4, 1, 1, 24, 0), {}, 3), FORMAT_TGA, "Unknown TGA image type"},
        {"TGA zero width", With(TgaHeader(2, 0, 1, 24, 0), {}, 2000), FORMAT_TGA, "bad TGA header"},
        {"TGA depth 12", With(TgaHeader(2, 1, 1, 12, 0), {}, 2000), FORMAT_TGA, "bad TGA header"},
        {"TGA mapped without map", With(TgaHeader(1, 1, 1, 8, 0), {}, 2000), FORMAT_TGA, "bad TGA header"},
        {"TGA true colour of 8 bits", With(TgaHeader(2, 1, 1, 8, 0), {}, 2000), FORMAT_TGA, "bad TGA header"},
        {"TGA map of 24-bit 300", With(TgaHeader(1, 1, 1, 8, 0, 300, 24), {}, 2000), FORMAT_TGA, "bad TGA header"},
        // Big claims over a few bytes cost no memory: refused at once.
        {"TGA huge raw", With(TgaHeader(2, 65535, 65535, 32, 0), {}, 16), FORMAT_TGA, "corrupted TGA"},
        {"TGA huge runs", With(TgaHeader(10, 65535, 65535, 32, 0), {0xFF, 1, 2, 3, 4}), FORMAT_TGA, "corrupted TGA"},
        {"TGA too short", Bytes{0, 0, 2}, FORMAT_TGA, "Not a TGA"},
        // WBMP widths that never end or exceed 31 bits; 65536 x 65536 over 4 bytes.
        {"WBMP endless width", Bytes{0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F, 1, 0}, FORMAT_WBMP, "Corrupted WBMP"},
        {"WBMP width over 31 bits", Bytes{0, 0, 0x8F, 0xFF, 0xFF, 0xFF, 0x7F, 1, 0}, FORMAT_WBMP, "Corrupted WBMP"},
        {"WBMP huge", Bytes{0, 0, 0x84, 0x80, 0x00, 0x84, 0x80, 0x00, 1, 2, 3, 4}, FORMAT_WBMP, "Corrupted WBMP"},
        {"WBMP zero width", Bytes{0, 0, 0, 1}, FORMAT_WBMP, "Corrupted WBMP"},
        {"WBMP type", Bytes{1, 0, 1, 1, 0}, FORMAT_WBMP, "Unsupported WBMP type"},
        {"WBMP one byte", Bytes{0}, FORMAT_WBMP, "Not a WBMP"},
    });
}

// ---- the dispatcher ----

TEST(UnknownFormat, FindsEachNewCodec)
{
    const auto none = [](uint32_t, uint32_t) { return false; };
    Bytes pcx = PcxHeader(2, 1, 8, 1, 2);
    pcx.insert(pcx.end(), {1, 2});
    const Bytes pal = Palette256();
    pcx.insert(pcx.end(), pal.begin(), pal.end());
    Bytes tga = TgaHeader(2, 1, 1, 24, 0);
    tga.insert(tga.end(), {1, 2, 3});
    const struct {
        Bytes file;
        uint32_t format;
    } cases[] = {
        {IconFile({Icon8(2, 2, 4, none)}), FORMAT_ICO},
        {pcx, FORMAT_PCX},
        {tga, FORMAT_TGA},
        {Bytes{0, 0, 8, 1, 0xAA}, FORMAT_WBMP},
        {Bytes{'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0, 0, 0, 0x2C, 0, 0, 0, 0, 1, 0, 1, 0, 0, 2, 2, 0x44, 0x01, 0,
               0x3B},
         FORMAT_GIF},
    };
    for (const auto& c : cases) {
        CDibImage image;
        ASSERT_TRUE(Decode(image, c.file, FORMAT_UNKNOWN)) << FormatName(c.format);
        EXPECT_EQ(image.Type(), c.format);
    }
}

TEST(UnknownFormat, MetafilesNeedGdi)
{
    CDibImage image;
    const Bytes notAMetafile(60, 7);
    EXPECT_FALSE(Decode(image, notAMetafile, FORMAT_WMF));
    EXPECT_STREQ(image.LastError(), "corrupted WMF");
#ifndef _WIN32
    // Without GDI a metafile is recognised and refused with the reason.
    Bytes placeable(60, 0);
    WriteU32LE(placeable.data(), 0x9AC6CDD7);
    EXPECT_FALSE(Decode(image, placeable, FORMAT_WMF));
    EXPECT_NE(std::string(image.LastError()).find("GDI"), std::string::npos) << image.LastError();
    Bytes enhanced(60, 0);
    enhanced[0] = 1;
    std::memcpy(&enhanced[40], " EMF", 4);
    EXPECT_FALSE(Decode(image, enhanced, FORMAT_WMF));
    EXPECT_NE(std::string(image.LastError()).find("GDI"), std::string::npos) << image.LastError();
    EXPECT_FALSE(Decode(image, enhanced, FORMAT_UNKNOWN));
    EXPECT_STREQ(image.LastError(), "Decode: Unknown or wrong format");
#endif
}

} // namespace
