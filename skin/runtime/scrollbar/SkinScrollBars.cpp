// Skinned scroll bars in a window's non-client area: the record under the
// window property, the subclass procedure (layout, painting, hit codes,
// tracking) and the drawing of the parts from the scroll bar definition.
#include "skin/runtime/scrollbar/SkinScrollBars.h"
#include "skin/runtime/scrollbar/SkinScrollBarState.h"

#include "skin/file/SkinDefinitions.h"
#include "skin/file/SkinStore.h"
#include "skin/file/SkinTypes.h"
#include "skin/file/gdi/SkinDraw.h"
#include "skin/runtime/SkinRegistry.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>
#include <vector>

namespace glint {

namespace {

constexpr UINT_PTR kRepeatDelayTimer = 0xFFFD;
constexpr UINT_PTR kRepeatTimer = 0xFFFE;
constexpr UINT_PTR kHotTimer = 0xFFFC;
constexpr UINT kRepeatDelay = 300, kRepeatInterval = 55, kHotInterval = 20;

LRESULT CALLBACK ScrollBarProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// The one bar that holds the mouse capture.
struct Tracking {
    HWND window;
    int bar;
    int part;
    bool pressedShown; // the pointer is over the pressed part
    POINT start;       // window coordinates
    int startOffset, dragOffset; // the thumb's offset in the track
};
Tracking g_track = {};

ScrollBarRecord* RecordOf(HWND window)
{
    return static_cast<ScrollBarRecord*>(GetPropA(window, SKIN_SCROLLBAR_PROPERTY));
}

int DefaultMinThumb()
{
    const DWORD version = GetVersion();
    const bool nt5 = !(version & 0x80000000u) && LOBYTE(LOWORD(version)) >= 5;
    return nt5 ? 6 : 8;
}

int Metric(int value, int systemMetric) { return value > 0 ? value : -value * GetSystemMetrics(systemMetric); }
int Thickness(int bar, const BarState& b) { return Metric(b.thickness, bar == SB_HORZ ? SM_CYHSCROLL : SM_CXVSCROLL); }
int ArrowLength(int bar, const BarState& b) { return Metric(b.arrowLength, bar == SB_HORZ ? SM_CXHSCROLL : SM_CYVSCROLL); }

bool BarDisabled(const BarState& b)
{
    const long long range = static_cast<long long>(b.max) - b.min + 1;
    return b.max <= b.min || (b.flags & BAR_ARROWS_DISABLED) == BAR_ARROWS_DISABLED ||
           (b.page > 0 && b.page >= range);
}

// The geometry along a bar of `length` pixels.
struct Geometry {
    int arrow, track;
    bool thumb;
    int thumbOffset, thumbSize;
};

Geometry Measure(int length, int arrowLength, const BarState& b)
{
    Geometry g = {};
    g.arrow = length < 2 * arrowLength ? length / 2 : arrowLength;
    g.track = std::max(0, length - 2 * g.arrow);
    const int range = b.max - b.min + 1;
    g.thumbSize = b.page == 0 ? g.arrow : MulDiv(static_cast<int>(b.page), g.track, range);
    g.thumbSize = std::max(g.thumbSize, b.minThumb);
    g.thumb = !BarDisabled(b) && g.thumbSize <= g.track;
    const int span = range - std::max(static_cast<int>(b.page), 1);
    g.thumbOffset = span > 0 ? MulDiv(b.pos - b.min, g.track - g.thumbSize, span) : 0;
    g.thumbOffset = std::clamp(g.thumbOffset, 0, std::max(0, g.track - g.thumbSize));
    return g;
}

// The position a thumb offset stands for (the inverse of Measure).
int PositionAt(int offset, const Geometry& g, const BarState& b)
{
    const int range = b.max - b.min + 1;
    const int room = g.track - g.thumbSize;
    int pos = b.min + (room > 0 ? MulDiv(offset, range - std::max(static_cast<int>(b.page), 1), room) : 0);
    const int highest = b.max - std::max(static_cast<int>(b.page) - 1, 0);
    return std::clamp(pos, b.min, std::max(b.min, highest));
}

RECT ClientInWindow(HWND window)
{
    RECT w, c;
    GetWindowRect(window, &w);
    GetClientRect(window, &c);
    MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&c), 2);
    OffsetRect(&c, -w.left, -w.top);
    return c;
}

// Rectangles along the bar's axis: [from, to) of the bar rectangle.
RECT Span(const RECT& bar, bool vertical, int from, int to)
{
    if (to <= from)
        return RECT{};
    return vertical ? RECT{bar.left, bar.top + from, bar.right, bar.top + to}
                    : RECT{bar.left + from, bar.top, bar.left + to, bar.bottom};
}

