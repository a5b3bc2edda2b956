// Trackbar, up-down and tab control: the system's class keeps the position,
// the arrows' repeat and the selection; the skin object paints them from the
// pictures of the definition, by the state of each part.
#include "skin/runtime/controls/SkinCommonControls.h"

#include "skin/file/SkinDefinitions.h"
#include "skin/file/gdi/SkinDraw.h"
#include "skin/runtime/controls/SkinPaintedCtrl.h"

#include <commctrl.h>

#include <algorithm>

namespace glint {

namespace {

// ---- trackbar ----

class CSkinTrackbar : public CSkinPaintedCtrl {
public:
    using CSkinPaintedCtrl::CSkinPaintedCtrl;

    void Draw(HDC dc) override
    {
        const auto* d = dynamic_cast<const CTrackbarDefinition*>(definition_);
        if (!d)
            return;
        RECT client;
        GetClientRect(window_, &client);
        const LONG_PTR style = GetWindowLongPtrA(window_, GWL_STYLE);
        const bool vertical = style & TBS_VERT;
        if (d->transparent)
            DrawParentBack(dc, client);
        else
            DrawGrid(dc, d->baseImage, client, d->backColour);

        RECT channel = {};
        SendMessageA(window_, TBM_GETCHANNELRECT, 0, reinterpret_cast<LPARAM>(&channel));
        // The control answers a vertical channel as if it lay horizontally.
        if (vertical && channel.right - channel.left > channel.bottom - channel.top)
            channel = {channel.top, channel.left, channel.bottom, channel.right};
        if (d->channel.IsEmpty())
            DrawEdge(dc, &channel, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
        else
            DrawGrid(dc, d->channel, channel, d->backColour);

        if (!(style & TBS_NOTICKS))
            DrawTicks(dc, channel, vertical);

        RECT thumb = {};
        SendMessageA(window_, TBM_GETTHUMBRECT, 0, reinterpret_cast<LPARAM>(&thumb));
        const SkinGridRef& picture = vertical ? d->thumbVertical : d->thumbHorizontal;
        if (picture.IsEmpty())
            DrawFrameControl(dc, &thumb, DFC_BUTTON, DFCS_BUTTONPUSH | (Enabled() ? 0 : DFCS_INACTIVE));
        else
            DrawGrid(dc, picture, thumb, d->backColour);
        // Disabled: the whole control faded half way to the dialog face.
        if (!Enabled())
            Fade(dc, client, GetSysColor(COLOR_BTNFACE));
        if (Focused() && !(SendMessageA(window_, WM_QUERYUISTATE, 0, 0) & UISF_HIDEFOCUS))
            DrawFocusRect(dc, &client);
    }

protected:
    bool RepaintsAfter(UINT message) const override
    {
        return message == TBM_SETPOS || message == TBM_SETRANGE || message == TBM_SETRANGEMIN ||
               message == TBM_SETRANGEMAX || message == TBM_SETTIC || message == TBM_CLEARTICS;
    }

private:
    void DrawTicks(HDC dc, const RECT& channel, bool vertical)
    {
        const int inner = std::max(0, int(SendMessageA(window_, TBM_GETNUMTICS, 0, 0)) - 2);
        const COLORREF colour = FontColour(GetSysColor(COLOR_BTNTEXT));
        RECT client;
        GetClientRect(window_, &client);
        auto tick = [&](int at) {
            RECT mark = vertical ? RECT{client.right - 6, at, client.right - 3, at + 1}
                                 : RECT{at, client.bottom - 6, at + 1, client.bottom - 3};
            FillColour(dc, mark, colour);
        };
        RECT thumb = {};
        SendMessageA(window_, TBM_GETTHUMBRECT, 0, reinterpret_cast<LPARAM>(&thumb));
        const int half = vertical ? (thumb.bottom - thumb.top) / 2 : (thumb.right - thumb.left) / 2;
        tick(vertical ? channel.top + half : channel.left + half);
        tick(vertical ? channel.bottom - half - 1 : channel.right - half - 1);
        for (int i = 0; i < inner; ++i) {
            const int at = int(SendMessageA(window_, TBM_GETTICPOS, i, 0));
            if (at >= 0)
                tick(at);
        }
    }
};

// ---- up-down ----

enum UpDownHalf { UPDOWN_UP = 0, UPDOWN_DOWN = 1 };

class CSkinUpDown : public CSkinPaintedCtrl {
public:
    using CSkinPaintedCtrl::CSkinPaintedCtrl;

