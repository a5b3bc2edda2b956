#pragma once
// CSkinPaintedCtrl: the base of the skin objects that paint a control's whole
// client area themselves (static, combo box, progress bar, trackbar...). The
// system's class keeps the control's logic; the object repaints when its
// definition changes and tracks which of its parts the mouse is over.
#include "skin/runtime/SkinCtrl.h"

#include "skin/file/SkinRecords.h"

namespace glint {

class CSkinStore;

class CSkinPaintedCtrl : public CSkinCtrl {
public:
    using CSkinCtrl::CSkinCtrl;

    CSkinNode* SetDefinition(CSkinNode* definition) override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnMouseLeave() override;

    // The part under the mouse (-1: none) and the part the button went down on.
    int HotPart() const { return hotPart_; }
    int PressedPart() const { return pressedPart_; }

protected:
    // Which part of the control a client point is on; -1 for none. Controls
    // without parts of their own answer -1.
    virtual int HitPart(POINT) { return -1; }
    // Messages after which the control is repainted: the system's class may
    // change what shows without a paint message of its own.
    virtual bool RepaintsAfter(UINT) const { return false; }

    static CSkinStore& Store();
    // The parent's picture behind the control; the dialog face when the parent cannot give one.
    void DrawParentBack(HDC dc, const RECT& client);
    // A grid, or a solid fill with the fallback when the grid has no picture.
    static void DrawGrid(HDC dc, const SkinGridRef& grid, const RECT& rect, COLORREF fallback);
    static void FillColour(HDC dc, const RECT& rect, COLORREF colour);
    // A horizontal picture turned by 270 degrees into rect: paint draws it
    // into a (height x width) bitmap first.
    template <class Paint>
    static void DrawTurned(HDC dc, const RECT& rect, Paint paint);
    // Mixes the pixels of rect half and half with a colour (a disabled look).
    static void Fade(HDC dc, const RECT& rect, COLORREF colour);
    // Text in the control's font (the one it was given with WM_SETFONT).
    void DrawControlText(HDC dc, const SkinTextEffect& effect, const char* text, const RECT& rect, UINT format,
                         bool disabled);
    // The text colour of the definition's font.
    COLORREF FontColour(COLORREF fallback) const;
    void Redraw();
    bool Enabled() const { return window_ && IsWindowEnabled(window_); }
    bool Focused() const { return window_ && GetFocus() == window_; }

    int hotPart_ = -1;
    int pressedPart_ = -1;

private:
    // A top-down 32-bit picture selected into a memory device context, to
    // paint into and then turn or mix; everything is freed with it.
    class Canvas {
    public:
        Canvas(HDC like, int width, int height);
        ~Canvas();
        Canvas(const Canvas&) = delete;
        Canvas& operator=(const Canvas&) = delete;
        explicit operator bool() const { return old_ != nullptr; }
        HDC Dc() const { return dc_; }
        DWORD* Pixels() const { return static_cast<DWORD*>(bits_); }

    private:
        HDC dc_ = nullptr;
        HBITMAP bitmap_ = nullptr;
        HGDIOBJ old_ = nullptr;
        void* bits_ = nullptr;
    };
    // Copies a (height x width) canvas turned into rect.
    static void TurnInto(HDC dc, const RECT& rect, const DWORD* canvas);
};

template <class Paint>
void CSkinPaintedCtrl::DrawTurned(HDC dc, const RECT& rect, Paint paint)
{
    const int width = rect.right - rect.left, height = rect.bottom - rect.top;
    Canvas canvas(dc, height, width);
    if (!canvas)
        return;
    paint(canvas.Dc(), RECT{0, 0, height, width});
    GdiFlush();
    TurnInto(dc, rect, canvas.Pixels());
}

} // namespace glint
