#pragma once
// Win32: the elements of a skinned frame, built from the frame definition's
// children: image elements (38), fill elements (22) and caption buttons (3).
// Each knows its place for a window size, draws itself, answers hit tests and
// the non-client mouse, and acts by posting to its owner's window. They reach
// the window object only through IFrameElementOwner.
#include <windows.h>

#include "skin/layout/FrameLayout.h"
#include "skin/layout/RegionRuns.h"

#include <memory>
#include <vector>

namespace glint {

class CCaptionButton;
class CFrameDefinition;
class CImageElement;
class CPartBase;
class CSkinNode;
class CSkinStore;
struct SkinImageRef;

// What an element needs from the skinned window that owns it.
// The frame fill element's type code: the skin file has no class of its own
// for it, any part (CPartBase) with this code is one.
constexpr uint32_t SKIN_FILL_ELEMENT = 22;

class IFrameElementOwner {
public:
    // The skinned window; null when detached (then nothing acts or repaints).
    virtual HWND ElementWindow() const = 0;
    // The current skin (never null while elements exist).
    virtual CSkinStore& ElementStore() const = 0;
    // The skin's information block: whether frames leave out the key colour, and that colour.
    virtual bool UsesTransparentColour() const = 0;
    virtual COLORREF TransparentColour() const = 0;
    // The owner's frame definition, which gives the reference size that
    // elements are anchored in; null keeps the elements' reference rectangles.
    virtual const CFrameDefinition* ElementFrame() const = 0;

protected:
    ~IFrameElementOwner() = default;
};

class CFrameElement {
public:
    CFrameElement(IFrameElementOwner& owner, CPartBase& definition);
    virtual ~CFrameElement();
    CFrameElement(const CFrameElement&) = delete;
    CFrameElement& operator=(const CFrameElement&) = delete;

    // Draws into a device context whose origin is the window's corner.
    virtual void Draw(HDC dc) = 0;
    // A new definition of the same type (after a new skin): resets the
    // reference rectangle and what was cut from the old images.
    virtual void SetDefinition(CPartBase& definition);
    // Enables or disables and repaints at once.
    virtual void Enable(bool enabled);
    // Mouse operations with window-relative points; true when the element took the point.
    virtual bool OnRButtonUp(POINT point);
    virtual bool OnRButtonDown(POINT point);
    virtual bool OnMouseMove(POINT point);
    virtual bool OnLButtonUp(POINT point);
    virtual bool OnLButtonDown(POINT point);
    virtual bool OnLButtonDblClk(POINT point);
    // The hit code at a window-relative point, HIT_NOWHERE when not hit
    // (also when invisible).
    virtual int HitTest(POINT point);
    // Places the element for a window rectangle (screen or window
    // coordinates: only its size counts), and its shape with it.
    void Layout(const RECT& windowRect);
    // The element's region at its current place: its shape, else its
    // rectangle. The caller owns it.
    HRGN CreatePlacedRegion() const;

    uint32_t Type() const;
    const RECT& Rect() const { return rect_; }
    bool Enabled() const { return enabled_; }
    bool Visible() const;
    CPartBase& Definition() const { return *definition_; }

    // Draws itself at once over what the window shows now (composed off screen).
    void Repaint();

protected:
    // Where the element goes for a window of that size: by its anchor code.
    virtual RECT PlaceFor(SIZE window) const;
    // Cuts the element's shape from a picture by the key colour, when the
    // owner's skin uses it; the shape then follows the picture's drawing mode.
    void CutShape(const SkinImageRef& slice);
    void ClearShape();
    // Whether the point falls on the shape (or the rectangle without one).
    bool Covers(POINT point) const;

    IFrameElementOwner& owner_;
    CPartBase* definition_;
    RECT reference_;
    RECT rect_;
    bool enabled_ = true;

private:
    HRGN shape_ = nullptr;   // at the picture's origin
    SIZE shapeSize_ = {};
    int32_t shapeMode_ = 0;  // the picture's drawing mode
    HRGN placed_ = nullptr;  // the shape at rect_
};

// Type 22: its image, else its fill colour.
class CFillElement : public CFrameElement {
public:
    CFillElement(IFrameElementOwner& owner, CPartBase& definition);
    void Draw(HDC dc) override;
};

// Type 38: a picture that may carry the caption text, answer as a border or
// caption, be drawn by the owner, and shape the window region.
class CImageFrameElement : public CFrameElement {
public:
    CImageFrameElement(IFrameElementOwner& owner, CImageElement& definition);
    void Draw(HDC dc) override;
    void SetDefinition(CPartBase& definition) override;
    int HitTest(POINT point) override;

