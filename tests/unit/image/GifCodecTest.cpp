// The GIF decoder on files built byte by byte: versions, frames and their
// count, interlacing, transparency and disposal, the screen-size query,
// true-colour composition, and damaged LZW data (codes past the picture,
// code sizes out of range, impossible codes, data cut short).
#include "image/DibImage.h"
#include "image/ImageStream.h"
#include "image/codec/DibImageGIF.h"
#include "tests/unit/image/ByteFiles.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

using namespace glint;

namespace {

// LZW codes that a decoder must read as plain literals: a clear code comes
// often enough that the table never widens the codes.
std::vector<uint8_t> LiteralLzw(const std::vector<uint8_t>& pixels, int minSize)
{
    std::vector<uint8_t> bytes;
    uint32_t acc = 0, bits = 0;
    const uint32_t width = uint32_t(minSize) + 1, clear = 1u << minSize;
    auto put = [&](uint32_t code) {
        acc |= code << bits;
        bits += width;
        while (bits >= 8) {
            bytes.push_back(uint8_t(acc));
            acc >>= 8;
            bits -= 8;
        }
    };
    const size_t perClear = clear - 2;
    for (size_t i = 0; i < pixels.size(); ++i) {
        if (i % perClear == 0)
            put(clear);
        put(pixels[i]);
    }
    put(clear + 1);
    if (bits)
        bytes.push_back(uint8_t(acc));
    // Data sub-blocks of at most 255 bytes, then the empty one.
    std::vector<uint8_t> out{uint8_t(minSize)};
    for (size_t at = 0; at < bytes.size(); at += 255) {
        const size_t n = std::min<size_t>(255, bytes.size() - at);
        out.push_back(uint8_t(n));
        out.insert(out.end(), bytes.begin() + std::ptrdiff_t(at), bytes.begin() + std::ptrdiff_t(at + n));
    }
    out.push_back(0);
    return out;
}

using test::Put16;
using test::Top;

// The flags of a colour table of `colors` entries: present, size 2 << n.
uint8_t TableFlags(uint32_t colors)
{
    uint8_t n = 0;
    while ((2u << n) < colors)
        ++n;
    return colors ? uint8_t(0x80 | n) : 0;
}

struct Gif {
    std::vector<uint8_t> bytes;

