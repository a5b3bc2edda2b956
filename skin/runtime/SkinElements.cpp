#include "skin/runtime/SkinElements.h"

#include "image/gdi/GdiGuards.h"
#include "skin/file/SkinGdiHandles.h"
#include "skin/file/SkinDefinitions.h"
#include "skin/file/SkinStore.h"
#include "skin/file/SkinTypes.h"
#include "skin/file/gdi/SkinDraw.h"
#include "skin/runtime/SkinFramePaint.h"
#include "skin/runtime/SkinRegion.h"
#include "skin/runtime/menu/SkinPopupMenu.h"

#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <string_view>

namespace glint {

namespace {

constexpr UINT kHoverInterval = 100;

SIZE SizeOf(const RECT& r) { return {r.right - r.left, r.bottom - r.top}; }

std::string_view ImageName(const SkinImageRef& slice) { return {slice.image, strnlen(slice.image, sizeof slice.image)}; }

CDibImage* ImageOf(CSkinStore& store, const SkinImageRef& slice)
{
    return slice.IsEmpty() ? nullptr : store.FindImage(ImageName(slice));
}

bool Drawable(CSkinStore& store, const SkinImageRef& slice) { return ImageOf(store, slice) != nullptr; }

void DeleteRegion(HRGN& region)
{
    if (region)
        DeleteObject(region);
    region = nullptr;
}

HRGN CopyRegion(HRGN region)
{
    HRGN copy = CreateRectRgn(0, 0, 0, 0);
    if (copy && region)
        CombineRgn(copy, region, nullptr, RGN_COPY);
    return copy;
}

// Draws a slice over what dc already shows, leaving the key colour's pixels as
// they were: the slice goes to a bitmap of its own, a mask of its key-coloured
// pixels is made from it, and the two are combined onto dc.
void DrawSliceKeyed(HDC dc, CSkinStore& store, const SkinImageRef& slice, const RECT& r, COLORREF key)
{
    const SIZE size = SizeOf(r);
    gdi::MemoryDC picture(dc);
    gdi::GdiObject<HBITMAP> pictureBits(CreateCompatibleBitmap(dc, size.cx, size.cy));
    if (!picture || !pictureBits) {
        DrawImageRef(dc, store, slice, r);
        return;
    }
    gdi::Selection selectPicture(picture.Get(), pictureBits.Get());
    const RECT local = {0, 0, size.cx, size.cy};
    // What the slice does not cover (mode 0 with a smaller source) stays transparent too.
    gdi::GdiObject<HBRUSH> keyBrush(CreateSolidBrush(key));
    FillRect(picture.Get(), &local, keyBrush.Get());
    DrawImageRef(picture.Get(), store, slice, local);
    if (!BlitKeyed(dc, r, picture.Get(), key))
        DrawImageRef(dc, store, slice, r);
}

// The window's small icon, else its large one, the class's, or the program's first icon.
HICON WindowIcon(HWND window)
{
    auto icon = reinterpret_cast<HICON>(SendMessageA(window, WM_GETICON, ICON_SMALL, 0));
    if (!icon)
        icon = reinterpret_cast<HICON>(SendMessageA(window, WM_GETICON, ICON_BIG, 0));
    if (!icon)
        icon = reinterpret_cast<HICON>(GetClassLongPtrA(window, GCLP_HICONSM));
    if (!icon)
        icon = reinterpret_cast<HICON>(GetClassLongPtrA(window, GCLP_HICON));
    if (!icon) {
        // The first icon group of the program, by number or by name.
        struct First {
            LPCSTR id = nullptr;
            std::string name;
            static BOOL CALLBACK Take(HMODULE, LPCSTR, LPSTR found, LONG_PTR self)
            {
                auto* first = reinterpret_cast<First*>(self);
                if (IS_INTRESOURCE(found))
                    first->id = found;
                else
                    first->name = found; // the text lives only as long as the enumeration
                return FALSE;
            }
        } first;
        HMODULE program = GetModuleHandleA(nullptr);
        EnumResourceNamesA(program, RT_GROUP_ICON, First::Take, reinterpret_cast<LONG_PTR>(&first));
        const LPCSTR id = first.id ? first.id : first.name.empty() ? nullptr : first.name.c_str();
        if (id)
            icon = static_cast<HICON>(LoadImageA(program, id, IMAGE_ICON, 0, 0, LR_DEFAULTSIZE | LR_SHARED));
    }
    return icon;
}

// The hover timers of all caption buttons, by timer id: a tick that arrives
// after its button is gone finds nothing.
struct HoverTimers {
    std::mutex lock;
    std::map<UINT_PTR, CCaptionButtonElement*> buttons;
    UINT_PTR next = 0x47420000;
};
HoverTimers& Timers()
{
    static HoverTimers timers;
    return timers;
}

} // namespace

bool BlitKeyed(HDC dc, const RECT& r, HDC picture, COLORREF key)
{
    const SIZE size = SizeOf(r);
    gdi::MemoryDC mask(dc);
    gdi::GdiObject<HBITMAP> maskBits(CreateBitmap(size.cx, size.cy, 1, 1, nullptr));
    if (!mask || !maskBits)
        return false;
    gdi::Selection selectMask(mask.Get(), maskBits.Get());
    // Colour to monochrome: pixels of the key colour become white.
    const COLORREF pictureBack = SetBkColor(picture, key);
    BitBlt(mask.Get(), 0, 0, size.cx, size.cy, picture, 0, 0, SRCCOPY);
    SetBkColor(picture, pictureBack);
    // Monochrome to colour: white takes dc's background colour, black its text colour.
    const COLORREF oldBack = SetBkColor(dc, RGB(255, 255, 255));
    const COLORREF oldText = SetTextColor(dc, RGB(0, 0, 0));
    BitBlt(dc, r.left, r.top, size.cx, size.cy, picture, 0, 0, SRCINVERT);
    BitBlt(dc, r.left, r.top, size.cx, size.cy, mask.Get(), 0, 0, SRCAND);
    BitBlt(dc, r.left, r.top, size.cx, size.cy, picture, 0, 0, SRCINVERT);
    SetBkColor(dc, oldBack);
    SetTextColor(dc, oldText);
    return true;
}

// ---- CFrameElement ----

CFrameElement::CFrameElement(IFrameElementOwner& owner, CPartBase& definition)
    : owner_(owner), definition_(&definition), reference_(definition.designRect), rect_(definition.designRect)
{
}

CFrameElement::~CFrameElement() { ClearShape(); }

void CFrameElement::SetDefinition(CPartBase& definition)
{
    definition_ = &definition;
    reference_ = rect_ = definition.designRect;
    ClearShape();
}

void CFrameElement::Enable(bool enabled)
{
    enabled_ = enabled;
    Repaint();
}

bool CFrameElement::OnRButtonUp(POINT) { return false; }
bool CFrameElement::OnRButtonDown(POINT) { return false; }
bool CFrameElement::OnMouseMove(POINT) { return false; }
bool CFrameElement::OnLButtonUp(POINT) { return false; }
bool CFrameElement::OnLButtonDown(POINT) { return false; }
bool CFrameElement::OnLButtonDblClk(POINT) { return false; }

// A fill element is a piece of the frame: it answers as the caption would.
int CFrameElement::HitTest(POINT point) { return Visible() && Covers(point) ? HIT_CAPTION : HIT_NOWHERE; }

RECT CFrameElement::PlaceFor(SIZE window) const
{
    const CFrameDefinition* frame = owner_.ElementFrame();
    return frame ? AnchorByCode(reference_, definition_->anchor, FrameReferenceSize(FramePartRects(frame)), window.cx,
                                window.cy)
                 : reference_;
}

void CFrameElement::Layout(const RECT& windowRect)
{
    const RECT before = rect_;
    rect_ = PlaceFor(SizeOf(windowRect));
    if (shape_ && (!placed_ || !EqualRect(&before, &rect_))) {
        DeleteRegion(placed_);
        placed_ = PlaceRegion(shape_, shapeSize_, RegionModeForDrawMode(shapeMode_), rect_);
    }
}

void CFrameElement::CutShape(const SkinImageRef& slice)
{
    ClearShape();
    CDibImage* image = owner_.UsesTransparentColour() ? ImageOf(owner_.ElementStore(), slice) : nullptr;
    if (!image)
        return;
    shape_ = CreateRegionFromImage(*image, slice.source, owner_.TransparentColour());
    shapeSize_ = {slice.Width(), slice.Height()};
    shapeMode_ = slice.mode;
}

void CFrameElement::ClearShape()
{
    DeleteRegion(shape_);
    DeleteRegion(placed_);
}

bool CFrameElement::Covers(POINT point) const
{
    return placed_ ? PtInRegion(placed_, point.x, point.y) != 0 : RectContains(rect_, point);
}

HRGN CFrameElement::CreatePlacedRegion() const
{
    return placed_ ? CopyRegion(placed_) : CreateRectRgnIndirect(&rect_);
}

uint32_t CFrameElement::Type() const { return definition_->TypeCode(); }

bool CFrameElement::Visible() const
{
    return ElementVisible(definition_->visibility, ShowStateOf(owner_.ElementWindow()));
}

void CFrameElement::Repaint()
{
    HWND window = owner_.ElementWindow();
    const SIZE size = SizeOf(rect_);
    if (!window || size.cx <= 0 || size.cy <= 0 || !IsWindowVisible(window) || !Visible())
        return;
    HDC windowDC = GetWindowDC(window);
    if (!windowDC)
        return;
    {
        // Composed off screen over the frame as it shows now, then copied in one go.
        gdi::MemoryDC memory(windowDC);
        gdi::GdiObject<HBITMAP> bitmap(CreateCompatibleBitmap(windowDC, size.cx, size.cy));
        if (memory && bitmap) {
            gdi::Selection selected(memory.Get(), bitmap.Get());
            BitBlt(memory.Get(), 0, 0, size.cx, size.cy, windowDC, rect_.left, rect_.top, SRCCOPY);
            SetViewportOrgEx(memory.Get(), -rect_.left, -rect_.top, nullptr);
            Draw(memory.Get());
            SetViewportOrgEx(memory.Get(), 0, 0, nullptr);
            BitBlt(windowDC, rect_.left, rect_.top, size.cx, size.cy, memory.Get(), 0, 0, SRCCOPY);
        }
    }
    ReleaseDC(window, windowDC);
}

// ---- CFillElement ----

CFillElement::CFillElement(IFrameElementOwner& owner, CPartBase& definition) : CFrameElement(owner, definition) {}

void CFillElement::Draw(HDC dc)
{
    if (Visible())
        DrawImageRef(dc, owner_.ElementStore(), definition_->image, rect_, &definition_->backColour);
}

// ---- CImageFrameElement ----

CImageFrameElement::CImageFrameElement(IFrameElementOwner& owner, CImageElement& definition)
    : CFrameElement(owner, definition)
{
    CutShape(definition.image);
}

const CImageElement& CImageFrameElement::Image() const { return static_cast<const CImageElement&>(*definition_); }
uint32_t CImageFrameElement::CombineMode() const { return Image().combineMode; }
bool CImageFrameElement::ReplacesCaption() const { return ReplacesCaptionText(*definition_); }

void CImageFrameElement::SetDefinition(CPartBase& definition)
{
    auto* image = dynamic_cast<CImageElement*>(&definition);
    if (!image)
        return;
    CFrameElement::SetDefinition(definition);
    CutShape(image->image);
}

RECT CImageFrameElement::PlaceFor(SIZE window) const
{
    const CFrameDefinition* frame = owner_.ElementFrame();
    return frame ? AnchorByFlags(reference_, Image().anchors, FrameReferenceSize(FramePartRects(frame)), window.cx,
                                 window.cy)
                 : reference_;
}

int CImageFrameElement::HitTest(POINT point)
{
    return Visible() && Covers(point) ? ImageElementRoleHit(Image().role) : HIT_NOWHERE;
}

void CImageFrameElement::Draw(HDC dc)
{
    if (!Visible())
        return;
    const CImageElement& d = Image();
    CSkinStore& store = owner_.ElementStore();
    HWND window = owner_.ElementWindow();
    gdi::GdiObject<HFONT> font(CreateSkinFont(d.elementFont.logFont));
    gdi::Selection selected(dc, font.Get());
    const UINT format = ElementTextFormat(d.horizontalAlign, d.verticalAlign);
    switch (d.role) {
    case 1: {
        DrawImageRef(dc, store, d.image, rect_);
        const std::string text = WindowCaption(window);
        DrawTextEffect(dc, d.elementEffect, text.c_str(), int(text.size()), rect_, format);
        break;
    }
    case 11:
        if (window) {
            DRAWITEMSTRUCT item = {};
            item.CtlType = ODT_STATIC;
            item.CtlID = d.commandId;
            item.itemID = 0xFFFFFFFF;
            item.itemAction = ODA_DRAWENTIRE;
            item.itemState = ODS_DEFAULT;
            item.hwndItem = window;
            item.hDC = dc;
            item.rcItem = rect_;
            SendMessageA(window, WM_DRAWITEM, d.commandId, reinterpret_cast<LPARAM>(&item));
        } else {
            RECT box = rect_;
            DrawSkinText(dc, "OD", 2, &box, format);
        }
        break;
    default: {
        DrawImageRef(dc, store, d.image, rect_);
        const size_t length = strnlen(d.elementText, sizeof d.elementText);
        if (length)
            DrawTextEffect(dc, d.elementEffect, d.elementText, int(length), rect_, format);
        break;
    }
    }
}

// ---- CCaptionButtonElement ----

CCaptionButtonElement::CCaptionButtonElement(IFrameElementOwner& owner, CCaptionButton& definition)
    : CFrameElement(owner, definition)
{
    CutButtonShape();
}

CCaptionButtonElement::~CCaptionButtonElement() { StopHoverTimer(); }

const CCaptionButton& CCaptionButtonElement::Button() const
{
    return static_cast<const CCaptionButton&>(*definition_);
}

void CCaptionButtonElement::CutButtonShape()
{
    // The hot picture gives the shape; the pressed or normal one when it is missing.
    CSkinStore& store = owner_.ElementStore();
    const CCaptionButton& b = Button();
    for (const SkinImageRef* slice : {&b.hotImage, &b.pressedImage, &b.image})
        if (Drawable(store, *slice)) {
            CutShape(*slice);
            return;
        }
}

void CCaptionButtonElement::SetDefinition(CPartBase& definition)
{
    if (!dynamic_cast<CCaptionButton*>(&definition))
        return;
    StopHoverTimer();
    CFrameElement::SetDefinition(definition);
    state_ = BUTTON_NORMAL;
    pressed_ = armed_ = false;
    CutButtonShape();
}

int CCaptionButtonElement::HitTest(POINT point)
{
    return enabled_ && Visible() && Covers(point) ? HIT_CAPTION : HIT_NOWHERE;
}

bool CCaptionButtonElement::Contains(POINT point) { return HitTest(point) != HIT_NOWHERE; }

void CCaptionButtonElement::SetState(CaptionButtonState state)
{
    if (state_ == state)
        return;
    state_ = state;
    Repaint();
}

// What the button shows when the pointer is not on it: a sticky button that is in stays pressed.
CaptionButtonState CCaptionButtonElement::RestingState() const
{
    return Button().sticky && pressed_ ? BUTTON_PRESSED : BUTTON_NORMAL;
}

void CCaptionButtonElement::Enable(bool enabled)
{
    if (enabled_ == enabled)
        return;
    if (!enabled)
        StopHoverTimer();
    armed_ = false;
    state_ = RestingState();
    CFrameElement::Enable(enabled);
}

void CCaptionButtonElement::SyncWithStyle(uint32_t style)
{
    switch (Button().kind) {
    case CAPTION_CLOSE:
    case CAPTION_SYSTEM_MENU: Enable((style & FRAME_STYLE_SYSMENU) != 0); break;
    case CAPTION_MAXIMISE: Enable((style & FRAME_STYLE_MAXIMIZEBOX) != 0); break;
    case CAPTION_MINIMISE: Enable((style & FRAME_STYLE_MINIMIZEBOX) != 0); break;
    default: break;
    }
}

bool CCaptionButtonElement::OnMouseMove(POINT point)
{
    if (!Contains(point))
        return false;
    // While the left button is held over it the button keeps its pressed look.
    SetState(armed_ || (Button().sticky && pressed_) ? BUTTON_PRESSED : BUTTON_HOT);
    if (!timerId_)
        StartHoverTimer();
    return true;
}

bool CCaptionButtonElement::OnLButtonDown(POINT point)
{
    if (!Contains(point))
        return false;
    if (Button().kind == CAPTION_SYSTEM_MENU) {
        OpenSystemMenu();
        return true;
    }
    armed_ = true;
    if (!Button().sticky)
        pressed_ = true;
    state_ = BUTTON_PRESSED;
    Repaint();
    return true;
}

bool CCaptionButtonElement::OnLButtonUp(POINT point)
{
    const bool wasArmed = armed_;
    armed_ = false;
    if (!Contains(point)) {
        // Released elsewhere: nothing happens, the button only loses its pressed look.
        if (wasArmed) {
            if (!Button().sticky)
                pressed_ = false;
            SetState(RestingState());
        }
        return false;
    }
    const CCaptionButton& b = Button();
    if (b.kind == CAPTION_SYSTEM_MENU || !wasArmed)
        return true;
    if (b.kind == CAPTION_MAXIMISE || b.kind == CAPTION_MINIMISE) {
        pressed_ = false;
        SetState(BUTTON_NORMAL);
    } else if (b.sticky) {
        pressed_ = !pressed_;
        SetState(pressed_ ? BUTTON_PRESSED : BUTTON_NORMAL);
    } else {
        pressed_ = false;
        SetState(timerId_ ? BUTTON_HOT : BUTTON_NORMAL);
    }
    Act();
    return true;
}

bool CCaptionButtonElement::OnRButtonDown(POINT point)
{
    if (Button().kind != CAPTION_SYSTEM_MENU || !Contains(point))
        return false;
    OpenSystemMenu();
    return true;
}

bool CCaptionButtonElement::OnLButtonDblClk(POINT point)
{
    if (Button().kind != CAPTION_SYSTEM_MENU || !Contains(point))
        return false;
    if (HWND window = owner_.ElementWindow())
        PostMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    return true;
}

void CCaptionButtonElement::OnMouseAway()
{
    armed_ = false;
    if (Button().sticky)
        return;
    pressed_ = false;
    SetState(BUTTON_NORMAL);
}

void CCaptionButtonElement::Act()
{
    HWND window = owner_.ElementWindow();
    if (!window || !enabled_)
        return;
    const CCaptionButton& b = Button();
    switch (b.kind) {
    case CAPTION_CUSTOM: PostMessageA(window, WM_COMMAND, b.commandId, 0); break;
    case CAPTION_CLOSE:
        StopHoverTimer();
        PostMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0);
        break;
    case CAPTION_MAXIMISE: PostMessageA(window, WM_SYSCOMMAND, IsZoomed(window) ? SC_RESTORE : SC_MAXIMIZE, 0); break;
    case CAPTION_MINIMISE: PostMessageA(window, WM_SYSCOMMAND, IsIconic(window) ? SC_RESTORE : SC_MINIMIZE, 0); break;
    case CAPTION_SYSTEM_MENU: OpenSystemMenu(); break;
    default: break;
    }
}

