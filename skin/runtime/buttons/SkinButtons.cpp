#include "skin/runtime/buttons/SkinButtons.h"

#include "image/gdi/GdiGuards.h"
#include "skin/file/SkinDefinitions.h"
#include "skin/file/SkinStore.h"
#include "skin/file/SkinTypes.h"
#include "skin/file/gdi/SkinDraw.h"
#include "skin/runtime/SkinControlKinds.h"
#include "skin/runtime/SkinMessages.h"
#include "skin/runtime/SkinRegion.h"
#include "skin/runtime/SkinRegistry.h"

#include <algorithm>
#include <cstring>

namespace glint {

namespace {

constexpr int kTextMax = 200;
// Room between a check box's box and its text.
constexpr int kBoxGap = 5;
constexpr int kTightBoxGap = 2;
// The system's check box when the skin has no box picture.
constexpr int kSystemBoxSize = 13;

int Width(const RECT& r) { return r.right - r.left; }
int Height(const RECT& r) { return r.bottom - r.top; }

uint32_t StyleOf(HWND window) { return static_cast<uint32_t>(GetWindowLongPtrA(window, GWL_STYLE)); }

std::string WindowText(HWND window)
{
    char text[kTextMax] = {};
    const int length = window ? GetWindowTextA(window, text, sizeof text) : 0;
    return std::string(text, static_cast<size_t>(std::max(length, 0)));
}

// A text a little too wide for its room is drawn with its letters a pixel
// closer: a word cut short says less than a tight one. Answers whether it did.
bool TightenToFit(HDC dc, const std::string& text, int room)
{
    SIZE extent = {};
    const int length = static_cast<int>(text.size());
    if (length < 2 || room <= 0 || !GetTextExtentPoint32A(dc, text.c_str(), length, &extent) || extent.cx <= room ||
        extent.cx - room > length - 1)
        return false;
    SetTextCharacterExtra(dc, -1);
    return true;
}

// Text placed by the button's alignment style; single-line text is cut with
// an ellipsis when it does not fit, even tightened.
void DrawButtonText(HDC dc, const SkinTextEffect& effect, std::string text, RECT box, uint32_t style,
                    UINT defaultHorizontal)
{
    // Trailing blanks show nothing and would only push an ellipsis in.
    text.erase(text.find_last_not_of(' ') + 1);
    if (text.empty() || IsRectEmpty(&box))
        return;
    UINT format = DT_NOCLIP;
    switch (style & (BS_LEFT | BS_RIGHT)) {
    case BS_LEFT: format |= DT_LEFT; break;
    case BS_RIGHT: format |= DT_RIGHT; break;
    case BS_CENTER: format |= DT_CENTER; break;
    default: format |= defaultHorizontal; break;
    }
    const int length = static_cast<int>(text.size());
    const uint32_t vertical = style & (BS_TOP | BS_BOTTOM);
    if (!(style & BS_MULTILINE)) {
        format |= DT_SINGLELINE | DT_END_ELLIPSIS;
        format |= vertical == BS_TOP ? DT_TOP : vertical == BS_BOTTOM ? DT_BOTTOM : DT_VCENTER;
        const int extra = GetTextCharacterExtra(dc);
        const bool tightened = TightenToFit(dc, text, Width(box));
        DrawTextEffect(dc, effect, text.c_str(), length, box, format);
        if (tightened)
            SetTextCharacterExtra(dc, extra);
        return;
    }
    // Several lines: measure them, then place the block.
    format |= DT_WORDBREAK;
    RECT measured = box;
    DrawSkinText(dc, text.c_str(), length, &measured, format | DT_CALCRECT);
    const int height = std::min(Height(measured), Height(box));
    if (vertical == BS_BOTTOM)
        box.top = box.bottom - height;
    else if (vertical != BS_TOP)
        box.top += (Height(box) - height) / 2;
    box.bottom = box.top + height;
    DrawTextEffect(dc, effect, text.c_str(), length, box, format);
}

HFONT DefinitionFont(const CSkinNode* definition)
{
    const auto* d = dynamic_cast<const CSkinDefinition*>(definition);
    return d ? d->fontHandle : nullptr;
}

// The region of the pixels of a grid, drawn at a size, that are not the key colour.
HRGN RegionOfGrid(CSkinStore& store, const SkinGridRef& grid, COLORREF key, SIZE size)
{
    if (grid.IsEmpty() || size.cx <= 0 || size.cy <= 0)
        return nullptr;
    gdi::ScreenDC screen;
    gdi::MemoryDC memory(screen.Get());
    gdi::GdiObject<HBITMAP> bitmap(memory ? CreateCompatibleBitmap(screen.Get(), size.cx, size.cy) : nullptr);
    if (!bitmap)
        return nullptr;
    {
        gdi::Selection selected(memory.Get(), bitmap.Get());
        const RECT all = {0, 0, size.cx, size.cy};
        gdi::GdiObject<HBRUSH> keyBrush(CreateSolidBrush(key));
        FillRect(memory.Get(), &all, keyBrush.Get());
        DrawGridRef(memory.Get(), store, grid, all);
    }
    HRGN region = CreateRegionFromBitmap(bitmap.Get(), key);
    RECT box;
    // A picture all of the key colour would hide the button: it stays rectangular.
    if (region && GetRgnBox(region, &box) == NULLREGION) {
        DeleteObject(region);
        region = nullptr;
    }
    return region;
}

// Runs call with WS_VISIBLE out of the window's style, so that the system's
// button paints nothing of its own meanwhile.
template <class Call>
LRESULT WhileHidden(HWND window, Call call)
{
    const LONG_PTR style = GetWindowLongPtrA(window, GWL_STYLE);
    if (style & WS_VISIBLE)
        SetWindowLongPtrA(window, GWL_STYLE, style & ~static_cast<LONG_PTR>(WS_VISIBLE));
    const LRESULT result = call();
    if ((style & WS_VISIBLE) && IsWindow(window))
        SetWindowLongPtrA(window, GWL_STYLE, GetWindowLongPtrA(window, GWL_STYLE) | WS_VISIBLE);
    return result;
}

} // namespace

bool IsOwnerDrawnButton(uint32_t style) { return (style & 0xB) == 0xB; }

// ---- CSkinButtonBase ----

CSkinButtonBase::CSkinButtonBase(CSkinWnd* parent, uint32_t type) : CSkinCtrl(parent, type) {}

LONG_PTR CSkinButtonBase::Attach(HWND window)
{
    if (IsOwnerDrawnButton(StyleOf(window))) {
        // Registered, so that the parent knows it, but its procedure stays.
        window_ = window;
        return 1;
    }
    return CSkinCtrl::Attach(window);
}

uint32_t CSkinButtonBase::Style() const { return window_ ? StyleOf(window_) : 0; }

int CSkinButtonBase::CheckState() const { return window_ ? GetWindowWord(window_, 0) & 3 : 0; }

void CSkinButtonBase::SetCheckState(int state)
{
    // Only the check bits: the system's button keeps more of its state in this word.
    const WORD word = static_cast<WORD>(GetWindowWord(window_, 0));
    SetWindowWord(window_, 0, static_cast<WORD>((word & ~3) | (state & 3)));
}

HFONT CSkinButtonBase::TextFont()
{
    auto font = reinterpret_cast<HFONT>(CallPrevious(WM_GETFONT, 0, 0));
    if (!font)
        font = DefinitionFont(definition_);
    return font ? font : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
}

std::string CSkinButtonBase::Text() const { return WindowText(window_); }

void CSkinButtonBase::Notify(WORD code)
{
    HWND parent = GetParent(window_);
    const auto id = static_cast<WORD>(GetWindowLongPtrA(window_, GWLP_ID));
    const WPARAM wParam = MAKEWPARAM(id, code);
    // A click is posted: the parent hears of it after the button has finished.
    if (code == BN_CLICKED)
        PostMessageA(parent, WM_COMMAND, wParam, reinterpret_cast<LPARAM>(window_));
    else
        SendMessageA(parent, WM_COMMAND, wParam, reinterpret_cast<LPARAM>(window_));
}

void CSkinButtonBase::OnClick() {}

void CSkinButtonBase::DrawContent(HDC dc) { Draw(dc); }

void CSkinButtonBase::Compose(HDC target)
{
    RECT client;
    GetClientRect(window_, &client);
    if (IsRectEmpty(&client))
        return;
    gdi::MemoryDC memory(target);
    gdi::GdiObject<HBITMAP> bitmap(memory ? CreateCompatibleBitmap(target, client.right, client.bottom) : nullptr);
    if (!bitmap)
        return;
    gdi::Selection selected(memory.Get(), bitmap.Get());
    FillRect(memory.Get(), &client, GetSysColorBrush(COLOR_BTNFACE));
    DrawContent(memory.Get());
    BitBlt(target, 0, 0, client.right, client.bottom, memory.Get(), 0, 0, SRCCOPY);
}

void CSkinButtonBase::Redraw()
{
    if (!window_ || !IsWindowVisible(window_))
        return;
    HDC dc = GetDC(window_);
    if (!dc)
        return;
    Compose(dc);
    ReleaseDC(window_, dc);
}

void CSkinButtonBase::OnPaint()
{
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window_, &paint);
    if (dc)
        Compose(dc);
    EndPaint(window_, &paint);
}

