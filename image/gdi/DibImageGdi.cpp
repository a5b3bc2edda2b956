// CDibImage on a Windows device context: conversion to a GDI bitmap, painting
// (opaque, colour key, alpha), stretching, tiling, and reading a GDI bitmap.
#include "image/DibImage.h"
#include "image/PaintCompose.h"
#include "image/gdi/GdiGuards.h"

#include <algorithm>
#include <cstring>
#include <optional>

namespace glint {

using gdi::GdiObject;
using gdi::MemoryDC;
using gdi::SavedClip;
using gdi::ScreenDC;
using gdi::Selection;

namespace {

const BITMAPINFO* AsBitmapInfo(const uint8_t* dib) { return reinterpret_cast<const BITMAPINFO*>(dib); }

// The header of a 24-bit bottom-up picture, as the paint box uses it.
BITMAPINFO Rgb24Info(int width, int height)
{
    BITMAPINFO bmi;
    std::memset(&bmi, 0, sizeof bmi);
    bmi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bmi.bmiHeader.biWidth = width;
    bmi.bmiHeader.biHeight = height;
    bmi.bmiHeader.biPlanes = 1;
    bmi.bmiHeader.biBitCount = 24;
    return bmi;
}

// A 24-bit bottom-up DIB section for the paint box.
HBITMAP CreateScratchSection(HDC dc, int width, int height, uint8_t** bits)
{
    BITMAPINFO bmi = Rgb24Info(width, height);
    void* p = nullptr;
    HBITMAP section = CreateDIBSection(dc, &bmi, DIB_RGB_COLORS, &p, nullptr, 0);
    *bits = static_cast<uint8_t*>(p);
    return section;
}

} // namespace

HBITMAP CDibImage::ToGdiBitmap(HDC dc) const
{
    if (!dib_)
        return nullptr;
    if (dc)
        return CreateDIBitmap(dc, reinterpret_cast<const BITMAPINFOHEADER*>(dib_), CBM_INIT, info_.bits,
                              AsBitmapInfo(dib_), DIB_RGB_COLORS);
    ScreenDC screen;
    MemoryDC memory(screen.Get());
    if (!memory)
        return nullptr;
    void* sectionBits = nullptr;
    HBITMAP section = CreateDIBSection(memory.Get(), AsBitmapInfo(dib_), DIB_RGB_COLORS, &sectionBits, nullptr, 0);
    if (section && sectionBits)
        std::memcpy(sectionBits, info_.bits, head_.biSizeImage);
    return section;
}

int CDibImage::Paint(HDC dc, int x, int y, int cx, int cy, const RECT* clip)
{
    if (!dib_ || !dc || cx == 0 || cy == 0 || !info_.enabled)
        return 0;
    if (cx < 0)
        cx = Width();
    if (cy < 0)
        cy = Height();
    const bool transparent = info_.transIndex != -1;
    const bool alpha = alpha_ != nullptr;

    // The caller's clip rectangle narrows the device's clipping for this
    // call only; the exact previous region comes back at the end.
    std::optional<SavedClip> savedClip;
    if (clip) {
        savedClip.emplace(dc);
        IntersectClipRect(dc, clip->left, clip->top, clip->right, clip->bottom);
    }

    RECT box;
    if (GetClipBox(dc, &box) == ERROR)
        return 1;
    const LONG left = std::min(box.right, std::max(box.left, LONG(x)));
    const LONG right = std::max(box.left, std::min(box.right, LONG(x) + cx));
    const LONG top = std::min(box.bottom, std::max(box.top, LONG(y)));
    const LONG bottom = std::max(box.top, std::min(box.bottom, LONG(y) + cy));
    const int paintWidth = int(right - left), paintHeight = int(bottom - top);

    const bool opaque = !transparent && !alpha && !info_.alphaPaletteEnabled;
    if (opaque && cx == Width() && cy == Height()) {
        // 1:1: straight from the picture, GDI does the clipping.
        SetStretchBltMode(dc, COLORONCOLOR);
        SetDIBitsToDevice(dc, x, y, DWORD(Width()), DWORD(Height()), 0, 0, 0, UINT(Height()), info_.bits,
                          AsBitmapInfo(dib_), DIB_RGB_COLORS);
        return 1;
    }
    if (paintWidth <= 0 || paintHeight <= 0)
        return 1; // nothing of it is visible

    MemoryDC memory(dc);
    uint8_t* sectionBits = nullptr;
    GdiObject<HBITMAP> section(memory ? CreateScratchSection(memory.Get(), paintWidth, paintHeight, &sectionBits)
                                      : nullptr);
    if (!section || !sectionBits)
        return 1; // the guards release what was made
    Selection selected(memory.Get(), section.Get());
    if (!opaque) // the device's pixels are the background of the blend
        BitBlt(memory.Get(), 0, 0, paintWidth, paintHeight, dc, left, top, SRCCOPY);
    GdiFlush(); // the section's bits are read and written directly below

    const size_t stride = (size_t(paintWidth) * 3 + 3) & ~size_t(3);
    ComposePicture(*this, x, y, cx, cy, PaintBlock{sectionBits, stride, left, top, paintWidth, paintHeight}, !opaque);

    BITMAPINFO bmi = Rgb24Info(paintWidth, paintHeight);
    SetDIBitsToDevice(dc, left, top, DWORD(paintWidth), DWORD(paintHeight), 0, 0, 0, UINT(paintHeight), sectionBits,
                      &bmi, DIB_RGB_COLORS);
    return 1;
}

int CDibImage::PaintScaledPlain(HDC dc, int x, int y, int cx, int cy)
{
    if (!dib_ || !dc)
        return 0;
    SetStretchBltMode(dc, COLORONCOLOR);
    StretchDIBits(dc, x, y, cx, cy, 0, 0, Width(), Height(), info_.bits, AsBitmapInfo(dib_), DIB_RGB_COLORS,
                  SRCCOPY);
    return 1;
}

int CDibImage::PaintScaled(HDC dc, int x, int y, int cx, int cy)
{
    if (!dib_ || !dc || cx == 0 || cy == 0 || !info_.enabled)
        return 0;
    if (cx < 0)
        cx = Width();
    if (cy < 0)
        cy = Height();
    if (info_.transIndex == -1)
        return PaintScaledPlain(dc, x, y, cx, cy);

    RECT target = {x, y, x + cx, y + cy};
    if (!RectVisible(dc, &target))
        return 1;

    const int w = Width(), h = Height();
    // The picture at its own size in a bitmap like the device's, and a
    // monochrome mask that is white where the picture shows the key colour.
    MemoryDC colorDC(dc);
    MemoryDC maskDC(dc);
    GdiObject<HBITMAP> colorBitmap(CreateCompatibleBitmap(dc, w, h));
    GdiObject<HBITMAP> maskBitmap(CreateBitmap(w, h, 1, 1, nullptr));
    if (!colorDC || !maskDC || !colorBitmap || !maskBitmap)
        return 1;
    Selection colorSelected(colorDC.Get(), colorBitmap.Get());
    Selection maskSelected(maskDC.Get(), maskBitmap.Get());
    SetStretchBltMode(colorDC.Get(), COLORONCOLOR);
    SetDIBitsToDevice(colorDC.Get(), 0, 0, DWORD(w), DWORD(h), 0, 0, 0, UINT(h), info_.bits, AsBitmapInfo(dib_),
                      DIB_RGB_COLORS);
    const RGBQUAD key = TransparentColor();
    SetBkColor(colorDC.Get(), RGB(key.rgbRed, key.rgbGreen, key.rgbBlue));
    BitBlt(maskDC.Get(), 0, 0, w, h, colorDC.Get(), 0, 0, SRCCOPY);

    // picture XOR, mask AND, picture XOR: the key shows the device, the rest
    // the picture. The mask's white and black must reach the device as all
    // ones and all zeros, so the device's colours are set for it and put back.
    SetStretchBltMode(dc, COLORONCOLOR);
    const COLORREF oldBk = SetBkColor(dc, RGB(255, 255, 255));
    const COLORREF oldText = SetTextColor(dc, RGB(0, 0, 0));
    StretchBlt(dc, x, y, cx, cy, colorDC.Get(), 0, 0, w, h, SRCINVERT);
    StretchBlt(dc, x, y, cx, cy, maskDC.Get(), 0, 0, w, h, SRCAND);
    StretchBlt(dc, x, y, cx, cy, colorDC.Get(), 0, 0, w, h, SRCINVERT);
    SetBkColor(dc, oldBk);
    SetTextColor(dc, oldText);
    return 1;
}

int CDibImage::PaintTiled(HDC dc, const RECT* rect)
{
    if (!dib_ || !dc || !rect)
        return 0;
    const int w = Width(), h = Height();
    for (LONG top = rect->top; top < rect->bottom; top += h) {
        const LONG bottom = std::min(rect->bottom, top + h);
        for (LONG left = rect->left; left < rect->right; left += w) {
            RECT tile = {left, top, std::min(rect->right, left + w), bottom};
            Paint(dc, left, top, -1, -1, &tile);
        }
    }
    return 1;
}

void CDibImage::CreateFromGdiBitmap(HBITMAP bitmap, HPALETTE palette)
{
    if (!Destroy() || !bitmap)
        return;
    BITMAP bm;
    if (GetObject(bitmap, sizeof bm, &bm) == 0) {
        SetLastError("GetDIBits failed");
        return;
    }
    if (!Create(bm.bmWidth, bm.bmHeight, bm.bmBitsPixel, FORMAT_UNKNOWN))
        return;
    ScreenDC screen;
    HPALETTE previous = nullptr;
    if (palette) {
        previous = SelectPalette(screen.Get(), palette, FALSE);
        RealizePalette(screen.Get());
    }
    if (GetDIBits(screen.Get(), bitmap, 0, UINT(bm.bmHeight), info_.bits, reinterpret_cast<BITMAPINFO*>(dib_),
                  DIB_RGB_COLORS) == 0)
        SetLastError("GetDIBits failed");
    if (previous)
        SelectPalette(screen.Get(), previous, FALSE);
    // GetDIBits may rewrite the header fields it was given; ours stay the truth.
    std::memcpy(dib_, &head_, sizeof head_);
}

} // namespace glint
