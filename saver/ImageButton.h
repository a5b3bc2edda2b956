#pragma once
// A dialog button painted from bitmap resources: one image per state, an
// optional mask that shapes the window and makes white parts transparent, and
// check-box or radio behaviour when the dialog template asks for it.
#include "framework/Wnd.h"

namespace glint {

// Posted to the other radio-kind buttons of a group when one becomes checked.
constexpr UINT WM_IMAGEBUTTON_UNCHECK = WM_USER + 0x100;

class CImageButton : public fw::CWnd {
public:
    enum Kind { kPushButton = 0, kCheckBox = 2, kRadioButton = 4 };
    enum DrawMode { kNativeSize = 0, kStretched = 1, kTiled = 2 };

    CImageButton();
    ~CImageButton() override;

    // Bitmap resource ids (0: none); the disabled image falls back to the
    // normal one. drawMode is clamped to 0..2, a negative focusInset is 0.
    void SetBitmaps(UINT normal, UINT pressed, UINT hover, UINT disabled, UINT focus, UINT mask, int drawMode,
                    int edge, int focusInset);

    // The rectangles of every run of pixels that differ from `transparent`,
    // joined into one region (empty when there are none).
    static HRGN RegionFromMask(HBITMAP mask, COLORREF transparent);

    int Kind() const { return kind; }
    bool Checked() const { return checked; }

protected:
    void PreSubclassWindow() override;
    void DrawItem(DRAWITEMSTRUCT* item) override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    enum Image { kNormal, kPressed, kDisabled, kMask, kHover, kFocus, kImageCount };

    void FreeImages();
    void DrawBitmap(HDC dc, HBITMAP bitmap, const RECT& rect) const;
    void DrawCaption(HDC dc, RECT rect, COLORREF colour) const;
    bool CursorOverButton() const;
    bool IsPushed() const;
    void SetPushed(bool pushed);
    void SetCheck(bool on);
    void UncheckGroup();

    LRESULT OnLButtonDown(WPARAM wParam, LPARAM lParam);
    LRESULT OnLButtonUp(WPARAM wParam, LPARAM lParam);
    LRESULT OnMouseMove(WPARAM wParam, LPARAM lParam);
    LRESULT OnKeyDown(WPARAM wParam, LPARAM lParam);

    bool checked = false;
    int kind = kPushButton;
    bool hover = false;
    bool tracking = false;
    HBITMAP images[kImageCount] = {};
    short focusInset = 0;
    COLORREF textColour;
    HRGN region = nullptr;
    int edge = 0;
    short drawMode = kStretched;
};

} // namespace glint
