#include "skin/runtime/menu/SkinPopupMenu.h"

#include "image/gdi/GdiGuards.h"
#include "skin/file/SkinGdiHandles.h"
#include "skin/file/SkinStore.h"
#include "skin/file/SkinTypes.h"
#include "skin/file/gdi/SkinDraw.h"
#include "skin/runtime/SkinFramePaint.h"
#include "skin/runtime/SkinMessages.h"
#include "skin/runtime/SkinRegistry.h"
#include "skin/runtime/SkinRuntime.h"

#include <algorithm>
#include <cstring>

namespace glint {

namespace {

constexpr UINT kSubmenuDelay = 500;
constexpr int kEdgeGap = 2;
constexpr DWORD kPopupExStyle = WS_EX_TOPMOST | WS_EX_TOOLWINDOW;
// No WS_SYSMENU: Wine hands a popup with it to the window manager as a
// window of its own (placed, focused, and waited for when it hides).
constexpr DWORD kPopupStyle = WS_POPUP | WS_BORDER;
constexpr LPARAM kKeyUpBit = LPARAM(1) << 31;
constexpr UINT kMenuClosed = 0xFFFF;  // WM_MENUSELECT's high word when the menu closed

// The menu of the calling thread that is open now: one at a time.
thread_local CSkinPopupMenuWnd* openMenu = nullptr;

SIZE ScreenSize() { return {GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)}; }

int Width(const RECT& r) { return r.right - r.left; }
int Height(const RECT& r) { return r.bottom - r.top; }

bool IsKeyMessage(UINT message)
{
    return message == WM_KEYDOWN || message == WM_KEYUP || message == WM_CHAR || message == WM_SYSKEYDOWN ||
           message == WM_SYSKEYUP || message == WM_SYSCHAR;
}

bool HasPicture(CSkinStore& store, const char* name, size_t size)
{
    return store.FindImage({name, strnlen(name, size)}) != nullptr;
}

// A rectangle of that size centred in a box.
RECT CentredIn(const RECT& box, int width, int height)
{
    const int left = box.left + (Width(box) - width) / 2;
    const int top = box.top + (Height(box) - height) / 2;
    return {left, top, left + width, top + height};
}

void FillTriangle(HDC dc, const RECT& box, COLORREF colour, bool pointsRight, bool pointsDown)
{
    const int cx = (box.left + box.right) / 2, cy = (box.top + box.bottom) / 2;
    POINT p[3];
    if (pointsRight)
        p[0] = {cx - 2, cy - 4}, p[1] = {cx + 2, cy}, p[2] = {cx - 2, cy + 4};
    else if (pointsDown)
        p[0] = {cx - 4, cy - 2}, p[1] = {cx + 4, cy - 2}, p[2] = {cx, cy + 2};
    else
        p[0] = {cx - 4, cy + 2}, p[1] = {cx + 4, cy + 2}, p[2] = {cx, cy - 2};
    gdi::GdiObject<HBRUSH> brush(CreateSolidBrush(colour));
    gdi::GdiObject<HPEN> pen(CreatePen(PS_SOLID, 1, colour));
    gdi::Selection b(dc, brush.Get());
    gdi::Selection q(dc, pen.Get());
    Polygon(dc, p, 3);
}

void DrawCheckMark(HDC dc, const RECT& box, COLORREF colour)
{
    const int cx = (box.left + box.right) / 2, cy = (box.top + box.bottom) / 2;
    gdi::GdiObject<HPEN> pen(CreatePen(PS_SOLID, 2, colour));
    gdi::Selection q(dc, pen.Get());
    const POINT p[3] = {{cx - 4, cy}, {cx - 1, cy + 3}, {cx + 4, cy - 3}};
    Polyline(dc, p, 3);
}

// The owner keeps its active caption while its menu has the activation.
LRESULT CALLBACK KeepActiveCaptionProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto previous = reinterpret_cast<WNDPROC>(GetPropA(window, SKIN_OWNER_PROC_PROPERTY));
    if (!previous)
        return DefWindowProcA(window, message, wParam, lParam);
    if (message == WM_NCACTIVATE && wParam == 0)
        return 1;
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous));
        RemovePropA(window, SKIN_OWNER_PROC_PROPERTY);
    }
    return CallWindowProcA(previous, window, message, wParam, lParam);
}