LRESULT CSkinButtonBase::PassOnHidden(UINT message, WPARAM wParam, LPARAM lParam)
{
    const LRESULT result = WhileHidden(window_, [&] { return CallPrevious(message, wParam, lParam); });
    Redraw();
    return result;
}

LRESULT CSkinButtonBase::OnButtonUp(LPARAM lParam)
{
    RECT client;
    GetClientRect(window_, &client);
    const POINT point = {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
    const bool inside = PtInRect(&client, point) != FALSE;
    HWND window = window_;
    ReleaseCapture();
    if (!IsWindow(window) || !window_)
        return 0;
    pressed_ = false;
    if (inside)
        OnClick();
    Redraw();
    if (inside)
        Notify(BN_CLICKED);
    return 0;
}

LRESULT CSkinButtonBase::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (!previousProc_)
        return CSkinCtrl::WindowProc(message, wParam, lParam);
    switch (message) {
    case WM_LBUTTONDBLCLK: {
        // As the system's button: these report a double click instead of pressing.
        const uint32_t style = Style();
        const uint32_t kind = style & BS_TYPEMASK;
        if ((style & BS_NOTIFY) || kind == BS_RADIOBUTTON || kind == BS_USERBUTTON) {
            Notify(BN_DOUBLECLICKED);
            return 0;
        }
        [[fallthrough]];
    }
    case WM_LBUTTONDOWN:
        if (GetFocus() != window_)
            SetFocus(window_);
        if (!window_)
            return 0;
        SetCapture(window_);
        pressed_ = true;
        Redraw();
        return 0;
    case WM_MOUSEMOVE:
        if ((wParam & MK_LBUTTON) && GetCapture() == window_) {
            RECT client;
            GetClientRect(window_, &client);
            const POINT point = {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
            const bool inside = PtInRect(&client, point) != FALSE;
            if (inside != pressed_) {
                pressed_ = inside;
                Redraw();
            }
            return 0;
        } else {
            const bool hovered = mouseTracked_;
            TrackMouseLeave();
            if (hovered != mouseTracked_)
                InvalidateRect(window_, nullptr, FALSE);
        }
        break;
    case WM_LBUTTONUP:
        if (GetCapture() == window_)
            return OnButtonUp(lParam);
        break;
    case WM_KEYDOWN:
        if (wParam != VK_SPACE)
            break;
        if (!pressed_) {
            pressed_ = true;
            Redraw();
        }
        return 0;
    case WM_KEYUP:
        if (wParam != VK_SPACE)
            break;
        // Only a press that began here clicks.
        if (pressed_) {
            pressed_ = false;
            OnClick();
            Redraw();
            Notify(BN_CLICKED);
        }
        return 0;
    case WM_CHAR:
    case WM_DEADCHAR:
        if (GetCapture() == window_) {
            ReleaseCapture();
            pressed_ = false;
            Redraw();
        }
        break;
    case WM_SETFOCUS:
    case WM_KILLFOCUS: {
        HWND window = window_;
        if (message == WM_KILLFOCUS && pressed_) {
            // The system's button lets go when the focus leaves.
            pressed_ = false;
            if (GetCapture() == window)
                ReleaseCapture();
        }
        if (IsWindow(window) && window_) {
            Redraw();
            if (Style() & BS_NOTIFY)
                Notify(message == WM_SETFOCUS ? BN_SETFOCUS : BN_KILLFOCUS);
        }
        return 0;
    }
    case WM_ENABLE:
    case WM_SETTEXT:
    case BM_SETSTATE:
    case BM_SETSTYLE:
        return PassOnHidden(message, wParam, lParam);
    case BM_GETCHECK:
        return CheckState();
    case BM_SETCHECK:
        SetCheckState(static_cast<int>(wParam));
        Redraw();
        return 0;
    default:
        break;
    }
    return CSkinCtrl::WindowProc(message, wParam, lParam);
}

// ---- CSkinPushButton ----

CSkinPushButton::CSkinPushButton(CSkinWnd* parent) : CSkinButtonBase(parent, SKIN_PUSH_BUTTON) {}

int CSkinPushButton::CurrentState()
{
    const auto* d = dynamic_cast<const CPushButtonDefinition*>(definition_);
    if (!IsWindowEnabled(window_))
        return PUSH_DISABLED;
    if ((CallPrevious(BM_GETSTATE, 0, 0) & BST_PUSHED) || Pressed())
        return PUSH_PRESSED;
    if (Hovered() && d && !d->states[PUSH_HIGHLIGHTED].image.IsEmpty())
        return PUSH_HIGHLIGHTED;
    if (CheckState() == BST_CHECKED)
        return PUSH_PRESSED;
    if (Focused())
        return PUSH_FOCUSED;
    if ((Style() & BS_TYPEMASK) == BS_DEFPUSHBUTTON)
        return PUSH_DEFAULT;
    return PUSH_NORMAL;
}

void CSkinPushButton::Draw(HDC dc)
{
    const auto* d = dynamic_cast<const CPushButtonDefinition*>(definition_);
    if (!d || !window_)
        return;
    const int state = CurrentState();
    const ButtonState& look = d->states[size_t(state)];
    RECT client;
    GetClientRect(window_, &client);
    CSkinStore& store = SkinRegistry().Store();
    DrawGridRef(dc, store, look.image, client);

    const uint32_t style = Style();
    RECT inner = client;
    if (!look.image.IsEmpty()) {
        inner.left += look.image.margins.left;
        inner.top += look.image.margins.top;
        inner.right -= look.image.margins.right;
        inner.bottom -= look.image.margins.bottom;
    } else {
        InflateRect(&inner, -4, -4);
    }
    if (state == PUSH_PRESSED)
        OffsetRect(&inner, 1, 1);
    if (style & (BS_ICON | BS_BITMAP)) {
        const bool icon = style & BS_ICON;
        HANDLE image = reinterpret_cast<HANDLE>(CallPrevious(BM_GETIMAGE, icon ? IMAGE_ICON : IMAGE_BITMAP, 0));
        if (!image)
            return;
        SIZE size = {GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON)};
        BITMAP info = {};
        if (!icon && GetObjectA(image, sizeof info, &info))
            size = {info.bmWidth, info.bmHeight};
        const int x = (client.left + client.right - size.cx) / 2 + (state == PUSH_PRESSED);
        const int y = (client.top + client.bottom - size.cy) / 2 + (state == PUSH_PRESSED);
        if (icon) {
            DrawIcon(dc, x, y, static_cast<HICON>(image));
        } else {
            gdi::MemoryDC memory(dc);
            gdi::Selection selected(memory.Get(), image);
            BitBlt(dc, x, y, size.cx, size.cy, memory.Get(), 0, 0, SRCCOPY);
        }
        return;
    }
    gdi::Selection font(dc, TextFont());
    DrawButtonText(dc, look.effect, Text(), inner, style, DT_CENTER);
}

