#include "skin/file/gdi/SkinDraw.h"

#include "image/DibImage.h"
#include "image/gdi/GdiGuards.h"
#include "skin/file/SkinStore.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>

namespace glint {

namespace {

bool IsEmpty(const RECT& r) { return r.right <= r.left || r.bottom <= r.top; }

void Fill(HDC dc, const RECT& r, COLORREF colour)
{
    gdi::GdiObject<HBRUSH> brush(CreateSolidBrush(colour));
    FillRect(dc, &r, brush.Get());
}

// Keeps the caller's stretch mode and the like: the painting sets its own.
class SavedDC {
public:
    explicit SavedDC(HDC dc) : dc_(dc), saved_(SaveDC(dc)) {}
    ~SavedDC()
    {
        if (saved_)
            RestoreDC(dc_, saved_);
    }
    SavedDC(const SavedDC&) = delete;
    SavedDC& operator=(const SavedDC&) = delete;

private:
    HDC dc_;
    int saved_;
};

} // namespace

void DrawImageRef(HDC dc, CSkinStore& store, const SkinImageRef& slice, const RECT& d, const COLORREF* fallback)
{
    if (IsEmpty(d))
        return;
    CDibImage* image = slice.IsEmpty() ? nullptr : store.FindImage({slice.image, strnlen(slice.image, sizeof slice.image)});
    const SliceSection section = SectionFor(slice, d);
    CDibImage cut;
    if (!image || IsEmpty(section.source) ||
        !image->CropTo(section.source.left, section.source.top, section.source.right, section.source.bottom, &cut)) {
        if (fallback)
            Fill(dc, d, *fallback);
        return;
    }
    SavedDC saved(dc);
    const RECT& to = section.destination;
    switch (slice.mode) {
    case SKIN_DRAW_PLACE: cut.Paint(dc, to.left, to.top, to.right - to.left, to.bottom - to.top); break;
    case SKIN_DRAW_TILE: cut.PaintTiled(dc, &to); break;
    default: cut.PaintScaledPlain(dc, to.left, to.top, to.right - to.left, to.bottom - to.top); break;
    }
}

void DrawGridRef(HDC dc, CSkinStore& store, const SkinGridRef& grid, const RECT& d, const COLORREF* fallback)
{
    const std::array<GridPart, 9> parts = SplitGrid(grid, d);
    for (int i = 0; i < 9; ++i) {
        if (i == 4 && grid.mode == 8) {
            for (const GridPart& cell : RepeatedCentre(parts[4]))
                DrawImageRef(dc, store, cell.slice, cell.destination, fallback);
            continue;
        }
        DrawImageRef(dc, store, parts[size_t(i)].slice, parts[size_t(i)].destination, fallback);
    }
}

int DrawSkinText(HDC dc, const char* text, int length, RECT* rect, UINT format)
{
    if (!text)
        return 0;
    if (length < 0)
        length = int(std::strlen(text));
    std::wstring wide;
    if (length > 0) {
        wide.resize(size_t(length)); // a byte makes at most one UTF-16 unit in any ANSI code page
        wide.resize(size_t(std::max(0, MultiByteToWideChar(CP_ACP, 0, text, length, wide.data(), length))));
    }
    return DrawTextW(dc, wide.c_str(), int(wide.size()), rect, format);
}

void DrawTextEffect(HDC dc, const SkinTextEffect& effect, const char* text, int length, const RECT& rect, UINT format)
{
    SavedDC saved(dc);
    SetBkMode(dc, TRANSPARENT);
    if (effect.DrawsCopy()) {
        RECT moved = rect;
        OffsetRect(&moved, effect.offsetX, effect.offsetY);
        SetTextColor(dc, effect.EffectColour());
        DrawSkinText(dc, text, length, &moved, format);
    }
    SetTextColor(dc, effect.TextColour());
    RECT box = rect;
    DrawSkinText(dc, text, length, &box, format);
}

} // namespace glint