// The text before a tab and the accelerator text after it.
std::pair<std::string, std::string> SplitAtTab(const std::string& text)
{
    const size_t tab = text.find('\t');
    if (tab == std::string::npos)
        return {text, std::string()};
    return {text.substr(0, tab), text.substr(tab + 1)};
}

int TextWidth(HDC dc, const std::string& text)
{
    RECT box = {0, 0, 0, 0};
    if (!text.empty())
        DrawSkinText(dc, text.c_str(), int(text.size()), &box, DT_SINGLELINE | DT_CALCRECT);
    return Width(box);
}

} // namespace

CSkinPopupMenuWnd::CSkinPopupMenuWnd(HWND owner, CSkinPopupMenuWnd* parent, int mode)
    : owner_(owner), parent_(parent), mode_(mode)
{
    // Without a menu definition in the skin the menu looks like the system's.
    LOGFONTA font = {};
    if (GetObjectA(GetStockObject(DEFAULT_GUI_FONT), sizeof font, &font))
        ownDefinition_.frameFont.logFont = font;
    ownDefinition_.activeColour = GetSysColor(COLOR_MENU);
    ownDefinition_.inactiveColour = GetSysColor(COLOR_MENU);
    ownDefinition_.clientColour = GetSysColor(COLOR_MENU);
    ownDefinition_.normalEffect.SetTextColour(GetSysColor(COLOR_MENUTEXT));
    ownDefinition_.highlightedEffect.SetTextColour(GetSysColor(COLOR_HIGHLIGHTTEXT));
    ownDefinition_.disabledEffect.SetTextColour(GetSysColor(COLOR_GRAYTEXT));
    for (SkinTextEffect* effect :
         {&ownDefinition_.normalEffect, &ownDefinition_.highlightedEffect, &ownDefinition_.disabledEffect})
        effect->flags = 0;
}

CSkinPopupMenuWnd::~CSkinPopupMenuWnd()
{
    child_.reset();
    if (window_ && IsWindow(window_))
        DestroyWindow(window_);
}

uint32_t CSkinPopupMenuWnd::SkinType() const { return SKIN_MENU; }

CSkinPopupMenuWnd* CSkinPopupMenuWnd::ActiveMenu() { return openMenu; }

CSkinPopupMenuWnd* CSkinPopupMenuWnd::Root()
{
    CSkinPopupMenuWnd* p = this;
    while (p->parent_)
        p = p->parent_;
    return p;
}

CSkinPopupMenuWnd* CSkinPopupMenuWnd::Deepest()
{
    CSkinPopupMenuWnd* p = this;
    while (p->child_)
        p = p->child_.get();
    return p;
}

CSkinPopupMenuWnd* CSkinPopupMenuWnd::PopupAt(POINT screen)
{
    CSkinPopupMenuWnd* found = nullptr;
    for (CSkinPopupMenuWnd* p = this; p; p = p->child_.get()) {
        RECT box;
        if (p->window_ && IsWindowVisible(p->window_) && GetWindowRect(p->window_, &box) && PtInRect(&box, screen))
            found = p;  // the deepest one wins where popups overlap
    }
    return found;
}

bool CSkinPopupMenuWnd::CreatePopupWindow(HWND parentWindow)
{
    CreateWindowExA(kPopupExStyle, SKIN_POPUP_MENU_CLASS, "", kPopupStyle, 0, 0, 100, 100, parentWindow, nullptr,
                    GetModuleHandleA(nullptr), this);
    return window_ != nullptr;
}

void CSkinPopupMenuWnd::UseDefinition()
{
    CSkinNode* found = SkinRegistry().Store().FindByType(SKIN_MENU);
    auto* menu = dynamic_cast<CMenuDefinition*>(found);
    CSkinWnd::SetDefinition(menu);
    menuDefinition_ = menu ? menu : &ownDefinition_;
    parts_ = FramePartRects(menu);
    // The highlight's margins frame every item's content.
    margins_ = menuDefinition_->activeImage.margins;
}

bool CSkinPopupMenuWnd::Framed() const
{
    return menuDefinition_ != &ownDefinition_ && FrameIsUsable(menuDefinition_);
}

RECT CSkinPopupMenuWnd::ClientBox() const
{
    const RECT borders = Framed() ? FrameBorders(parts_) : RECT{1, 1, 1, 1};
    return {borders.left, borders.top, size_.cx - borders.right, size_.cy - borders.bottom};
}