CSkinNode* CSkinPushButton::SetDefinition(CSkinNode* definition)
{
    CSkinNode* previous = CSkinButtonBase::SetDefinition(definition);
    regionSize_ = {};
    if (window_ && previousProc_) {
        UpdateRegion();
        InvalidateRect(window_, nullptr, FALSE);
    }
    return previous;
}

LONG_PTR CSkinPushButton::Attach(HWND window)
{
    const LONG_PTR result = CSkinButtonBase::Attach(window);
    if (result && previousProc_)
        UpdateRegion();
    return result;
}

HRGN CSkinPushButton::BuildRegion()
{
    const auto* d = dynamic_cast<const CPushButtonDefinition*>(definition_);
    if (!d || !window_ || !useTransparent_)
        return nullptr;
    RECT client;
    GetClientRect(window_, &client);
    return RegionOfGrid(SkinRegistry().Store(), d->states[PUSH_NORMAL].image, transparentColour_,
                        {client.right, client.bottom});
}

void CSkinPushButton::UpdateRegion()
{
    RECT client;
    GetClientRect(window_, &client);
    const SIZE size = {client.right, client.bottom};
    if (size.cx == regionSize_.cx && size.cy == regionSize_.cy)
        return;
    regionSize_ = size;
    HRGN region = BuildRegion();
    if (!region && !region_)
        return;
    // The window owns the region from here on and deletes the one it replaces.
    SetWindowRgn(window_, region, IsWindowVisible(window_));
    region_ = region;
}

