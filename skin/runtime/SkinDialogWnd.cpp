#include "skin/runtime/SkinDialogWnd.h"

#include "image/gdi/GdiGuards.h"
#include "skin/file/SkinDefinitions.h"
#include "skin/file/SkinStore.h"
#include "skin/file/SkinTypes.h"
#include "skin/runtime/SkinFramePaint.h"
#include "skin/runtime/SkinMessages.h"
#include "skin/runtime/SkinRegistry.h"
#include "skin/runtime/menu/SkinPopupMenu.h"

namespace glint {

namespace {

// Recompute the frame without moving, sizing, reordering or activating.
constexpr UINT kFrameChanged = SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED;

int SizeX(const RECT& r) { return r.right - r.left; }
int SizeY(const RECT& r) { return r.bottom - r.top; }

bool IsElementOfType(const CFrameElement& element, uint32_t type) { return element.Type() == type; }

// Holds a window's drawing while the system handles a message that would
// draw the system's caption; only a lock this call took is released.
class WindowUpdateLock {
public:
    explicit WindowUpdateLock(HWND window) : locked_(LockWindowUpdate(window) != FALSE) {}
    ~WindowUpdateLock()
    {
        if (locked_)
            LockWindowUpdate(nullptr);
    }
    WindowUpdateLock(const WindowUpdateLock&) = delete;
    WindowUpdateLock& operator=(const WindowUpdateLock&) = delete;

private:
    bool locked_;
};

} // namespace

CSkinDialogWnd::CSkinDialogWnd() = default;

CSkinDialogWnd::~CSkinDialogWnd() { DeleteBackground(); }

const CFrameDefinition* CSkinDialogWnd::UsableFrame() const
{
    const CFrameDefinition* frame = AsFrameDefinition(definition_);
    return FrameIsUsable(frame) ? frame : nullptr;
}

bool CSkinDialogWnd::Framed() const { return UsableFrame() && IsFramedStyle(styleAtAttach_); }

POINT CSkinDialogWnd::ToWindow(LPARAM screenPoint) const
{
    RECT r = {};
    GetWindowRect(window_, &r);
    return POINT{static_cast<short>(LOWORD(screenPoint)) - r.left, static_cast<short>(HIWORD(screenPoint)) - r.top};
}

void CSkinDialogWnd::LayoutElements()
{
    const RECT box = WindowBox();
    for (const auto& element : elements_)
        element->Layout(box);
}

void CSkinDialogWnd::DeleteBackground()
{
    if (background_)
        DeleteObject(background_);
    background_ = nullptr;
    backgroundSize_ = {};
}

void CSkinDialogWnd::FitClientSize()
{
    RECT client, window;
    if (!GetClientRect(window_, &client) || !GetWindowRect(window_, &window))
        return;
    const RECT borders = FrameBorders(parts_);
    const int width = borders.left + borders.right + client.right;
    const int height = borders.top + borders.bottom + client.bottom;
    POINT corner = {window.left, window.top};
    if (HWND parent = GetParent(window_); parent && (GetWindowLongPtrA(window_, GWL_STYLE) & WS_CHILD))
        ScreenToClient(parent, &corner);
    MoveWindow(window_, corner.x, corner.y, width, height, FALSE);
}

LONG_PTR CSkinDialogWnd::Attach(HWND window)
{
    // Read first: the frame change below already asks whether the dialog is framed.
    styleAtAttach_ = static_cast<uint32_t>(GetWindowLongPtrA(window, GWL_STYLE));
    const LONG_PTR result = CSkinWnd::Attach(window);
    if (result && Framed()) {
        FitClientSize();
        SetWindowPos(window, nullptr, 0, 0, 0, 0, kFrameChanged);
    }
    return result;
}

CSkinNode* CSkinDialogWnd::SetDefinition(CSkinNode* definition)
{
    // Under the old definition's borders: the client size the new ones must keep.
    RECT client = {};
    const bool wasFramed = window_ && Framed() && GetClientRect(window_, &client);
    CSkinNode* previous = CSkinWnd::SetDefinition(definition);
    if (!window_)
        return previous;
    DeleteBackground();
    if (Framed()) {
        FitClientSize();
        if (!wasFramed)
            SetWindowPos(window_, nullptr, 0, 0, 0, 0, kFrameChanged);
    } else if (wasFramed) {
        // The skin lost its frame: the system's frame comes back.
        SetWindowRgn(window_, nullptr, TRUE);
        region_ = nullptr;
        SetWindowPos(window_, nullptr, 0, 0, 0, 0, kFrameChanged);
    }
    laidOut_ = {};
    InvalidateRect(nullptr, nullptr, TRUE);
    RedrawWindow(window_, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_INTERNALPAINT | RDW_ERASE | RDW_ALLCHILDREN | RDW_ERASENOW | RDW_FRAME);
    return previous;
}

void CSkinDialogWnd::Detach()
{
    DeleteBackground();
    CSkinWnd::Detach();
}

LRESULT CSkinDialogWnd::OnMenuKey(WPARAM key, LPARAM keyData)
{
    constexpr LPARAM kAltDown = LPARAM(1) << 29;
    if (key != VK_SPACE || !(keyData & kAltDown) || !window_ || !UsableFrame() || !Framed() ||
        !(GetWindowLongPtrA(window_, GWL_STYLE) & WS_SYSMENU))
        return 0;
    // Not from inside the keyboard hook: the menu runs a message loop of its own.
    PostMessageA(window_, WM_SYSCOMMAND, SC_KEYMENU, ' ');
    return 1;
}

void CSkinDialogWnd::DrawCaptionText(HDC dc, bool active)
{
    DrawFrameCaption(dc, UsableFrame(), PlacedParts(), WindowCaption(window_).c_str(), styleAtAttach_, captionText_);
}

LRESULT CSkinDialogWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (!previousProc_ || !UsableFrame())
        return CSkinWnd::WindowProc(message, wParam, lParam);
    return Framed() ? FramedProc(message, wParam, lParam) : UnframedProc(message, wParam, lParam);
}