void CSkinPopupMenuWnd::Measure()
{
    HDC dc = GetDC(window_);
    gdi::GdiObject<HFONT> font(CreateSkinFont(menuDefinition_->frameFont.logFont));
    gdi::Selection selected(dc, font.Get());
    SIZE test = {}, blanks = {};
    GetTextExtentPoint32A(dc, "TEST", 4, &test);
    GetTextExtentPoint32A(dc, "    ", 4, &blanks);
    itemHeight_ = std::max(int(test.cy), GetSystemMetrics(SM_CYSMICON)) + margins_.top + margins_.bottom + 2;
    int textWidth = 0;
    for (const SkinMenuItem& item : *items_) {
        const auto [text, accelerator] = SplitAtTab(item.text);
        int width = TextWidth(dc, text);
        if (item.text.find('\t') != std::string::npos)
            width += blanks.cx + TextWidth(dc, accelerator);
        textWidth = std::max(textWidth, width);
    }
    ReleaseDC(window_, dc);
    const RECT borders = Framed() ? FrameBorders(parts_) : RECT{1, 1, 1, 1};
    const int count = int(items_->size());
    size_.cx = borders.left + borders.right + textWidth + margins_.left + margins_.right + 2 * itemHeight_ + 1;
    // A menu taller than the screen gets the screen's height and scrolls.
    size_.cy = std::min(int(itemHeight_ * count + borders.top + borders.bottom), int(ScreenSize().cy) - 2 * kEdgeGap);
    scroll_ = ScrollLayoutFor(size_.cy - borders.top - borders.bottom, itemHeight_, count);
    first_ = 0;
}

void CSkinPopupMenuWnd::MoveTo(POINT corner)
{
    MoveWindow(window_, corner.x, corner.y, size_.cx, size_.cy, FALSE);
    if (!Framed() || !useTransparent_)
        return;
    const RECT box = {0, 0, size_.cx, size_.cy};
    const std::vector<std::unique_ptr<CFrameElement>> none;
    // The window owns the region from here on.
    if (HRGN region = BuildFrameRegion(menuDefinition_, LayoutFrame(parts_, size_.cx, size_.cy), true, none, box))
        SetWindowRgn(window_, region, FALSE);
}

RECT CSkinPopupMenuWnd::ItemRow(int item) const
{
    const RECT client = ClientBox();
    const int top = (scroll_.scrolls ? scroll_.upperArea : 0) + (item - first_) * itemHeight_;
    return {0, top, Width(client), top + itemHeight_};
}

bool CSkinPopupMenuWnd::ItemScreenRect(int item, RECT* rect) const
{
    RECT me;
    if (!rect || !window_ || item < first_ || item >= first_ + scroll_.visible ||
        item >= int(items_->size()) || !GetWindowRect(window_, &me))
        return false;
    const RECT client = ClientBox();
    *rect = ItemRow(item);
    OffsetRect(rect, me.left + client.left, me.top + client.top);
    return true;
}

int CSkinPopupMenuWnd::ItemAt(POINT client) const
{
    const RECT box = ClientBox();
    const int top = scroll_.scrolls ? scroll_.upperArea : 0;
    if (client.x < 0 || client.x >= Width(box) || client.y < top || itemHeight_ <= 0)
        return -1;
    const int row = (client.y - top) / itemHeight_;
    if (row >= scroll_.visible)
        return -1;
    const int item = first_ + row;
    return item < int(items_->size()) ? item : -1;
}

void CSkinPopupMenuWnd::Select(int item, bool fromKeyboard)
{
    if (item == selected_)
        return;
    KillTimer(window_, SKIN_SUBMENU_TIMER);
    if (child_ && child_->parentItem_ != item)
        CloseChild();
    selected_ = item;
    if (item >= 0) {
        const SkinMenuItem& it = (*items_)[size_t(item)];
        first_ = FirstVisibleFor(item, first_, scroll_.visible, int(items_->size()));
        SendMessageA(owner_, WM_MENUSELECT, MAKEWPARAM(LOWORD(it.id), MF_HILITE), reinterpret_cast<LPARAM>(it.menu));
        if (!fromKeyboard && it.subMenu)
            SetTimer(window_, SKIN_SUBMENU_TIMER, kSubmenuDelay, nullptr);
    }
    InvalidateRect(window_, nullptr, FALSE);
    UpdateWindow(window_);
}