SkinScrollBarLayout Layout(HWND window, const ScrollBarRecord& r, int bar, const Geometry* drag = nullptr)
{
    SkinScrollBarLayout l = {};
    const BarState& b = r.bars[bar];
    l.shown = b.shown;
    if (!b.shown)
        return l;
    const RECT c = ClientInWindow(window);
    const int t = Thickness(bar, b);
    const bool vertical = bar == SB_VERT;
    if (vertical)
        l.bar = r.leftScrollBar ? RECT{c.left - t, c.top, c.left, c.bottom} : RECT{c.right, c.top, c.right + t, c.bottom};
    else
        l.bar = RECT{c.left, c.bottom, c.right, c.bottom + t};
    const int length = vertical ? c.bottom - c.top : c.right - c.left;
    Geometry g = drag ? *drag : Measure(length, ArrowLength(bar, b), b);
    l.arrow1 = Span(l.bar, vertical, 0, g.arrow);
    l.arrow2 = Span(l.bar, vertical, length - g.arrow, length);
    if (g.thumb) {
        const int start = g.arrow + g.thumbOffset;
        l.thumb = Span(l.bar, vertical, start, start + g.thumbSize);
        l.page1 = Span(l.bar, vertical, g.arrow, start);
        l.page2 = Span(l.bar, vertical, start + g.thumbSize, length - g.arrow);
    } else {
        l.page1 = Span(l.bar, vertical, g.arrow, length - g.arrow);
    }
    return l;
}

Geometry BarGeometry(HWND window, const ScrollBarRecord& r, int bar)
{
    const RECT c = ClientInWindow(window);
    const int length = bar == SB_VERT ? c.bottom - c.top : c.right - c.left;
    Geometry g = Measure(length, ArrowLength(bar, r.bars[bar]), r.bars[bar]);
    if (g_track.window == window && g_track.bar == bar && g_track.part == SKIN_SB_THUMB)
        g.thumbOffset = g_track.dragOffset;
    return g;
}

int HitPart(const SkinScrollBarLayout& l, POINT p)
{
    if (!l.shown || !PtInRect(&l.bar, p))
        return SKIN_SB_NONE;
    if (PtInRect(&l.arrow1, p))
        return SKIN_SB_ARROW1;
    if (PtInRect(&l.arrow2, p))
        return SKIN_SB_ARROW2;
    if (PtInRect(&l.thumb, p))
        return SKIN_SB_THUMB;
    if (PtInRect(&l.page1, p))
        return SKIN_SB_PAGE1;
    if (PtInRect(&l.page2, p))
        return SKIN_SB_PAGE2;
    return SKIN_SB_NONE;
}

POINT ScreenToWindow(HWND window, POINT p)
{
    RECT w;
    GetWindowRect(window, &w);
    return POINT{p.x - w.left, p.y - w.top};
}

POINT ClientToWindow(HWND window, LPARAM lParam)
{
    POINT p = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    ClientToScreen(window, &p);
    return ScreenToWindow(window, p);
}

CSkinNode* BarDefinition() { return SkinRegistry().Store().FindByType(SKIN_SCROLL_BAR); }

int PartState(HWND window, const ScrollBarRecord& r, int bar, int part)
{
    const BarState& b = r.bars[bar];
    if (BarDisabled(b) || (part == SKIN_SB_ARROW1 && (b.flags & ESB_DISABLE_LTUP)) ||
        (part == SKIN_SB_ARROW2 && (b.flags & ESB_DISABLE_RTDN)))
        return SKIN_SBS_DISABLED;
    if (g_track.window == window && g_track.bar == bar && g_track.part == part && g_track.pressedShown)
        return SKIN_SBS_PRESSED;
    return b.hotPart == part ? SKIN_SBS_HIGHLIGHTED : SKIN_SBS_NORMAL;
}

// One bar, composed off screen and copied in one go.
void PaintBar(HWND window, HDC dc, ScrollBarRecord& r, int bar)
{
    Geometry g = BarGeometry(window, r, bar);
    const SkinScrollBarLayout l = Layout(window, r, bar, &g);
    if (!l.shown || IsRectEmpty(&l.bar))
        return;
    const int w = l.bar.right - l.bar.left, h = l.bar.bottom - l.bar.top;
    HDC memory = CreateCompatibleDC(dc);
    HBITMAP bitmap = CreateCompatibleBitmap(dc, w, h);
    HGDIOBJ old = SelectObject(memory, bitmap);
    SetViewportOrgEx(memory, -l.bar.left, -l.bar.top, nullptr);
    CSkinNode* definition = BarDefinition();
    const bool vertical = bar == SB_VERT;
    const std::pair<int, const RECT*> parts[] = {{SKIN_SB_ARROW1, &l.arrow1}, {SKIN_SB_ARROW2, &l.arrow2},
                                                 {SKIN_SB_PAGE1, &l.page1},   {SKIN_SB_PAGE2, &l.page2},
                                                 {SKIN_SB_THUMB, &l.thumb}};
    for (const auto& [part, rect] : parts)
        if (!IsRectEmpty(rect))
            DrawSkinScrollBarPart(memory, *rect, definition, part, PartState(window, r, bar, part), vertical);
    SetViewportOrgEx(memory, 0, 0, nullptr);
    BitBlt(dc, l.bar.left, l.bar.top, w, h, memory, 0, 0, SRCCOPY);
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
}