    void Draw(HDC dc) override
    {
        const auto* d = dynamic_cast<const CUpDownDefinition*>(definition_);
        if (!d)
            return;
        RECT client;
        GetClientRect(window_, &client);
        FillColour(dc, client, d->backColour);
        for (int half : {UPDOWN_UP, UPDOWN_DOWN}) {
            const RECT box = Half(half);
            // States of the definition: normal, hover, pressed, disabled.
            const int state = !Enabled()                                        ? 3
                              : pressedPart_ == half && hotPart_ == half         ? 2
                              : hotPart_ == half && pressedPart_ < 0             ? 1
                                                                                 : 0;
            const SkinImageRef& picture = half == UPDOWN_UP ? d->states[size_t(state)].up : d->states[size_t(state)].down;
            const bool horizontal = Horizontal();
            if (!picture.IsEmpty() && horizontal) {
                // The pictures point up and down: turned, up points left and down right.
                const SkinImageRef& turned = half == UPDOWN_UP ? d->states[size_t(state)].down : d->states[size_t(state)].up;
                DrawTurned(dc, box, [&turned, d](HDC target, const RECT& r) {
                    DrawImageRef(target, Store(), turned, r, &d->backColour);
                });
            } else if (picture.IsEmpty()) {
                UINT kind = half == UPDOWN_UP ? (horizontal ? DFCS_SCROLLRIGHT : DFCS_SCROLLUP)
                                              : (horizontal ? DFCS_SCROLLLEFT : DFCS_SCROLLDOWN);
                RECT r = box;
                DrawFrameControl(dc, &r, DFC_SCROLL,
                                 kind | (state == 3 ? DFCS_INACTIVE : 0) | (state == 2 ? DFCS_PUSHED : 0));
            } else {
                DrawImageRef(dc, Store(), picture, box, &d->backColour);
            }
        }
    }

protected:
    int HitPart(POINT point) override
    {
        for (int half : {UPDOWN_UP, UPDOWN_DOWN}) {
            const RECT box = Half(half);
            if (PtInRect(&box, point))
                return half;
        }
        return -1;
    }

private:
    bool Horizontal() const { return GetWindowLongPtrA(window_, GWL_STYLE) & UDS_HORZ; }

    // A horizontal control has its "up" (increasing) half on the right.
    RECT Half(int half) const
    {
        RECT client;
        GetClientRect(window_, &client);
        if (Horizontal()) {
            const int middle = client.right / 2;
            return half == UPDOWN_UP ? RECT{middle, 0, client.right, client.bottom} : RECT{0, 0, middle, client.bottom};
        }
        const int middle = client.bottom / 2;
        return half == UPDOWN_UP ? RECT{0, 0, client.right, middle} : RECT{0, middle, client.right, client.bottom};
    }
};

// ---- tab control ----

// States of the definition: normal, pressed (the selected tab), disabled, hovered.
enum TabState { TAB_NORMAL = 0, TAB_SELECTED = 1, TAB_DISABLED = 2, TAB_HOVERED = 3 };

class CSkinTab : public CSkinPaintedCtrl {
public:
    using CSkinPaintedCtrl::CSkinPaintedCtrl;

