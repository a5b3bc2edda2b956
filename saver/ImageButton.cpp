#include "saver/ImageButton.h"

#include "framework/App.h"
#include "image/gdi/GdiGuards.h"

#include <algorithm>
#include <vector>

namespace glint {

using gdi::MemoryDC;
using gdi::Selection;

namespace {

SIZE BitmapSize(HBITMAP bitmap)
{
    BITMAP info = {};
    GetObjectA(bitmap, sizeof info, &info);
    return {info.bmWidth, info.bmHeight};
}

HBITMAP LoadBitmapResource(UINT id)
{
    if (id == 0)
        return nullptr;
    return static_cast<HBITMAP>(
        LoadImageA(fw::GetApp()->m_hInstance, MAKEINTRESOURCEA(id), IMAGE_BITMAP, 0, 0, LR_DEFAULTCOLOR));
}

// Copies `bitmap` onto `rect` of `dc` with a raster operation, in the button's draw mode.
void Blit(HDC dc, const RECT& rect, HDC source, SIZE size, int drawMode, DWORD rop)
{
    int w = rect.right - rect.left, h = rect.bottom - rect.top;
    if (drawMode == CImageButton::kTiled) {
        for (int y = rect.top; y < rect.bottom; y += size.cy)
            for (int x = rect.left; x < rect.right; x += size.cx)
                BitBlt(dc, x, y, std::min<int>(size.cx, rect.right - x), std::min<int>(size.cy, rect.bottom - y),
                       source, 0, 0, rop);
    } else if (drawMode == CImageButton::kStretched) {
        StretchBlt(dc, rect.left, rect.top, w, h, source, 0, 0, size.cx, size.cy, rop);
    } else {
        BitBlt(dc, rect.left, rect.top, std::min<int>(w, size.cx), std::min<int>(h, size.cy), source, 0, 0, rop);
    }
}

} // namespace

CImageButton::CImageButton() : textColour(GetSysColor(COLOR_BTNTEXT)) {}

CImageButton::~CImageButton()
{
    FreeImages();
    if (region && !m_hWnd)
        DeleteObject(region);
}

void CImageButton::FreeImages()
{
    for (HBITMAP& image : images) {
        if (image)
            DeleteObject(image);
        image = nullptr;
    }
}

void CImageButton::PreSubclassWindow()
{
    LONG style = GetWindowLongA(m_hWnd, GWL_STYLE);
    int type = style & 0xFF;
    if ((type & 3) == 3)
        kind = kCheckBox;
    else if ((type & 9) == 9)
        kind = kRadioButton;
    else
        kind = kPushButton;
    SetWindowLongA(m_hWnd, GWL_STYLE, (style & ~0x0F) | BS_OWNERDRAW);
}

void CImageButton::SetBitmaps(UINT normal, UINT pressed, UINT hover, UINT disabled, UINT focus, UINT mask,
                              int mode, int withEdge, int inset)
{
    FreeImages();
    images[kNormal] = LoadBitmapResource(normal);
    images[kPressed] = LoadBitmapResource(pressed);
    images[kHover] = LoadBitmapResource(hover);
    images[kFocus] = LoadBitmapResource(focus);
    images[kDisabled] = LoadBitmapResource(disabled ? disabled : normal);
    drawMode = short(std::clamp(mode, 0, 2));
    edge = withEdge;
    focusInset = short(std::max(inset, 0));

    if (mask == 0)
        return;
    images[kMask] = LoadBitmapResource(mask);
    if (!images[kMask])
        return;
    HRGN shape = RegionFromMask(images[kMask], RGB(255, 255, 255));
    if (shape && m_hWnd) {
        // The window owns the region from here on; the old one goes with it.
        SetWindowRgn(m_hWnd, shape, TRUE);
        region = shape;
    } else if (shape) {
        DeleteObject(shape);
    }
    if (drawMode == kNativeSize && m_hWnd) {
        SIZE size = BitmapSize(images[kMask]);
        SetWindowPos(m_hWnd, nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER);
    }
}

HRGN CImageButton::RegionFromMask(HBITMAP mask, COLORREF transparent)
{
    SIZE size = BitmapSize(mask);
    HRGN result = CreateRectRgn(0, 0, 0, 0);
    if (size.cx <= 0 || size.cy <= 0)
        return result;

    // Read the mask as 32-bit top-down pixels so that any bitmap format works.
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = size.cx;
    info.bmiHeader.biHeight = -size.cy;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    std::vector<DWORD> pixels(size_t(size.cx) * size_t(size.cy));
    HDC screen = GetDC(nullptr);
    int rows = GetDIBits(screen, mask, 0, size.cy, pixels.data(), &info, DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    if (rows != size.cy)
        return result;

    const DWORD clear = (GetRValue(transparent) << 16) | (GetGValue(transparent) << 8) | GetBValue(transparent);
    std::vector<RECT> runs;
    runs.reserve(40);
    for (LONG y = 0; y < size.cy; ++y) {
        const DWORD* row = &pixels[size_t(y) * size_t(size.cx)];
        for (LONG x = 0; x < size.cx;) {
            if ((row[x] & 0xFFFFFF) == clear) {
                ++x;
                continue;
            }
            LONG first = x;
            while (x < size.cx && (row[x] & 0xFFFFFF) != clear)
                ++x;
            if (runs.size() == runs.capacity())
                runs.reserve(runs.size() + 40);
            runs.push_back({first, y, x, y + 1});
        }
    }
    for (const RECT& r : runs) {
        HRGN piece = CreateRectRgn(r.left, r.top, r.right, r.bottom);
        CombineRgn(result, result, piece, RGN_OR);
        DeleteObject(piece);
    }
    return result;
}

void CImageButton::DrawBitmap(HDC dc, HBITMAP bitmap, const RECT& rect) const
{
    MemoryDC imageDC(dc);
    Selection imageSelected(imageDC.Get(), bitmap);
    SIZE size = BitmapSize(bitmap);
    if (!images[kMask]) {
        Blit(dc, rect, imageDC.Get(), size, drawMode, SRCCOPY);
        return;
    }
    // Compose off screen: where the mask is white the background shows through.
    int w = rect.right - rect.left, h = rect.bottom - rect.top;
    MemoryDC work(dc);
    gdi::GdiObject<HBITMAP> canvasBitmap(CreateCompatibleBitmap(dc, w, h));
    HBITMAP canvas = canvasBitmap.Get();
    {
        Selection canvasSelected(work.Get(), canvas);
        BitBlt(work.Get(), 0, 0, w, h, dc, rect.left, rect.top, SRCCOPY);
        MemoryDC maskDC(dc);
        Selection maskSelected(maskDC.Get(), images[kMask]);
        RECT local = {0, 0, w, h};
        Blit(work.Get(), local, imageDC.Get(), size, drawMode, SRCINVERT);
        Blit(work.Get(), local, maskDC.Get(), BitmapSize(images[kMask]), drawMode, SRCAND);
        Blit(work.Get(), local, imageDC.Get(), size, drawMode, SRCINVERT);
        BitBlt(dc, rect.left, rect.top, w, h, work.Get(), 0, 0, SRCCOPY);
    }
}

void CImageButton::DrawCaption(HDC dc, RECT rect, COLORREF colour) const
{
    char text[256] = "";
    GetWindowTextA(m_hWnd, text, sizeof text);
    SetTextColor(dc, colour);
    DrawTextA(dc, text, -1, &rect, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
}

bool CImageButton::CursorOverButton() const
{
    POINT cursor;
    GetCursorPos(&cursor);
    RECT rect;
    GetWindowRect(m_hWnd, &rect);
    return PtInRect(&rect, cursor) != FALSE;
}

bool CImageButton::IsPushed() const { return (SendMessageA(m_hWnd, BM_GETSTATE, 0, 0) & BST_PUSHED) != 0; }

void CImageButton::SetPushed(bool pushed) { SendMessageA(m_hWnd, BM_SETSTATE, pushed, 0); }

void CImageButton::DrawItem(DRAWITEMSTRUCT* item)
{
    // While the mouse is held, the pushed look follows the cursor; setting
    // the state paints the button again.
    if (tracking && GetCapture() == m_hWnd) {
        bool over = CursorOverButton(), pushed = IsPushed();
        if (over != pushed) {
            SetPushed(over);
            return;
        }
    }
    HDC dc = item->hDC;
    RECT rect = item->rcItem;
    RECT caption = rect;
    caption.left += focusInset + 2;
    caption.right -= focusInset + 2;
    SetBkMode(dc, TRANSPARENT);

    auto drawOrFill = [&](HBITMAP bitmap) {
        if (bitmap)
            DrawBitmap(dc, bitmap, rect);
        else
            FillRect(dc, &rect, GetSysColorBrush(COLOR_BTNFACE));
    };

    if (item->itemState & ODS_DISABLED) {
        drawOrFill(images[kDisabled]);
        if (edge)
            DrawEdge(dc, &rect, EDGE_RAISED, BF_RECT);
        DrawCaption(dc, caption, GetSysColor(COLOR_3DHILIGHT));
        OffsetRect(&caption, -1, -1);
        DrawCaption(dc, caption, GetSysColor(COLOR_GRAYTEXT));
        return;
    }
    if ((item->itemState & ODS_SELECTED) || checked) {
        drawOrFill(images[kPressed]);
        OffsetRect(&caption, 1, 1);
        if (edge)
            DrawEdge(dc, &rect, EDGE_SUNKEN, BF_RECT);
    } else {
        HBITMAP image = images[kNormal];
        if (image && hover && images[kHover])
            image = images[kHover];
        else if (image && (item->itemState & ODS_FOCUS) && images[kFocus])
            image = images[kFocus];
        drawOrFill(image);
        if (edge)
            DrawEdge(dc, &rect, EDGE_RAISED, BF_RECT);
    }
    if ((item->itemState & ODS_FOCUS) && focusInset > 0) {
        RECT focus = rect;
        InflateRect(&focus, -focusInset, -focusInset);
        DrawFocusRect(dc, &focus);
    }
    DrawCaption(dc, caption, textColour);
}

void CImageButton::SetCheck(bool on)
{
    checked = on && kind != kPushButton;
    if (checked && kind == kRadioButton)
        UncheckGroup();
    InvalidateRect(m_hWnd, nullptr, FALSE);
}

namespace {

// No dialog has this many controls; the bound keeps a strange window list
// from turning the walk into a hang.
constexpr int kMaxGroupWalk = 4096;

bool StartsGroup(HWND window) { return (GetWindowLongPtrA(window, GWL_STYLE) & WS_GROUP) != 0; }

} // namespace

// The group is walked along the window list, not with GetNextDlgGroupItem:
// that skips disabled and hidden controls, so from a button that is itself
// disabled or hidden it never comes back to where it started. Members that
// are disabled or hidden are unchecked too.
void CImageButton::UncheckGroup()
{
    HWND first = m_hWnd;
    for (int i = 0; i < kMaxGroupWalk && !StartsGroup(first); ++i) {
        HWND previous = GetWindow(first, GW_HWNDPREV);
        if (!previous)
            break;
        first = previous;
    }
    HWND other = first;
    for (int i = 0; other && i < kMaxGroupWalk; ++i) {
        if (other != m_hWnd)
            PostMessageA(other, WM_IMAGEBUTTON_UNCHECK, 0, 0);
        other = GetWindow(other, GW_HWNDNEXT);
        if (other && StartsGroup(other))
            break;
    }
}

LRESULT CImageButton::OnLButtonDown(WPARAM wParam, LPARAM lParam)
{
    if (hover) {
        TRACKMOUSEEVENT cancel = {sizeof cancel, TME_CANCEL | TME_LEAVE, m_hWnd, 0};
        if (TrackMouseEvent(&cancel))
            hover = false;
    }
    LRESULT result = Default(WM_LBUTTONDOWN, wParam, lParam);
    tracking = true;
    return result;
}

LRESULT CImageButton::OnLButtonUp(WPARAM wParam, LPARAM lParam)
{
    if (kind != kPushButton && CursorOverButton())
        SendMessageA(m_hWnd, BM_SETCHECK, kind == kCheckBox ? !checked : TRUE, 0);
    tracking = false;
    return Default(WM_LBUTTONUP, wParam, lParam);
}

LRESULT CImageButton::OnMouseMove(WPARAM wParam, LPARAM lParam)
{
    if (tracking && GetCapture() == m_hWnd) {
        bool over = CursorOverButton();
        if (over != IsPushed()) {
            SetPushed(over);
            InvalidateRect(m_hWnd, nullptr, FALSE);
        }
    } else if (!hover) {
        TRACKMOUSEEVENT leave = {sizeof leave, TME_LEAVE, m_hWnd, 0};
        if (TrackMouseEvent(&leave)) {
            hover = true;
            InvalidateRect(m_hWnd, nullptr, FALSE);
        }
    }
    return Default(WM_MOUSEMOVE, wParam, lParam);
}

LRESULT CImageButton::OnKeyDown(WPARAM wParam, LPARAM lParam)
{
    if (wParam == VK_SPACE && kind != kPushButton)
        SendMessageA(m_hWnd, BM_SETCHECK, kind == kCheckBox ? !checked : TRUE, 0);
    return Default(WM_KEYDOWN, wParam, lParam);
}

LRESULT CImageButton::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_LBUTTONDOWN:
        return OnLButtonDown(wParam, lParam);
    case WM_LBUTTONDBLCLK:
        return SendMessageA(m_hWnd, WM_LBUTTONDOWN, wParam, lParam);
    case WM_LBUTTONUP:
        return OnLButtonUp(wParam, lParam);
    case WM_MOUSEMOVE:
        return OnMouseMove(wParam, lParam);
    case WM_MOUSELEAVE:
        hover = false;
        InvalidateRect(m_hWnd, nullptr, FALSE);
        return 0;
    case WM_KILLFOCUS:
        if (GetCapture() == m_hWnd) {
            ReleaseCapture();
            tracking = false;
        }
        break;
    case WM_KEYDOWN:
        return OnKeyDown(wParam, lParam);
    case BM_SETCHECK:
        SetCheck(wParam != 0);
        return 0;
    case BM_GETCHECK:
        return checked;
    case WM_IMAGEBUTTON_UNCHECK:
        if (checked) {
            checked = false;
            InvalidateRect(m_hWnd, nullptr, FALSE);
        }
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_NCDESTROY:
        region = nullptr; // the window took its region with it
        break;
    }
    return Default(message, wParam, lParam);
}

} // namespace glint