void PaintCorner(HWND window, HDC dc, const ScrollBarRecord& r)
{
    const SkinScrollBarLayout h = Layout(window, r, SB_HORZ), v = Layout(window, r, SB_VERT);
    if (!h.shown || !v.shown)
        return;
    const RECT corner = {v.bar.left, h.bar.top, v.bar.right, h.bar.bottom};
    auto* definition = dynamic_cast<CScrollBarDefinition*>(BarDefinition());
    if (definition && !definition->gripper.IsEmpty()) {
        DrawSkinScrollBarPart(dc, corner, definition, SKIN_SB_GRIPPER, SKIN_SBS_NORMAL, true);
        return;
    }
    // A size grip where the corner meets the bottom-right of a sizable parent's client area.
    HWND parent = GetParent(window);
    if (parent && (GetWindowLongPtrA(parent, GWL_STYLE) & WS_THICKFRAME)) {
        RECT pc, w;
        GetClientRect(parent, &pc);
        MapWindowPoints(parent, nullptr, reinterpret_cast<POINT*>(&pc), 2);
        GetWindowRect(window, &w);
        if (w.left + corner.right == pc.right && w.top + corner.bottom == pc.bottom) {
            RECT grip = corner;
            DrawFrameControl(dc, &grip, DFC_SCROLL, DFCS_SCROLLSIZEGRIP);
            return;
        }
    }
    FillRect(dc, &corner, GetSysColorBrush(COLOR_3DFACE));
}

void PaintAll(HWND window, ScrollBarRecord& r)
{
    HDC dc = GetWindowDC(window);
    if (!dc)
        return;
    PaintBar(window, dc, r, SB_HORZ);
    PaintBar(window, dc, r, SB_VERT);
    PaintCorner(window, dc, r);
    ReleaseDC(window, dc);
}

void RepaintBar(HWND window, ScrollBarRecord& r, int bar)
{
    HDC dc = GetWindowDC(window);
    if (!dc)
        return;
    PaintBar(window, dc, r, bar);
    ReleaseDC(window, dc);
}

// Runs the previous procedure with the scroll styles hidden, so that it
// neither makes room for nor paints the system's bars.
LRESULT CallWithoutScrollStyles(HWND window, ScrollBarRecord& r, UINT message, WPARAM wParam, LPARAM lParam)
{
    const LONG_PTR style = GetWindowLongPtrA(window, GWL_STYLE);
    const LONG_PTR bits = style & (WS_HSCROLL | WS_VSCROLL);
    WNDPROC previous = r.previous;
    if (bits) {
        r.styleChanging = true;
        SetWindowLongPtrA(window, GWL_STYLE, style & ~bits);
    }
    const LRESULT result = CallWindowProcA(previous, window, message, wParam, lParam);
    if (bits && RecordOf(window) == &r) {
        SetWindowLongPtrA(window, GWL_STYLE, GetWindowLongPtrA(window, GWL_STYLE) | bits);
        r.styleChanging = false;
    }
    return result;
}

void CalcSize(ScrollBarRecord& r, RECT& rc)
{
    BarState& h = r.bars[SB_HORZ];
    const int ht = Thickness(SB_HORZ, h);
    h.shown = (h.flags & BAR_VISIBLE) && rc.bottom - rc.top > ht;
    if (h.shown)
        rc.bottom -= ht;
    BarState& v = r.bars[SB_VERT];
    const int vt = Thickness(SB_VERT, v);
    v.shown = (v.flags & BAR_VISIBLE) && rc.right - rc.left > vt;
    if (v.shown) {
        if (r.leftScrollBar)
            rc.left += vt;
        else
            rc.right -= vt;
    }
}

void Notify(HWND window, int bar, int code, int pos = 0)
{
    SendMessageA(window, bar == SB_HORZ ? WM_HSCROLL : WM_VSCROLL, MAKEWPARAM(code, pos), 0);
}

int RequestFor(int part)
{
    switch (part) {
    case SKIN_SB_ARROW1: return SB_LINEUP;
    case SKIN_SB_ARROW2: return SB_LINEDOWN;
    case SKIN_SB_PAGE1: return SB_PAGEUP;
    default: return SB_PAGEDOWN;
    }
}