    void Draw(HDC dc) override
    {
        const auto* d = dynamic_cast<const CTabDefinition*>(definition_);
        if (!d)
            return;
        RECT client;
        GetClientRect(window_, &client);
        if (d->transparent)
            DrawParentBack(dc, client);
        else
            DrawGrid(dc, d->baseImage, client, d->backColour);
        const int count = int(SendMessageA(window_, TCM_GETITEMCOUNT, 0, 0));
        const int selected = int(SendMessageA(window_, TCM_GETCURSEL, 0, 0));
        RECT page = client;
        SendMessageA(window_, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&page));
        RECT frame = {client.left, page.top - 4, client.right, client.bottom};
        if (count > 0) {
            RECT first;
            if (SendMessageA(window_, TCM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&first)))
                frame.top = first.bottom;
        }
        if (d->frame.IsEmpty())
            DrawEdge(dc, &frame, EDGE_RAISED, BF_RECT);
        else
            DrawGrid(dc, d->frame, frame, d->backColour);
        for (int i = 0; i < count; ++i)
            if (i != selected)
                DrawTab(dc, *d, i, false);
        // The selected tab last, a little larger, over its neighbours and the frame's edge.
        if (selected >= 0 && selected < count)
            DrawTab(dc, *d, selected, true);
    }

protected:
    bool RepaintsAfter(UINT message) const override
    {
        return message == TCM_SETCURSEL || message == TCM_INSERTITEMA || message == TCM_INSERTITEMW ||
               message == TCM_DELETEITEM || message == TCM_SETITEMA || message == TCM_SETITEMW;
    }

    int HitPart(POINT point) override
    {
        TCHITTESTINFO hit = {point, 0};
        return int(SendMessageA(window_, TCM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
    }

private:
    void DrawTab(HDC dc, const CTabDefinition& d, int index, bool selected)
    {
        RECT box;
        if (!SendMessageA(window_, TCM_GETITEMRECT, index, reinterpret_cast<LPARAM>(&box)))
            return;
        const int state = !Enabled() ? TAB_DISABLED : selected ? TAB_SELECTED : index == hotPart_ ? TAB_HOVERED : TAB_NORMAL;
        if (selected)
            InflateRect(&box, 2, 2);
        DrawGrid(dc, d.states[size_t(state)].image, box, d.backColour);
        char text[260] = {};
        TCITEMA item = {};
        item.mask = TCIF_TEXT | TCIF_IMAGE;
        item.pszText = text;
        item.cchTextMax = sizeof text;
        SendMessageA(window_, TCM_GETITEMA, index, reinterpret_cast<LPARAM>(&item));
        RECT inner = box;
        InflateRect(&inner, -4, -2);
        auto images = reinterpret_cast<HIMAGELIST>(SendMessageA(window_, TCM_GETIMAGELIST, 0, 0));
        int cx = 0, cy = 0;
        if (images && item.iImage >= 0 && ImageList_GetIconSize(images, &cx, &cy)) {
            ImageList_Draw(images, item.iImage, dc, inner.left, (inner.top + inner.bottom - cy) / 2, ILD_TRANSPARENT);
            inner.left += cx + 3;
        }
        DrawControlText(dc, d.states[size_t(state)].effect, text, inner,
                        DT_CENTER | DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS, false);
        if (selected && Focused() && !(SendMessageA(window_, WM_QUERYUISTATE, 0, 0) & UISF_HIDEFOCUS)) {
            RECT focus = box;
            InflateRect(&focus, -3, -3);
            DrawFocusRect(dc, &focus);
        }
    }
};

} // namespace

std::unique_ptr<CSkinCtrl> CreateTrackbarSkin(CSkinWnd* parent, uint32_t type)
{
    return std::make_unique<CSkinTrackbar>(parent, type);
}

std::unique_ptr<CSkinCtrl> CreateUpDownSkin(CSkinWnd* parent, uint32_t type)
{
    return std::make_unique<CSkinUpDown>(parent, type);
}

std::unique_ptr<CSkinCtrl> CreateTabSkin(CSkinWnd* parent, uint32_t type)
{
    return std::make_unique<CSkinTab>(parent, type);
}

} // namespace glint