    const CImageElement& Image() const;
    // Combine modes 0 ... 4: and, diff, or, xor, cut the rectangle then or.
    uint32_t CombineMode() const;
    // Whether the element shows the window text in place of the caption.
    bool ReplacesCaption() const;

protected:
    // By the four anchor flags.
    RECT PlaceFor(SIZE window) const override;
};

enum CaptionButtonState { BUTTON_NORMAL, BUTTON_HOT, BUTTON_PRESSED, BUTTON_DISABLED };

// Type 3: close, maximise, minimise, system menu, icon or a command of its own.
class CCaptionButtonElement : public CFrameElement {
public:
    CCaptionButtonElement(IFrameElementOwner& owner, CCaptionButton& definition);
    ~CCaptionButtonElement() override;
    void Draw(HDC dc) override;
    void SetDefinition(CPartBase& definition) override;
    void Enable(bool enabled) override;
    bool OnRButtonDown(POINT point) override;
    bool OnMouseMove(POINT point) override;
    bool OnLButtonUp(POINT point) override;
    bool OnLButtonDown(POINT point) override;
    bool OnLButtonDblClk(POINT point) override;
    int HitTest(POINT point) override;
    // The hover timer found the pointer gone: a non-sticky button goes back to normal.
    virtual void OnMouseAway();

    // Kinds 1 and 5 follow WS_SYSMENU, 3 WS_MAXIMIZEBOX, 4 WS_MINIMIZEBOX; 0 and 2 stay.
    void SyncWithStyle(uint32_t style);
    // Posts what the button does, by kind.
    void Act();

    const CCaptionButton& Button() const;
    CaptionButtonState State() const { return state_; }
    bool Pressed() const { return pressed_; }
    bool HoverTimerRunning() const { return timerId_ != 0; }

private:
    bool Contains(POINT point);
    void SetState(CaptionButtonState state);
    CaptionButtonState RestingState() const;
    void StartHoverTimer();
    void StopHoverTimer();
    void OpenSystemMenu();
    void CutButtonShape();
    static void CALLBACK HoverTick(HWND window, UINT message, UINT_PTR id, DWORD time);

    CaptionButtonState state_ = BUTTON_NORMAL;
    bool pressed_ = false;  // held down (a sticky button: switched on)
    bool armed_ = false;    // the left button went down on it and is not up yet
    UINT_PTR timerId_ = 0;
    HWND timerWindow_ = nullptr;
};

// The element for a child definition of a frame: 38, 22 or 3; null for other types.
std::unique_ptr<CFrameElement> CreateFrameElement(IFrameElementOwner& owner, CSkinNode& childDefinition);

// Whether a child definition is an image element that shows the window text
// in place of the caption (role 1): its owner then draws no caption text.
bool ReplacesCaptionText(const CSkinNode& childDefinition);

// The elements' answer for a window-relative point, in order: an image element
// hit as caption, or any caption button hit, is HIT_CAPTION; else HIT_NOWHERE.
int HitTestElements(const std::vector<std::unique_ptr<CFrameElement>>& elements, POINT point);

// Lays every element out for the window rectangle and draws the visible ones.
void DrawElements(HDC dc, const std::vector<std::unique_ptr<CFrameElement>>& elements, const RECT& windowRect);

// Every caption button follows the window style.
void SyncElementsWithStyle(const std::vector<std::unique_ptr<CFrameElement>>& elements, uint32_t style);

// The state of a window that decides whether elements show.
WindowShowState ShowStateOf(HWND window);

// Copies the picture (a memory device context) onto dc at r, leaving out its
// pixels of the key colour. False when the mask cannot be made (nothing drawn).
bool BlitKeyed(HDC dc, const RECT& r, HDC picture, COLORREF key);

} // namespace glint