// Ends a drag or a repeat: capture and timers go first, so that a window
// that is being destroyed keeps nothing of it.
void EndTracking(bool notify)
{
    const Tracking t = g_track;
    if (!t.window)
        return;
    g_track = {};
    KillTimer(t.window, kRepeatDelayTimer);
    KillTimer(t.window, kRepeatTimer);
    if (GetCapture() == t.window)
        ReleaseCapture();
    ScrollBarRecord* r = RecordOf(t.window);
    if (!r)
        return;
    const bool thumb = t.part == SKIN_SB_THUMB;
    r->tracking = false;
    if (!notify)
        return;
    if (thumb)
        Notify(t.window, t.bar, SB_THUMBPOSITION, r->bars[t.bar].trackPos);
    Notify(t.window, t.bar, SB_ENDSCROLL);
    if ((r = RecordOf(t.window)) != nullptr)
        RepaintBar(t.window, *r, t.bar);
}

void StartTracking(HWND window, ScrollBarRecord& r, int bar, POINT screen)
{
    const POINT p = ScreenToWindow(window, screen);
    const int part = HitPart(Layout(window, r, bar), p);
    if (part == SKIN_SB_NONE || PartState(window, r, bar, part) == SKIN_SBS_DISABLED)
        return;
    EndTracking(false);
    const Geometry g = BarGeometry(window, r, bar);
    g_track = Tracking{window, bar, part, true, p, g.thumbOffset, g.thumbOffset};
    SetCapture(window);
    if (part == SKIN_SB_THUMB) {
        r.tracking = true;
        r.bars[bar].trackPos = r.bars[bar].pos;
        RepaintBar(window, r, bar);
        return;
    }
    RepaintBar(window, r, bar);
    Notify(window, bar, RequestFor(part));
    if (g_track.window == window)
        SetTimer(window, kRepeatDelayTimer, kRepeatDelay, nullptr);
}

void DragTo(HWND window, ScrollBarRecord& r, POINT p)
{
    BarState& b = r.bars[g_track.bar];
    const RECT c = ClientInWindow(window);
    const bool vertical = g_track.bar == SB_VERT;
    Geometry g = Measure(vertical ? c.bottom - c.top : c.right - c.left, ArrowLength(g_track.bar, b), b);
    const int delta = vertical ? p.y - g_track.start.y : p.x - g_track.start.x;
    g_track.dragOffset = std::clamp(g_track.startOffset + delta, 0, std::max(0, g.track - g.thumbSize));
    const int pos = PositionAt(g_track.dragOffset, g, b);
    RepaintBar(window, r, g_track.bar);
    if (pos != b.trackPos) {
        b.trackPos = pos;
        Notify(window, g_track.bar, SB_THUMBTRACK, pos);
    }
}

// The pointer over the pressed arrow or page part: shown pressed, and the
// repeat timer scrolls again.
bool PointerOnPressedPart(HWND window, ScrollBarRecord& r)
{
    POINT screen;
    GetCursorPos(&screen);
    const bool on = HitPart(Layout(window, r, g_track.bar), ScreenToWindow(window, screen)) == g_track.part;
    if (on != g_track.pressedShown) {
        g_track.pressedShown = on;
        RepaintBar(window, r, g_track.bar);
    }
    return on;
}

void HotTrack(HWND window, ScrollBarRecord& r, int bar, POINT screen)
{
    const int part = HitPart(Layout(window, r, bar), ScreenToWindow(window, screen));
    for (int other = SB_HORZ; other <= SB_VERT; ++other) {
        const int wanted = other == bar ? part : SKIN_SB_NONE;
        if (r.bars[other].hotPart != wanted) {
            r.bars[other].hotPart = wanted;
            RepaintBar(window, r, other);
        }
    }
    if (part != SKIN_SB_NONE)
        SetTimer(window, kHotTimer, kHotInterval, nullptr);
}

void RelayToToolTip(HWND window, const ScrollBarRecord& r, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (!r.toolTip)
        return;
    MSG msg = {window, message, wParam, lParam, static_cast<DWORD>(GetMessageTime()), {}};
    GetCursorPos(&msg.pt);
    SendMessageA(r.toolTip, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&msg));
}

// A control may change its bars past our entries (a function that could not
// be redirected, or a system whose controls call deeper than USER32's
// exports): the system's own state then moves, and the record follows it.
void FollowSystem(HWND window, ScrollBarRecord& r)
{
    for (int bar = SB_HORZ; bar <= SB_VERT; ++bar) {
        SCROLLINFO now = {sizeof now, SIF_ALL, 0, 0, 0, 0, 0};
        if (!SystemScroll().getScrollInfo(window, bar, &now))
            continue;
        SCROLLINFO& seen = r.systemSeen[bar];
        if (now.nMin == seen.nMin && now.nMax == seen.nMax && now.nPage == seen.nPage && now.nPos == seen.nPos)
            continue;
        seen = now;
        r.systemMoved = true;
        now.fMask = r.tracking ? SIF_POS : SIF_RANGE | SIF_PAGE | SIF_POS;
        SetBarInfo(window, r, bar, now, TRUE);
    }
}

