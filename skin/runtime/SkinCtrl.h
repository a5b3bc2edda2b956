#pragma once
// CSkinCtrl: the base of the skin objects of child controls. It paints the
// whole control off screen (Draw) on WM_PAINT, sets the skin's font and gives
// the old one back on detach, tracks the mouse leaving, and tells its parent's
// object when the control goes.
#include "skin/runtime/SkinWnd.h"

namespace glint {

// Control kinds that show no text and so never get the skin's font.
bool ControlShowsText(uint32_t type);
// Whether a window procedure value read back from a window is a handle (the
// system's stand-in for a procedure of the other character set) rather than
// an address: its low 32 bits have their high 16 bits all set, and nothing
// above them but a sign extension.
bool IsProcedureHandleValue(uintptr_t value);

class CSkinCtrl : public CSkinWnd {
public:
    // parent: the object that attaches this one (null for a floating toolbar).
    CSkinCtrl(CSkinWnd* parent, uint32_t type);
    ~CSkinCtrl() override;

    void OnNcDestroy() override;
    void Detach() override;
    LONG_PTR Attach(HWND window) override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    uint32_t SkinType() const override { return type_; }
    virtual void OnMouseLeave();
    virtual void OnPaint();

    HWND ParentWindow() const { return parentWindow_; }
    HFONT SavedFont() const { return savedFont_; }

protected:
    // Asks once for a TME_LEAVE notification after the first mouse movement.
    void TrackMouseLeave();
    // Puts the definition's font on the control (posting, so that the control
    // has finished its creation); redraw is false when a move follows.
    void SetSkinFont(CSkinNode* definition, bool redraw);
    // On Windows XP a push button, check box or radio button whose previous
    // procedure reads back as a handle passes its messages on to the themed
    // button procedure.
    bool UsesThemedButtonProc() const;
    LRESULT CallPrevious(UINT message, WPARAM wParam, LPARAM lParam) override;

    HFONT savedFont_ = nullptr;
    bool fontSaved_ = false;
    bool mouseTracked_ = false;
    HWND parentWindow_ = nullptr;
    uint32_t type_;
};

} // namespace glint
