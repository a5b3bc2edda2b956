#include "skin/runtime/SkinWnd.h"

#include "skin/file/SkinDefinitions.h"
#include "skin/file/SkinObjects.h"
#include "skin/file/SkinStore.h"
#include "skin/file/SkinTypes.h"
#include "skin/file/gdi/SkinDraw.h"
#include "skin/runtime/SkinCtrl.h"
#include "skin/runtime/SkinFramePaint.h"
#include "skin/runtime/SkinMessages.h"
#include "skin/runtime/SkinRegistry.h"

#include <atomic>

namespace glint {

namespace {

std::atomic<long> liveObjects{0};

// Recompute the frame without moving, sizing, reordering or activating.
constexpr UINT kFrameChanged = SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED;

} // namespace

CSkinWnd::CSkinWnd() { ++liveObjects; }

// A region set on the window belongs to the window: it is never deleted here.
CSkinWnd::~CSkinWnd()
{
    elements_.clear();
    --liveObjects;
}

long CSkinWnd::LiveObjects() { return liveObjects; }

void CSkinWnd::Dispose(CSkinWnd* object)
{
    if (!object)
        return;
    if (object->callDepth_ > 0)
        object->disposePending_ = true;
    else
        delete object;
}

LRESULT CALLBACK CSkinWnd::SkinWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* object = static_cast<CSkinWnd*>(GetPropA(window, SKIN_OBJECT_PROPERTY));
    if (!object)
        return DefWindowProcA(window, message, wParam, lParam);
    // The window may be destroyed inside this call (a command that ends a
    // dialog): the object then lives on until the outermost call returns.
    ++object->callDepth_;
    const LRESULT result = object->WindowProc(message, wParam, lParam);
    if (--object->callDepth_ == 0 && object->disposePending_)
        delete object;
    return result;
}

CSkinStore& CSkinWnd::ElementStore() const { return SkinRegistry().Store(); }

const CFrameDefinition* CSkinWnd::ElementFrame() const { return AsFrameDefinition(definition_); }

uint32_t CSkinWnd::SkinType() const { return SKIN_FRAME; }

void CSkinWnd::Draw(HDC dc)
{
    DrawFrame(dc, false);
    DrawBackground(dc, false);
}