// Such a control also has the system paint its own bars over ours whenever it
// sets them, changed or not: after the messages that make it do so, ours are
// painted again.
bool MaySetSystemBars(HWND window, UINT message)
{
    switch (message) {
    case WM_HSCROLL:
    case WM_VSCROLL:
    case WM_MOUSEWHEEL:
    case 0x020E: // WM_MOUSEHWHEEL
    case WM_KEYDOWN:
    case WM_CHAR:
    case WM_SETTEXT:
    case WM_SIZE:
    case WM_TIMER:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
        return true;
    case WM_MOUSEMOVE:
        return GetCapture() == window;
    default:
        // The controls' own messages: edit, list box, and the common controls'.
        return (message >= 0x00B0 && message <= 0x00FF) || (message >= 0x0180 && message <= 0x01FF) ||
               message >= WM_USER;
    }
}

void FreeRecord(HWND window, ScrollBarRecord* r)
{
    RemovePropA(window, SKIN_SCROLLBAR_PROPERTY);
    delete r;
}

LRESULT CALLBACK ScrollBarProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    ScrollBarRecord* r = RecordOf(window);
    if (!r)
        return DefWindowProcA(window, message, wParam, lParam);
    WNDPROC previous = r->previous;
    if (r->detached) {
        if (message == WM_NCDESTROY)
            FreeRecord(window, r);
        return CallWindowProcA(previous, window, message, wParam, lParam);
    }
    switch (message) {
    case WM_NCCALCSIZE: {
        const LRESULT result = CallWithoutScrollStyles(window, *r, message, wParam, lParam);
        // Both forms start with the rectangle that becomes the client area.
        if (lParam)
            CalcSize(*r, *reinterpret_cast<RECT*>(lParam));
        return result;
    }
    case WM_NCPAINT: {
        const LRESULT result = CallWithoutScrollStyles(window, *r, message, wParam, lParam);
        if ((r = RecordOf(window)) != nullptr)
            PaintAll(window, *r);
        return result;
    }
    case WM_NCHITTEST: {
        const POINT p = ScreenToWindow(window, POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
        for (int bar = SB_HORZ; bar <= SB_VERT; ++bar) {
            const SkinScrollBarLayout l = Layout(window, *r, bar);
            if (l.shown && PtInRect(&l.bar, p))
                return bar == SB_HORZ ? HTHSCROLL : HTVSCROLL;
        }
        break;
    }
    case WM_NCLBUTTONDOWN:
    case WM_NCLBUTTONDBLCLK:
        RelayToToolTip(window, *r, message, wParam, lParam);
        if (wParam == HTHSCROLL || wParam == HTVSCROLL) {
            StartTracking(window, *r, wParam == HTHSCROLL ? SB_HORZ : SB_VERT,
                          POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
            return 0;
        }
        break;
    case WM_NCMOUSEMOVE:
        RelayToToolTip(window, *r, message, wParam, lParam);
        if (wParam == HTHSCROLL || wParam == HTVSCROLL) {
            if (!g_track.window)
                HotTrack(window, *r, wParam == HTHSCROLL ? SB_HORZ : SB_VERT,
                         POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
            // Not passed on: the system would hot-track (and paint) its own bar there.
            return 0;
        }
        break;
    case 0x02A2: // WM_NCMOUSELEAVE: the system's bars must not repaint themselves
        return CallWithoutScrollStyles(window, *r, message, wParam, lParam);
    case WM_NCLBUTTONUP:
    case WM_NCRBUTTONDOWN:
    case WM_NCRBUTTONUP:
    case WM_NCMBUTTONDOWN:
    case WM_NCMBUTTONUP:
        RelayToToolTip(window, *r, message, wParam, lParam);
        break;
    case WM_MOUSEMOVE:
        if (g_track.window != window)
            break;
        if (g_track.part == SKIN_SB_THUMB)
            DragTo(window, *r, ClientToWindow(window, lParam));
        else
            PointerOnPressedPart(window, *r);
        return 0;
    case WM_LBUTTONUP:
        if (g_track.window != window)
            break;
        EndTracking(true);
        return 0;
    case WM_CAPTURECHANGED:
        if (g_track.window == window && reinterpret_cast<HWND>(lParam) != window)
            EndTracking(true);
        break;
    case WM_TIMER:
        if (wParam == kRepeatDelayTimer && g_track.window == window) {
            KillTimer(window, kRepeatDelayTimer);
            SetTimer(window, kRepeatTimer, kRepeatInterval, nullptr);
            return 0;
        }
        if (wParam == kRepeatTimer && g_track.window == window) {
            if (PointerOnPressedPart(window, *r))
                Notify(window, g_track.bar, RequestFor(g_track.part));
            return 0;
        }
        if (wParam == kHotTimer) {
            POINT screen;
            GetCursorPos(&screen);
            const LRESULT hit = SendMessageA(window, WM_NCHITTEST, 0, MAKELPARAM(screen.x, screen.y));
            if (hit == HTHSCROLL || hit == HTVSCROLL) {
                HotTrack(window, *r, hit == HTHSCROLL ? SB_HORZ : SB_VERT, screen);
            } else {
                KillTimer(window, kHotTimer);
                HotTrack(window, *r, SB_HORZ, POINT{-32768, -32768});
            }
            return 0;
        }
        break;
    case WM_SETCURSOR:
        if ((LOWORD(lParam) == HTHSCROLL || LOWORD(lParam) == HTVSCROLL) && r->toolTip) {
            SendMessageA(r->toolTip, TTM_ACTIVATE, FALSE, 0);
            SendMessageA(r->toolTip, TTM_POP, 0, 0);
        }
        break;
    case WM_STYLECHANGING:
    case WM_STYLECHANGED:
        if (r->styleChanging)
            return 0;
        break;
    case WM_NCDESTROY:
        UninitializeSkinScrollBars(window);
        return CallWindowProcA(previous, window, message, wParam, lParam);
    default:
        break;
    }
    const LRESULT result = CallWindowProcA(previous, window, message, wParam, lParam);
    if ((r = FindScrollBarRecord(window)) != nullptr) {
        FollowSystem(window, *r);
        if (r->systemMoved && (r->bars[SB_HORZ].shown || r->bars[SB_VERT].shown) && MaySetSystemBars(window, message))
            PaintAll(window, *r);
    }
    return result;
}

template <typename F> void ForBars(HWND window, int bar, F f)
{
    ScrollBarRecord* r = FindScrollBarRecord(window);
    if (!r)
        return;
    for (int b = SB_HORZ; b <= SB_VERT; ++b)
        if (bar == b || bar == SB_BOTH)
            f(r->bars[b]);
}

// The picture of a part in a state, else the normal state's; null when neither.
template <typename Ref> const Ref* StatePicture(const CScrollBarDefinition& d, int state, Ref ScrollBarState::*member)
{
    for (const int s : {state, int(SKIN_SBS_NORMAL)}) {
        const Ref& ref = d.states[size_t(s)].*member;
        if (!ref.IsEmpty())
            return &ref;
    }
    return nullptr;
}

const SkinImageRef* ArrowPicture(const CScrollBarDefinition& d, int part, int state)
{
    return StatePicture(d, state, part == SKIN_SB_ARROW1 ? &ScrollBarState::arrow1 : &ScrollBarState::arrow2);
}

const SkinGridRef* GridPicture(const CScrollBarDefinition& d, int part, int state)
{
    return StatePicture(d, state, part == SKIN_SB_THUMB ? &ScrollBarState::thumb : &ScrollBarState::track);
}

bool HasPicture(const CScrollBarDefinition* d, int part, int state)
{
    if (!d)
        return false;
    if (part == SKIN_SB_GRIPPER)
        return !d->gripper.IsEmpty();
    if (part == SKIN_SB_ARROW1 || part == SKIN_SB_ARROW2)
        return ArrowPicture(*d, part, state) != nullptr;
    return GridPicture(*d, part, state) != nullptr;
}

void DrawPicture(HDC dc, const RECT& rect, const CScrollBarDefinition& d, int part, int state)
{
    CSkinStore& store = SkinRegistry().Store();
    const COLORREF face = GetSysColor(COLOR_3DFACE);
    FillRect(dc, &rect, GetSysColorBrush(COLOR_3DFACE));
    if (part == SKIN_SB_GRIPPER)
        DrawImageRef(dc, store, d.gripper, rect, &face);
    else if (part == SKIN_SB_ARROW1 || part == SKIN_SB_ARROW2)
        DrawImageRef(dc, store, *ArrowPicture(d, part, state), rect, &face);
    else
        DrawGridRef(dc, store, *GridPicture(d, part, state), rect, &face);
}

// Draws a vertical picture and mirrors it across the diagonal into rect.
void DrawTransposed(HDC dc, const RECT& rect, const CScrollBarDefinition& d, int part, int state)
{
    const int w = rect.right - rect.left, h = rect.bottom - rect.top;
    BITMAPINFO info = {};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), h, -w, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* upright = nullptr;
    HBITMAP a = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &upright, nullptr, 0);
    info.bmiHeader.biWidth = w;
    info.bmiHeader.biHeight = -h;
    void* turned = nullptr;
    HBITMAP b = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &turned, nullptr, 0);
    HDC memory = CreateCompatibleDC(dc);
    if (a && b && memory) {
        HGDIOBJ old = SelectObject(memory, a);
        DrawPicture(memory, RECT{0, 0, h, w}, d, part, state);
        GdiFlush();
        const auto* from = static_cast<const uint32_t*>(upright);
        auto* to = static_cast<uint32_t*>(turned);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                to[size_t(y) * w + x] = from[size_t(x) * h + y];
        SelectObject(memory, b);
        BitBlt(dc, rect.left, rect.top, w, h, memory, 0, 0, SRCCOPY);
        SelectObject(memory, old);
    }
    if (memory)
        DeleteDC(memory);
    if (a)
        DeleteObject(a);
    if (b)
        DeleteObject(b);
}

