// The controls whose look is a background, a few pictures and some text:
// static and link window, progress bar, status bar, header, rebar, toolbar
// and control bar; and the registration of every kind of this folder.
#include "skin/runtime/controls/SkinCommonControls.h"

#include "skin/file/SkinDefinitions.h"
#include "skin/file/SkinTypes.h"
#include "skin/runtime/SkinControlKinds.h"
#include "skin/runtime/SkinRegistry.h"
#include "skin/runtime/controls/SkinPaintedCtrl.h"

#include <commctrl.h>

#include <algorithm>
#include <string>

namespace glint {

namespace {

bool StyleBits(LONG_PTR style, LONG_PTR bits) { return (style & bits) == bits; }

std::string WindowText(HWND window, int most)
{
    std::string text(size_t(most) + 1, '\0');
    text.resize(size_t(GetWindowTextA(window, text.data(), most + 1)));
    return text;
}

// ---- static and link window ----

// Filled rectangles, hollow frames and etched lines.
bool IsShapeStatic(LONG_PTR style)
{
    const LONG_PTR kind = style & SS_TYPEMASK;
    return (kind >= SS_BLACKRECT && kind <= SS_WHITEFRAME) || (kind >= SS_ETCHEDHORZ && kind <= SS_ETCHEDFRAME);
}

class CSkinStatic : public CSkinPaintedCtrl {
public:
    using CSkinPaintedCtrl::CSkinPaintedCtrl;

    LONG_PTR Attach(HWND window) override
    {
        const LONG_PTR style = GetWindowLongPtrA(window, GWL_STYLE);
        // Simple and owner-drawn statics keep the system's look, and so do
        // rectangles, frames and etched lines: they carry no text, and painted
        // as a skinned text box a frame would cover what its program shows
        // inside it (the settings dialog's picture).
        if (StyleBits(style, 0x0B) || StyleBits(style, 0x0D) || IsShapeStatic(style))
            return 0;
        const LONG_PTR result = CSkinPaintedCtrl::Attach(window);
        if (result && Transparent()) {
            SetWindowLongPtrA(window, GWL_EXSTYLE, GetWindowLongPtrA(window, GWL_EXSTYLE) | WS_EX_TRANSPARENT);
            RepaintParentUnder(window);
        }
        return result;
    }

    void Draw(HDC dc) override
    {
        const auto* d = dynamic_cast<const CStaticDefinition*>(definition_);
        RECT client;
        GetClientRect(window_, &client);
        const LONG_PTR style = GetWindowLongPtrA(window_, GWL_STYLE);
        if (d && d->transparent)
            DrawParentBack(dc, client);
        else
            DrawGrid(dc, d ? d->baseImage : SkinGridRef{}, client, d ? d->backColour : GetSysColor(COLOR_BTNFACE));
        if (StyleBits(style, SS_ICON)) {
            auto icon = reinterpret_cast<HICON>(SendMessageA(window_, STM_GETICON, 0, 0));
            if (!icon)
                icon = reinterpret_cast<HICON>(SendMessageA(window_, STM_GETIMAGE, IMAGE_ICON, 0));
            if (icon)
                DrawIconEx(dc, 0, 0, icon, 0, 0, 0, nullptr, DI_NORMAL);
            return;
        }
        if (StyleBits(style, SS_BITMAP)) {
            DrawBitmap(dc, reinterpret_cast<HBITMAP>(SendMessageA(window_, STM_GETIMAGE, IMAGE_BITMAP, 0)));
            return;
        }
        const LONG_PTR kind = style & SS_TYPEMASK;
        UINT format = (style & SS_CENTER) ? DT_CENTER : (style & SS_RIGHT) ? DT_RIGHT : DT_LEFT;
        format |= StyleBits(style, 0x0C) ? DT_SINGLELINE : DT_WORDBREAK;
        if (kind == SS_SIMPLE)
            format |= DT_SINGLELINE;
        if (style & SS_CENTERIMAGE)
            format |= DT_VCENTER | DT_SINGLELINE;
        if (style & SS_NOPREFIX)
            format |= DT_NOPREFIX;
        const std::string text = WindowText(window_, 300);
        DrawControlText(dc, d ? d->textEffect : DefaultTextEffect(), text.c_str(), client, format, !Enabled());
    }

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message == WM_SETTEXT && previousProc_) {
            const LRESULT result = CSkinPaintedCtrl::WindowProc(message, wParam, lParam);
            if (Transparent())
                RepaintParentUnder(window_);
            Redraw();
            return result;
        }
        return CSkinPaintedCtrl::WindowProc(message, wParam, lParam);
    }

private:
    bool Transparent() const
    {
        const auto* d = dynamic_cast<const CStaticDefinition*>(definition_);
        return d && d->transparent;
    }