LRESULT CSkinDialogWnd::FramedProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_NCCALCSIZE:
        return OnNcCalcSize(wParam, lParam);
    case WM_NCPAINT:
        PaintFrame();
        return 0;
    case WM_NCHITTEST:
        return OnNcHitTest(lParam);
    case WM_NCMOUSEMOVE:
    case WM_NCLBUTTONDOWN:
    case WM_NCLBUTTONUP:
    case WM_NCLBUTTONDBLCLK:
    case WM_NCRBUTTONDOWN:
    case WM_NCRBUTTONUP:
        return OnNcMouse(message, wParam, lParam);
    case WM_NCACTIVATE:
        return OnNcActivate(wParam);
    case WM_SETTEXT:
        return OnSetText(wParam, lParam);
    case WM_ENABLE:
    case WM_SETICON:
    case WM_INITMENU:
    case WM_INITMENUPOPUP: {
        const LRESULT result = CallPreviousWithoutSysMenu(message, wParam, lParam);
        if (window_)
            SyncElementsWithStyle(elements_, static_cast<uint32_t>(GetWindowLongPtrA(window_, GWL_STYLE)));
        PaintFrame();
        return result;
    }
    case WM_SETCURSOR:
        return CallPreviousWithoutSysMenu(message, wParam, lParam);
    case WM_SYSCOMMAND:
        // The system's menu would open over the skinned frame: the skinned one
        // opens under the caption instead.
        if ((wParam & 0xFFF0) == SC_KEYMENU && lParam == ' ' && (GetWindowLongPtrA(window_, GWL_STYLE) & WS_SYSMENU)) {
            POINT corner = {0, 0};
            ClientToScreen(window_, &corner);
            ShowSkinSystemMenuAt(window_, corner);
            return 0;
        }
        return CSkinWnd::WindowProc(message, wParam, lParam);
    case WM_ERASEBKGND:
        return OnEraseBackground(reinterpret_cast<HDC>(wParam));
    case WM_CTLCOLORSTATIC:
        return OnCtlColorStatic(wParam, lParam);
    case WM_SKINDRAWPARENTBACK:
        return OnDrawParentBack(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
    default:
        return CSkinWnd::WindowProc(message, wParam, lParam);
    }
}

LRESULT CSkinDialogWnd::UnframedProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_SETTEXT:
        return OnSetText(wParam, lParam);
    case WM_ERASEBKGND:
        return OnEraseBackground(reinterpret_cast<HDC>(wParam));
    case WM_CTLCOLORSTATIC:
        return OnCtlColorStatic(wParam, lParam);
    case WM_CTLCOLORDLG:
        return reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH));
    case WM_SKINDRAWPARENTBACK:
        return OnDrawParentBack(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
    default:
        // The private messages and WM_NCDESTROY need the default dispatch;
        // everything else it passes on to the dialog's own procedure.
        return CSkinWnd::WindowProc(message, wParam, lParam);
    }
}