void DrawSystemPart(HDC dc, const RECT& rect, int part, int state, bool vertical)
{
    RECT r = rect;
    switch (part) {
    case SKIN_SB_ARROW1:
    case SKIN_SB_ARROW2: {
        UINT kind = part == SKIN_SB_ARROW1 ? (vertical ? DFCS_SCROLLUP : DFCS_SCROLLLEFT)
                                           : (vertical ? DFCS_SCROLLDOWN : DFCS_SCROLLRIGHT);
        if (state == SKIN_SBS_PRESSED)
            kind |= DFCS_PUSHED | DFCS_FLAT;
        else if (state == SKIN_SBS_DISABLED)
            kind |= DFCS_INACTIVE;
        else if (state == SKIN_SBS_HIGHLIGHTED)
            kind |= DFCS_HOT;
        DrawFrameControl(dc, &r, DFC_SCROLL, kind);
        break;
    }
    case SKIN_SB_PAGE1:
    case SKIN_SB_PAGE2:
        FillRect(dc, &r, GetSysColorBrush(state == SKIN_SBS_PRESSED ? COLOR_3DDKSHADOW : COLOR_SCROLLBAR));
        break;
    case SKIN_SB_THUMB:
        FillRect(dc, &r, GetSysColorBrush(state == SKIN_SBS_HIGHLIGHTED ? COLOR_3DLIGHT : COLOR_3DFACE));
        DrawEdge(dc, &r, EDGE_RAISED, BF_RECT);
        break;
    default:
        FillRect(dc, &r, GetSysColorBrush(COLOR_3DFACE));
        break;
    }
}

} // namespace

