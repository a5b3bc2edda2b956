#pragma once
// CSkinDialogWnd: a dialog painted from a frame definition. A framed dialog
// (dialog frame or modal frame) gets the skin's nine-part frame in place of
// the system's, a window region cut by the transparent colour, the caption
// text and the frame elements; every dialog gets the client background.
// Without a usable frame definition the dialog keeps the system's look.
#include "skin/runtime/SkinWnd.h"

namespace glint {

class CSkinDialogWnd : public CSkinWnd {
public:
    CSkinDialogWnd();
    ~CSkinDialogWnd() override;

    CSkinNode* SetDefinition(CSkinNode* definition) override;
    LONG_PTR Attach(HWND window) override;
    void Detach() override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void DrawCaptionText(HDC dc, bool active) override;
    // Alt+Space opens the skinned system menu of a framed dialog.
    LRESULT OnMenuKey(WPARAM key, LPARAM keyData) override;

    // The skin's frame replaces the system's.
    bool Framed() const;
    uint32_t StyleAtAttach() const { return styleAtAttach_; }

private:
    const CFrameDefinition* UsableFrame() const;
    // The window's size for the current client size inside the skin's borders.
    void FitClientSize();
    POINT ToWindow(LPARAM screenPoint) const;
    void LayoutElements();

    LRESULT FramedProc(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT UnframedProc(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnNcCalcSize(WPARAM wParam, LPARAM lParam);
    void PaintFrame();
    LRESULT OnNcHitTest(LPARAM lParam);
    LRESULT OnNcMouse(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnNcActivate(WPARAM wParam);
    LRESULT OnSetText(WPARAM wParam, LPARAM lParam);
    LRESULT OnCtlColorStatic(WPARAM wParam, LPARAM lParam);
    LRESULT OnEraseBackground(HDC dc);
    LRESULT OnDrawParentBack(HDC childDC, HWND child);
    // Makes the client background when it is missing or the size changed;
    // false when it cannot be made (the system then paints the client).
    bool EnsureBackground(HDC dc);
    void DeleteBackground();

    uint32_t styleAtAttach_ = 0;
    bool redrawPending_ = false;
    HBITMAP background_ = nullptr;
    SIZE backgroundSize_ = {};
};

} // namespace glint