LRESULT CSkinDialogWnd::OnNcCalcSize(WPARAM wParam, LPARAM lParam)
{
    RECT* proposed = wParam ? &reinterpret_cast<NCCALCSIZE_PARAMS*>(lParam)->rgrc[0] : reinterpret_cast<RECT*>(lParam);
    if (!proposed)
        return 0;
    const RECT borders = FrameBorders(parts_);
    proposed->left += borders.left;
    proposed->top += borders.top;
    proposed->right -= borders.right;
    proposed->bottom -= borders.bottom;
    // A window smaller than its borders gets an empty client, never an inverted one.
    if (proposed->right < proposed->left)
        proposed->right = proposed->left;
    if (proposed->bottom < proposed->top)
        proposed->bottom = proposed->top;
    return 0;
}

void CSkinDialogWnd::PaintFrame()
{
    HWND window = window_;
    if (!window || destroying_)
        return;
    WINDOWINFO info = {};
    info.cbSize = sizeof info;
    GetWindowInfo(window, &info);
    const bool active = info.dwWindowStatus == WS_ACTIVECAPTION;
    const RECT box = WindowBox();
    const FrameRects placed = PlacedParts();

    if (box.right != SizeX(laidOut_) || box.bottom != SizeY(laidOut_)) {
        // A new size: new background, new region, then paint once more.
        DeleteBackground();
        GetWindowRect(window, &laidOut_);
        LayoutElements();
        HRGN region = BuildRegion();
        // The window takes the region over and deletes the one it replaces.
        if (region || region_)
            SetWindowRgn(window, region, TRUE);
        region_ = region;
        SendMessageA(window, WM_NCPAINT, 1, 0);
        UpdateWindow(window);
        return;
    }

    HDC dc = GetWindowDC(window);
    if (!dc)
        return;
    ComposeFrame(dc, box.right, box.bottom, placed, 0, [&](HDC memory) {
        DrawFrame(memory, active);
        DrawElements(memory, elements_, box);
    });
    ReleaseDC(window, dc);
}

LRESULT CSkinDialogWnd::OnNcHitTest(LPARAM lParam)
{
    const POINT point = ToWindow(lParam);
    LayoutElements();
    if (HitTestElements(elements_, point) == HIT_CAPTION)
        return HTCAPTION;
    const uint32_t style = static_cast<uint32_t>(GetWindowLongPtrA(window_, GWL_STYLE));
    return FrameHitTest(PlacedParts(), point, IsSizableStyle(style), IsZoomed(window_));
}

LRESULT CSkinDialogWnd::OnNcMouse(UINT message, WPARAM wParam, LPARAM lParam)
{
    const POINT point = ToWindow(lParam);
    LayoutElements();
    // Each element sees the event; took: one that is no image element took the
    // point. By index: an element's action may re-skin the window and rebuild the list.
    const auto offer = [&](bool (CFrameElement::*operation)(POINT)) {
        bool took = false;
        for (size_t i = 0; i < elements_.size(); ++i) {
            CFrameElement* element = elements_[i].get();
            // Asked before the call: the call may rebuild the list and free the element.
            const bool image = IsElementOfType(*element, SKIN_IMAGE_ELEMENT);
            if ((element->*operation)(point) && !image)
                took = true;
        }
        return took;
    };
    switch (message) {
    case WM_NCMOUSEMOVE: {
        const LRESULT result = CallPreviousWithoutSysMenu(message, wParam, lParam);
        offer(&CFrameElement::OnMouseMove);
        return result;
    }
    case WM_NCLBUTTONDOWN:
    case WM_NCLBUTTONUP: {
        const bool took = offer(message == WM_NCLBUTTONDOWN ? &CFrameElement::OnLButtonDown
                                                            : &CFrameElement::OnLButtonUp);
        if (took || !window_)
            return 0;
        WINDOWPLACEMENT placement = {};
        placement.length = sizeof placement;
        if (!(GetWindowPlacement(window_, &placement) && placement.showCmd == SW_MAXIMIZE))
            CallPreviousWithoutSysMenu(message, wParam, lParam);
        return 0;
    }
    case WM_NCLBUTTONDBLCLK: {
        offer(&CFrameElement::OnLButtonDblClk);
        if (!window_ || !IsSizableStyle(static_cast<uint32_t>(GetWindowLongPtrA(window_, GWL_STYLE))))
            return 0;
        for (const auto& element : elements_)
            if (IsElementOfType(*element, SKIN_CAPTION_BUTTON) && RectContains(element->Rect(), point))
                return 0;
        HWND window = window_;
        {
            WindowUpdateLock lock(window);
            CallPrevious(message, wParam, lParam);
        }
        if (IsWindow(window))
            SendMessageA(window, WM_NCPAINT, 1, 0);
        return 0;
    }
    case WM_NCRBUTTONDOWN:
        offer(&CFrameElement::OnRButtonDown);
        return 0;
    default: // WM_NCRBUTTONUP
        offer(&CFrameElement::OnRButtonUp);
        return CallPrevious(message, wParam, lParam);
    }
}

