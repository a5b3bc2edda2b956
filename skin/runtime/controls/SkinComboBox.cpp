// The combo box: face, border, drop-down button and, for a drop-down list,
// the current text. Its edit and list keep their own painting and get the
// combo's colours; the list of a simple combo box is skinned as a list box
// by the registry, the dropped list of the other kinds stays the system's.
#include "skin/runtime/controls/SkinCommonControls.h"

#include "skin/file/SkinDefinitions.h"
#include "skin/runtime/controls/SkinPaintedCtrl.h"

#include <string>

namespace glint {

namespace {

enum ComboPart { COMBO_BUTTON = 0 };

class CSkinComboBox : public CSkinPaintedCtrl {
public:
    using CSkinPaintedCtrl::CSkinPaintedCtrl;
    ~CSkinComboBox() override { DeleteBrushes(); }

    LONG_PTR Attach(HWND window) override
    {
        // Owner-drawn combo boxes paint their items themselves.
        if (GetWindowLongPtrA(window, GWL_STYLE) & (CBS_OWNERDRAWFIXED | CBS_OWNERDRAWVARIABLE))
            return 0;
        return CSkinPaintedCtrl::Attach(window);
    }

    CSkinNode* SetDefinition(CSkinNode* definition) override
    {
        DeleteBrushes();
        return CSkinPaintedCtrl::SetDefinition(definition);
    }

    void Draw(HDC dc) override
    {
        const auto* d = dynamic_cast<const CComboBoxDefinition*>(definition_);
        if (!d)
            return;
        RECT client;
        GetClientRect(window_, &client);
        const bool enabled = Enabled();
        const LONG_PTR kind = GetWindowLongPtrA(window_, GWL_STYLE) & 3;
        COMBOBOXINFO info = {};
        info.cbSize = sizeof info;
        GetComboBoxInfo(window_, &info);
        RECT face = client;
        if (kind == CBS_SIMPLE && info.hwndList) {
            // The list fills the rest: only the edit's row is the combo's own face.
            RECT list;
            GetWindowRect(info.hwndList, &list);
            MapWindowPoints(nullptr, window_, reinterpret_cast<POINT*>(&list), 2);
            DrawParentBack(dc, client);
            face.bottom = list.top;
        }
        FillColour(dc, face, enabled ? d->backColour : d->disabledBackground);
        FrameRect(dc, &face, GetSysColorBrush(COLOR_BTNSHADOW));
        if (kind != CBS_SIMPLE) {
            const int state = !enabled ? 3 : Dropped() || pressedPart_ == COMBO_BUTTON ? 1 : hotPart_ == COMBO_BUTTON ? 2 : 0;
            DrawGrid(dc, d->thumbs[size_t(state)], info.rcButton, GetSysColor(COLOR_BTNFACE));
            if (d->thumbs[size_t(state)].IsEmpty())
                DrawFrameControl(dc, &info.rcButton, DFC_SCROLL,
                                 DFCS_SCROLLCOMBOBOX | (enabled ? 0 : DFCS_INACTIVE) | (state == 1 ? DFCS_PUSHED : 0));
        }
        if (kind == CBS_DROPDOWNLIST)
            DrawCurrentText(dc, *d, info.rcItem, enabled);
    }

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (!previousProc_)
            return CSkinPaintedCtrl::WindowProc(message, wParam, lParam);
        switch (message) {
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORLISTBOX:
        case WM_CTLCOLORSTATIC:
            if (HBRUSH brush = ChildColours(reinterpret_cast<HDC>(wParam), message != WM_CTLCOLORSTATIC && Enabled()))
                return reinterpret_cast<LRESULT>(brush);
            break;
        default:
            break;
        }
        return CSkinPaintedCtrl::WindowProc(message, wParam, lParam);
    }

protected:
    bool RepaintsAfter(UINT message) const override
    {
        return message == CB_SETCURSEL || message == CB_SHOWDROPDOWN || message == WM_SETTEXT ||
               message == CB_SELECTSTRING || message == CB_RESETCONTENT || message == CB_DELETESTRING ||
               message == WM_MOUSELEAVE;
    }

    int HitPart(POINT point) override
    {
        COMBOBOXINFO info = {};
        info.cbSize = sizeof info;
        if (!GetComboBoxInfo(window_, &info))
            return -1;
        const LONG_PTR kind = GetWindowLongPtrA(window_, GWL_STYLE) & 3;
        RECT client;
        GetClientRect(window_, &client);
        if (kind == CBS_DROPDOWNLIST)
            return PtInRect(&client, point) ? COMBO_BUTTON : -1;
        return kind != CBS_SIMPLE && PtInRect(&info.rcButton, point) ? COMBO_BUTTON : -1;
    }

private:
    bool Dropped() const { return SendMessageA(window_, CB_GETDROPPEDSTATE, 0, 0) != 0; }

    void DrawCurrentText(HDC dc, const CComboBoxDefinition& d, const RECT& item, bool enabled)
    {
        std::string text;
        const LRESULT selected = SendMessageA(window_, CB_GETCURSEL, 0, 0);
        if (selected != CB_ERR) {
            const LRESULT length = SendMessageA(window_, CB_GETLBTEXTLEN, selected, 0);
            if (length != CB_ERR) {
                text.assign(size_t(length) + 1, '\0');
                SendMessageA(window_, CB_GETLBTEXT, selected, reinterpret_cast<LPARAM>(text.data()));
            }
        }
        const bool focused = Focused() && !Dropped();
        SkinTextEffect effect = DefaultTextEffect();
        effect.flags &= ~1u;
        effect.SetTextColour(!enabled ? d.disabledText : focused ? d.focusTextColour : d.textColour);
        if (focused) {
            FillColour(dc, item, d.focusColour);
            DrawFocusRect(dc, &item);
        }
        RECT box = item;
        box.left += 2;
        DrawControlText(dc, effect, text.c_str(), box, DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS | DT_NOPREFIX,
                        false);
    }

    HBRUSH ChildColours(HDC dc, bool enabled)
    {
        const auto* d = dynamic_cast<const CComboBoxDefinition*>(definition_);
        if (!d)
            return nullptr;
        HBRUSH& brush = enabled ? backBrush_ : disabledBrush_;
        if (!brush)
            brush = CreateSolidBrush(enabled ? d->backColour : d->disabledBackground);
        SetBkColor(dc, enabled ? d->backColour : d->disabledBackground);
        SetTextColor(dc, enabled ? d->textColour : d->disabledText);
        return brush;
    }

    void DeleteBrushes()
    {
        for (HBRUSH* brush : {&backBrush_, &disabledBrush_})
            if (*brush) {
                DeleteObject(*brush);
                *brush = nullptr;
            }
    }

    HBRUSH backBrush_ = nullptr;
    HBRUSH disabledBrush_ = nullptr;
};

} // namespace

std::unique_ptr<CSkinCtrl> CreateComboBoxSkin(CSkinWnd* parent, uint32_t type)
{
    return std::make_unique<CSkinComboBox>(parent, type);
}

} // namespace glint