ScrollBarRecord* FindScrollBarRecord(HWND window)
{
    DWORD process = 0;
    // Another process's property would be a pointer into its memory.
    if (!window || !GetWindowThreadProcessId(window, &process) || process != GetCurrentProcessId())
        return nullptr;
    ScrollBarRecord* r = RecordOf(window);
    return r && !r->detached ? r : nullptr;
}

int SetBarInfo(HWND window, ScrollBarRecord& r, int bar, const SCROLLINFO& info, BOOL redraw)
{
    BarState& b = r.bars[bar];
    if (info.fMask & SIF_RANGE)
        b.min = info.nMin, b.max = info.nMax;
    if (info.fMask & SIF_PAGE)
        b.page = info.nPage;
    const long long range = std::max(0LL, static_cast<long long>(b.max) - b.min + 1);
    if (static_cast<long long>(b.page) > range)
        b.page = static_cast<UINT>(range);
    if (info.fMask & SIF_POS)
        b.pos = info.nPos;
    // A page of 0 is one position wide here, as for a page of 1.
    b.pos = std::max(b.pos, b.min);
    b.pos = std::min(b.pos, b.max - std::max(static_cast<int>(b.page) - 1, 0));
    bool visibilityChanged = false;
    if (info.fMask & (SIF_RANGE | SIF_PAGE | SIF_DISABLENOSCROLL)) {
        const bool scrolls = b.max > b.min && static_cast<long long>(b.page) < range;
        const bool show = (info.fMask & SIF_DISABLENOSCROLL) || (b.flags & BAR_ALWAYS_SHOWN) || scrolls;
        visibilityChanged = show != ((b.flags & BAR_VISIBLE) != 0);
        b.flags = show ? b.flags | BAR_VISIBLE : b.flags & ~BAR_VISIBLE;
    }
    if (!r.tracking) {
        // A bar that appears or goes needs its room even when no redraw was asked for.
        if (visibilityChanged)
            RecomputeFrame(window);
        else if (redraw)
            RepaintBars(window);
    }
    return b.pos;
}