LRESULT CSkinDialogWnd::OnNcActivate(WPARAM wParam)
{
    HWND window = window_;
    // The system draws no frame for a bare popup. The visible bit stays: taking
    // it away would hide the window on systems that map windows by their style.
    const LONG_PTR style = GetWindowLongPtrA(window, GWL_STYLE);
    SetWindowLongPtrA(window, GWL_STYLE, WS_POPUP | (style & WS_VISIBLE));
    const LRESULT result = CallPrevious(WM_NCACTIVATE, wParam, 0);
    if (IsWindow(window))
        SetWindowLongPtrA(window, GWL_STYLE, style);
    PaintFrame();
    return result;
}

LRESULT CSkinDialogWnd::OnSetText(WPARAM wParam, LPARAM lParam)
{
    HWND window = window_;
    LRESULT result;
    {
        WindowUpdateLock lock(window);
        result = CallPrevious(WM_SETTEXT, wParam, lParam);
    }
    if (IsWindow(window))
        SendMessageA(window, WM_NCPAINT, 1, 0);
    return result;
}

LRESULT CSkinDialogWnd::OnCtlColorStatic(WPARAM wParam, LPARAM lParam)
{
    CSkinWnd* control = SkinRegistry().Find(reinterpret_cast<HWND>(lParam));
    if (control && control->SkinType() == SKIN_STATIC) {
        SetBkMode(reinterpret_cast<HDC>(wParam), TRANSPARENT);
        return reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH));
    }
    if (control && control->SkinType() == SKIN_EDIT)
        if (HBRUSH brush = control->ControlColour(WM_CTLCOLORSTATIC, reinterpret_cast<HDC>(wParam)))
            return reinterpret_cast<LRESULT>(brush);
    return CallPrevious(WM_CTLCOLORSTATIC, wParam, lParam);
}

bool CSkinDialogWnd::EnsureBackground(HDC dc)
{
    RECT client;
    if (!window_ || !GetClientRect(window_, &client))
        return false;
    if (background_ && backgroundSize_.cx == client.right && backgroundSize_.cy == client.bottom)
        return true;
    DeleteBackground();
    bool stretched = false;
    background_ = CreateClientBackground(dc, SkinRegistry().Store(), UsableFrame(), client.right, client.bottom,
                                         &stretched);
    if (!background_)
        return false;
    backgroundSize_ = {client.right, client.bottom};
    if (stretched)
        redrawPending_ = true;
    return true;
}

LRESULT CSkinDialogWnd::OnEraseBackground(HDC dc)
{
    if (!dc || !EnsureBackground(dc))
        return CallPrevious(WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    if (redrawPending_) {
        redrawPending_ = false;
        RedrawWindow(window_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ERASENOW);
        return 1;
    }
    RECT client;
    GetClientRect(window_, &client);
    RECT box;
    const int clip = GetClipBox(dc, &box);
    if (clip == ERROR || clip == NULLREGION || IsRectEmpty(&box))
        box = client;
    IntersectRect(&box, &box, &client);
    gdi::MemoryDC memory(dc);
    if (!memory)
        return CallPrevious(WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    gdi::Selection selected(memory.Get(), background_);
    BitBlt(dc, box.left, box.top, SizeX(box), SizeY(box), memory.Get(), box.left, box.top, SRCCOPY);
    return 1;
}

LRESULT CSkinDialogWnd::OnDrawParentBack(HDC childDC, HWND child)
{
    if (!childDC || !child || !EnsureBackground(childDC))
        return 0;
    RECT area;
    GetWindowRect(child, &area);
    MapWindowPoints(nullptr, window_, reinterpret_cast<POINT*>(&area), 2);
    gdi::MemoryDC memory(childDC);
    if (!memory)
        return 0;
    gdi::Selection selected(memory.Get(), background_);
    BitBlt(childDC, 0, 0, SizeX(area), SizeY(area), memory.Get(), area.left, area.top, SRCCOPY);
    return 1;
}

} // namespace glint