void CSkinPopupMenuWnd::OpenSubmenu(int item, bool selectFirst)
{
    if (item < 0 || item >= int(items_->size()))
        return;
    const SkinMenuItem& it = (*items_)[size_t(item)];
    // A grayed submenu stays closed, as the system's does.
    if (!it.subMenu || it.IsUnavailable() || it.items.empty())
        return;
    Select(item, true);
    if (!child_) {
        auto child = std::make_unique<CSkinPopupMenuWnd>(owner_, this, mode_);
        child->items_ = &it.items;
        child->menu_ = it.subMenu;
        child->parentItem_ = item;
        if (!child->CreatePopupWindow(window_))
            return;
        child->UseDefinition();
        child->Measure();
        RECT row = ItemRow(item), me;
        GetWindowRect(window_, &me);
        const RECT client = ClientBox();
        OffsetRect(&row, me.left + client.left, me.top + client.top);
        child->MoveTo(PlaceSubmenu(row, me, child->size_, ScreenSize()));
        child_ = std::move(child);
        ShowWindow(child_->window_, SW_SHOWNOACTIVATE);
    }
    if (selectFirst && child_->selected_ < 0)
        child_->Select(NextMenuItem(*child_->items_, -1, 1), true);
}

void CSkinPopupMenuWnd::CloseChild()
{
    if (!child_)
        return;
    child_->CloseChild();
    CSkinPopupMenuWnd* child = child_.release();
    if (child->window_)
        DestroyWindow(child->window_);
    // A popup closed from inside one of its own calls goes when that call returns.
    if (child->calls_ > 0)
        child->orphaned_ = true;
    else
        delete child;
    if (window_)
        InvalidateRect(window_, nullptr, FALSE);
}

void CSkinPopupMenuWnd::Activate(int item, bool selectFirst)
{
    if (item < 0 || item >= int(items_->size()))
        return;
    const SkinMenuItem& it = (*items_)[size_t(item)];
    // Separators, grayed and disabled items do nothing and keep the menu open.
    if (it.IsSeparator() || it.IsUnavailable())
        return;
    if (it.subMenu) {
        OpenSubmenu(item, selectFirst);
        return;
    }
    Choose(it);
}

void CSkinPopupMenuWnd::Choose(const SkinMenuItem& item)
{
    CSkinPopupMenuWnd* root = Root();
    root->chosen_ = item.id;
    for (CSkinPopupMenuWnd* p = root; p; p = p->child_.get())
        if (p->window_)
            ShowWindow(p->window_, SW_HIDE);
    root->EndMenu();
}

void CSkinPopupMenuWnd::EndMenu()
{
    CSkinPopupMenuWnd* root = Root();
    if (root->done_)
        return;
    root->done_ = true;
    SendMessageA(owner_, WM_MENUSELECT, MAKEWPARAM(0, kMenuClosed), 0);
    PostMessageA(root->window_, WM_SKINMENUENDTRACK, 0, 0);
}

void CSkinPopupMenuWnd::ScrollBy(int rows)
{
    const int count = int(items_->size());
    const int first = std::clamp(first_ + rows, 0, std::max(count - scroll_.visible, 0));
    if (first == first_)
        return;
    first_ = first;
    InvalidateRect(window_, nullptr, FALSE);
    UpdateWindow(window_);
}

void CSkinPopupMenuWnd::OnKey(UINT key)
{
    switch (key) {
    case VK_DOWN:
    case VK_UP:
        Select(NextMenuItem(*items_, selected_, key == VK_DOWN ? 1 : -1), true);
        return;
    case VK_RIGHT:
        if (selected_ >= 0 && (*items_)[size_t(selected_)].subMenu)
            OpenSubmenu(selected_, true);
        else if (!parent_)
            PostMessageA(owner_, WM_SKINMENUKEY, VK_RIGHT, 0);
        return;
    case VK_LEFT:
        if (parent_)
            parent_->CloseChild();
        else
            PostMessageA(owner_, WM_SKINMENUKEY, VK_LEFT, 0);
        return;
    case VK_ESCAPE:
        // Only the innermost popup closes; the root's Escape ends the menu.
        if (parent_)
            parent_->CloseChild();
        else
            EndMenu();
        return;
    case VK_RETURN:
        Activate(selected_, true);
        return;
    case VK_SHIFT:
    case VK_CONTROL:
    case VK_MENU:
        return;
    default:
        break;
    }
    const int item = FindMnemonicItem(*items_, key);
    if (item < 0 || (*items_)[size_t(item)].IsUnavailable())
        return;
    Select(item, true);
    Activate(item, true);
}

