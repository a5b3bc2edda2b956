// Builds without GDI: prepared objects hold no fonts, regions or bitmaps.
#include "skin/file/SkinGdiHandles.h"

namespace glint {

SkinFontHandle CreateSkinFont(const LOGFONTA&) { return nullptr; }
SkinRegionHandle CreateKeyColourRegion(const CDibImage&, COLORREF) { return nullptr; }
void DeleteSkinFont(SkinFontHandle& font) { font = nullptr; }
void DeleteSkinRegion(SkinRegionHandle& region) { region = nullptr; }
void DeleteSkinBitmap(SkinBitmapHandle& bitmap) { bitmap = nullptr; }

} // namespace glint
