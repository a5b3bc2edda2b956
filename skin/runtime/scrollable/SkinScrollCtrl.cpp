#include "skin/runtime/scrollable/SkinScrollCtrl.h"

#include "image/gdi/GdiGuards.h"
#include "skin/file/SkinDefinitions.h"
#include "skin/file/SkinStore.h"
#include "skin/file/SkinTypes.h"
#include "skin/file/gdi/SkinDraw.h"
#include "skin/runtime/SkinControlKinds.h"
#include "skin/runtime/SkinElements.h"
#include "skin/runtime/SkinRegistry.h"
#include "skin/runtime/SkinRuntime.h"
#include "skin/runtime/scrollbar/SkinScrollBars.h"

#include <richedit.h>

namespace glint {

namespace {

// The skinned bars draw their parts in style 2.
constexpr int kBarStyle = 2;

const CEditDefinition* AsEditDefinition(const CSkinNode* definition)
{
    return dynamic_cast<const CEditDefinition*>(definition);
}

// Messages after which the contents may have moved.
bool MayScroll(UINT message)
{
    switch (message) {
    case WM_HSCROLL:
    case WM_VSCROLL:
    case WM_MOUSEWHEEL:
    case WM_KEYDOWN:
    case WM_CHAR:
    case WM_SIZE:
    case WM_TIMER:
    case WM_LBUTTONDOWN:
    case WM_MOUSEMOVE:
        return true;
    default:
        // The controls' own messages: setting a top line, a selection, a caret...
        return (message >= EM_GETSEL && message <= 0x01FF) || message >= WM_USER;
    }
}

} // namespace

CSkinScrollCtrl::CSkinScrollCtrl(CSkinWnd* parent, uint32_t type) : CSkinCtrl(parent, type) {}

CSkinScrollCtrl::~CSkinScrollCtrl() { ReleaseBackground(); }

void CSkinScrollCtrl::ReleaseBackground()
{
    if (background_)
        DeleteObject(background_);
    background_ = nullptr;
    backgroundSize_ = {};
}

bool CSkinScrollCtrl::HasClientBackground() const
{
    if (type_ != SKIN_LIST_BOX && type_ != SKIN_IP_ADDRESS && type_ != SKIN_LIST_VIEW && type_ != SKIN_TREE_VIEW)
        return false;
    const CEditDefinition* d = AsEditDefinition(definition_);
    // Without a picture or a colour of its own the control's painting is already right.
    return d && (!d->background.IsEmpty() || d->backColour != GetSysColor(COLOR_WINDOW));
}

CSkinNode* CSkinScrollCtrl::SetDefinition(CSkinNode* definition)
{
    CSkinNode* previous = CSkinCtrl::SetDefinition(definition);
    ReleaseBackground();
    if (!window_ || !previousProc_)
        return previous;
    const auto* d = dynamic_cast<const CSkinDefinition*>(definition);
    if (d && d->autoSkinFont && d->fontHandle)
        SetSkinFont(definition, true);
    RedrawWindow(window_, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_INTERNALPAINT | RDW_ERASE | RDW_UPDATENOW | RDW_FRAME);
    if (barsEnabled_)
        ApplyBarMetrics();
    return previous;
}

void CSkinScrollCtrl::Detach()
{
    // The bars subclassed the window after this object: they go first.
    if (window_ && barsEnabled_ && HasSkinScrollBars(window_))
        UninitializeSkinScrollBars(window_);
    barsEnabled_ = false;
    CSkinCtrl::Detach();
}

void CSkinScrollCtrl::EnableSkinnedBars()
{
    const int platform = PlatformCode();
    if (platform != PLATFORM_NT4 && platform != PLATFORM_WIN2000 && platform != PLATFORM_WINXP)
        return;
    if (!SkinRegistry().Store().FindByType(SKIN_SCROLL_BAR))
        return;
    barsEnabled_ = InitializeSkinScrollBars(window_) == 1;
    if (barsEnabled_)
        ApplyBarMetrics();
}

void CSkinScrollCtrl::ApplyBarMetrics()
{
    const auto* bars = dynamic_cast<const CScrollBarDefinition*>(SkinRegistry().Store().FindByType(SKIN_SCROLL_BAR));
    if (!bars || !window_)
        return;
    const int arrow = bars->states[0].arrow1.Width();
    const int thumb = bars->states[0].thumb.source.right - bars->states[0].thumb.source.left;
    SetSkinScrollBarStyle(window_, SB_BOTH, kBarStyle);
    // A definition without pictures keeps the system's sizes.
    SetSkinScrollBarSize(window_, SB_BOTH, arrow > 0 ? arrow : -1, arrow > 0 ? arrow : -1);
    SetSkinScrollBarMinThumb(window_, SB_BOTH, thumb > 0 ? thumb : -1);
}

CSkinScrollCtrl::ScrollSpot CSkinScrollCtrl::Spot()
{
    ScrollSpot spot = {};
    SCROLLINFO info = {sizeof info, SIF_POS, 0, 0, 0, 0, 0};
    if (GetScrollInfo(window_, SB_HORZ, &info))
        spot.horizontal = info.nPos;
    if (GetScrollInfo(window_, SB_VERT, &info))
        spot.vertical = info.nPos;
    // A list box without bars still moves its first line.
    if (type_ == SKIN_LIST_BOX)
        spot.top = CallPrevious(LB_GETTOPINDEX, 0, 0);
    return spot;
}

void CSkinScrollCtrl::AfterScroll()
{
    // The frame alone: the client repaints only where the control scrolled it.
    if (barsEnabled_)
        SendMessageA(window_, WM_NCPAINT, 1, 0);
    // The picture stays where it is while the contents move over it.
    if (HasClientBackground())
        InvalidateRect(window_, nullptr, FALSE);
}

bool CSkinScrollCtrl::PaintBorder(WPARAM updateRegion)
{
    const auto* d = dynamic_cast<const CSkinDefinition*>(definition_);
    if (!d || d->baseImage.IsEmpty())
        return false;
    const LONG_PTR exStyle = GetWindowLongPtrA(window_, GWL_EXSTYLE);
    SIZE border = {};
    if (exStyle & WS_EX_CLIENTEDGE) {
        border.cx += GetSystemMetrics(SM_CXEDGE);
        border.cy += GetSystemMetrics(SM_CYEDGE);
    }
    if (exStyle & WS_EX_DLGMODALFRAME) {
        border.cx += GetSystemMetrics(SM_CXDLGFRAME);
        border.cy += GetSystemMetrics(SM_CXDLGFRAME);
    }
    if (exStyle & WS_EX_STATICEDGE) {
        border.cx += 1;
        border.cy += 1;
    }
    if (!border.cx && !border.cy)
        return false;
    RECT screen;
    GetWindowRect(window_, &screen);
    RECT inner = screen;
    InflateRect(&inner, -border.cx, -border.cy);
    // The system paints what lies inside the border (the bars among it).
    HRGN limited = CreateRectRgnIndirect(&inner);
    if (limited && updateRegion > 1)
        CombineRgn(limited, limited, reinterpret_cast<HRGN>(updateRegion), RGN_AND);
    CallPrevious(WM_NCPAINT, reinterpret_cast<WPARAM>(limited), 0);
    if (limited)
        DeleteObject(limited);
    if (!window_)
        return true;
    HDC dc = GetWindowDC(window_);
    if (!dc)
        return true;
    const RECT box = {0, 0, screen.right - screen.left, screen.bottom - screen.top};
    ExcludeClipRect(dc, border.cx, border.cy, box.right - border.cx, box.bottom - border.cy);
    DrawGridRef(dc, SkinRegistry().Store(), d->baseImage, box, &d->backColour);
    ReleaseDC(window_, dc);
    return true;
}

HBITMAP CSkinScrollCtrl::Background(HDC dc, const RECT& client)
{
    if (background_ && backgroundSize_.cx == client.right && backgroundSize_.cy == client.bottom)
        return background_;
    ReleaseBackground();
    const CEditDefinition* d = AsEditDefinition(definition_);
    background_ = d ? CreateCompatibleBitmap(dc, client.right, client.bottom) : nullptr;
    if (!background_)
        return nullptr;
    backgroundSize_ = {client.right, client.bottom};
    gdi::MemoryDC memory(dc);
    gdi::Selection selected(memory.Get(), background_);
    DrawImageRef(memory.Get(), SkinRegistry().Store(), d->background, client, &d->backColour);
    return background_;
}

void CSkinScrollCtrl::PaintClientBackground()
{
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window_, &paint);
    if (!dc)
        return;
    RECT client;
    GetClientRect(window_, &client);
    HBITMAP background = IsRectEmpty(&client) ? nullptr : Background(dc, client);
    gdi::MemoryDC composed(dc), control(dc);
    gdi::GdiObject<HBITMAP> composedBits(background ? CreateCompatibleBitmap(dc, client.right, client.bottom) : nullptr);
    gdi::GdiObject<HBITMAP> controlBits(background ? CreateCompatibleBitmap(dc, client.right, client.bottom) : nullptr);
    if (!composed || !control || !composedBits || !controlBits) {
        EndPaint(window_, &paint);
        // Without bitmaps the control paints itself as usual.
        InvalidateRect(window_, &paint.rcPaint, TRUE);
        CallPrevious(WM_PAINT, 0, 0);
        return;
    }
    {
        gdi::Selection selectedComposed(composed.Get(), composedBits.Get());
        gdi::Selection selectedControl(control.Get(), controlBits.Get());
        {
            gdi::MemoryDC source(dc);
            gdi::Selection selectedSource(source.Get(), background);
            BitBlt(composed.Get(), 0, 0, client.right, client.bottom, source.Get(), 0, 0, SRCCOPY);
        }
        const COLORREF window = GetSysColor(COLOR_WINDOW);
        FillRect(control.Get(), &client, GetSysColorBrush(COLOR_WINDOW));
        CallPrevious(WM_PRINTCLIENT, reinterpret_cast<WPARAM>(control.Get()), PRF_CLIENT);
        BlitKeyed(composed.Get(), client, control.Get(), window);
        // The control's own children (a list view's header) paint themselves:
        // the composed picture must not cover them.
        for (HWND child = GetWindow(window_, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
            if (!IsWindowVisible(child))
                continue;
            RECT area;
            GetWindowRect(child, &area);
            MapWindowPoints(nullptr, window_, reinterpret_cast<POINT*>(&area), 2);
            ExcludeClipRect(dc, area.left, area.top, area.right, area.bottom);
        }
        const RECT& r = paint.rcPaint;
        BitBlt(dc, r.left, r.top, r.right - r.left, r.bottom - r.top, composed.Get(), r.left, r.top, SRCCOPY);
    }
    EndPaint(window_, &paint);
}

LRESULT CSkinScrollCtrl::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (!previousProc_)
        return CSkinCtrl::WindowProc(message, wParam, lParam);
    // Not while the control is still being made: it has no contents to scroll yet.
    if (!barsTried_ && message != WM_CREATE && message != WM_NCDESTROY) {
        barsTried_ = true;
        EnableSkinnedBars();
    }
    switch (message) {
    case WM_NCPAINT:
        if (PaintBorder(wParam))
            return 0;
        return CallPrevious(message, wParam, lParam);
    case WM_PAINT:
        if (HasClientBackground()) {
            PaintClientBackground();
            return 0;
        }
        return CallPrevious(message, wParam, lParam);
    case WM_ERASEBKGND:
        if (HasClientBackground())
            return 1;
        return CallPrevious(message, wParam, lParam);
    default:
        break;
    }
    if (!MayScroll(message))
        return CSkinCtrl::WindowProc(message, wParam, lParam);
    HWND window = window_;
    const ScrollSpot before = Spot();
    const LRESULT result = CSkinCtrl::WindowProc(message, wParam, lParam);
    if (!IsWindow(window) || window_ != window)
        return result;
    if (message == WM_SIZE)
        ReleaseBackground();
    const ScrollSpot after = Spot();
    if (message == WM_SIZE || before.horizontal != after.horizontal || before.vertical != after.vertical ||
        before.top != after.top)
        AfterScroll();
    return result;
}