CSkinNode* CSkinWnd::SetDefinition(CSkinNode* definition)
{
    CSkinNode* previous = definition_;
    definition_ = definition;
    CSkinStore& store = SkinRegistry().Store();
    const auto* info = dynamic_cast<const CSkinInfo*>(store.FindByType(SKIN_INFO));
    useTransparent_ = info && info->useTransparentColour;
    transparentColour_ = info ? info->keyColour : RGB(255, 0, 255);
    elements_.clear();
    if (!definition) {
        parts_ = {};
        laidOut_ = {};
        return previous;
    }
    captionText_ = true;
    for (auto& [name, child] : definition->children) {
        std::unique_ptr<CFrameElement> element = CreateFrameElement(*this, *child);
        if (!element)
            continue;
        if (ReplacesCaptionText(*child))
            captionText_ = false;
        elements_.push_back(std::move(element));
    }
    laidOut_ = {};
    if (window_) {
        for (HWND child = GetWindow(window_, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
            AttachChild(child);
    }
    parts_ = FramePartRects(AsFrameDefinition(definition));
    return previous;
}

HMENU CSkinWnd::GetWindowMenu() { return window_ ? GetMenu(window_) : nullptr; }

void CSkinWnd::SetWindowMenu(HMENU menu)
{
    if (window_)
        SetMenu(window_, menu);
}

LRESULT CSkinWnd::OnMenuKey(WPARAM, LPARAM) { return 0; }

bool CSkinWnd::KeepWithoutDefinition() { return false; }

void CSkinWnd::OnNcDestroy()
{
    destroying_ = true;
    HWND window = window_;
    WNDPROC previous = previousProc_;
    // Detaches and deletes this object (the delete waits for the end of the call).
    SkinRegistry().Remove(window);
    if (previous)
        CallWindowProcA(previous, window, WM_NCDESTROY, 0, 0);
}

HWND CSkinWnd::GetActiveMdiChild(BOOL* maximised)
{
    if (maximised)
        *maximised = FALSE;
    return nullptr;
}

void CSkinWnd::GetFrameRect(RECT* rect)
{
    if (rect && !(window_ && GetWindowRect(window_, rect)))
        SetRectEmpty(rect);
}

RECT CSkinWnd::WindowBox() const
{
    RECT r = {};
    if (window_ && GetWindowRect(window_, &r))
        OffsetRect(&r, -r.left, -r.top);
    return r;
}

FrameRects CSkinWnd::PlacedParts() const
{
    const RECT box = WindowBox();
    return LayoutFrame(parts_, box.right, box.bottom);
}

void CSkinWnd::DrawBackground(HDC dc, bool active)
{
    const CFrameDefinition* frame = AsFrameDefinition(definition_);
    if (!frame || !window_)
        return;
    const COLORREF fallback = frame->clientColour;
    DrawImageRef(dc, SkinRegistry().Store(), frame->slices[FRAME_CLIENT], PlacedParts()[PART_CLIENT], &fallback);
}

void CSkinWnd::DrawFrame(HDC dc, bool active)
{
    const CFrameDefinition* frame = AsFrameDefinition(definition_);
    if (!frame || !window_)
        return;
    DrawFrameParts(dc, SkinRegistry().Store(), frame, PlacedParts(), active, IsIconic(window_));
    DrawCaptionText(dc, active);
    DrawMenuBar(dc);
}

void CSkinWnd::RemoveChildrenOf(HWND window)
{
    CSkinRegistry& registry = SkinRegistry();
    for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        RemoveChildrenOf(child);
        registry.Remove(child);
        children_.erase(child);
    }
}

void CSkinWnd::Detach()
{
    CSkinRegistry& registry = SkinRegistry();
    if (window_)
        RemoveChildrenOf(window_);
    // What is left in the map are windows that are no children any more; only
    // their handles are used (their objects may be gone).
    const std::map<HWND, CSkinWnd*> rest = std::move(children_);
    children_.clear();
    for (const auto& entry : rest)
        registry.Remove(entry.first);
    if (window_ && previousProc_) {
        if (region_) {
            // The window owns the region and deletes it when it is replaced.
            SetWindowRgn(window_, nullptr, !destroying_);
            region_ = nullptr;
        }
        SetWindowLongPtrA(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previousProc_));
        if (!destroying_)
            SetWindowPos(window_, nullptr, 0, 0, 0, 0, kFrameChanged);
        RemovePropA(window_, SKIN_OBJECT_PROPERTY);
    }
    window_ = nullptr;
    previousProc_ = nullptr;
}

LONG_PTR CSkinWnd::Attach(HWND window)
{
    window_ = window;
    for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        AttachChild(child);
    previousProc_ = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(window, GWLP_WNDPROC));
    SetPropA(window, SKIN_OBJECT_PROPERTY, this);
    SyncElementsWithStyle(elements_, static_cast<uint32_t>(GetWindowLongPtrA(window, GWL_STYLE)));
    const LONG_PTR replaced =
        SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CSkinWnd::SkinWindowProc));
    if (!replaced) {
        // Not subclassed: the window keeps its own look.
        RemovePropA(window, SKIN_OBJECT_PROPERTY);
        previousProc_ = nullptr;
        return 0;
    }
    if (definition_)
        RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_FRAME);
    return replaced;
}

void CSkinWnd::OnShowWindow(BOOL, int) {}

LRESULT CSkinWnd::CallPrevious(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (previousProc_)
        return CallWindowProcA(previousProc_, window_, message, wParam, lParam);
    return window_ ? DefWindowProcA(window_, message, wParam, lParam) : 0;
}