LRESULT CSkinPushButton::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    const LRESULT result = CSkinButtonBase::WindowProc(message, wParam, lParam);
    if (message == WM_SIZE && window_ && previousProc_)
        UpdateRegion();
    return result;
}

// ---- CSkinCheckBox ----

CSkinCheckBox::CSkinCheckBox(CSkinWnd* parent, uint32_t type) : CSkinButtonBase(parent, type) {}

int CSkinCheckBox::CurrentState()
{
    const int check = CheckState();
    const bool pushed = CallPrevious(BM_GETSTATE, 0, 0) & BST_PUSHED;
    // An indeterminate box shows the grayed check, as the system's does.
    if (!IsWindowEnabled(window_) || pushed || check == BST_INDETERMINATE)
        return check ? CHECK_GRAYED_SELECTED : CHECK_GRAYED_NORMAL;
    const bool lit = Hovered() || Focused();
    if (check == BST_CHECKED || Pressed())
        return lit ? CHECK_HIGHLIGHTED_SELECTED : CHECK_SELECTED;
    return lit ? CHECK_HIGHLIGHTED_NORMAL : CHECK_NORMAL;
}

void CSkinCheckBox::Draw(HDC dc)
{
    const auto* d = dynamic_cast<const CCheckBoxDefinition*>(definition_);
    if (!d || !window_)
        return;
    const int state = CurrentState();
    const bool selected =
        state == CHECK_SELECTED || state == CHECK_HIGHLIGHTED_SELECTED || state == CHECK_GRAYED_SELECTED;
    const bool grayed = state == CHECK_GRAYED_NORMAL || state == CHECK_GRAYED_SELECTED;
    // An empty picture falls back to the selected (or disabled) state's, then the normal one's.
    const int fallback = selected ? CHECK_SELECTED : grayed ? CHECK_DISABLED : CHECK_NORMAL;
    const auto pick = [&](const SkinImageRef CheckBoxState::*member) -> const SkinImageRef& {
        for (int candidate : {state, fallback, int(CHECK_NORMAL)})
            if (!(d->states[size_t(candidate)].*member).IsEmpty())
                return d->states[size_t(candidate)].*member;
        return d->states[size_t(state)].*member;
    };

    RECT client;
    GetClientRect(window_, &client);
    CSkinStore& store = SkinRegistry().Store();
    if (!d->transparent || !SendMessageA(GetParent(window_), WM_SKINDRAWPARENTBACK, reinterpret_cast<WPARAM>(dc),
                                         reinterpret_cast<LPARAM>(window_)))
        FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
    DrawImageRef(dc, store, pick(&CheckBoxState::background), client);

    const uint32_t style = Style();
    const SkinImageRef& box = pick(&CheckBoxState::box);
    const SIZE boxSize = box.IsEmpty() ? SIZE{kSystemBoxSize, kSystemBoxSize} : SIZE{box.Width(), box.Height()};
    const bool boxRight = style & BS_LEFTTEXT;
    RECT boxRect;
    boxRect.left = boxRight ? client.right - boxSize.cx : client.left;
    boxRect.top = (client.top + client.bottom - boxSize.cy) / 2;
    boxRect.right = boxRect.left + boxSize.cx;
    boxRect.bottom = boxRect.top + boxSize.cy;
    if (!box.IsEmpty()) {
        DrawImageRef(dc, store, box, boxRect);
    } else {
        UINT look = SkinType() == SKIN_RADIO_BUTTON ? DFCS_BUTTONRADIO : DFCS_BUTTONCHECK;
        if (selected)
            look |= DFCS_CHECKED;
        if (grayed)
            look |= DFCS_INACTIVE;
        DrawFrameControl(dc, &boxRect, DFC_BUTTON, look);
    }

    gdi::Selection font(dc, TextFont());
    std::string caption = Text();
    // The gap gives way first when the text is tight, as the system's narrow box leaves room.
    SIZE extent = {};
    const size_t shown = caption.find_last_not_of(' ') + 1;
    GetTextExtentPoint32A(dc, caption.c_str(), static_cast<int>(shown), &extent);
    const int room = Width(client) - boxSize.cx;
    const int gap = std::clamp(room - int(extent.cx), kTightBoxGap, kBoxGap);
    RECT text = client;
    if (boxRight)
        text.right = boxRect.left - gap;
    else
        text.left = boxRect.right + gap;
    DrawButtonText(dc, d->states[size_t(state)].effect, std::move(caption), text, style, DT_LEFT);
}