void CSkinPopupMenuWnd::OnMouse(UINT message, POINT screen)
{
    RECT me;
    GetWindowRect(window_, &me);
    const RECT client = ClientBox();
    const POINT at = {screen.x - me.left - client.left, screen.y - me.top - client.top};
    if (scroll_.scrolls && message == WM_LBUTTONDOWN && !child_) {
        if (at.y < scroll_.upperArea) {
            ScrollBy(-1);
            return;
        }
        if (at.y >= scroll_.upperArea + scroll_.visible * itemHeight_) {
            ScrollBy(1);
            return;
        }
    }
    const int item = ItemAt(at);
    if (item < 0)
        return;
    const bool opensSubmenu = (*items_)[size_t(item)].subMenu != nullptr;
    switch (message) {
    case WM_MOUSEMOVE: Select(item, false); break;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
        Select(item, false);
        if (opensSubmenu)
            Activate(item, false);
        break;
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
        if (!opensSubmenu)
            Activate(item, false);
        break;
    default: break;
    }
}

LRESULT CSkinPopupMenuWnd::OnMenuKey(WPARAM key, LPARAM keyData)
{
    if (keyData & kKeyUpBit)
        return 1;
    if (key == SKIN_ALT_ALONE || key == VK_F10)
        EndMenu();
    else
        Root()->Deepest()->OnKey(UINT(key));
    return 1;
}

void CSkinPopupMenuWnd::KeepOwnerActive(bool keep)
{
    if (keep) {
        HWND top = owner_;
        while (top && (GetWindowLongPtrA(top, GWL_STYLE) & WS_CHILD) && GetParent(top))
            top = GetParent(top);
        if (!top || GetPropA(top, SKIN_OWNER_PROC_PROPERTY))
            return;
        const LONG_PTR previous =
            SetWindowLongPtrA(top, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&KeepActiveCaptionProc));
        if (!previous)
            return;
        SetPropA(top, SKIN_OWNER_PROC_PROPERTY, reinterpret_cast<HANDLE>(previous));
        keptOwner_ = top;
        return;
    }
    HWND top = keptOwner_;
    keptOwner_ = nullptr;
    if (!top || !IsWindow(top))
        return;
    // Put back only what is still ours: a later subclass keeps its place.
    if (GetWindowLongPtrA(top, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(&KeepActiveCaptionProc)) {
        SetWindowLongPtrA(top, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(GetPropA(top, SKIN_OWNER_PROC_PROPERTY)));
        RemovePropA(top, SKIN_OWNER_PROC_PROPERTY);
    }
}

void CSkinPopupMenuWnd::OnShowWindow(BOOL show, int)
{
    if (parent_)
        return;
    if (show) {
        KeepOwnerActive(true);
        SetCapture(window_);
    } else {
        if (GetCapture() == window_)
            ReleaseCapture();
        KeepOwnerActive(false);
    }
}

void CSkinPopupMenuWnd::PaintFrame()
{
    if (!Framed() || !window_)
        return;
    HDC dc = GetWindowDC(window_);
    if (!dc)
        return;
    const FrameRects placed = LayoutFrame(parts_, size_.cx, size_.cy);
    // The menu never takes the activation: it shows the active frame while open.
    const bool active = true;
    ComposeFrame(dc, size_.cx, size_.cy, placed, 0, [&](HDC memory) {
        DrawFrameParts(memory, SkinRegistry().Store(), menuDefinition_, placed, active, false);
    });
    ReleaseDC(window_, dc);
}