    static void RepaintParentUnder(HWND window)
    {
        HWND parent = GetParent(window);
        RECT area;
        GetWindowRect(window, &area);
        MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&area), 2);
        InvalidateRect(parent, &area, TRUE);
    }

    void DrawBitmap(HDC dc, HBITMAP bitmap)
    {
        BITMAP info;
        if (!bitmap || !GetObjectA(bitmap, sizeof info, &info))
            return;
        HDC memory = CreateCompatibleDC(dc);
        HGDIOBJ old = SelectObject(memory, bitmap);
        BitBlt(dc, 0, 0, info.bmWidth, info.bmHeight, memory, 0, 0, SRCCOPY);
        SelectObject(memory, old);
        DeleteDC(memory);
    }
};

// ---- progress bar ----

class CSkinProgress : public CSkinPaintedCtrl {
public:
    using CSkinPaintedCtrl::CSkinPaintedCtrl;

    void Draw(HDC dc) override
    {
        const auto* d = dynamic_cast<const CProgressDefinition*>(definition_);
        if (!d)
            return;
        RECT client;
        GetClientRect(window_, &client);
        PBRANGE range = {};
        SendMessageA(window_, PBM_GETRANGE, FALSE, reinterpret_cast<LPARAM>(&range));
        const int position = int(SendMessageA(window_, PBM_GETPOS, 0, 0));
        const bool vertical = GetWindowLongPtrA(window_, GWL_STYLE) & PBS_VERTICAL;
        const int length = vertical ? client.bottom : client.right;
        const int filled = FilledLength(position, range.iLow, range.iHigh, length);
        auto paint = [d, filled](HDC target, const RECT& box) {
            DrawGrid(target, d->baseImage, box, d->backColour);
            if (filled > 0)
                DrawGrid(target, d->progressImage, {box.left, box.top, box.left + filled, box.bottom}, d->textColour);
        };
        if (vertical)
            DrawTurned(dc, client, paint);
        else
            paint(dc, client);
        SIZE room = {};
        const bool fits = GetTextExtentPoint32A(dc, "100%", 4, &room) && room.cx < client.right;
        if (d->usePercent && fits && range.iHigh > range.iLow) {
            const long long percent = (long long)(std::clamp(position, range.iLow, range.iHigh) - range.iLow) * 100 /
                                      (range.iHigh - range.iLow);
            const std::string text = std::to_string(percent) + "%";
            SkinTextEffect effect = DefaultTextEffect();
            effect.SetTextColour(FontColour(GetSysColor(COLOR_BTNTEXT)));
            effect.flags &= ~1u;
            DrawControlText(dc, effect, text.c_str(), client, DT_CENTER | DT_VCENTER | DT_SINGLELINE, false);
        }
    }

    bool RepaintsAfter(UINT message) const override
    {
        return message == PBM_SETPOS || message == PBM_DELTAPOS || message == PBM_STEPIT || message == PBM_SETRANGE ||
               message == PBM_SETRANGE32;
    }

    // The filled share of a bar of the given length, clamped to it.
    static int FilledLength(int position, int low, int high, int length)
    {
        if (high <= low || length <= 0)
            return 0;
        const long long done = std::clamp(position, low, high) - (long long)low;
        return int(done * length / ((long long)high - low));
    }
};