void CSkinCheckBox::OnClick()
{
    const int check = CheckState();
    switch (Style() & BS_TYPEMASK) {
    case BS_AUTOCHECKBOX: SetCheckState(check == BST_UNCHECKED ? BST_CHECKED : BST_UNCHECKED); break;
    case BS_AUTO3STATE: SetCheckState((check + 1) % 3); break;
    default: break;
    }
}

// ---- CSkinRadioButton ----

CSkinRadioButton::CSkinRadioButton(CSkinWnd* parent) : CSkinCheckBox(parent, SKIN_RADIO_BUTTON) {}

void CSkinRadioButton::OnClick()
{
    if ((Style() & BS_TYPEMASK) != BS_AUTORADIOBUTTON)
        return;
    // The group: from this button, or the nearest earlier sibling with WS_GROUP
    // (else the first sibling), up to the next sibling with WS_GROUP.
    HWND start = window_;
    while (start && !(StyleOf(start) & WS_GROUP)) {
        HWND previous = GetWindow(start, GW_HWNDPREV);
        if (!previous)
            break;
        start = previous;
    }
    HWND self = window_;
    for (HWND sibling = start; sibling; sibling = GetWindow(sibling, GW_HWNDNEXT)) {
        if (sibling != start && (StyleOf(sibling) & WS_GROUP))
            break;
        if (SendMessageA(sibling, WM_GETDLGCODE, 0, 0) & DLGC_RADIOBUTTON)
            SendMessageA(sibling, BM_SETCHECK, sibling == self ? BST_CHECKED : BST_UNCHECKED, 0);
    }
}

