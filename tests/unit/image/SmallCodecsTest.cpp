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
    for (uint16_t v : {uint16_t(0), type, claimed ? claimed : uint16_t(images.size())})
        Put16(file, v);
    uint32_t offset = 6 + 16 * uint32_t(images.size());
    std::vector<Bytes> bodies;
    for (const IconImage& im : images) {
        const uint32_t w = im.entryWidth ? im.entryWidth : 256, h = im.entryHeight ? im.entryHeight : 256;
        // A 40-byte header of twice the height (colour rows, then mask rows);
        // the fourth word holds 1 plane and the bit count.
        Bytes body;
        for (uint32_t v : {40u, w, h * 2, 1u | im.bitCount << 16, 0u, 0u, 0u, 0u, uint32_t(im.palette.size() / 4), 0u})
            Put32(body, v);
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
// palette entry i being red 3i, green 2i, blue i; column `masked` is masked.
IconImage Icon8(uint8_t w, uint8_t h, uint32_t colours, int32_t masked = -1)
{
    IconImage im{w, h, 8, {}, {}, {}};
    for (uint32_t i = 0; i < colours; ++i)
        im.palette.insert(im.palette.end(), {uint8_t(i), uint8_t(i * 2), uint8_t(i * 3), 0});
    const uint32_t width = w ? w : 256, height = h ? h : 256;
    im.pixels.assign(size_t(Stride(width, 8)) * height, 0);
    im.mask.assign(size_t(Stride(width, 1)) * height, 0);
    for (uint32_t y = 0; y < height; ++y)
        for (uint32_t x = 0; x < width; ++x) {
            im.pixels[y * Stride(width, 8) + x] = uint8_t((x + y) % colours);
            if (int32_t(x) == masked)
                im.mask[y * Stride(width, 1) + x / 8] |= uint8_t(0x80 >> (x % 8));
        }
    return im;
}

TEST(IconDecoder, ZeroWidthAndHeightMean256)
{
    const Bytes file = IconFile({Icon8(0, 0, 16, 255)}, 2);
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

// ---- PCX ----

Bytes PcxHeader(uint16_t w, uint16_t h, uint8_t bpp, uint8_t planes, uint16_t bytesPerLine)
{
    Bytes head{0x0A, 5, 1, bpp}; // manufacturer, version, run-length encoding, bits
    head.resize(128, 0);
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

// A PCX file's 256-entry palette after its pixels: entry i is (i, i / 2, 255 - i).
Bytes WithPalette(Bytes file)
{
    file.push_back(0x0C);
    for (int i = 0; i < 256; ++i)
        file.insert(file.end(), {uint8_t(i), uint8_t(i / 2), uint8_t(255 - i)});
    return file;
}

// ---- TGA ----

Bytes TgaHeader(uint8_t type, uint16_t w, uint16_t h, uint8_t depth, uint8_t descriptor, uint16_t mapLength = 0,
                uint8_t mapBits = 0, uint8_t idLength = 0)
{
    Bytes head{idLength, uint8_t(mapLength ? 1 : 0), type, 0, 0, uint8_t(mapLength), uint8_t(mapLength >> 8), mapBits};
    for (uint16_t v : {uint16_t(0), uint16_t(0), w, h})
        Put16(head, v);
    head.insert(head.end(), {depth, descriptor});
    head.insert(head.end(), idLength, 'x');
    return head;
}

// The header and `bytes`, then `pad` zeros.
Bytes With(Bytes head, std::initializer_list<uint8_t> bytes, size_t pad = 0)
{
    head.insert(head.end(), bytes);
    head.resize(head.size() + pad, 0);
    return head;
}

TEST(SmallCodecs, KnownPictures)
{
    // A 4-bit icon that uses every index (entry i is blue i * 16), its
    // bottom-left pixel masked: no index is free, so it keeps an alpha plane.
    IconImage nibbles{4, 4, 4, {}, {0x01, 0x23, 0, 0, 0x45, 0x67, 0, 0, 0x89, 0xAB, 0, 0, 0xCD, 0xEF, 0, 0}, {}};
    for (uint32_t i = 0; i < 16; ++i)
        nibbles.palette.insert(nibbles.palette.end(), {uint8_t(i * 16), 0, 0, 0});
    nibbles.mask = {0x80, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    // 32-bit pixels (blue, green, red, alpha; bottom row first), the mask on
    // the bottom right; 24-bit pixels, the right one masked.
    const IconImage rgba{2, 2, 32, {}, {1, 2, 3, 10, 4, 5, 6, 20, 7, 8, 9, 30, 10, 11, 12, 40}, {0x40, 0, 0, 0, 0, 0, 0, 0}};
    const IconImage rgb{2, 1, 24, {}, {9, 9, 9, 50, 60, 70, 0, 0}, {0x40, 0, 0, 0}};
    // Every pixel masked: a negative, index 0 transparent.
    const IconImage negative{2, 1, 1, {0, 0, 0, 0, 255, 255, 255, 0}, {0x40, 0, 0, 0}, {0xFF, 0xFF, 0xFF, 0xFF}};
    Bytes noMask = IconFile({Icon8(2, 2, 4)});
    noMask.resize(noMask.size() - 8);
    // TGA 16-bit words are 5-5-5: 0x7FFF white, 0x001F blue, 0x7C00 red, 0x03E0 green.
    Bytes tga16 = TgaHeader(2, 2, 1, 16, 0x10), tgaMap = TgaHeader(1, 2, 1, 8, 0x20, 2, 16, 3);
    for (uint16_t word : {0x7FFF, 0x001F})
        Put16(tga16, word);
    for (uint16_t word : {0x7C00, 0x03E0, 0x0001})
        Put16(tgaMap, word);
    // WBMP 200 x 2 (width 0x81 0x48): 25 bytes a row, top row first.
    Bytes wbmp{0, 0, 0x81, 0x48, 2, 0x80};
    wbmp.resize(5 + 49, 0);
    wbmp.push_back(0x01);
    test::ExpectPictures({
        {"icon: the second of two entries", IconFile({Icon8(4, 4, 256), Icon8(3, 2, 256)}), FORMAT_ICO,
         "a=030201 b=060402 c=090603 d=000000 | abc/dab", 8, 1},
        {"icon: 4 bits, every index", IconFile({nibbles}), FORMAT_ICO,
         "a=0000C0FF b=0000D0FF c=0000E0FF d=0000F0FF e=000080FF f=000090FF g=0000A0FF h=0000B0FF i=000040FF "
         "j=000050FF k=000060FF l=000070FF m=00000000 n=000010FF o=000020FF p=000030FF | abcd/efgh/ijkl/mnop",
         4, 0, -1},
        {"icon: 32 bits", IconFile({rgba}), FORMAT_ICO, "a=0908071E b=0C0B0A28 c=0302010A d=06050400 | ab/cd", 24},
        {"icon: 24 bits", IconFile({rgb}), FORMAT_ICO, "a=090909FF b=463C3200 | ab", 24, 0, 0},
        {"icon: all masked", IconFile({negative}), FORMAT_ICO, "a=FFFFFF b=000000 | ab", 0, 0, 0},
        {"icon: no mask", noMask, FORMAT_ICO, "a=030201 b=060402 c=000000 | ab/ca"},
        // PCX runs (0xC3 = three of the next byte) cross into the next line.
        {"PCX 8 bits", WithPalette(With(PcxHeader(4, 2, 8, 1, 4), {0xC3, 0x55, 0xC3, 0x10, 0x20, 0x30})), FORMAT_PCX,
         "a=552AAA b=1008EF c=2010DF d=3018CF | aaab/bbcd", 8},
        // Header palette entry i is (i * 16, 255 - i, 7); 1 bit is black and white.
        {"PCX 1 bit", With(PcxHeader(10, 1, 1, 1, 2), {0xA0, 0x40}), FORMAT_PCX, "a=FFFFFF b=000000 | ababbbbbba", 1},
        {"PCX 2 bits", With(PcxHeader(4, 1, 2, 1, 2), {0x1B, 0x00}), FORMAT_PCX,
         "a=00FF07 b=10FE07 c=20FD07 d=30FC07 | abcd", 4},
        // Bit n of the index from plane n (0xC1 0xC0: 0xC0 itself is a run byte).
        {"PCX 4 planes of 1 bit", With(PcxHeader(2, 1, 1, 4, 2), {0x80, 0, 0x40, 0, 0xC1, 0xC0, 0, 0x40, 0}),
         FORMAT_PCX, "a=50FA07 b=E0F107 | ab", 4},
        {"PCX 3 planes of 1 bit", With(PcxHeader(1, 1, 1, 3, 2), {0x80, 0, 0x80, 0, 0x80, 0}), FORMAT_PCX,
         "a=70F807 | a"},
        {"PCX 4 planes of 8 bits", With(PcxHeader(2, 1, 8, 4, 2), {1, 2, 3, 4, 5, 6, 7, 8}), FORMAT_PCX,
         "a=01030507 b=02040608 | ab", 24},
        // TGA pixels are blue, green, red (, alpha); descriptor 0x20 puts the
        // top row first, 0x10 stores rows right to left.
        {"TGA 32 bits, top first", With(TgaHeader(2, 2, 2, 32, 0x28), {10, 20, 30, 200, 40, 50, 60, 100, 70, 80, 90, 50,
                                                                      1, 2, 3, 0}),
         FORMAT_TGA, "a=1E140AC8 b=3C322864 c=5A504632 d=03020100 | ab/cd", 24},
        {"TGA 16 bits, right to left", tga16, FORMAT_TGA, "a=0000F8 b=F8F8F8 | ab"},
        {"TGA top first, right to left", With(TgaHeader(2, 2, 2, 24, 0x30), {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}),
         FORMAT_TGA, "a=060504 b=030201 c=0C0B0A d=090807 | ab/cd"},
        // A repeat of 4 pixels spans both lines, then 2 raw pixels.
        {"TGA runs", With(TgaHeader(10, 3, 2, 24, 0), {0x83, 1, 2, 3, 0x01, 4, 5, 6, 7, 8, 9}), FORMAT_TGA,
         "a=030201 b=060504 c=090807 | abc/aaa"},
        {"TGA run past the end", With(TgaHeader(10, 2, 1, 24, 0), {0xFF, 1, 2, 3}), FORMAT_TGA, "a=030201 | aa"},
        {"TGA colour map of 16 bits", tgaMap, FORMAT_TGA, "a=00F800 b=F80000 | ab", 8},
        {"TGA grey runs", With(TgaHeader(11, 3, 1, 8, 0), {0x82, 77}), FORMAT_TGA, "a=4D4D4D | aaa", 8},
        {"WBMP 200 wide", wbmp, FORMAT_WBMP,
         "a=FFFFFF b=000000 | a" + std::string(199, 'b') + "/" + std::string(199, 'b') + "a", 1},
    });
    // The PCX header's resolution is read.
    CDibImage pcx;
    ASSERT_TRUE(Decode(pcx, With(PcxHeader(10, 1, 1, 1, 2), {0xA0, 0x40}), FORMAT_PCX));
    EXPECT_EQ(pcx.XDPI(), 150);
    EXPECT_EQ(pcx.YDPI(), 75);
}

TEST(IconDecoder, CountsOfEntries)
{
    CDibImage image;
    EXPECT_FALSE(Decode(image, IconFile({Icon8(4, 4, 256), Icon8(8, 2, 256)}), FORMAT_ICO, 2));
    EXPECT_EQ(image.FrameCount(), 2);
    EXPECT_FALSE(Decode(image, IconFile({Icon8(2, 2, 4)}, 1, 4000), FORMAT_ICO));
    EXPECT_EQ(image.FrameCount(), 4000);
}

TEST(DamagedFiles, AreRefusedWithTheirMessage)
{
    Bytes beyond = IconFile({Icon8(2, 2, 4)}), cutIcon = IconFile({Icon8(16, 16, 4)}),
          widePalette = IconFile({Icon8(2, 2, 4)}), pngEntry;
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
        {"icon count beyond the file", IconFile({Icon8(2, 2, 4)}, 1, 4000), FORMAT_ICO,
         "icon directory larger than the file"},
        {"icon offset beyond the file", beyond, FORMAT_ICO, "icon entry outside the file"},
        {"icon pixels cut short", cutIcon, FORMAT_ICO, "corrupted icon pixels"},
        {"icon palette too large", widePalette, FORMAT_ICO},
        {"icon of a wrong type", IconFile({Icon8(2, 2, 4)}, 3), FORMAT_ICO},
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
