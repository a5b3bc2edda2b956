#include "skin/layout/FrameLayout.h"

namespace glint {

namespace {

int32_t Width(const RECT& r) { return r.right - r.left; }
int32_t Height(const RECT& r) { return r.bottom - r.top; }

constexpr int32_t kGrip = 5; // the size of the corner squares and the top border band

bool InCorner(const RECT& part, POINT p, bool right, bool bottom)
{
    const int32_t x0 = right ? part.right - kGrip : part.left;
    const int32_t y0 = bottom ? part.bottom - kGrip : part.top;
    return p.x >= x0 && p.x < x0 + kGrip && p.y >= y0 && p.y < y0 + kGrip;
}

} // namespace

bool RectContains(const RECT& r, POINT p) { return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom; }
bool RectIsEmpty(const RECT& r) { return r.right <= r.left || r.bottom <= r.top; }

bool IsFramedStyle(uint32_t style) { return (style & (FRAME_STYLE_DLGFRAME | FRAME_STYLE_MODALFRAME)) != 0; }

bool IsSizableStyle(uint32_t style)
{
    const bool modalFrame = (style & FRAME_STYLE_DLGFRAME) && (style & FRAME_STYLE_MODALFRAME);
    return !modalFrame && (style & FRAME_STYLE_THICKFRAME);
}

bool HasWholeCaption(uint32_t style) { return (style & FRAME_STYLE_CAPTION) == FRAME_STYLE_CAPTION; }

FrameRects LayoutFrame(const FrameRects& reference, int32_t width, int32_t height)
{
    FrameRects p = reference;
    const int32_t topRight = Width(reference[PART_TOP_RIGHT]);
    const int32_t middleRight = Width(reference[PART_RIGHT]);
    const int32_t bottomRight = Width(reference[PART_BOTTOM_RIGHT]);
    const int32_t bottomRow = Height(reference[PART_BOTTOM_LEFT]);

    p[PART_TOP].right = p[PART_TOP_RIGHT].left = width - topRight;
    p[PART_TOP_RIGHT].right = width;
    for (int part : {PART_LEFT, PART_CLIENT, PART_RIGHT})
        p[size_t(part)].bottom = height - bottomRow;
    p[PART_CLIENT].right = p[PART_RIGHT].left = width - middleRight;
    p[PART_RIGHT].right = width;
    for (int part : {PART_BOTTOM_LEFT, PART_BOTTOM, PART_BOTTOM_RIGHT}) {
        p[size_t(part)].top = height - bottomRow;
        p[size_t(part)].bottom = height;
    }
    p[PART_BOTTOM].right = p[PART_BOTTOM_RIGHT].left = width - bottomRight;
    p[PART_BOTTOM_RIGHT].right = width;

    // A window narrower or lower than its borders: cut the parts, never turn them inside out.
    for (RECT& r : p) {
        if (r.right < r.left)
            r.right = r.left;
        if (r.bottom < r.top)
            r.bottom = r.top;
    }
    return p;
}

SIZE FrameReferenceSize(const FrameRects& reference)
{
    return {reference[PART_BOTTOM_RIGHT].right, reference[PART_BOTTOM_RIGHT].bottom};
}

RECT FrameBorders(const FrameRects& reference)
{
    return {Width(reference[PART_LEFT]), Height(reference[PART_TOP_LEFT]), Width(reference[PART_RIGHT]),
            Height(reference[PART_BOTTOM_LEFT])};
}

RECT AnchorByCode(const RECT& reference, uint32_t anchorCode, SIZE frameSize, int32_t width, int32_t height)
{
    RECT r = reference;
    const int32_t dx = width - frameSize.cx, dy = height - frameSize.cy;
    const bool right = anchorCode == 4 || anchorCode == 5 || anchorCode == 6;
    const bool bottom = anchorCode == 2 || anchorCode == 5 || anchorCode == 8;
    if (right) {
        r.left += dx;
        r.right += dx;
    }
    if (bottom) {
        r.top += dy;
        r.bottom += dy;
    }
    return r;
}

RECT AnchorByFlags(const RECT& reference, const uint32_t anchors[4], SIZE frameSize, int32_t width, int32_t height)
{
    RECT r = reference;
    const int32_t dx = width - frameSize.cx, dy = height - frameSize.cy;
    if (anchors[2]) {
        r.right += dx;
        if (!anchors[0])
            r.left += dx;
    }
    if (anchors[3]) {
        r.bottom += dy;
        if (!anchors[1])
            r.top += dy;
    }
    if (r.right < r.left)
        r.right = r.left;
    if (r.bottom < r.top)
        r.bottom = r.top;
    return r;
}

int FrameHitTest(const FrameRects& parts, POINT p, bool sizable, bool maximised)
{
    if (RectContains(parts[PART_CLIENT], p))
        return HIT_CLIENT;
    if (sizable && !maximised) {
        if (RectContains(parts[PART_TOP_LEFT], p))
            return InCorner(parts[PART_TOP_LEFT], p, false, false) ? HIT_TOPLEFT : HIT_CAPTION;
        if (RectContains(parts[PART_TOP], p))
            return p.y < parts[PART_TOP].top + kGrip ? HIT_TOP : HIT_CAPTION;
        if (RectContains(parts[PART_TOP_RIGHT], p))
            return InCorner(parts[PART_TOP_RIGHT], p, true, false) ? HIT_TOPRIGHT : HIT_CAPTION;
        if (RectContains(parts[PART_RIGHT], p))
            return HIT_RIGHT;
        if (RectContains(parts[PART_LEFT], p))
            return HIT_LEFT;
        if (RectContains(parts[PART_BOTTOM_RIGHT], p))
            return InCorner(parts[PART_BOTTOM_RIGHT], p, true, true) ? HIT_BOTTOMRIGHT : HIT_BOTTOM;
        if (RectContains(parts[PART_BOTTOM_LEFT], p))
            return InCorner(parts[PART_BOTTOM_LEFT], p, false, true) ? HIT_BOTTOMLEFT : HIT_BOTTOM;
        if (RectContains(parts[PART_BOTTOM], p))
            return HIT_BOTTOM;
        return HIT_NOWHERE;
    }
    for (int part : {PART_TOP_LEFT, PART_TOP, PART_TOP_RIGHT})
        if (RectContains(parts[size_t(part)], p))
            return HIT_CAPTION;
    return HIT_NOWHERE;
}

int ImageElementRoleHit(uint32_t role)
{
    static constexpr int kByRole[] = {HIT_NOWHERE, HIT_CAPTION,     HIT_LEFT,   HIT_TOPLEFT,
                                      HIT_TOP,     HIT_TOPRIGHT,    HIT_RIGHT,  HIT_BOTTOMRIGHT,
                                      HIT_BOTTOM,  HIT_BOTTOMLEFT,  HIT_CAPTION};
    return role < sizeof kByRole / sizeof kByRole[0] ? kByRole[role] : HIT_NOWHERE;
}

bool ElementVisible(uint32_t visibility, const WindowShowState& s)
{
    switch (visibility) {
    case 0: return true;
    case 1: return s.minimised;
    case 2: return !s.minimised;
    case 3: return s.maximised;
    case 4: return !s.maximised;
    case 5: return s.active;
    case 6: return !s.active;
    case 7: return s.enabled;
    case 8: return !s.enabled;
    default: return false;
    }
}

uint32_t ElementTextFormat(uint32_t horizontal, uint32_t vertical)
{
    constexpr uint32_t kCenter = 0x1, kRight = 0x2, kVCenter = 0x4, kBottom = 0x8, kSingleLine = 0x20;
    uint32_t format = kSingleLine;
    format |= horizontal == 1 ? kCenter : horizontal == 2 ? kRight : 0;
    format |= vertical == 1 ? kVCenter : vertical == 2 ? kBottom : 0;
    return format;
}

} // namespace glint
