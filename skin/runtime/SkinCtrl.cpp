#include "skin/runtime/SkinCtrl.h"

#include "image/gdi/GdiGuards.h"
#include "skin/file/SkinNode.h"
#include "skin/file/SkinTypes.h"
#include "skin/runtime/SkinMessages.h"
#include "skin/runtime/SkinRegistry.h"
#include "skin/runtime/SkinRuntime.h"

namespace glint {

namespace {

bool IsButtonKind(uint32_t type)
{
    return type == SKIN_PUSH_BUTTON || type == SKIN_CHECK_BOX || type == SKIN_RADIO_BUTTON;
}

// The definition of this control alone inside the owner's definition: the
// same type and the control's ID.
CSkinDefinition* PerControlDefinition(CSkinWnd* owner, uint32_t type, int32_t id)
{
    CSkinNode* definition = owner ? owner->Definition() : nullptr;
    if (!definition)
        return nullptr;
    for (auto& [name, child] : definition->children) {
        auto* candidate = dynamic_cast<CSkinDefinition*>(child.get());
        if (candidate && candidate->TypeCode() == type && candidate->controlId == id)
            return candidate;
    }
    return nullptr;
}

bool AsksForSkinFont(const CSkinNode* definition)
{
    const auto* d = dynamic_cast<const CSkinDefinition*>(definition);
    return d && d->autoSkinFont && d->fontHandle;
}

} // namespace

bool ControlShowsText(uint32_t type)
{
    return type != SKIN_PROGRESS && type != SKIN_SCROLL_BAR && type != SKIN_TRACKBAR && type != SKIN_UP_DOWN;
}

bool IsProcedureHandleValue(uintptr_t value)
{
    const uintptr_t high = value >> 16;
    // 0xFFFFxxxx as it is, or sign-extended to 64 bits.
    return high == 0xFFFF || high == (~uintptr_t(0) >> 16);
}

CSkinCtrl::CSkinCtrl(CSkinWnd* parent, uint32_t type)
    : parentWindow_(parent ? parent->Window() : nullptr), type_(type)
{
}

CSkinCtrl::~CSkinCtrl() = default;

LONG_PTR CSkinCtrl::Attach(HWND window)
{
    const auto id = static_cast<int32_t>(GetWindowLongPtrA(window, GWLP_ID));
    CSkinDefinition* own = PerControlDefinition(SkinRegistry().FindOwner(GetParent(window)), type_, id);
    if (!own) {
        const LONG_PTR result = CSkinWnd::Attach(window);
        if (result && AsksForSkinFont(definition_))
            SetSkinFont(definition_, true);
        return result;
    }
    SetDefinition(own);
    const LONG_PTR result = CSkinWnd::Attach(window);
    if (!result)
        return result;
    if (AsksForSkinFont(own))
        SetSkinFont(own, !own->autoPlace);
    if (own->autoPlace) {
        const RECT& r = own->designRect;
        MoveWindow(window, r.left, r.top, r.right - r.left, r.bottom - r.top, TRUE);
    }
    return result;
}

void CSkinCtrl::SetSkinFont(CSkinNode* definition, bool redraw)
{
    const auto* d = dynamic_cast<const CSkinDefinition*>(definition);
    if (!window_ || !d || !d->fontHandle || !ControlShowsText(type_))
        return;
    if (!fontSaved_) {
        PostMessageA(window_, WM_SKINSAVEFONT, 0, 0);
        fontSaved_ = true;
    }
    PostMessageA(window_, WM_SETFONT, reinterpret_cast<WPARAM>(d->fontHandle), redraw);
}

void CSkinCtrl::Detach()
{
    // The control gets its own font back, also when that was the system font.
    if (window_ && fontSaved_ && ControlShowsText(type_) && !destroying_)
        SendMessageA(window_, WM_SETFONT, reinterpret_cast<WPARAM>(savedFont_), TRUE);
    savedFont_ = nullptr;
    fontSaved_ = false;
    CSkinWnd::Detach();
}

bool CSkinCtrl::UsesThemedButtonProc() const
{
    return IsButtonKind(type_) && PlatformCode() == PLATFORM_WINXP && ThemedButtonProc() &&
           IsProcedureHandleValue(reinterpret_cast<uintptr_t>(previousProc_));
}

LRESULT CSkinCtrl::CallPrevious(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (window_ && UsesThemedButtonProc())
        return CallWindowProcA(ThemedButtonProc(), window_, message, wParam, lParam);
    return CSkinWnd::CallPrevious(message, wParam, lParam);
}

void CSkinCtrl::OnNcDestroy()
{
    HWND window = window_;
    if (parentWindow_ && IsWindow(parentWindow_))
        SendMessageA(parentWindow_, WM_SKINCHILDGONE, reinterpret_cast<WPARAM>(window), 0);
    if (!UsesThemedButtonProc()) {
        CSkinWnd::OnNcDestroy();
        return;
    }
    destroying_ = true;
    WNDPROC themed = ThemedButtonProc();
    SkinRegistry().Remove(window);
    CallWindowProcA(themed, window, WM_NCDESTROY, 0, 0);
}

LRESULT CSkinCtrl::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (!previousProc_)
        return CSkinWnd::WindowProc(message, wParam, lParam);
    switch (message) {
    case WM_PAINT:
        OnPaint();
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_NCDESTROY:
        OnNcDestroy();
        return 0;
    case WM_UPDATEUISTATE:
        return 0;
    case WM_MOUSELEAVE:
        OnMouseLeave();
        break;
    case WM_MOUSEMOVE:
        TrackMouseLeave();
        break;
    case WM_SKINSAVEFONT:
        savedFont_ = reinterpret_cast<HFONT>(CallPrevious(WM_GETFONT, 0, 0));
        return 0;
    default:
        break;
    }
    return CSkinWnd::WindowProc(message, wParam, lParam);
}

void CSkinCtrl::TrackMouseLeave()
{
    if (mouseTracked_ || !window_)
        return;
    TRACKMOUSEEVENT track = {};
    track.cbSize = sizeof track;
    track.dwFlags = TME_LEAVE;
    track.hwndTrack = window_;
    track.dwHoverTime = HOVER_DEFAULT;
    mouseTracked_ = TrackMouseEvent(&track) != FALSE;
}

void CSkinCtrl::OnMouseLeave()
{
    mouseTracked_ = false;
    if (!window_)
        return;
    InvalidateRect(window_, nullptr, TRUE);
    UpdateWindow(window_);
}

void CSkinCtrl::OnPaint()
{
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window_, &paint);
    if (!dc)
        return;
    RECT client;
    GetClientRect(window_, &client);
    gdi::MemoryDC memory(dc);
    gdi::GdiObject<HBITMAP> bitmap(memory ? CreateCompatibleBitmap(dc, client.right, client.bottom) : nullptr);
    if (bitmap) {
        gdi::Selection selected(memory.Get(), bitmap.Get());
        // What Draw leaves untouched shows the dialog face, never an undefined bitmap.
        FillRect(memory.Get(), &client, GetSysColorBrush(COLOR_BTNFACE));
        Draw(memory.Get());
        BitBlt(dc, 0, 0, client.right, client.bottom, memory.Get(), 0, 0, SRCCOPY);
    }
    EndPaint(window_, &paint);
}

} // namespace glint