// ---- edit and rich edit ----

namespace {

class CSkinEditCtrl : public CSkinScrollCtrl {
public:
    CSkinEditCtrl(CSkinWnd* parent, uint32_t type) : CSkinScrollCtrl(parent, type) {}
    ~CSkinEditCtrl() override { DeleteBrushes(); }

    CSkinNode* SetDefinition(CSkinNode* definition) override
    {
        CSkinNode* previous = CSkinScrollCtrl::SetDefinition(definition);
        MakeBrushes();
        SetRichEditColour();
        return previous;
    }

    LONG_PTR Attach(HWND window) override
    {
        const LONG_PTR result = CSkinScrollCtrl::Attach(window);
        if (result)
            SetRichEditColour();
        return result;
    }

    HBRUSH ControlBrush() override { return backBrush_; }

    HBRUSH ControlColour(UINT message, HDC dc) override
    {
        const CEditDefinition* d = AsEditDefinition(definition_);
        if (!d || !backBrush_)
            return nullptr;
        // Read-only and disabled edits ask with WM_CTLCOLORSTATIC.
        const bool readOnly = message == WM_CTLCOLORSTATIC;
        if (dc) {
            SetBkColor(dc, readOnly ? d->keyColour : d->backColour);
            SetTextColor(dc, d->textColour);
        }
        return readOnly ? readOnlyBrush_ : backBrush_;
    }

private:
    void MakeBrushes()
    {
        DeleteBrushes();
        if (const CEditDefinition* d = AsEditDefinition(definition_)) {
            backBrush_ = CreateSolidBrush(d->backColour);
            readOnlyBrush_ = CreateSolidBrush(d->keyColour);
        }
    }
    void DeleteBrushes()
    {
        for (HBRUSH* brush : {&backBrush_, &readOnlyBrush_}) {
            if (*brush)
                DeleteObject(*brush);
            *brush = nullptr;
        }
    }
    void SetRichEditColour()
    {
        const CEditDefinition* d = AsEditDefinition(definition_);
        if (type_ == SKIN_RICH_EDIT && window_ && previousProc_ && d)
            CallPrevious(EM_SETBKGNDCOLOR, 0, static_cast<LPARAM>(d->backColour));
    }

    HBRUSH backBrush_ = nullptr;
    HBRUSH readOnlyBrush_ = nullptr;
};

std::unique_ptr<CSkinCtrl> CreateScrollableSkin(CSkinWnd* parent, uint32_t type)
{
    if (type == SKIN_EDIT || type == SKIN_RICH_EDIT)
        return std::make_unique<CSkinEditCtrl>(parent, type);
    return std::make_unique<CSkinScrollCtrl>(parent, type);
}

} // namespace

std::unique_ptr<CSkinCtrl> CreateListBoxSkin(CSkinWnd* parent)
{
    return std::make_unique<CSkinScrollCtrl>(parent, SKIN_LIST_BOX);
}

void RegisterScrollableSkins(CSkinRegistry& registry)
{
    for (uint32_t type : {SKIN_EDIT, SKIN_LIST_BOX, SKIN_IP_ADDRESS, SKIN_LIST_VIEW, SKIN_TREE_VIEW})
        registry.SetControlCreator(type, &CreateScrollableSkin);
}

} // namespace glint
