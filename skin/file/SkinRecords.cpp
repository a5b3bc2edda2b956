#include "skin/file/SkinRecords.h"

#include "base/SysColors.h"
#include "skin/layout/RegionRuns.h"
#include "image/DibImage.h"

#include <algorithm>
#include <cstring>

namespace glint {

static bool IsEmptyRect(const RECT& r) { return r.right <= r.left || r.bottom <= r.top; }

bool SkinImageRef::IsEmpty() const { return image[0] == 0 || IsEmptyRect(source); }
bool SkinGridRef::IsEmpty() const { return image[0] == 0 || IsEmptyRect(source); }

void SkinTextEffect::SetTextColour(COLORREF c)
{
    red = GetRValue(c);
    green = GetGValue(c);
    blue = GetBValue(c);
}

void SkinTextEffect::SetEffectColour(COLORREF c)
{
    effectRed = GetRValue(c);
    effectGreen = GetGValue(c);
    effectBlue = GetBValue(c);
}

SkinTextEffect DefaultTextEffect()
{
    SkinTextEffect e{};
    e.SetTextColour(SysColor(COLOR_BTNTEXT));
    e.colourFlag = 255;
    e.SetEffectColour(SysColor(COLOR_BTNSHADOW));
    e.flags = SKIN_EFFECT_DEFAULT_FLAGS;
    return e;
}

SkinFont DefaultSkinFont(const char* face)
{
    SkinFont f{};
    f.logFont.lfHeight = -12;
    f.logFont.lfWeight = 400;
    f.logFont.lfOutPrecision = 3;
    f.logFont.lfClipPrecision = 2;
    f.logFont.lfQuality = 1;
    std::strncpy(f.logFont.lfFaceName, face, sizeof f.logFont.lfFaceName - 1);
    return f;
}

SliceSection SectionFor(const SkinImageRef& slice, const RECT& d)
{
    if (slice.mode != SKIN_DRAW_PLACE)
        return {slice.source, d};
    const int32_t w = std::min<int32_t>(slice.Width(), d.right - d.left);
    const int32_t h = std::min<int32_t>(slice.Height(), d.bottom - d.top);
    const RECT s = slice.source; // a copy: records are packed, a reference could be misaligned
    return {{s.left, s.top, s.left + w, s.top + h}, {d.left, d.top, d.left + w, d.top + h}};
}

std::array<GridPart, 9> SplitGrid(const SkinGridRef& grid, const RECT& d)
{
    const RECT s = grid.source;
    const RECT m = grid.margins;
    const int32_t sx[4] = {s.left, s.left + m.left, s.right - m.right, s.right};
    const int32_t sy[4] = {s.top, s.top + m.top, s.bottom - m.bottom, s.bottom};
    const int32_t dx[4] = {d.left, d.left + m.left, d.right - m.right, d.right};
    const int32_t dy[4] = {d.top, d.top + m.top, d.bottom - m.bottom, d.bottom};

    std::array<GridPart, 9> parts{};
    for (int row = 0; row < 3; ++row) {
        for (int col = 0; col < 3; ++col) {
            GridPart& p = parts[row * 3 + col];
            std::memcpy(p.slice.image, grid.image, sizeof p.slice.image);
            p.slice.source = {sx[col], sy[row], sx[col + 1], sy[row + 1]};
            p.slice.mode = grid.mode == 1 ? SKIN_DRAW_STRETCH : SKIN_DRAW_TILE;
            p.destination = {dx[col], dy[row], dx[col + 1], dy[row + 1]};
        }
    }
    auto stretch = [&](int part) { parts[part].slice.mode = SKIN_DRAW_STRETCH; };
    switch (grid.mode) {
    case 2: stretch(7); break;
    case 3: stretch(4); break;
    case 4: stretch(3); break;
    case 6: stretch(5); break;
    case 7: stretch(1); break;
    case 5:
    case 8:
        for (int part : {1, 3, 5, 7})
            stretch(part);
        break;
    default: break;
    }
    if (grid.mode == 8)
        stretch(4);
    return parts;
}

std::vector<GridPart> RepeatedCentre(const GridPart& centre)
{
    std::vector<GridPart> cells;
    const int32_t step = centre.slice.Width();
    const RECT& c = centre.destination;
    if (step <= 0)
        return cells;
    for (int32_t x = c.left; x < c.right; x += step) {
        GridPart cell = centre;
        cell.slice.mode = SKIN_DRAW_STRETCH;
        cell.destination.left = x;
        if (x + step <= c.right) {
            cell.destination.right = x + step;
        } else {
            // The last block is clipped rather than squeezed, so that every
            // block keeps the width it was drawn with.
            cell.destination.right = c.right;
            cell.slice.source.right = cell.slice.source.left + (c.right - x);
        }
        cells.push_back(cell);
    }
    return cells;
}

std::vector<RECT> KeyColourRuns(const CDibImage& image, COLORREF key)
{
    if (!image.IsValid())
        return {};
    const int32_t w = image.Width(), h = image.Height();
    std::vector<uint32_t> pixels(size_t(w) * size_t(h));
    for (int32_t top = 0; top < h; ++top) {
        const int32_t y = h - 1 - top; // pixel rows count from the bottom
        for (int32_t x = 0; x < w; ++x) {
            const RGBQUAD p = image.PixelColor(x, y, false);
            pixels[size_t(top) * size_t(w) + size_t(x)] = RGB(p.rgbRed, p.rgbGreen, p.rgbBlue);
        }
    }
    return KeyRuns({pixels.data(), w, h, size_t(w)}, key & 0xFFFFFF);
}

} // namespace glint