// ---- status bar ----

class CSkinStatusBar : public CSkinPaintedCtrl {
public:
    using CSkinPaintedCtrl::CSkinPaintedCtrl;

    void Draw(HDC dc) override
    {
        const auto* d = dynamic_cast<const CStatusBarDefinition*>(definition_);
        if (!d)
            return;
        RECT client;
        GetClientRect(window_, &client);
        DrawGrid(dc, d->baseImage, client, GetSysColor(COLOR_3DFACE));
        SkinTextEffect effect = DefaultTextEffect();
        effect.SetTextColour(FontColour(GetSysColor(COLOR_BTNTEXT)));
        effect.flags &= ~1u;
        const bool simple = SendMessageA(window_, SB_ISSIMPLE, 0, 0);
        const int parts = simple ? 1 : std::clamp(int(SendMessageA(window_, SB_GETPARTS, 0, 0)), 0, 256);
        for (int i = 0; i < parts; ++i) {
            const WPARAM index = simple ? SB_SIMPLEID : WPARAM(i);
            RECT part = client;
            if (!simple && !SendMessageA(window_, SB_GETRECT, index, reinterpret_cast<LPARAM>(&part)))
                continue;
            DrawGrid(dc, d->itemImage, part, d->backColour);
            std::string text(LOWORD(SendMessageA(window_, SB_GETTEXTLENGTHA, index, 0)) + 1, '\0');
            SendMessageA(window_, SB_GETTEXTA, index, reinterpret_cast<LPARAM>(text.data()));
            InflateRect(&part, -4, 0);
            DrawControlText(dc, effect, text.c_str(), part, DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS, false);
        }
        if (GetWindowLongPtrA(window_, GWL_STYLE) & SBARS_SIZEGRIP) {
            const int size = GetSystemMetrics(SM_CXVSCROLL);
            RECT grip = {client.right - size, client.bottom - size, client.right, client.bottom};
            DrawFrameControl(dc, &grip, DFC_SCROLL, DFCS_SCROLLSIZEGRIP | DFCS_TRANSPARENT);
        }
    }

    bool RepaintsAfter(UINT message) const override
    {
        return message == SB_SETTEXTA || message == SB_SETTEXTW || message == SB_SETPARTS || message == SB_SIMPLE;
    }
};

// ---- header ----

class CSkinHeader : public CSkinPaintedCtrl {
public:
    using CSkinPaintedCtrl::CSkinPaintedCtrl;