void RecomputeFrame(HWND window)
{
    SetWindowPos(window, nullptr, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
}

void RepaintBars(HWND window) { SendMessageA(window, WM_NCPAINT, 1, 0); }

int InitializeSkinScrollBars(HWND window)
{
    if (!IsWindow(window) || RecordOf(window))
        return 0;
    auto* r = new ScrollBarRecord{};
    for (int bar = SB_HORZ; bar <= SB_VERT; ++bar) {
        SCROLLINFO info = {sizeof info, SIF_ALL, 0, 0, 0, 0, 0};
        BarState& b = r->bars[bar];
        if (SystemScroll().getScrollInfo(window, bar, &info))
            b.min = info.nMin, b.max = info.nMax, b.page = info.nPage, b.pos = info.nPos;
        r->systemSeen[bar] = info;
        b.thickness = b.arrowLength = -1;
        b.minThumb = DefaultMinThumb();
        b.hotPart = SKIN_SB_NONE;
    }
    r->leftScrollBar = (GetWindowLongPtrA(window, GWL_EXSTYLE) & WS_EX_LEFTSCROLLBAR) != 0;
    SetPropA(window, SKIN_SCROLLBAR_PROPERTY, r);
    const LONG_PTR style = GetWindowLongPtrA(window, GWL_STYLE);
    if (style & WS_HSCROLL)
        r->bars[SB_HORZ].flags |= BAR_VISIBLE;
    if (style & WS_VSCROLL)
        r->bars[SB_VERT].flags |= BAR_VISIBLE;
    r->previous = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ScrollBarProc)));

    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_BAR_CLASSES};
    InitCommonControlsEx(&icc);
    r->toolTip = CreateWindowExA(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, TOOLTIPS_CLASSA, nullptr,
                                 WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                                 CW_USEDEFAULT, window, nullptr, GetModuleHandleA(nullptr), nullptr);
    if (r->toolTip) {
        TOOLINFOA tool = {};
        tool.cbSize = TTTOOLINFOA_V1_SIZE;
        tool.uFlags = TTF_IDISHWND;
        tool.hwnd = window;
        tool.uId = reinterpret_cast<UINT_PTR>(window);
        tool.lpszText = LPSTR_TEXTCALLBACKA;
        SendMessageA(r->toolTip, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
    }
    RecomputeFrame(window);
    return 1;
}

HRESULT UninitializeSkinScrollBars(HWND window)
{
    ScrollBarRecord* r = RecordOf(window);
    if (!r || r->detached)
        return E_FAIL;
    if (g_track.window == window)
        EndTracking(false);
    KillTimer(window, kHotTimer);
    if (r->toolTip)
        DestroyWindow(r->toolTip);
    r->toolTip = nullptr;
    if (GetWindowLongPtrA(window, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(ScrollBarProc)) {
        SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(r->previous));
        FreeRecord(window, r);
    } else {
        // Someone subclassed on top of us: our procedure stays in the chain and
        // passes everything on until the window is gone.
        r->detached = true;
    }
    return S_OK;
}

void SetSkinScrollBarSize(HWND window, int bar, int thickness, int arrowLength)
{
    bool any = false;
    ForBars(window, bar, [&](BarState& b) { b.thickness = thickness, b.arrowLength = arrowLength, any = true; });
    if (any)
        RecomputeFrame(window);
}

void SetSkinScrollBarStyle(HWND window, int bar, int style)
{
    bool any = false;
    ForBars(window, bar, [&](BarState& b) { b.style = style, any = true; });
    if (any)
        RecomputeFrame(window);
}

void SetSkinScrollBarMinThumb(HWND window, int bar, int size)
{
    ForBars(window, bar, [&](BarState& b) { b.minThumb = size == -1 ? DefaultMinThumb() : size; });
}

bool HasSkinScrollBars(HWND window) { return FindScrollBarRecord(window) != nullptr; }

bool GetSkinScrollBarLayout(HWND window, int bar, SkinScrollBarLayout& layout)
{
    ScrollBarRecord* r = FindScrollBarRecord(window);
    if (!r || (bar != SB_HORZ && bar != SB_VERT))
        return false;
    Geometry g = BarGeometry(window, *r, bar);
    layout = Layout(window, *r, bar, &g);
    return true;
}

void DrawSkinScrollBarPart(HDC dc, const RECT& rect, CSkinNode* scrollBarDefinition, int part, int state,
                           bool vertical)
{
    if (IsRectEmpty(&rect) || state < SKIN_SBS_NORMAL || state > SKIN_SBS_DISABLED)
        return;
    const auto* d = dynamic_cast<const CScrollBarDefinition*>(scrollBarDefinition);
    if (!HasPicture(d, part, state))
        DrawSystemPart(dc, rect, part, state, vertical);
    else if (vertical || part == SKIN_SB_GRIPPER)
        DrawPicture(dc, rect, *d, part, state);
    else
        DrawTransposed(dc, rect, *d, part, state);
}

} // namespace glint