void CCaptionButtonElement::OpenSystemMenu()
{
    // The skinned system menu; its choice is posted to the window as WM_SYSCOMMAND.
    if (HWND window = owner_.ElementWindow())
        ShowSkinSystemMenu(window);
}

void CCaptionButtonElement::StartHoverTimer()
{
    HWND window = owner_.ElementWindow();
    if (!window || timerId_)
        return;
    HoverTimers& timers = Timers();
    std::lock_guard<std::mutex> guard(timers.lock);
    const UINT_PTR id = timers.next++;
    if (!SetTimer(window, id, kHoverInterval, HoverTick))
        return;
    timers.buttons[id] = this;
    timerId_ = id;
    timerWindow_ = window;
}

void CCaptionButtonElement::StopHoverTimer()
{
    if (!timerId_)
        return;
    KillTimer(timerWindow_, timerId_);
    HoverTimers& timers = Timers();
    std::lock_guard<std::mutex> guard(timers.lock);
    timers.buttons.erase(timerId_);
    timerId_ = 0;
    timerWindow_ = nullptr;
}

void CALLBACK CCaptionButtonElement::HoverTick(HWND window, UINT, UINT_PTR id, DWORD)
{
    CCaptionButtonElement* button = nullptr;
    {
        HoverTimers& timers = Timers();
        std::lock_guard<std::mutex> guard(timers.lock);
        auto found = timers.buttons.find(id);
        if (found != timers.buttons.end())
            button = found->second;
    }
    if (!button) {
        KillTimer(window, id);
        return;
    }
    POINT cursor;
    RECT box;
    if (!GetCursorPos(&cursor) || !GetWindowRect(window, &box))
        return;
    if (!button->Contains({cursor.x - box.left, cursor.y - box.top})) {
        button->StopHoverTimer();
        button->OnMouseAway();
    }
}

