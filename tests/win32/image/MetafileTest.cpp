// Metafiles recorded with GDI and decoded back: placeable WMF sized from its
// box and units per inch (or a width asked for), enhanced metafiles sized from
// their bounds and limited to 4000 pixels, what the picture shows, and damage.
#include "image/DibImage.h"
#include "image/ImageStream.h"
#include "image/gdi/DibImageWMF.h"
#include "tests/unit/image/ByteFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

using namespace glint;

namespace {

using Bytes = std::vector<uint8_t>;

int ScreenPpi(int index)
{
    HDC screen = GetDC(nullptr);
    const int ppi = GetDeviceCaps(screen, index);
    ReleaseDC(nullptr, screen);
    return ppi;
}

COLORREF ColourAt(const CDibImage& image, int32_t x, int32_t y)
{
    const RGBQUAD c = image.PixelColor(x, y, false);
    return RGB(c.rgbRed, c.rgbGreen, c.rgbBlue);
}

// A Windows metafile whose logical window is w x h units: the left half red,
// nothing drawn on the right half.
Bytes RecordWmf(int w, int h)
{
    HDC dc = CreateMetaFileA(nullptr);
    SetMapMode(dc, MM_ANISOTROPIC);
    SetWindowOrgEx(dc, 0, 0, nullptr);
    SetWindowExtEx(dc, w, h, nullptr);
    HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
    RECT left = {0, 0, w / 2, h};
    FillRect(dc, &left, red);
    HMETAFILE mf = CloseMetaFile(dc);
    DeleteObject(red);
    Bytes bits(GetMetaFileBitsEx(mf, 0, nullptr));
    GetMetaFileBitsEx(mf, UINT(bits.size()), bits.data());
    DeleteMetaFile(mf);
    return bits;
}

// The 22-byte placeable header before a metafile.
Bytes Placeable(const Bytes& wmf, int16_t right, int16_t bottom, uint16_t unitsPerInch, bool goodChecksum = true)
{
    uint16_t words[11] = {0xCDD7, 0x9AC6, 0, 0, 0, uint16_t(right), uint16_t(bottom), unitsPerInch, 0, 0, 0};
    for (int i = 0; i < 10; ++i)
        words[10] ^= words[i];
    if (!goodChecksum)
        words[10] ^= 1;
    Bytes file(22 + wmf.size());
    std::memcpy(file.data(), words, 22);
    std::copy(wmf.begin(), wmf.end(), file.begin() + 22);
    return file;
}

// An enhanced metafile with a filled rectangle over (0, 0)..(w, h) device units.
Bytes RecordEmf(int w, int h)
{
    HDC dc = CreateEnhMetaFileA(nullptr, nullptr, nullptr, nullptr);
    HBRUSH blue = CreateSolidBrush(RGB(0, 0, 255));
    HGDIOBJ old = SelectObject(dc, blue);
    HGDIOBJ pen = SelectObject(dc, GetStockObject(NULL_PEN));
    Rectangle(dc, 0, 0, w + 1, h + 1);
    SelectObject(dc, pen);
    SelectObject(dc, old);
    HENHMETAFILE emf = CloseEnhMetaFile(dc);
    DeleteObject(blue);
    Bytes bits(GetEnhMetaFileBits(emf, 0, nullptr));
    GetEnhMetaFileBits(emf, UINT(bits.size()), bits.data());
    DeleteEnhMetaFile(emf);
    return bits;
}

TEST(Metafile, PlaceableSizeFollowsUnitsPerInch)
{
    const int ppiX = ScreenPpi(LOGPIXELSX), ppiY = ScreenPpi(LOGPIXELSY);
    const Bytes file = Placeable(RecordWmf(1440, 720), 1440, 720, 1440);
    CDibImage image;
    ASSERT_TRUE(image.DecodeBuffer(file.data(), file.size(), FORMAT_UNKNOWN)) << image.LastError();
    EXPECT_EQ(image.Type(), FORMAT_WMF);
    EXPECT_EQ(image.Width(), 1440 * ppiX / 1440);
    EXPECT_EQ(image.Height(), 720 * ppiY / 1440);
    // The left half is the recorded red; the right half the window colour.
    EXPECT_EQ(ColourAt(image, image.Width() / 4, image.Height() / 2), RGB(255, 0, 0));
    EXPECT_EQ(ColourAt(image, image.Width() * 3 / 4, image.Height() / 2), GetSysColor(COLOR_WINDOW));

    // 720 units per inch: the same box is twice the size.
    const Bytes twice = Placeable(RecordWmf(1440, 720), 1440, 720, 720);
    ASSERT_TRUE(image.DecodeBuffer(twice.data(), twice.size(), FORMAT_WMF)) << image.LastError();
    EXPECT_EQ(image.Width(), 1440 * ppiX / 720);

    // A width asked for; the height keeps its own size.
    Bytes copy = file;
    ImageMemoryStream stream(copy.data(), copy.size());
    CDibImageWMF codec;
    ASSERT_TRUE(codec.DecodeSized(&stream, 30, 0));
    EXPECT_EQ(codec.Width(), 30);
    EXPECT_EQ(codec.Height(), 720 * ppiY / 1440);
}

TEST(Metafile, DamagedFilesAreRefused)
{
    const Bytes wmf = RecordWmf(100, 100);
    // A placeable header whose metafile claims more words than the file has.
    Bytes cut = Placeable(wmf, 100, 100, 1440);
    cut.resize(22 + 18 + 4);
    test::ExpectRefused({
        {"2541 units per inch", Placeable(wmf, 100, 100, 2541), FORMAT_WMF, "corrupted WMF"},
        {"0 units per inch", Placeable(wmf, 100, 100, 0), FORMAT_WMF, "corrupted WMF"},
        {"bad checksum", Placeable(wmf, 100, 100, 1440, false), FORMAT_WMF, "corrupted WMF"},
        {"empty box", Placeable(wmf, 0, 100, 1440), FORMAT_WMF, "empty WMF"},
        {"neither kind", Bytes(200, 0x42), FORMAT_WMF, "corrupted WMF"},
        {"cut short", cut, FORMAT_WMF, "corrupted WMF"},
    });
    // 2540 is the largest accepted.
    const Bytes edge = Placeable(wmf, 2540, 2540, 2540);
    CDibImage image;
    ASSERT_TRUE(image.DecodeBuffer(edge.data(), edge.size(), FORMAT_WMF)) << image.LastError();
    EXPECT_EQ(image.Width(), ScreenPpi(LOGPIXELSX));
}

TEST(Metafile, EnhancedSizeComesFromItsBoundsAndIsLimited)
{
    const Bytes small = RecordEmf(300, 200);
    CDibImage image;
    ASSERT_TRUE(image.DecodeBuffer(small.data(), small.size(), FORMAT_UNKNOWN)) << image.LastError();
    EXPECT_EQ(image.Type(), FORMAT_WMF);
    EXPECT_EQ(image.Width(), 300);
    EXPECT_EQ(image.Height(), 200);

    const Bytes wide = RecordEmf(8000, 1000);
    ASSERT_TRUE(image.DecodeBuffer(wide.data(), wide.size(), FORMAT_WMF)) << image.LastError();
    EXPECT_EQ(image.Width(), 4000);
    EXPECT_EQ(image.Height(), 500);
    EXPECT_EQ(ColourAt(image, 2000, 250), RGB(0, 0, 255));

    const Bytes tall = RecordEmf(1000, 8000);
    ASSERT_TRUE(image.DecodeBuffer(tall.data(), tall.size(), FORMAT_WMF)) << image.LastError();
    EXPECT_EQ(image.Width(), 500);
    EXPECT_EQ(image.Height(), 4000);
}

} // namespace