    // Header and logical screen; a global table of `colors` entries when
    // colors > 0 (entry i is (i * 10, i * 20, i * 30)).
    Gif(uint16_t w, uint16_t h, uint32_t colors, const char* version = "89a", uint8_t background = 0)
    {
        bytes = {'G', 'I', 'F', uint8_t(version[0]), uint8_t(version[1]), uint8_t(version[2])};
        Put16(bytes, w);
        Put16(bytes, h);
        bytes.insert(bytes.end(), {TableFlags(colors), background, 0});
        for (uint32_t i = 0; i < colors; ++i)
            bytes.insert(bytes.end(), {uint8_t(i * 10), uint8_t(i * 20), uint8_t(i * 30)});
    }
    Gif& Control(uint8_t flags, uint16_t delay, uint8_t trans)
    {
        bytes.insert(bytes.end(), {0x21, 0xF9, 4, flags});
        Put16(bytes, delay);
        bytes.insert(bytes.end(), {trans, 0});
        return *this;
    }
    // An image; `local` colours give it a local table of entries (200 - i * 5, 0, i).
    Gif& Image(uint16_t left, uint16_t top, uint16_t w, uint16_t h, const std::vector<uint8_t>& pixels,
               bool interlaced = false, uint32_t local = 0, int minSize = 8)
    {
        bytes.push_back(0x2C);
        for (uint16_t v : {left, top, w, h})
            Put16(bytes, v);
        bytes.push_back(uint8_t(TableFlags(local) | (interlaced ? 0x40 : 0)));
        for (uint32_t i = 0; i < local; ++i)
            bytes.insert(bytes.end(), {uint8_t(200 - i * 5), 0, uint8_t(i)});
        const std::vector<uint8_t> data = LiteralLzw(pixels, minSize);
        bytes.insert(bytes.end(), data.begin(), data.end());
        return *this;
    }
    Gif& Raw(std::initializer_list<uint8_t> more)
    {
        bytes.insert(bytes.end(), more);
        return *this;
    }
    std::vector<uint8_t> Done()
    {
        bytes.push_back(0x3B);
        return bytes;
    }
};

std::vector<uint8_t> Ramp(size_t n, uint8_t modulo)
{
    std::vector<uint8_t> v(n);
    for (size_t i = 0; i < n; ++i)
        v[i] = uint8_t(i % modulo);
    return v;
}

bool DecodeGif(CDibImage& image, const std::vector<uint8_t>& file) { return test::Decode(image, file, FORMAT_GIF); }

// Global table entry i is (i * 10, i * 20, i * 30), wrapping at 256.
TEST(GifDecoder, KnownPictures)
{
    const std::string eight = "a=000000 b=0A141E c=14283C d=1E3C5A e=285078 f=326496 g=3C78B4 h=468CD2 ";
    // Stored row k carries the value k; the passes put stored rows at picture
    // rows 0, 4, 2, 6, 1, 3, 5, 7 (from the top).
    std::vector<uint8_t> passes;
    for (uint8_t k = 0; k < 8; ++k)
        passes.insert(passes.end(), 3, k);
    // Code size 2 (3-bit codes, least significant bit first): clear (4),
    // literal 1, then 7, a code no table can have yet. One pixel a row.
    Gif impossible(1, 3, 4, "89a", 2);
    impossible.Raw({0x2C, 0, 0, 0, 0, 1, 0, 3, 0, 0, 2, 2, 4 | 1 << 3 | (7 & 3) << 6, 7 >> 2, 0});
    // Data cut in the middle: 14 bytes of 9-bit codes, a clear code and 11
    // pixels; the two whole rows stay, the rest shows the screen's background.
    std::vector<uint8_t> cut = Gif(4, 4, 16).Image(0, 0, 4, 4, Ramp(16, 16)).Done();
    cut.resize(13 + 48 + 10 + 2 + 14);
    // Frame 1 draws index 3 (transparent) over the left column.
    const std::vector<uint8_t> keep =
        Gif(2, 2, 4).Control(0x01, 0, 3).Image(0, 0, 2, 2, {1, 1, 1, 1}).Control(0x01, 0, 3).Image(0, 0, 2, 2, {3, 2, 3, 2}).Done();
    // Transparent 0, restore to background after frame 0.
    const std::vector<uint8_t> dispose =
        Gif(3, 1, 4).Control(0x09, 0, 0).Image(0, 0, 3, 1, {1, 1, 1}).Control(0x01, 0, 0).Image(1, 0, 1, 1, {2}).Done();
    // 40 pixels of data for a 3 x 2 picture, then a second frame behind them.
    const std::vector<uint8_t> tooLong = Gif(3, 2, 4).Image(0, 0, 3, 2, Ramp(40, 4)).Image(0, 0, 1, 1, {3}).Done();
    test::ExpectPictures({
        {"version 87a", Gif(4, 2, 16, "87a").Image(0, 0, 4, 2, Ramp(8, 16)).Done(), FORMAT_GIF, eight + "| abcd/efgh", 4},
        {"version 89a", Gif(4, 2, 16, "89a").Image(0, 0, 4, 2, Ramp(8, 16)).Done(), FORMAT_GIF, eight + "| abcd/efgh", 4},
        {"frame 1 over frame 0", Gif(4, 4, 4).Image(0, 0, 4, 4, std::vector<uint8_t>(16, 1)).Image(1, 1, 2, 2, {2, 2, 2, 2}).Done(),
         FORMAT_GIF, "a=0A141E b=14283C | aaaa/abba/abba/aaaa", 0, 1},
        {"image outside the screen passed over",
         Gif(4, 4, 4).Image(2, 2, 4, 4, std::vector<uint8_t>(16, 1)).Image(0, 0, 4, 4, std::vector<uint8_t>(16, 3)).Done(), FORMAT_GIF,
         "a=1E3C5A | aaaa/aaaa/aaaa/aaaa"},
        {"interlaced, 8 rows", Gif(3, 8, 16).Image(0, 0, 3, 8, passes, true).Done(), FORMAT_GIF,
         "a=000000 b=285078 c=14283C d=326496 e=0A141E f=3C78B4 g=1E3C5A h=468CD2 | aaa/bbb/ccc/ddd/eee/fff/ggg/hhh"},
        // 3 rows: pass 1 has row 0, pass 2 nothing, pass 3 row 2, pass 4 row 1.
        {"interlaced, 3 rows", Gif(2, 3, 4).Image(0, 0, 2, 3, {1, 1, 2, 2, 3, 3}, true).Done(), FORMAT_GIF,
         "a=0A141E b=1E3C5A c=14283C | aa/bb/cc"},
        {"transparent pixels keep the earlier frame", keep, FORMAT_GIF, "a=0A141E b=14283C | ab/ab", 0, 1},
        {"disposed to the background", dispose, FORMAT_GIF, "a=000000 b=14283C | aba", 0, 1, 0},
        {"codes past the picture", tooLong, FORMAT_GIF, "a=000000 b=0A141E c=14283C d=1E3C5A | abc/dab"},
        {"the frame behind them", tooLong, FORMAT_GIF, "a=1E3C5A b=0A141E c=14283C d=000000 | abc/adb", 0, 1},
        {"impossible code", impossible.Done(), FORMAT_GIF, "a=0A141E b=14283C | a/b/b"},
        {"data cut short", cut, FORMAT_GIF, eight + "| abcd/efgh/aaaa/aaaa"},
    });
}

TEST(GifDecoder, FrameCounts)
{
    const std::vector<uint8_t> two = Gif(4, 4, 4).Image(0, 0, 4, 4, std::vector<uint8_t>(16, 1)).Image(1, 1, 2, 2, {2, 2, 2, 2}).Done();
    CDibImage image;
    EXPECT_FALSE(test::Decode(image, two, FORMAT_GIF, 2));
    EXPECT_EQ(image.FrameCount(), 2);
    CDibImageGIF codec;
    codec.SetFrame(2);
    ImageMemoryStream stream(const_cast<uint8_t*>(two.data()), two.size());
    EXPECT_FALSE(codec.Decode(&stream));
    EXPECT_EQ(codec.FrameCount(), 2);
    // An image outside the screen is no frame; frames behind surplus codes are.
    ASSERT_TRUE(test::Decode(image, Gif(4, 4, 4).Image(2, 2, 4, 4, std::vector<uint8_t>(16, 1)).Image(0, 0, 1, 1, {3}).Done(), FORMAT_GIF));
    EXPECT_EQ(image.FrameCount(), 1);
    ASSERT_TRUE(test::Decode(image, Gif(3, 2, 4).Image(0, 0, 3, 2, Ramp(40, 4)).Image(0, 0, 1, 1, {3}).Done(), FORMAT_GIF));
    EXPECT_EQ(image.FrameCount(), 2);
}

TEST(GifDecoder, OtherSignaturesAndCutHeadersAreRefused)
{
    std::vector<uint8_t> file = Gif(2, 2, 4).Image(0, 0, 2, 2, {1, 2, 3, 0}).Done();
    for (size_t n : {size_t(0), size_t(5), size_t(12), size_t(13 + 6)}) {
        CDibImage image;
        EXPECT_FALSE(image.DecodeBuffer(file.data(), n, FORMAT_GIF)) << n;
    }
    file[3] = '9';
    CDibImage image;
    EXPECT_FALSE(test::Decode(image, file, FORMAT_GIF));
    EXPECT_FALSE(image.IsValid());
}

TEST(GifDecoder, SmallTableWithTransparencyIsPaddedWithWhite)
{
    CDibImage image;
    ASSERT_TRUE(test::Decode(image, Gif(2, 2, 4).Control(0x01, 7, 2).Image(0, 0, 2, 2, {0, 1, 2, 3}).Done(), FORMAT_GIF));
    EXPECT_EQ(image.BitCount(), 4u);
    EXPECT_EQ(image.TransIndex(), 2);
    EXPECT_EQ(image.Info().frameDelay, 7u);
    EXPECT_EQ(image.PaletteEntry(3).rgbGreen, 60);
    for (uint32_t i = 4; i < 16; ++i) {
        const RGBQUAD e = image.PaletteEntry(i);
        EXPECT_TRUE(e.rgbRed == 255 && e.rgbGreen == 255 && e.rgbBlue == 255) << i;
    }
}

TEST(GifScreen, EscapeMinusOneGivesOnlyTheScreenSize)
{
    CDibImageGIF codec;
    codec.SetEscape(-1);
    const std::vector<uint8_t> file = Gif(123, 45, 4).Image(0, 0, 1, 1, {1}).Done();
    ImageMemoryStream stream(const_cast<uint8_t*>(file.data()), file.size());
    ASSERT_TRUE(codec.Decode(&stream));
    EXPECT_EQ(codec.Width(), 123);
    EXPECT_EQ(codec.Height(), 45);
    EXPECT_FALSE(codec.IsValid());

    CDibImage image;
    image.SetEscape(1);
    EXPECT_FALSE(DecodeGif(image, file));
}

TEST(GifScreen, FramesWithoutGlobalTableOnALargerScreenAreTrueColour)
{
    // Two frames with different local tables, the first smaller than the
    // screen both ways: the colours of both survive in a 24-bit picture.
    const std::vector<uint8_t> file =
        Gif(4, 4, 0).Image(0, 0, 2, 2, {1, 1, 1, 1}, false, 4).Image(2, 2, 2, 2, {2, 2, 2, 2}, false, 16).Done();
    CDibImage image;
    ASSERT_TRUE(test::Decode(image, file, FORMAT_GIF, 1));
    EXPECT_EQ(image.BitCount(), 24u);
    const RGBQUAD a = image.PixelColor(0, 3, false), b = image.PixelColor(3, 0, false);
    EXPECT_EQ(a.rgbRed, 195);
    EXPECT_EQ(a.rgbBlue, 1);
    EXPECT_EQ(b.rgbRed, 190);
    EXPECT_EQ(b.rgbBlue, 2);
}

TEST(GifExtensions, CommentLoopsAndABrokenApplicationBlock)
{
    Gif gif(1, 1, 2);
    gif.Raw({0x21, 0xFE, 5, 'h', 'e', 'l', 'l', 'o', 0});
    gif.Raw({0x21, 0xFF, 11, 'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0', 3, 1, 0x34, 0x12, 0});
    const std::vector<uint8_t> file = gif.Image(0, 0, 1, 1, {1}, false, 0, 2).Done();
    CDibImageGIF codec;
    ImageMemoryStream stream(const_cast<uint8_t*>(file.data()), file.size());
    ASSERT_TRUE(codec.Decode(&stream));
    EXPECT_STREQ(codec.Comment(), "hello");
    EXPECT_EQ(codec.Loops(), 0x1234);

    Gif broken(1, 1, 2);
    broken.Raw({0x21, 0xFF, 10, 'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0', 0});
    CDibImage image;
    EXPECT_FALSE(DecodeGif(image, broken.Image(0, 0, 1, 1, {1}, false, 0, 2).Done()));
}

TEST(GifStream, RepositionedJustBehindTheFrameItUsed)
{
    const std::vector<uint8_t> first = Gif(2, 2, 4).Image(0, 0, 2, 2, {1, 2, 3, 0}).bytes;
    std::vector<uint8_t> file = first;
    const std::vector<uint8_t> more = Gif(2, 2, 4).Image(0, 0, 2, 2, {3, 3, 3, 3}).Done();
    file.insert(file.end(), more.begin() + 13 + 12, more.end()); // the second image and the trailer
    CDibImageGIF codec;
    ImageMemoryStream stream(file.data(), file.size());
    ASSERT_TRUE(codec.Decode(&stream));
    EXPECT_EQ(codec.FrameCount(), 2);
    EXPECT_EQ(size_t(stream.Tell()), first.size());
}

TEST(GifDamage, CodeSizeOutOfRangeLeavesTheScreenFill)
{
    for (uint8_t size : {uint8_t(0), uint8_t(1), uint8_t(10), uint8_t(12), uint8_t(255)}) {
        Gif gif(2, 2, 4, "89a", 3);
        gif.Raw({0x2C, 0, 0, 0, 0, 2, 0, 2, 0, 0, size, 2, 0xFF, 0xFF, 0});
        CDibImage image;
        ASSERT_TRUE(DecodeGif(image, gif.Done())) << int(size);
        EXPECT_EQ(test::Picture(image), "a=1E3C5A | aa/aa") << int(size); // the screen's background index
    }
}

TEST(GifDamage, PicturesLargerThanTheirDataCostNoMemory)
{
    // A 65535 x 65535 screen over a few bytes of data: refused at once.
    Gif huge(65535, 65535, 4);
    CDibImage image;
    EXPECT_FALSE(DecodeGif(image, huge.Image(0, 0, 1, 1, {1}).Done()));
    EXPECT_STREQ(image.LastError(), "GIF screen larger than its images can fill");

    // An image of 4000 x 4000 pixels with 3 bytes of data is passed over:
    // the screen's background shows.
    Gif big(4000, 4000, 4, "89a", 2);
    big.Raw({0x2C, 0, 0, 0, 0, 0xA0, 0x0F, 0xA0, 0x0F, 0, 2, 3, 0x0C, 0x00, 0x00, 0});
    ASSERT_TRUE(DecodeGif(image, big.Done())) << image.LastError();
    EXPECT_EQ(image.Width(), 4000);
    EXPECT_EQ(Top(image, 0, 0), 2);
    EXPECT_EQ(Top(image, 3999, 3999), 2);
}

} // namespace