// ---- CSkinGroupBox ----

CSkinGroupBox::CSkinGroupBox(CSkinWnd* parent) : CSkinCtrl(parent, SKIN_GROUP_BOX) {}

LONG_PTR CSkinGroupBox::Attach(HWND window)
{
    if (IsOwnerDrawnButton(StyleOf(window))) {
        window_ = window;
        return 1;
    }
    return CSkinCtrl::Attach(window);
}

const CGroupBoxDefinition* CSkinGroupBox::GroupDefinition() const
{
    return dynamic_cast<const CGroupBoxDefinition*>(definition_);
}

CSkinGroupBox::Layout CSkinGroupBox::LayoutCaption(HDC dc, const char* text, int length)
{
    Layout layout = {};
    const CGroupBoxDefinition* d = GroupDefinition();
    RECT c;
    GetClientRect(window_, &c);
    SIZE extent = {};
    {
        gdi::Selection font(dc, reinterpret_cast<HFONT>(CallPrevious(WM_GETFONT, 0, 0)));
        // An empty caption is measured as "A": the frame keeps its place.
        if (length > 0)
            GetTextExtentPoint32A(dc, text, length, &extent);
        else
            GetTextExtentPoint32A(dc, "A", 1, &extent);
    }
    const RECT margins = d ? d->captionImage.margins : RECT{};
    const int width = extent.cx + margins.left + margins.right;
    const int height = extent.cy + margins.top + margins.bottom;
    RECT& caption = layout.caption;
    caption.top = c.top;
    caption.bottom = c.top + height;
    switch (StyleOf(window_) & (BS_LEFT | BS_RIGHT)) {
    case BS_CENTER:
        caption.left = c.left + (c.right - c.left - width) / 2;
        caption.right = caption.left + width;
        break;
    case BS_RIGHT:
        caption.right = c.right - 4;
        caption.left = caption.right - width;
        if (caption.left <= c.left + 2)
            caption.left = c.left + 2;
        break;
    default:
        caption.left = 4;
        caption.right = 4 + width;
        if (caption.right >= c.right - 2)
            caption.right = c.right - 2;
        break;
    }
    layout.frame = {c.left, (caption.top + caption.bottom) / 2, c.right, c.bottom};
    return layout;
}

