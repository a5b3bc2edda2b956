#pragma once
// The GDI objects that prepared skin objects hold: fonts, key-colour regions
// and cached bitmaps. Real handles in the Win32 build (gdi/GdiHandles.cpp);
// elsewhere (NoGdiHandles.cpp) there is no GDI and they stay null.
#include "base/Win32Layouts.h"

namespace glint {

class CDibImage;

#ifdef _WIN32
using SkinFontHandle = HFONT;
using SkinRegionHandle = HRGN;
using SkinBitmapHandle = HBITMAP;
#else
using SkinFontHandle = void*;
using SkinRegionHandle = void*;
using SkinBitmapHandle = void*;
#endif

SkinFontHandle CreateSkinFont(const LOGFONTA& font);
// A region of every pixel of the image that differs from the key colour.
SkinRegionHandle CreateKeyColourRegion(const CDibImage& image, COLORREF key);
// Each deletes the handle (when there is one) and sets it to null.
void DeleteSkinFont(SkinFontHandle& font);
void DeleteSkinRegion(SkinRegionHandle& region);
void DeleteSkinBitmap(SkinBitmapHandle& bitmap);

} // namespace glint
