#pragma once
// What the frame tests share: a 32-bit canvas, pictures for a store, the
// default skin loaded from its compiled file and the skin's pictures read
// straight from the BMP files that drew it.
#include <windows.h>

#include "../skinruntime/SkinTestSupport.h"
#include "base/File.h"
#include "skin/file/SkinDefinitions.h"
#include "skin/file/SkinObjects.h"
#include "skin/file/SkinStore.h"
#include "skin/file/SkinStream.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace glint::test {

struct ReferencePart {
    RECT source;
    int32_t mode;
};

inline COLORREF FromRGB(uint32_t rgb) { return RGB((rgb >> 16) & 255, (rgb >> 8) & 255, rgb & 255); }

constexpr COLORREF kKey = RGB(255, 0, 255);

// The header of a 32-bit picture whose rows run top first.
inline BITMAPINFO TopDown32(int width, int height)
{
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    return info;
}

// A top-down 32-bit DIB section in a memory DC.
class Canvas {
public:
    Canvas(int width, int height, COLORREF fill = RGB(1, 2, 3)) : width_(width), height_(height)
    {
        dc_ = CreateCompatibleDC(nullptr);
        BITMAPINFO info = TopDown32(width, height);
        bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits_), nullptr, 0);
        old_ = SelectObject(dc_, bitmap_);
        Fill(fill);
    }
    ~Canvas()
    {
        SelectObject(dc_, old_);
        DeleteObject(bitmap_);
        DeleteDC(dc_);
    }
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    void Fill(COLORREF c)
    {
        RECT all = {0, 0, width_, height_};
        HBRUSH brush = CreateSolidBrush(c);
        FillRect(dc_, &all, brush);
        DeleteObject(brush);
    }
    COLORREF At(int x, int y) const
    {
        GdiFlush();
        const uint32_t p = bits_[size_t(y) * size_t(width_) + size_t(x)];
        return RGB((p >> 16) & 255, (p >> 8) & 255, p & 255);
    }
    // Pixels that differ from expected(x, y).
    int Mismatches(const std::function<COLORREF(int, int)>& expected) const
    {
        int n = 0;
        for (int y = 0; y < height_; ++y)
            for (int x = 0; x < width_; ++x)
                n += At(x, y) != expected(x, y);
        return n;
    }
    int Count(COLORREF c) const { return width_ * height_ - Mismatches([c](int, int) { return c; }); }
    HDC Dc() const { return dc_; }

private:
    int width_, height_;
    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ old_ = nullptr;
    uint32_t* bits_ = nullptr;
};

// A BMP file's pixels, read by the system's own loader.
class Picture {
public:
    explicit Picture(const std::string& path)
    {
        HBITMAP bitmap = static_cast<HBITMAP>(
            LoadImageA(nullptr, path.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_CREATEDIBSECTION));
        BITMAP bm = {};
        if (!bitmap || !GetObjectA(bitmap, sizeof bm, &bm))
            return;
        width_ = bm.bmWidth;
        height_ = bm.bmHeight;
        BITMAPINFO info = TopDown32(width_, height_);
        pixels_.resize(size_t(width_) * size_t(height_));
        HDC screen = GetDC(nullptr);
        GetDIBits(screen, bitmap, 0, UINT(height_), pixels_.data(), &info, DIB_RGB_COLORS);
        ReleaseDC(nullptr, screen);
        DeleteObject(bitmap);
    }
    bool Loaded() const { return !pixels_.empty(); }
    COLORREF At(int x, int y) const
    {
        const uint32_t p = pixels_[size_t(y) * size_t(width_) + size_t(x)];
        return RGB((p >> 16) & 255, (p >> 8) & 255, p & 255);
    }

private:
    int width_ = 0, height_ = 0;
    std::vector<uint32_t> pixels_;
};

// A 24-bit picture for a store, colour(x, y) counted from the top row.
inline std::unique_ptr<CSkinImage> SkinPicture(const char* name, int width, int height,
                                               const std::function<COLORREF(int, int)>& colour)
{
    auto image = std::make_unique<CSkinImage>();
    image->SetName(name);
    image->image.Create(width, height, 24, FORMAT_BMP);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image->image.SetPixelColor(x, height - 1 - y, colour(x, y));
    return image;
}

// The information block that asks (or not) for the key colour as the transparent one.
inline void AddKeyInfo(CSkinStore& store, bool useKey)
{
    auto info = std::make_unique<CSkinInfo>();
    info->SetName("Application");
    info->keyColour = kKey;
    info->useTransparentColour = useKey;
    store.AddDefinition(std::move(info));
}

inline bool LoadDefaultSkin(CSkinStore& store)
{
    std::string bytes;
    if (!ReadWholeFile(GLINT_DEFAULT_SKIN, bytes))
        return false;
    CSkinStream container(bytes.data(), uint32_t(bytes.size()), SKIN_STREAM_GROW_STEP);
    return store.Load(container);
}

inline std::string ArtFile(const char* name) { return std::string(GLINT_DEFAULT_SKIN_ART) + "/" + name; }

using skintest::Pump;

// How many pixels of two canvases of one size differ.
inline int Differences(const Canvas& a, const Canvas& b)
{
    return a.Mismatches([&b](int x, int y) { return b.At(x, y); });
}

} // namespace glint::test
