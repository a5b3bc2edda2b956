#pragma once
// The skin objects of "Button" windows: push buttons, check boxes and radio
// buttons paint themselves from their definitions and take over the mouse and
// keyboard (pressing, hovering, focus, the check state kept where the system's
// button keeps it, the parent's notifications); group boxes are painted only.
#include "skin/runtime/SkinCtrl.h"

#include <string>

namespace glint {

class CGroupBoxDefinition;

// Owner-drawn buttons (style 0xB, and 0xF) keep their own painting.
bool IsOwnerDrawnButton(uint32_t style);

class CSkinButtonBase : public CSkinCtrl {
public:
    CSkinButtonBase(CSkinWnd* parent, uint32_t type);

    LONG_PTR Attach(HWND window) override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnPaint() override;
    // Changes the check state where the kind asks for it.
    virtual void OnClick();
    // The drawing that a composed frame runs; these controls only Draw.
    virtual void DrawContent(HDC dc);
    // Composes the control off screen and copies it to the window at once.
    virtual void Redraw();

    bool Pressed() const { return pressed_; }
    bool Subclassed() const { return previousProc_ != nullptr; }

protected:
    // The check state: the low two bits of the window's extra word 0.
    int CheckState() const;
    void SetCheckState(int state);
    uint32_t Style() const;
    bool Hovered() const { return mouseTracked_; }
    bool Focused() const { return window_ && GetFocus() == window_; }
    // The control's font, or the definition's when the control has none.
    HFONT TextFont();
    std::string Text() const;
    void Notify(WORD code);
    // Passes a message on while the window is hidden from the system's
    // button, so that it paints nothing of its own; then draws the skin.
    LRESULT PassOnHidden(UINT message, WPARAM wParam, LPARAM lParam);

private:
    void Compose(HDC target);
    LRESULT OnButtonUp(LPARAM lParam);

    bool pressed_ = false;
};

class CSkinPushButton : public CSkinButtonBase {
public:
    explicit CSkinPushButton(CSkinWnd* parent);

    void Draw(HDC dc) override;
    CSkinNode* SetDefinition(CSkinNode* definition) override;
    LONG_PTR Attach(HWND window) override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    HRGN BuildRegion() override;

    // The state whose pictures are drawn now (PushButtonState).
    int CurrentState();

private:
    void UpdateRegion();
    SIZE regionSize_ = {};
};

class CSkinCheckBox : public CSkinButtonBase {
public:
    CSkinCheckBox(CSkinWnd* parent, uint32_t type);

    void Draw(HDC dc) override;
    void OnClick() override;
    // The state whose pictures are drawn now (CheckBoxStateIndex).
    int CurrentState();
};

class CSkinRadioButton : public CSkinCheckBox {
public:
    explicit CSkinRadioButton(CSkinWnd* parent);

    void OnClick() override;
};

class CSkinGroupBox : public CSkinCtrl {
public:
    explicit CSkinGroupBox(CSkinWnd* parent);

    LONG_PTR Attach(HWND window) override;
    void Draw(HDC dc) override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

    // Where the caption and the frame go for a text, in client coordinates.
    struct Layout {
        RECT caption;
        RECT frame;
    };
    Layout LayoutCaption(HDC dc, const char* text, int length);

private:
    const CGroupBoxDefinition* GroupDefinition() const;
    Layout LayoutFor(const std::string& text);
    LRESULT PassOnHidden(UINT message, WPARAM wParam, LPARAM lParam);
    // Repaints a caption area in the parent and then in the group box.
    void RefreshCaptionArea(const RECT& caption);
};

} // namespace glint