void CCaptionButtonElement::Draw(HDC dc)
{
    if (!Visible())
        return;
    const CCaptionButton& b = Button();
    HWND window = owner_.ElementWindow();
    if (b.kind == CAPTION_ICON) {
        if (HICON icon = window ? WindowIcon(window) : nullptr) {
            const SIZE size = SizeOf(rect_);
            DrawIconEx(dc, rect_.left, rect_.top, icon, size.cx, size.cy, 0, nullptr, DI_NORMAL);
        }
        return;
    }
    CSkinStore& store = owner_.ElementStore();
    const SkinImageRef* wanted = &b.image;
    if (!enabled_)
        wanted = &b.disabledImage;
    else if (state_ == BUTTON_HOT)
        wanted = &b.hotImage;
    else if (state_ == BUTTON_PRESSED)
        wanted = &b.pressedImage;
    if (!Drawable(store, *wanted))
        wanted = &b.image;
    if (!Drawable(store, *wanted)) {
        RECT box = rect_;
        UINT look = DFCS_BUTTONPUSH;
        if (!enabled_)
            look |= DFCS_INACTIVE;
        else if (state_ == BUTTON_PRESSED)
            look |= DFCS_PUSHED;
        DrawFrameControl(dc, &box, DFC_BUTTON, look);
        return;
    }
    if (owner_.UsesTransparentColour())
        DrawSliceKeyed(dc, store, *wanted, rect_, owner_.TransparentColour());
    else
        DrawImageRef(dc, store, *wanted, rect_);
}

