// The AVI clip reader on clips written by skinview's script: lengths, rates,
// refused files and one drawn frame, pixel by pixel.
#include "skin/runtime/controls/AviClip.h"

#include <gtest/gtest.h>

#include <string>

using namespace glint;

namespace {

std::string Clip(const char* name)
{
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, sizeof path);
    std::string dir(path);
    return dir.substr(0, dir.find_last_of("\\/") + 1) + "skincontrols-" + name + ".avi";
}

TEST(AviClip, TellsLengthAndRateAndDrawsTheColoursItWasWritten)
{
    CAviClip clip;
    ASSERT_TRUE(clip.Available());
    EXPECT_EQ(clip.FrameCount(), -1);
    EXPECT_FALSE(clip.DrawClipFrame(nullptr, 0));
    ASSERT_TRUE(clip.Open(Clip("colours").c_str())) << clip.Error();
    EXPECT_EQ(clip.FrameCount(), 4);
    EXPECT_EQ(clip.FrameRate(), 15u);
    ASSERT_EQ(clip.Width(), 8);
    ASSERT_EQ(clip.Height(), 4);

    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, 8, 4);
    ReleaseDC(nullptr, screen);
    HGDIOBJ old = SelectObject(dc, bitmap);
    // Frame 2: the left half blue (0x3050D0), the right half white.
    ASSERT_TRUE(clip.DrawClipFrame(dc, 2));
    for (int y : {0, 3}) {
        EXPECT_EQ(GetPixel(dc, 0, y), RGB(0x30, 0x50, 0xD0));
        EXPECT_EQ(GetPixel(dc, 3, y), RGB(0x30, 0x50, 0xD0));
        EXPECT_EQ(GetPixel(dc, 4, y), RGB(255, 255, 255));
    }
    ASSERT_TRUE(clip.DrawClipFrame(dc, 1));
    EXPECT_EQ(GetPixel(dc, 1, 1), RGB(0xE0, 0x60, 0x20));
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);

    clip.Close();
    EXPECT_EQ(clip.FrameCount(), -1);
}

TEST(AviClip, RefusesClipsItCannotPlay)
{
    struct Case {
        const char* name;
        AviClipError error;
    };
    for (const Case& c : {Case{"no-video", AVI_CLIP_NO_VIDEO}, Case{"scale-zero", AVI_CLIP_BAD_RATE},
                          Case{"slow", AVI_CLIP_BAD_RATE}, Case{"missing", AVI_CLIP_NOT_READ}}) {
        CAviClip clip;
        EXPECT_FALSE(clip.Open(Clip(c.name).c_str())) << c.name;
        EXPECT_EQ(clip.Error(), c.error) << c.name;
        EXPECT_FALSE(clip.IsOpen()) << c.name;
        EXPECT_EQ(clip.FrameCount(), -1) << c.name;
        EXPECT_FALSE(clip.DrawClipFrame(nullptr, 0)) << c.name;
    }
}

} // namespace