LRESULT CSkinWnd::CallPreviousWithoutSysMenu(UINT message, WPARAM wParam, LPARAM lParam)
{
    HWND window = window_;
    const LONG_PTR style = GetWindowLongPtrA(window, GWL_STYLE);
    const bool sysMenu = style & WS_SYSMENU;
    if (sysMenu)
        SetWindowLongPtrA(window, GWL_STYLE, style & ~static_cast<LONG_PTR>(WS_SYSMENU));
    const LRESULT result = CallPrevious(message, wParam, lParam);
    if (sysMenu && IsWindow(window))
        SetWindowLongPtrA(window, GWL_STYLE, GetWindowLongPtrA(window, GWL_STYLE) | WS_SYSMENU);
    return result;
}

HBRUSH CSkinWnd::ControlBrush() { return nullptr; }

HBRUSH CSkinWnd::ControlColour(UINT, HDC) { return ControlBrush(); }

LRESULT CSkinWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (!previousProc_)
        return window_ ? DefWindowProcA(window_, message, wParam, lParam) : 0;
    switch (message) {
    case WM_SKINCHILDGONE:
        children_.erase(reinterpret_cast<HWND>(wParam));
        return 0;
    case WM_SKINMENUKEY:
        return OnMenuKey(wParam, lParam);
    case WM_CTLCOLOREDIT: {
        CSkinWnd* edit = SkinRegistry().Find(reinterpret_cast<HWND>(lParam));
        if (edit && edit->SkinType() == SKIN_EDIT)
            if (HBRUSH brush = edit->ControlColour(message, reinterpret_cast<HDC>(wParam)))
                return reinterpret_cast<LRESULT>(brush);
        break;
    }
    case WM_SHOWWINDOW:
        OnShowWindow(static_cast<BOOL>(wParam), static_cast<int>(lParam));
        break;
    case WM_NCDESTROY:
        OnNcDestroy();
        return 0;
    default:
        break;
    }
    return CallPrevious(message, wParam, lParam);
}

void CSkinWnd::GetMenuBarRect(RECT* rect)
{
    if (rect)
        SetRectEmpty(rect);
}

void CSkinWnd::DrawMenuBar(HDC) {}

HRGN CSkinWnd::BuildRegion()
{
    if (!window_)
        return nullptr;
    return BuildFrameRegion(AsFrameDefinition(definition_), PlacedParts(), useTransparent_, elements_, WindowBox());
}

void CSkinWnd::DrawCaptionText(HDC, bool) {}

int CSkinWnd::AttachChild(HWND child)
{
    for (HWND grandchild = GetWindow(child, GW_CHILD); grandchild; grandchild = GetWindow(grandchild, GW_HWNDNEXT))
        AttachChild(grandchild);
    CSkinRegistry& registry = SkinRegistry();
    const uint32_t type = registry.ClassifyWindow(child);
    if (!type)
        return 0;
    CSkinNode* definition = registry.Store().FindByType(type == SKIN_LINK_WINDOW ? SKIN_STATIC : type);
    auto known = children_.find(child);
    if (!definition) {
        if (known != children_.end()) {
            children_.erase(known);
            registry.Remove(child);
        }
        return 1;
    }
    if (known != children_.end()) {
        // The map entry is trusted only while the registry still has it.
        CSkinWnd* registered = registry.Find(child);
        if (registered != known->second || registered->Window() != child)
            children_.erase(known);
        else
            registered->SetDefinition(definition);
        return 1;
    }
    std::unique_ptr<CSkinCtrl> control = registry.CreateControlObject(type, this);
    if (!control)
        return 1;
    CSkinCtrl* object = control.release();
    if (!registry.Register(object, child)) {
        delete object;
        return 1;
    }
    object->SetDefinition(definition);
    children_[child] = object;
    if (!object->Attach(child)) {
        children_.erase(child);
        registry.Remove(child);
    }
    return 1;
}

} // namespace glint
