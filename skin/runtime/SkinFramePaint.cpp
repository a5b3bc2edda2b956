#include "skin/runtime/SkinFramePaint.h"

#include "image/gdi/GdiGuards.h"
#include "skin/file/SkinGdiHandles.h"
#include "skin/file/SkinDefinitions.h"
#include "skin/file/SkinStore.h"
#include "skin/file/SkinTypes.h"
#include "skin/file/gdi/SkinDraw.h"
#include "skin/runtime/SkinElements.h"
#include "skin/runtime/SkinRegion.h"

#include <cstring>

namespace glint {

namespace {

constexpr int kCaptionLength = 300;

SIZE SizeOf(const RECT& r) { return {r.right - r.left, r.bottom - r.top}; }

// The slice a part is drawn from: inactive parts without an image of their own borrow the active one.
const SkinImageRef& PartSlice(const CFrameBase& d, int part, bool active)
{
    const SkinImageRef& inactive = d.slices[size_t(PART_COUNT + part)];
    return active || inactive.IsEmpty() ? d.slices[size_t(part)] : inactive;
}

int CombineModeOf(uint32_t mode)
{
    switch (mode) {
    case 0: return RGN_AND;
    case 1: return RGN_DIFF;
    case 3: return RGN_XOR;
    default: return RGN_OR;
    }
}

} // namespace

FrameRects FramePartRects(const CFrameBase* definition)
{
    FrameRects rects = {};
    if (definition)
        for (size_t i = 0; i < rects.size(); ++i)
            rects[i] = definition->partRects[i];
    return rects;
}

const CFrameDefinition* AsFrameDefinition(const CSkinNode* definition)
{
    return definition && definition->TypeCode() == SKIN_FRAME ? dynamic_cast<const CFrameDefinition*>(definition)
                                                              : nullptr;
}

bool FrameIsUsable(const CFrameBase* definition)
{
    if (!definition)
        return false;
    const FrameRects rects = FramePartRects(definition);
    for (const RECT& r : rects)
        if (r.right < r.left || r.bottom < r.top || r.left < 0 || r.top < 0)
            return false;
    const SIZE size = FrameReferenceSize(rects);
    const RECT& client = rects[PART_CLIENT];
    return size.cx > 0 && size.cy > 0 && client.right <= size.cx && client.bottom <= size.cy;
}

void DrawFrameParts(HDC dc, CSkinStore& store, const CFrameBase* d, const FrameRects& parts, bool active,
                    bool minimised)
{
    if (!d)
        return;
    const COLORREF fallback = active ? d->activeColour : d->inactiveColour;
    auto draw = [&](int part) { DrawImageRef(dc, store, PartSlice(*d, part, active), parts[size_t(part)], &fallback); };
    if (!minimised) {
        draw(PART_LEFT);
        draw(PART_RIGHT);
    }
    for (int part : {PART_TOP_LEFT, PART_TOP, PART_TOP_RIGHT, PART_BOTTOM_LEFT, PART_BOTTOM, PART_BOTTOM_RIGHT})
        draw(part);
}

void DrawFrameCaption(HDC dc, const CFrameDefinition* d, const FrameRects& parts, const char* text,
                      uint32_t styleAtAttach, bool captionTextFlag)
{
    if (!d || !text || !captionTextFlag || !HasWholeCaption(styleAtAttach))
        return;
    gdi::GdiObject<HFONT> font(CreateSkinFont(d->frameFont.logFont));
    gdi::Selection selected(dc, font.Get());
    const int oldMode = SetBkMode(dc, TRANSPARENT);
    const COLORREF oldColour = SetTextColor(dc, d->frameFont.colour);
    RECT box = parts[PART_TOP];
    DrawSkinText(dc, text, -1, &box, DT_SINGLELINE | DT_VCENTER);
    SetTextColor(dc, oldColour);
    SetBkMode(dc, oldMode);
}

std::string WindowCaption(HWND window)
{
    char text[kCaptionLength + 1] = {};
    const int length = window ? GetWindowTextA(window, text, sizeof text) : 0;
    return std::string(text, size_t(length > 0 ? length : 0));
}

HRGN BuildFrameRegion(const CFrameBase* d, const FrameRects& parts, bool useTransparentColour,
                      const std::vector<std::unique_ptr<CFrameElement>>& elements, const RECT& windowRect)
{
    if (!d || !useTransparentColour)
        return nullptr;
    HRGN result = CreateRectRgn(0, 0, 0, 0);
    if (!result)
        return nullptr;
    for (int part = 0; part < PART_COUNT; ++part) {
        const RECT& target = parts[size_t(part)];
        if (RectIsEmpty(target))
            continue;
        const FrameSliceCache& cut = d->cache[size_t(part)];
        gdi::GdiObject<HRGN> placed(PlaceRegion(cut.region, {cut.width, cut.height},
                                                RegionModeForDrawMode(d->slices[size_t(part)].mode), target));
        if (placed)
            CombineRgn(result, result, placed.Get(), RGN_OR);
    }
    for (const auto& element : elements) {
        auto* image = dynamic_cast<CImageFrameElement*>(element.get());
        if (!image)
            continue;
        image->Layout(windowRect);
        gdi::GdiObject<HRGN> own(image->CreatePlacedRegion());
        if (!own)
            continue;
        if (image->CombineMode() == 4) {
            gdi::GdiObject<HRGN> box(CreateRectRgnIndirect(&image->Rect()));
            CombineRgn(result, result, box.Get(), RGN_DIFF);
        }
        CombineRgn(result, result, own.Get(), CombineModeOf(image->CombineMode()));
    }
    // A window whose region holds nothing could never be seen or reached again.
    RECT box;
    if (GetRgnBox(result, &box) == NULLREGION) {
        DeleteObject(result);
        return nullptr;
    }
    return result;
}

HBITMAP CreateClientBackground(HDC dc, CSkinStore& store, const CFrameDefinition* d, int32_t width, int32_t height,
                               bool* stretched)
{
    if (stretched)
        *stretched = false;
    if (width <= 0 || height <= 0)
        return nullptr;
    HBITMAP bitmap = CreateCompatibleBitmap(dc, width, height);
    gdi::MemoryDC memory(dc);
    if (!bitmap || !memory) {
        if (bitmap)
            DeleteObject(bitmap);
        return nullptr;
    }
    gdi::Selection selected(memory.Get(), bitmap);
    const RECT all = {0, 0, width, height};
    if (!d) {
        FillRect(memory.Get(), &all, GetSysColorBrush(COLOR_BTNFACE));
        return bitmap;
    }
    const SkinImageRef& client = d->slices[PART_CLIENT];
    DrawImageRef(memory.Get(), store, client, all, &d->clientColour);
    // Only a picture that is really there and stretched asks for the second pass.
    if (stretched)
        *stretched = !client.IsEmpty() && RegionModeForDrawMode(client.mode) == REGION_SCALE &&
                     store.FindImage({client.image, strnlen(client.image, sizeof client.image)});
    return bitmap;
}

bool ComposeFrame(HDC windowDC, int32_t width, int32_t height, const FrameRects& parts, int32_t menuBarHeight,
                  const std::function<void(HDC)>& draw)
{
    if (width <= 0 || height <= 0)
        return false;
    gdi::MemoryDC memory(windowDC);
    gdi::GdiObject<HBITMAP> bitmap(CreateCompatibleBitmap(windowDC, width, height));
    if (!memory || !bitmap)
        return false;
    gdi::Selection selected(memory.Get(), bitmap.Get());
    draw(memory.Get());

    const RECT& topLeft = parts[PART_TOP_LEFT];
    const RECT top = {topLeft.left, topLeft.top, parts[PART_TOP_RIGHT].right, topLeft.bottom + menuBarHeight};
    const RECT bottom = {parts[PART_BOTTOM_LEFT].left, parts[PART_BOTTOM_LEFT].top, parts[PART_BOTTOM_RIGHT].right,
                         parts[PART_BOTTOM_RIGHT].bottom};
    for (const RECT& strip : {top, parts[PART_LEFT], parts[PART_RIGHT], bottom}) {
        const SIZE size = SizeOf(strip);
        if (size.cx > 0 && size.cy > 0)
            BitBlt(windowDC, strip.left, strip.top, size.cx, size.cy, memory.Get(), strip.left, strip.top, SRCCOPY);
    }
    return true;
}

} // namespace glint