    void Draw(HDC dc) override
    {
        const auto* d = dynamic_cast<const CHeaderDefinition*>(definition_);
        if (!d)
            return;
        RECT client;
        GetClientRect(window_, &client);
        DrawGrid(dc, d->baseImage, client, d->backColour);
        const int count = int(SendMessageA(window_, HDM_GETITEMCOUNT, 0, 0));
        for (int i = 0; i < count; ++i) {
            RECT item;
            if (!SendMessageA(window_, HDM_GETITEMRECT, i, reinterpret_cast<LPARAM>(&item)))
                continue;
            DrawGrid(dc, d->item, item, d->backColour);
            char text[260] = {};
            HDITEMA info = {};
            info.mask = HDI_TEXT | HDI_FORMAT;
            info.pszText = text;
            info.cchTextMax = sizeof text;
            SendMessageA(window_, HDM_GETITEMA, i, reinterpret_cast<LPARAM>(&info));
            const int align = info.fmt & HDF_JUSTIFYMASK;
            RECT box = item;
            InflateRect(&box, -6, 0);
            if (i == pressedPart_ && i == hotPart_)
                OffsetRect(&box, 1, 1);
            const UINT format = (align == HDF_CENTER ? DT_CENTER : align == HDF_RIGHT ? DT_RIGHT : DT_LEFT) |
                                DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS;
            DrawControlText(dc, d->textEffect, text, box, format, !Enabled());
        }
    }

protected:
    int HitPart(POINT point) override
    {
        HDHITTESTINFO hit = {};
        hit.pt = point;
        const int item = int(SendMessageA(window_, HDM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
        return (hit.flags & HHT_ONHEADER) ? item : -1;
    }
};

// ---- rebar ----

class CSkinRebar : public CSkinPaintedCtrl {
public:
    using CSkinPaintedCtrl::CSkinPaintedCtrl;

    void Draw(HDC dc) override
    {
        const auto* d = dynamic_cast<const CRebarDefinition*>(definition_);
        if (!d)
            return;
        RECT client;
        GetClientRect(window_, &client);
        DrawGrid(dc, d->baseImage, client, d->backColour);
        SkinTextEffect effect = DefaultTextEffect();
        effect.SetTextColour(FontColour(GetSysColor(COLOR_BTNTEXT)));
        effect.flags &= ~1u;
        const int count = int(SendMessageA(window_, RB_GETBANDCOUNT, 0, 0));
        for (int i = 0; i < count; ++i) {
            RECT band;
            if (!SendMessageA(window_, RB_GETRECT, i, reinterpret_cast<LPARAM>(&band)))
                continue;
            DrawGrid(dc, d->bandImage, band, d->backColour);
            char text[260] = {};
            REBARBANDINFOA info = {};
            info.cbSize = sizeof info;
            info.fMask = RBBIM_TEXT | RBBIM_CHILD;
            info.lpText = text;
            info.cch = sizeof text;
            SendMessageA(window_, RB_GETBANDINFOA, i, reinterpret_cast<LPARAM>(&info));
            RECT box = band;
            box.left += 10; // past the gripper
            if (info.hwndChild) {
                RECT child;
                GetWindowRect(info.hwndChild, &child);
                MapWindowPoints(nullptr, window_, reinterpret_cast<POINT*>(&child), 2);
                box.right = child.left;
            }
            DrawControlText(dc, effect, text, box, DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS, !Enabled());
        }
    }
};

// ---- toolbar and control bar ----

class CSkinToolbar : public CSkinPaintedCtrl {
public:
    using CSkinPaintedCtrl::CSkinPaintedCtrl;

    void Draw(HDC dc) override
    {
        const auto* d = dynamic_cast<const CToolbarDefinition*>(definition_);
        if (!d)
            return;
        RECT client;
        GetClientRect(window_, &client);
        // The base image, else the first of the five grids, else the back colour.
        const SkinGridRef& picture = d->baseImage.IsEmpty() ? d->grids[0] : d->baseImage;
        auto background = [d, &picture](HDC target, const RECT& box) { DrawGrid(target, picture, box, d->backColour); };
        if (DockedSideways())
            DrawTurned(dc, client, background);
        else
            background(dc, client);
        const int count = int(SendMessageA(window_, TB_BUTTONCOUNT, 0, 0));
        const int hot = int(SendMessageA(window_, TB_GETHOTITEM, 0, 0));
        for (int i = 0; i < count; ++i)
            DrawButton(dc, *d, i, false);
        if (hot >= 0 && hot < count)
            DrawButton(dc, *d, hot, true);
    }

private:
    // Grids after the background: 1 normal, 2 hot, 3 pressed, 4 checked; a
    // disabled button is a normal one with a greyed image.
    void DrawButton(HDC dc, const CToolbarDefinition& d, int index, bool hot)
    {
        TBBUTTON button = {};
        RECT box;
        if (!SendMessageA(window_, TB_GETBUTTON, index, reinterpret_cast<LPARAM>(&button)) ||
            !SendMessageA(window_, TB_GETITEMRECT, index, reinterpret_cast<LPARAM>(&box)) ||
            (button.fsState & TBSTATE_HIDDEN))
            return;
        if (button.fsStyle & BTNS_SEP) {
            const int x = (box.left + box.right) / 2;
            RECT line = {x - 1, box.top + 2, x + 1, box.bottom - 2};
            DrawEdge(dc, &line, EDGE_ETCHED, BF_LEFT);
            return;
        }
        const bool enabled = (button.fsState & TBSTATE_ENABLED) && Enabled();
        const int grid = !enabled                             ? 1
                         : (button.fsState & TBSTATE_PRESSED) ? 3
                         : (button.fsState & TBSTATE_CHECKED) ? 4
                         : hot                                ? 2
                                                              : 1;
        DrawGrid(dc, d.grids[size_t(grid)], box, d.backColour);
        auto images = reinterpret_cast<HIMAGELIST>(SendMessageA(window_, TB_GETIMAGELIST, 0, 0));
        int cx = 0, cy = 0;
        if (!images || !ImageList_GetIconSize(images, &cx, &cy))
            return;
        const int shift = (button.fsState & (TBSTATE_PRESSED | TBSTATE_CHECKED)) ? 1 : 0;
        const int x = (box.left + box.right - cx) / 2 + shift, y = box.top + (box.bottom - box.top - cy) / 2 + shift;
        if (enabled) {
            ImageList_Draw(images, button.iBitmap, dc, x, y, ILD_TRANSPARENT);
        } else if (HICON icon = ImageList_GetIcon(images, button.iBitmap, ILD_TRANSPARENT)) {
            DrawStateA(dc, nullptr, nullptr, reinterpret_cast<LPARAM>(icon), 0, x, y, cx, cy, DST_ICON | DSS_DISABLED);
            DestroyIcon(icon);
        }
    }

    // Docked on the left or right of an MFC frame: the background turns with the bar.
    bool DockedSideways() const
    {
        HWND parent = GetParent(window_);
        char name[32] = {};
        if (!parent || !GetClassNameA(parent, name, sizeof name) ||
            (strcmp(name, "AfxControlBar42sd") != 0 && strcmp(name, "AfxControlBar42s") != 0))
            return false;
        return GetWindowLongPtrA(parent, GWL_STYLE) & (0x1000 | 0x4000);
    }
};

class CSkinControlBar : public CSkinPaintedCtrl {
public:
    using CSkinPaintedCtrl::CSkinPaintedCtrl;

    void Draw(HDC dc) override
    {
        const auto* d = dynamic_cast<const CSkinDefinition*>(definition_);
        if (!d)
            return;
        RECT client;
        GetClientRect(window_, &client);
        DrawGrid(dc, d->baseImage, client, d->backColour);
    }
};

template <class T>
std::unique_ptr<CSkinCtrl> Make(CSkinWnd* parent, uint32_t type)
{
    return std::make_unique<T>(parent, type);
}

} // namespace

void RegisterCommonControlSkins(CSkinRegistry& registry)
{
    registry.SetControlCreator(SKIN_STATIC, Make<CSkinStatic>);
    registry.SetControlCreator(SKIN_LINK_WINDOW, Make<CSkinStatic>);
    registry.SetControlCreator(SKIN_PROGRESS, Make<CSkinProgress>);
    registry.SetControlCreator(SKIN_STATUS_BAR, Make<CSkinStatusBar>);
    registry.SetControlCreator(SKIN_HEADER, Make<CSkinHeader>);
    registry.SetControlCreator(SKIN_REBAR, Make<CSkinRebar>);
    registry.SetControlCreator(SKIN_TOOLBAR, Make<CSkinToolbar>);
    registry.SetControlCreator(SKIN_CONTROL_BAR, Make<CSkinControlBar>);
    registry.SetControlCreator(SKIN_COMBO_BOX, CreateComboBoxSkin);
    registry.SetControlCreator(SKIN_TRACKBAR, CreateTrackbarSkin);
    registry.SetControlCreator(SKIN_UP_DOWN, CreateUpDownSkin);
    registry.SetControlCreator(SKIN_TAB, CreateTabSkin);
    registry.SetControlCreator(SKIN_SCROLL_BAR, CreateScrollBarControlSkin);
    registry.SetControlCreator(SKIN_ANIMATION, CreateAnimationSkin);
}

} // namespace glint