void CSkinPopupMenuWnd::PaintItem(HDC dc, int item, const RECT& row)
{
    CSkinStore& store = SkinRegistry().Store();
    const CMenuDefinition& d = *menuDefinition_;
    const SkinMenuItem& it = (*items_)[size_t(item)];
    RECT content = {row.left + margins_.left, row.top + margins_.top, row.right - margins_.right,
                    row.bottom - margins_.bottom};
    if (it.IsSeparator()) {
        const SkinGridRef& image = d.separatorImage;
        if (!image.IsEmpty() && HasPicture(store, image.image, sizeof image.image)) {
            RECT line = {content.left, row.top, content.right, row.bottom};
            const int height = image.source.bottom - image.source.top;
            if (Height(row) > height)
                line = CentredIn(line, Width(line), height);
            DrawGridRef(dc, store, image, line);
        } else {
            RECT line = {content.left, (row.top + row.bottom) / 2, content.right, row.bottom};
            DrawEdge(dc, &line, EDGE_ETCHED, BF_TOP);
        }
        return;
    }
    const bool highlighted = item == selected_;
    if (highlighted)
        DrawGridRef(dc, store, d.activeImage, row, &d.activeItemColour);
    const SkinTextEffect& effect = it.IsUnavailable() ? d.disabledEffect
                                   : highlighted      ? d.highlightedEffect
                                                      : d.normalEffect;
    const int column = itemHeight_;
    const RECT check = {content.left, content.top, content.left + column, content.bottom};
    const RECT mark = {content.right - column, content.top, content.right, content.bottom};
    if (it.IsChecked()) {
        const SkinImageRef& image = d.checkImage;
        if (!image.IsEmpty() && HasPicture(store, image.image, sizeof image.image))
            DrawImageRef(dc, store, image, CentredIn(check, image.Width(), image.Height()));
        else
            DrawCheckMark(dc, check, effect.TextColour());
    }
    if (it.subMenu) {
        const SkinImageRef& image = d.subMenuImage;
        if (!image.IsEmpty() && HasPicture(store, image.image, sizeof image.image))
            DrawImageRef(dc, store, image, CentredIn(mark, image.Width(), image.Height()));
        else
            FillTriangle(dc, mark, effect.TextColour(), true, false);
    }
    const auto [text, accelerator] = SplitAtTab(it.text);
    RECT box = {check.right, content.top, mark.left, content.bottom};
    DrawTextEffect(dc, effect, text.c_str(), int(text.size()), box, DT_LEFT | DT_SINGLELINE | DT_VCENTER);
    if (!accelerator.empty())
        DrawTextEffect(dc, effect, accelerator.c_str(), int(accelerator.size()), box,
                       DT_RIGHT | DT_SINGLELINE | DT_VCENTER);
}

void CSkinPopupMenuWnd::Paint(HDC dc)
{
    const RECT box = ClientBox();
    const RECT client = {0, 0, Width(box), Height(box)};
    if (client.right <= 0 || client.bottom <= 0)
        return;
    gdi::MemoryDC memory(dc);
    gdi::GdiObject<HBITMAP> bitmap(CreateCompatibleBitmap(dc, client.right, client.bottom));
    if (!memory || !bitmap)
        return;
    gdi::Selection selected(memory.Get(), bitmap.Get());
    const CMenuDefinition& d = *menuDefinition_;
    CSkinStore& store = SkinRegistry().Store();
    DrawImageRef(memory.Get(), store, d.slices[PART_CLIENT], client, &d.activeColour);
    gdi::GdiObject<HFONT> font(CreateSkinFont(d.frameFont.logFont));
    gdi::Selection fontSelected(memory.Get(), font.Get());
    const int last = std::min(first_ + scroll_.visible, int(items_->size()));
    for (int item = first_; item < last; ++item)
        PaintItem(memory.Get(), item, ItemRow(item));
    if (scroll_.scrolls) {
        const COLORREF ink = d.normalEffect.TextColour();
        const RECT upper = {0, 0, client.right, scroll_.upperArea};
        const RECT lower = {0, client.bottom - scroll_.lowerArea, client.right, client.bottom};
        FillTriangle(memory.Get(), upper, ink, false, false);
        FillTriangle(memory.Get(), lower, ink, false, true);
    }
    BitBlt(dc, 0, 0, client.right, client.bottom, memory.Get(), 0, 0, SRCCOPY);
}

