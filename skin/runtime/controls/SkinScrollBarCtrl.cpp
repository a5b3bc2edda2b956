// The scroll bar control (class "ScrollBar"): its painting and mouse handling
// are all our own, drawn with the pictures of the skin's scroll bar. The
// system's class only keeps the range, page and position, and the keyboard.
#include "skin/runtime/controls/SkinCommonControls.h"

#include "skin/runtime/controls/SkinPaintedCtrl.h"
#include "skin/runtime/scrollbar/SkinScrollBars.h"

#include <windowsx.h>

#include <algorithm>

namespace glint {

namespace {

constexpr UINT_PTR kRepeatTimer = 1000;
constexpr UINT kRepeatMilliseconds = 300;
constexpr int kMinThumb = 8;

class CSkinScrollBarCtrl : public CSkinPaintedCtrl {
public:
    using CSkinPaintedCtrl::CSkinPaintedCtrl;

    void Detach() override
    {
        EndPress(false);
        CSkinPaintedCtrl::Detach();
    }

    void Draw(HDC dc) override
    {
        RECT client;
        GetClientRect(window_, &client);
        const Layout layout = Lay();
        const bool vertical = Vertical();
        if (SizeBox()) {
            DrawSkinScrollBarPart(dc, client, definition_, SKIN_SB_GRIPPER, SKIN_SBS_NORMAL, vertical);
            return;
        }
        for (int part : {SKIN_SB_ARROW1, SKIN_SB_PAGE1, SKIN_SB_PAGE2, SKIN_SB_ARROW2, SKIN_SB_THUMB}) {
            const RECT box = layout.Rect(part, vertical, client);
            if (IsRectEmpty(&box))
                continue;
            DrawSkinScrollBarPart(dc, box, definition_, part, StateOf(part, layout), vertical);
        }
    }

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (!previousProc_ || SizeBox())
            return CSkinPaintedCtrl::WindowProc(message, wParam, lParam);
        switch (message) {
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK:
            OnButtonDown({GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
            return 0;
        case WM_MOUSEMOVE:
            TrackMouseLeave();
            OnMouseMove({GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
            return 0;
        case WM_LBUTTONUP:
            EndPress(true);
            return 0;
        case WM_CAPTURECHANGED:
            if (reinterpret_cast<HWND>(lParam) != window_)
                EndPress(true);
            return 0;
        case WM_TIMER:
            if (wParam != kRepeatTimer)
                break;
            // Repeats while the button is held over the part it went down on.
            if (pressedPart_ >= 0 && pressedPart_ != SKIN_SB_THUMB && HitPart(lastPoint_) == pressedPart_)
                Scroll(CodeOf(pressedPart_), 0);
            return 0;
        // The system's class would paint at once: it stores, the object paints.
        case SBM_SETSCROLLINFO: {
            const LRESULT result = CallPrevious(message, FALSE, lParam);
            if (wParam)
                Redraw();
            return result;
        }
        case SBM_SETPOS: {
            const LRESULT result = CallPrevious(message, wParam, FALSE);
            if (lParam)
                Redraw();
            return result;
        }
        case SBM_SETRANGEREDRAW: {
            const LRESULT result = CallPrevious(SBM_SETRANGE, wParam, lParam);
            Redraw();
            return result;
        }
        case SBM_GETSCROLLINFO: {
            const LRESULT result = CallPrevious(message, wParam, lParam);
            auto* info = reinterpret_cast<SCROLLINFO*>(lParam);
            if (dragging_ && info && (info->fMask & SIF_TRACKPOS))
                info->nTrackPos = trackPos_;
            return result;
        }
        case SBM_ENABLE_ARROWS: {
            const LRESULT result = CallPrevious(message, wParam, lParam);
            Redraw();
            return result;
        }
        default:
            break;
        }
        return CSkinPaintedCtrl::WindowProc(message, wParam, lParam);
    }

protected:
    int HitPart(POINT point) override
    {
        RECT client;
        GetClientRect(window_, &client);
        if (!PtInRect(&client, point) || SizeBox())
            return -1;
        const Layout layout = Lay();
        for (int part : {SKIN_SB_ARROW1, SKIN_SB_ARROW2, SKIN_SB_THUMB, SKIN_SB_PAGE1, SKIN_SB_PAGE2}) {
            const RECT box = layout.Rect(part, Vertical(), client);
            if (PtInRect(&box, point))
                return part;
        }
        return -1;
    }

private:
    // Positions along the bar, in pixels from its start.
    struct Layout {
        int length = 0;
        int arrow = 0;
        int thumbStart = 0;
        int thumbLength = 0; // 0: no thumb (nothing to scroll, or no room)
        SCROLLINFO info = {};

        RECT Rect(int part, bool vertical, const RECT& client) const
        {
            int from = 0, to = 0;
            const int trackEnd = length - arrow;
            const int pageSplit = thumbLength ? thumbStart : arrow + (trackEnd - arrow) / 2;
            switch (part) {
            case SKIN_SB_ARROW1: from = 0, to = arrow; break;
            case SKIN_SB_ARROW2: from = trackEnd, to = length; break;
            case SKIN_SB_PAGE1: from = arrow, to = pageSplit; break;
            case SKIN_SB_PAGE2: from = thumbLength ? thumbStart + thumbLength : pageSplit, to = trackEnd; break;
            case SKIN_SB_THUMB: from = thumbStart, to = thumbStart + thumbLength; break;
            default: break;
            }
            if (to <= from)
                return {};
            return vertical ? RECT{0, from, client.right, to} : RECT{from, 0, to, client.bottom};
        }
        int MaxPosition() const { return std::max(info.nMin, info.nMax - std::max(int(info.nPage) - 1, 0)); }
    };

    bool Vertical() const { return GetWindowLongPtrA(window_, GWL_STYLE) & SBS_VERT; }
    bool SizeBox() const { return GetWindowLongPtrA(window_, GWL_STYLE) & (SBS_SIZEBOX | SBS_SIZEGRIP); }

    Layout Lay()
    {
        Layout l;
        RECT client;
        GetClientRect(window_, &client);
        const bool vertical = Vertical();
        l.length = vertical ? client.bottom : client.right;
        const int thickness = vertical ? client.right : client.bottom;
        l.arrow = std::min(thickness, l.length / 2);
        l.info.cbSize = sizeof l.info;
        l.info.fMask = SIF_ALL;
        CallPrevious(SBM_GETSCROLLINFO, 0, reinterpret_cast<LPARAM>(&l.info));
        const int track = l.length - 2 * l.arrow;
        const long long range = (long long)l.info.nMax - l.info.nMin + 1;
        if (range <= 0 || (l.info.nPage && l.info.nPage >= range) || !IsWindowEnabled(window_))
            return l;
        int thumb = l.info.nPage ? int(track * (long long)l.info.nPage / range) : thickness;
        thumb = std::max(thumb, std::min(kMinThumb, thickness));
        if (thumb > track)
            return l;
        const int maxPosition = l.MaxPosition();
        const int position = dragging_ ? trackPos_ : l.info.nPos;
        const long long span = (long long)maxPosition - l.info.nMin;
        const long long offset =
            span > 0 ? (long long)(track - thumb) * (std::clamp(position, l.info.nMin, maxPosition) - l.info.nMin) / span : 0;
        l.thumbLength = thumb;
        l.thumbStart = l.arrow + int(offset);
        return l;
    }

    int StateOf(int part, const Layout& layout) const
    {
        if (!IsWindowEnabled(window_) || (!layout.thumbLength && part != SKIN_SB_ARROW1 && part != SKIN_SB_ARROW2))
            return SKIN_SBS_DISABLED;
        if (!layout.thumbLength)
            return SKIN_SBS_DISABLED;
        if (part == pressedPart_ && (dragging_ || hotPart_ == part))
            return SKIN_SBS_PRESSED;
        if (part == hotPart_ && pressedPart_ < 0)
            return SKIN_SBS_HIGHLIGHTED;
        return SKIN_SBS_NORMAL;
    }

    static int CodeOf(int part)
    {
        switch (part) {
        case SKIN_SB_ARROW1: return SB_LINEUP;
        case SKIN_SB_ARROW2: return SB_LINEDOWN;
        case SKIN_SB_PAGE1: return SB_PAGEUP;
        default: return SB_PAGEDOWN;
        }
    }

    void Scroll(int code, int position)
    {
        HWND parent = GetParent(window_);
        if (parent)
            SendMessageA(parent, Vertical() ? WM_VSCROLL : WM_HSCROLL, MAKEWPARAM(code, position),
                         reinterpret_cast<LPARAM>(window_));
        Redraw();
    }

    void OnButtonDown(POINT point)
    {
        const int part = HitPart(point);
        if (part < 0 || !Lay().thumbLength)
            return;
        HWND window = window_;
        if (GetWindowLongPtrA(window, GWL_STYLE) & WS_TABSTOP)
            SetFocus(window);
        pressedPart_ = hotPart_ = part;
        lastPoint_ = point;
        SetCapture(window);
        if (part == SKIN_SB_THUMB) {
            const Layout layout = Lay();
            dragging_ = true;
            trackPos_ = layout.info.nPos;
            grabOffset_ = (Vertical() ? point.y : point.x) - layout.thumbStart;
            Redraw();
            return;
        }
        SetTimer(window, kRepeatTimer, kRepeatMilliseconds, nullptr);
        Scroll(CodeOf(part), 0);
    }

    void OnMouseMove(POINT point)
    {
        lastPoint_ = point;
        const int part = HitPart(point);
        if (part != hotPart_) {
            hotPart_ = part;
            Redraw();
        }
        if (!dragging_)
            return;
        dragging_ = false; // the layout of the stored position, not the dragged one
        const Layout layout = Lay();
        dragging_ = true;
        const int free = layout.length - 2 * layout.arrow - layout.thumbLength;
        const int maxPosition = layout.MaxPosition();
        int position = layout.info.nMin;
        if (free > 0) {
            const int offset = std::clamp(int(Vertical() ? point.y : point.x) - grabOffset_ - layout.arrow, 0, free);
            position = layout.info.nMin + int((long long)offset * (maxPosition - layout.info.nMin) / free);
        }
        if (position != trackPos_) {
            trackPos_ = position;
            Scroll(SB_THUMBTRACK, position);
        }
    }

    // Ends a press: the timer and the capture go; notify sends the last
    // position of a drag and SB_ENDSCROLL as the system's bar does.
    void EndPress(bool notify)
    {
        if (pressedPart_ < 0 || !window_)
            return;
        const bool dragged = dragging_;
        pressedPart_ = -1;
        dragging_ = false;
        KillTimer(window_, kRepeatTimer);
        if (GetCapture() == window_)
            ReleaseCapture();
        if (notify) {
            if (dragged)
                Scroll(SB_THUMBPOSITION, trackPos_);
            Scroll(SB_ENDSCROLL, 0);
        }
        Redraw();
    }

    POINT lastPoint_ = {};
    bool dragging_ = false;
    int trackPos_ = 0;
    int grabOffset_ = 0;
};

} // namespace

std::unique_ptr<CSkinCtrl> CreateScrollBarControlSkin(CSkinWnd* parent, uint32_t type)
{
    return std::make_unique<CSkinScrollBarCtrl>(parent, type);
}

} // namespace glint
