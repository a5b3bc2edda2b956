#include "skin/runtime/controls/SkinPaintedCtrl.h"

#include "skin/file/SkinNode.h"
#include "skin/file/gdi/SkinDraw.h"
#include "skin/runtime/SkinMessages.h"
#include "skin/runtime/SkinRegistry.h"

#include <windowsx.h>

#include <vector>

namespace glint {

CSkinNode* CSkinPaintedCtrl::SetDefinition(CSkinNode* definition)
{
    CSkinNode* previous = CSkinCtrl::SetDefinition(definition);
    Redraw();
    return previous;
}

LRESULT CSkinPaintedCtrl::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (!previousProc_)
        return CSkinCtrl::WindowProc(message, wParam, lParam);
    switch (message) {
    case WM_MOUSEMOVE: {
        const int part = HitPart({GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
        if (part != hotPart_) {
            hotPart_ = part;
            Redraw();
        }
        break;
    }
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        pressedPart_ = HitPart({GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
        if (pressedPart_ >= 0)
            Redraw();
        break;
    case WM_LBUTTONUP:
    case WM_CAPTURECHANGED:
        if (pressedPart_ >= 0) {
            pressedPart_ = -1;
            Redraw();
        }
        break;
    case WM_ENABLE:
    case WM_SETFOCUS:
    case WM_KILLFOCUS: {
        const LRESULT result = CSkinCtrl::WindowProc(message, wParam, lParam);
        Redraw();
        return result;
    }
    default:
        if (RepaintsAfter(message)) {
            const LRESULT result = CSkinCtrl::WindowProc(message, wParam, lParam);
            Redraw();
            return result;
        }
        break;
    }
    return CSkinCtrl::WindowProc(message, wParam, lParam);
}

void CSkinPaintedCtrl::OnMouseLeave()
{
    hotPart_ = -1;
    CSkinCtrl::OnMouseLeave();
}

CSkinStore& CSkinPaintedCtrl::Store() { return SkinRegistry().Store(); }

void CSkinPaintedCtrl::DrawParentBack(HDC dc, const RECT& client)
{
    HWND parent = window_ ? GetParent(window_) : nullptr;
    if (!parent || !SendMessageA(parent, WM_SKINDRAWPARENTBACK, reinterpret_cast<WPARAM>(dc),
                                 reinterpret_cast<LPARAM>(window_)))
        FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
}

void CSkinPaintedCtrl::DrawGrid(HDC dc, const SkinGridRef& grid, const RECT& rect, COLORREF fallback)
{
    DrawGridRef(dc, Store(), grid, rect, &fallback);
}

void CSkinPaintedCtrl::FillColour(HDC dc, const RECT& rect, COLORREF colour)
{
    SetBkColor(dc, colour);
    ExtTextOutA(dc, 0, 0, ETO_OPAQUE, &rect, nullptr, 0, nullptr);
}

CSkinPaintedCtrl::Canvas::Canvas(HDC like, int width, int height)
{
    if (width <= 0 || height <= 0)
        return;
    BITMAPINFO info = {};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    bitmap_ = CreateDIBSection(like, &info, DIB_RGB_COLORS, &bits_, nullptr, 0);
    dc_ = bitmap_ ? CreateCompatibleDC(like) : nullptr;
    old_ = dc_ ? SelectObject(dc_, bitmap_) : nullptr;
}

CSkinPaintedCtrl::Canvas::~Canvas()
{
    if (old_)
        SelectObject(dc_, old_);
    if (dc_)
        DeleteDC(dc_);
    if (bitmap_)
        DeleteObject(bitmap_);
}

void CSkinPaintedCtrl::TurnInto(HDC dc, const RECT& rect, const DWORD* canvas)
{
    // The canvas's top edge becomes the left edge, read from the bottom up:
    // canvas (x, y) goes to (y, width - 1 - x) of the turned picture.
    const int width = rect.right - rect.left, height = rect.bottom - rect.top;
    std::vector<DWORD> turned(size_t(width) * size_t(height));
    for (int y = 0; y < width; ++y)
        for (int x = 0; x < height; ++x)
            turned[size_t(height - 1 - x) * size_t(width) + size_t(y)] = canvas[size_t(y) * size_t(height) + size_t(x)];
    BITMAPINFO info = {};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    SetDIBitsToDevice(dc, rect.left, rect.top, DWORD(width), DWORD(height), 0, 0, 0, UINT(height), turned.data(), &info,
                      DIB_RGB_COLORS);
}

void CSkinPaintedCtrl::Fade(HDC dc, const RECT& rect, COLORREF colour)
{
    const int width = rect.right - rect.left, height = rect.bottom - rect.top;
    Canvas canvas(dc, width, height);
    if (!canvas)
        return;
    BitBlt(canvas.Dc(), 0, 0, width, height, dc, rect.left, rect.top, SRCCOPY);
    GdiFlush();
    auto* pixels = reinterpret_cast<BYTE*>(canvas.Pixels());
    const BYTE mix[3] = {GetBValue(colour), GetGValue(colour), GetRValue(colour)};
    for (size_t i = 0; i < size_t(width) * size_t(height); ++i)
        for (size_t c = 0; c < 3; ++c)
            pixels[i * 4 + c] = BYTE((pixels[i * 4 + c] + mix[c]) / 2);
    BitBlt(dc, rect.left, rect.top, width, height, canvas.Dc(), 0, 0, SRCCOPY);
}

void CSkinPaintedCtrl::DrawControlText(HDC dc, const SkinTextEffect& effect, const char* text, const RECT& rect,
                                       UINT format, bool disabled)
{
    if (!text || !*text)
        return;
    HFONT font = window_ ? reinterpret_cast<HFONT>(SendMessageA(window_, WM_GETFONT, 0, 0)) : nullptr;
    HGDIOBJ old = SelectObject(dc, font ? static_cast<HGDIOBJ>(font) : GetStockObject(DEFAULT_GUI_FONT));
    SetBkMode(dc, TRANSPARENT);
    if (disabled) {
        // The system's disabled look: grey text with no offset copy.
        SkinTextEffect grey = effect;
        grey.SetTextColour(GetSysColor(COLOR_GRAYTEXT));
        grey.flags &= ~1u;
        DrawTextEffect(dc, grey, text, -1, rect, format);
    } else {
        DrawTextEffect(dc, effect, text, -1, rect, format);
    }
    SelectObject(dc, old);
}

COLORREF CSkinPaintedCtrl::FontColour(COLORREF fallback) const
{
    const auto* d = dynamic_cast<const CSkinDefinition*>(definition_);
    return d ? d->font.colour : fallback;
}

void CSkinPaintedCtrl::Redraw()
{
    if (window_)
        InvalidateRect(window_, nullptr, FALSE);
}

} // namespace glint
