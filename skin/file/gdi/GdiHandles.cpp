// Win32: the fonts, key-colour regions and bitmaps of prepared skin objects.
#include "skin/file/SkinGdiHandles.h"

#include "skin/file/SkinRecords.h"

#include <cstring>
#include <vector>

namespace glint {

SkinFontHandle CreateSkinFont(const LOGFONTA& font)
{
    // Skins name the ANSI character set, with which GDI reads a text's bytes
    // in code page 1252 whatever the system's is (Korean came out as Latin
    // letters): the system's own code page is what the texts are in.
    LOGFONTA f = font;
    if (f.lfCharSet == ANSI_CHARSET)
        f.lfCharSet = DEFAULT_CHARSET;
    return CreateFontIndirectA(&f);
}

SkinRegionHandle CreateKeyColourRegion(const CDibImage& image, COLORREF key)
{
    const std::vector<RECT> runs = KeyColourRuns(image, key);
    std::vector<uint8_t> data(sizeof(RGNDATAHEADER) + runs.size() * sizeof(RECT));
    auto* header = reinterpret_cast<RGNDATAHEADER*>(data.data());
    header->dwSize = sizeof(RGNDATAHEADER);
    header->iType = RDH_RECTANGLES;
    header->nCount = DWORD(runs.size());
    header->nRgnSize = DWORD(runs.size() * sizeof(RECT));
    RECT bounds = runs.empty() ? RECT{0, 0, 0, 0} : runs.front();
    for (const RECT& r : runs) {
        bounds.left = r.left < bounds.left ? r.left : bounds.left;
        bounds.right = r.right > bounds.right ? r.right : bounds.right;
        bounds.bottom = r.bottom; // runs come top row first
    }
    header->rcBound = bounds;
    if (!runs.empty())
        std::memcpy(data.data() + sizeof(RGNDATAHEADER), runs.data(), runs.size() * sizeof(RECT));
    return ExtCreateRegion(nullptr, DWORD(data.size()), reinterpret_cast<const RGNDATA*>(data.data()));
}

void DeleteSkinFont(SkinFontHandle& font)
{
    if (font)
        DeleteObject(font);
    font = nullptr;
}

void DeleteSkinRegion(SkinRegionHandle& region)
{
    if (region)
        DeleteObject(region);
    region = nullptr;
}

void DeleteSkinBitmap(SkinBitmapHandle& bitmap)
{
    if (bitmap)
        DeleteObject(bitmap);
    bitmap = nullptr;
}

} // namespace glint