CSkinGroupBox::Layout CSkinGroupBox::LayoutFor(const std::string& text)
{
    HDC dc = GetDC(window_);
    const Layout layout = LayoutCaption(dc, text.c_str(), static_cast<int>(text.size()));
    ReleaseDC(window_, dc);
    return layout;
}

void CSkinGroupBox::Draw(HDC dc)
{
    const CGroupBoxDefinition* d = GroupDefinition();
    if (!d || !window_)
        return;
    const std::string text = WindowText(window_);
    const Layout layout = LayoutCaption(dc, text.c_str(), static_cast<int>(text.size()));
    CSkinStore& store = SkinRegistry().Store();
    DrawGridRef(dc, store, d->baseImage, layout.frame);
    if (text.empty())
        return;
    RECT textRect = layout.caption;
    if (!d->transparent) {
        DrawGridRef(dc, store, d->captionImage, layout.caption, &d->captionColour);
        textRect.left += d->captionImage.margins.left;
        textRect.top += d->captionImage.margins.top;
        textRect.right -= d->captionImage.margins.right;
        textRect.bottom -= d->captionImage.margins.bottom;
    } else {
        RECT client;
        GetClientRect(window_, &client);
        gdi::MemoryDC memory(dc);
        gdi::GdiObject<HBITMAP> bitmap(memory ? CreateCompatibleBitmap(dc, client.right, client.bottom) : nullptr);
        if (bitmap) {
            gdi::Selection selected(memory.Get(), bitmap.Get());
            if (SendMessageA(GetParent(window_), WM_SKINDRAWPARENTBACK, reinterpret_cast<WPARAM>(memory.Get()),
                             reinterpret_cast<LPARAM>(window_)))
                BitBlt(dc, layout.caption.left, layout.caption.top, Width(layout.caption), Height(layout.caption),
                       memory.Get(), layout.caption.left, layout.caption.top, SRCCOPY);
        }
    }
    // The definition's font unless the control has one of its own.
    gdi::Selection skinFont(dc, DefinitionFont(definition_));
    const int mode = SetBkMode(dc, TRANSPARENT);
    gdi::Selection ownFont(dc, reinterpret_cast<HFONT>(CallPrevious(WM_GETFONT, 0, 0)));
    DrawTextEffect(dc, d->textEffect, text.c_str(), static_cast<int>(text.size()), textRect,
                   DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    SetBkMode(dc, mode);
}

LRESULT CSkinGroupBox::PassOnHidden(UINT message, WPARAM wParam, LPARAM lParam)
{
    return WhileHidden(window_, [&] { return CallPrevious(message, wParam, lParam); });
}

void CSkinGroupBox::RefreshCaptionArea(const RECT& caption)
{
    HWND parent = GetParent(window_);
    RECT inParent = caption;
    MapWindowPoints(window_, parent, reinterpret_cast<POINT*>(&inParent), 2);
    InvalidateRect(parent, &inParent, TRUE);
    UpdateWindow(parent);
    InvalidateRect(window_, &caption, TRUE);
    UpdateWindow(window_);
}

LRESULT CSkinGroupBox::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (!previousProc_)
        return CSkinCtrl::WindowProc(message, wParam, lParam);
    switch (message) {
    case WM_PAINT: {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(window_, &paint);
        if (dc)
            Draw(dc);
        EndPaint(window_, &paint);
        // The frame covers the controls inside it: they are painted again on
        // top. Other group boxes are left alone, so that two never chase each other.
        RECT mine;
        GetWindowRect(window_, &mine);
        for (HWND sibling = GetWindow(window_, GW_HWNDNEXT); sibling; sibling = GetWindow(sibling, GW_HWNDNEXT)) {
            RECT theirs, common;
            if (SkinRegistry().ClassifyWindow(sibling) == SKIN_GROUP_BOX || !IsWindowVisible(sibling))
                continue;
            GetWindowRect(sibling, &theirs);
            if (IntersectRect(&common, &mine, &theirs))
                RedrawWindow(sibling, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
        }
        return 0;
    }
    case WM_ENABLE: {
        const LRESULT result = PassOnHidden(message, wParam, lParam);
        InvalidateRect(window_, nullptr, TRUE);
        UpdateWindow(window_);
        return result;
    }
    case WM_SETTEXT: {
        const std::string old = WindowText(window_);
        const char* text = reinterpret_cast<const char*>(lParam);
        const size_t length = text ? strnlen(text, kTextMax - 1) : 0;
        const bool shorter = length < old.size();
        const Layout before = shorter ? LayoutFor(old) : Layout{};
        const LRESULT result = PassOnHidden(message, wParam, lParam);
        if (!window_)
            return result;
        if (!shorter) {
            const Layout after = LayoutFor(WindowText(window_));
            InvalidateRect(window_, &after.caption, TRUE);
            UpdateWindow(window_);
        } else {
            RefreshCaptionArea(before.caption);
        }
        return result;
    }
    case WM_SETFONT: {
        const Layout before = LayoutFor(WindowText(window_));
        const LRESULT result = PassOnHidden(message, wParam, lParam);
        if (window_)
            RefreshCaptionArea(before.caption);
        return result;
    }
    default:
        return CSkinCtrl::WindowProc(message, wParam, lParam);
    }
}

// ---- registration ----

namespace {

std::unique_ptr<CSkinCtrl> CreateButtonSkin(CSkinWnd* parent, uint32_t type)
{
    switch (type) {
    case SKIN_PUSH_BUTTON: return std::make_unique<CSkinPushButton>(parent);
    case SKIN_CHECK_BOX: return std::make_unique<CSkinCheckBox>(parent, SKIN_CHECK_BOX);
    case SKIN_RADIO_BUTTON: return std::make_unique<CSkinRadioButton>(parent);
    case SKIN_GROUP_BOX: return std::make_unique<CSkinGroupBox>(parent);
    default: return nullptr;
    }
}

} // namespace

void RegisterButtonSkins(CSkinRegistry& registry)
{
    for (uint32_t type : {SKIN_PUSH_BUTTON, SKIN_CHECK_BOX, SKIN_RADIO_BUTTON, SKIN_GROUP_BOX})
        registry.SetControlCreator(type, &CreateButtonSkin);
}

} // namespace glint