LRESULT CSkinPopupMenuWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    HWND window = window_;
    switch (message) {
    case WM_NCCALCSIZE:
        if (Framed()) {
            RECT* proposed = wParam ? &reinterpret_cast<NCCALCSIZE_PARAMS*>(lParam)->rgrc[0]
                                    : reinterpret_cast<RECT*>(lParam);
            const RECT borders = FrameBorders(parts_);
            proposed->left += borders.left;
            proposed->top += borders.top;
            proposed->right = std::max(proposed->left, proposed->right - borders.right);
            proposed->bottom = std::max(proposed->top, proposed->bottom - borders.bottom);
            return 0;
        }
        break;
    case WM_NCPAINT:
        if (Framed()) {
            PaintFrame();
            return 0;
        }
        break;
    case WM_NCACTIVATE:
        if (Framed()) {
            PaintFrame();
            return TRUE;
        }
        break;
    case WM_NCHITTEST: return HTCLIENT;
    case WM_MOUSEACTIVATE: return MA_NOACTIVATE;
    case WM_ERASEBKGND: return 1;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(window, &ps);
        if (dc)
            Paint(dc);
        EndPaint(window, &ps);
        return 0;
    }
    case WM_SHOWWINDOW: OnShowWindow(BOOL(wParam), int(lParam)); break;
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP: {
        // The root has the mouse captured: every popup's mouse comes here.
        POINT at = {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
        ClientToScreen(window, &at);
        CSkinPopupMenuWnd* root = Root();
        if (CSkinPopupMenuWnd* target = root->PopupAt(at))
            target->OnMouse(message == WM_LBUTTONDBLCLK ? WM_LBUTTONDOWN : message, at);
        else if (message == WM_LBUTTONDOWN || message == WM_RBUTTONDOWN || message == WM_LBUTTONDBLCLK)
            root->EndMenu();  // a click outside every popup
        return 0;
    }
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN: OnKey(UINT(wParam)); return 0;
    case WM_KEYUP:
    case WM_SYSKEYUP:
    case WM_CHAR:
    case WM_SYSCHAR: return 0;
    case WM_TIMER:
        if (wParam == SKIN_SUBMENU_TIMER) {
            KillTimer(window, SKIN_SUBMENU_TIMER);
            OpenSubmenu(selected_, false);
            return 0;
        }
        break;
    case WM_CAPTURECHANGED: {
        // Another window took the mouse: the menu cannot go on.
        HWND taker = reinterpret_cast<HWND>(lParam);
        CSkinPopupMenuWnd* root = Root();
        bool ours = false;
        for (CSkinPopupMenuWnd* p = root; p; p = p->child_.get())
            ours = ours || p->window_ == taker;
        if (!parent_ && !ours)
            EndMenu();
        return 0;
    }
    case WM_SKINMENUKEY: return OnMenuKey(wParam, lParam);
    case WM_SKINMENUENDTRACK: return 0;
    case WM_DRAWITEM: return SendMessageA(owner_, message, wParam, lParam);
    case WM_NCDESTROY:
        KillTimer(window, SKIN_SUBMENU_TIMER);
        if (!parent_)
            KeepOwnerActive(false);
        RemovePropA(window, SKIN_POPUP_OBJECT_PROPERTY);
        window_ = nullptr;
        break;
    default: break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

UINT CSkinPopupMenuWnd::Track(HMENU menu, UINT flags, int x, int y, HWND owner, bool systemMenu, bool returnCommand)
{
    if (!menu || !IsMenu(menu) || !owner || !IsWindow(owner) || openMenu)
        return 0;
    auto root = std::make_unique<CSkinPopupMenuWnd>(owner, nullptr, systemMenu ? SKIN_MENU_SYSTEM : SKIN_MENU_ORDINARY);
    root->menu_ = menu;
    SendMessageA(owner, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(menu), 0);
    if (!IsWindow(owner) || !root->CreatePopupWindow(owner))
        return 0;
    root->model_ = BuildMenuModel(menu);
    if (root->model_.empty())
        return 0;
    root->UseDefinition();
    root->Measure();
    root->MoveTo(PlaceRootPopup(root->size_, x, y, flags, ScreenSize()));
    openMenu = root.get();
    // Shown without taking the activation, as the system's menus are: the
    // keyboard reaches the popups through the loop and the keyboard hook.
    ShowWindow(root->window_, SW_SHOWNOACTIVATE);
    UpdateWindow(root->window_);

    MSG msg;
    while (!root->done_) {
        const BOOL got = GetMessageA(&msg, nullptr, 0, 0);
        if (got == 0) {
            // WM_QUIT ends the menu and stays for the loop outside.
            PostQuitMessage(int(msg.wParam));
            break;
        }
        if (got < 0 || !IsWindow(owner))
            break;
        if (msg.message == WM_SKINMENUENDTRACK) {
            DispatchMessageA(&msg);
            break;
        }
        if (IsKeyMessage(msg.message))
            msg.hwnd = root->Deepest()->window_;  // the innermost popup has the keyboard
        else if (systemMenu && (msg.message == WM_NCLBUTTONDOWN || msg.message == WM_NCLBUTTONDBLCLK))
            root->EndMenu();
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    root->EndMenu();
    root->CloseChild();
    if (root->window_)
        DestroyWindow(root->window_);
    // The end notice of this menu must not end the next one.
    while (PeekMessageA(&msg, nullptr, WM_SKINMENUENDTRACK, WM_SKINMENUENDTRACK, PM_REMOVE)) {
    }
    openMenu = nullptr;
    const UINT chosen = root->chosen_;
    root.reset();
    if (chosen && !returnCommand && IsWindow(owner))
        PostMessageA(owner, systemMenu ? WM_SYSCOMMAND : WM_COMMAND, chosen, 0);
    return chosen;
}

LRESULT CALLBACK SkinPopupMenuWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* object = static_cast<CSkinPopupMenuWnd*>(GetPropA(window, SKIN_POPUP_OBJECT_PROPERTY));
    if (!object && message == WM_NCCREATE) {
        object = static_cast<CSkinPopupMenuWnd*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
        if (object) {
            SetPropA(window, SKIN_POPUP_OBJECT_PROPERTY, object);
            object->window_ = window;
        }
    }
    if (!object)
        return DefWindowProcA(window, message, wParam, lParam);
    ++object->calls_;
    const LRESULT result = object->WindowProc(message, wParam, lParam);
    if (--object->calls_ == 0 && object->orphaned_)
        delete object;
    return result;
}

BOOL SkinTrackPopupMenu(HMENU menu, UINT flags, int x, int y, HWND owner)
{
    if (!menu || !IsMenu(menu) || !owner || !IsWindow(owner) || CSkinPopupMenuWnd::ActiveMenu())
        return FALSE;
    const bool returnCommand = flags & TPM_RETURNCMD;
    const UINT chosen = CSkinPopupMenuWnd::Track(menu, flags, x, y, owner, false, returnCommand);
    return returnCommand ? BOOL(chosen) : TRUE;
}

std::vector<SystemMenuEntry> SystemMenuEntries(uint32_t style, uint32_t exStyle, bool noClose)
{
    const bool maximised = style & WS_MAXIMIZE, minimised = style & WS_MINIMIZE;
    // The window's own abilities gray an item too: a dialog without a
    // maximise box offers no Maximize.
    std::vector<SystemMenuEntry> entries = {
        {SC_RESTORE, !(maximised || minimised)},
        {SC_MOVE, maximised || minimised},
        {SC_SIZE, maximised || minimised || !(style & WS_THICKFRAME)},
        {SC_MINIMIZE, minimised || !(style & WS_MINIMIZEBOX)},
        {SC_MAXIMIZE, maximised || !(style & WS_MAXIMIZEBOX)},
        {0, false},
        {SC_CLOSE, noClose},
    };
    if (exStyle & WS_EX_MDICHILD) {
        entries.push_back({0, false});
        entries.push_back({SC_NEXTWINDOW, false});
    }
    return entries;
}

UINT ShowSkinSystemMenuAt(HWND window, POINT at)
{
    HMENU system = window ? GetSystemMenu(window, FALSE) : nullptr;
    if (!system)
        return 0;
    const bool noClose = GetClassLongPtrA(window, GCL_STYLE) & CS_NOCLOSE;
    HMENU menu = CreatePopupMenu();
    if (!menu)
        return 0;
    bool separatorDue = false;
    for (const SystemMenuEntry& entry : SystemMenuEntries(uint32_t(GetWindowLongPtrA(window, GWL_STYLE)),
                                                          uint32_t(GetWindowLongPtrA(window, GWL_EXSTYLE)), noClose)) {
        if (!entry.command) {
            separatorDue = GetMenuItemCount(menu) > 0;
            continue;
        }
        char text[256] = {};
        if (GetMenuStringA(system, entry.command, text, sizeof text, MF_BYCOMMAND) <= 0 || !text[0])
            continue;
        if (separatorDue)
            AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
        separatorDue = false;
        AppendMenuA(menu, MF_STRING | (entry.grayed ? MF_GRAYED : 0), entry.command, text);
    }
    const UINT chosen = CSkinPopupMenuWnd::Track(menu, TPM_LEFTALIGN | TPM_TOPALIGN, at.x, at.y, window, true, false);
    DestroyMenu(menu);
    return chosen;
}

UINT ShowSkinSystemMenu(HWND window)
{
    POINT cursor = {};
    GetCursorPos(&cursor);
    return ShowSkinSystemMenuAt(window, {cursor.x + kEdgeGap, cursor.y});
}

} // namespace glint