// ---- the element list ----

std::unique_ptr<CFrameElement> CreateFrameElement(IFrameElementOwner& owner, CSkinNode& child)
{
    switch (child.TypeCode()) {
    case SKIN_IMAGE_ELEMENT:
        if (auto* image = dynamic_cast<CImageElement*>(&child))
            return std::make_unique<CImageFrameElement>(owner, *image);
        break;
    case SKIN_FILL_ELEMENT:
        if (auto* part = dynamic_cast<CPartBase*>(&child))
            return std::make_unique<CFillElement>(owner, *part);
        break;
    case SKIN_CAPTION_BUTTON:
        if (auto* button = dynamic_cast<CCaptionButton*>(&child))
            return std::make_unique<CCaptionButtonElement>(owner, *button);
        break;
    default: break;
    }
    return nullptr;
}

bool ReplacesCaptionText(const CSkinNode& child)
{
    const auto* image = child.TypeCode() == SKIN_IMAGE_ELEMENT ? dynamic_cast<const CImageElement*>(&child) : nullptr;
    return image && image->role == 1;
}

int HitTestElements(const std::vector<std::unique_ptr<CFrameElement>>& elements, POINT point)
{
    for (const auto& element : elements) {
        const uint32_t type = element->Type();
        if (type != SKIN_IMAGE_ELEMENT && type != SKIN_CAPTION_BUTTON)
            continue;
        const int hit = element->HitTest(point);
        if (hit == HIT_CAPTION || (type == SKIN_CAPTION_BUTTON && hit != HIT_NOWHERE))
            return HIT_CAPTION;
    }
    return HIT_NOWHERE;
}

void DrawElements(HDC dc, const std::vector<std::unique_ptr<CFrameElement>>& elements, const RECT& windowRect)
{
    for (const auto& element : elements) {
        element->Layout(windowRect);
        if (element->Visible())
            element->Draw(dc);
    }
}

void SyncElementsWithStyle(const std::vector<std::unique_ptr<CFrameElement>>& elements, uint32_t style)
{
    for (const auto& element : elements)
        if (auto* button = dynamic_cast<CCaptionButtonElement*>(element.get()))
            button->SyncWithStyle(style);
}

WindowShowState ShowStateOf(HWND window)
{
    WindowShowState state;
    if (!window)
        return state;
    state.minimised = IsIconic(window) != 0;
    state.maximised = IsZoomed(window) != 0;
    state.enabled = IsWindowEnabled(window) != 0;
    WINDOWINFO info = {};
    info.cbSize = sizeof info;
    state.active = GetWindowInfo(window, &info) && info.dwWindowStatus == WS_ACTIVECAPTION;
    return state;
}

} // namespace glint
