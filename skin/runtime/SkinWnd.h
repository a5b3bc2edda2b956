#pragma once
// CSkinWnd: the base of every skin object. One object is attached to one
// window: it replaces the window procedure (the object is found again through
// the window property "OBJECT"), builds the frame elements of its definition,
// attaches skin objects to the window's children, and gives everything back
// on Detach. The registry owns the objects.
#include <windows.h>

#include "skin/layout/FrameLayout.h"
#include "skin/runtime/SkinElements.h"

#include <cstdint>
#include <map>
#include <memory>
#include <vector>

namespace glint {

class CFrameDefinition;
class CSkinNode;
class CSkinStore;

// The window property that holds a window's skin object.
constexpr char SKIN_OBJECT_PROPERTY[] = "OBJECT";

class CSkinWnd : public IFrameElementOwner {
public:
    CSkinWnd();
    virtual ~CSkinWnd();
    CSkinWnd(const CSkinWnd&) = delete;
    CSkinWnd& operator=(const CSkinWnd&) = delete;

    // The whole look into a device context: the frame, then the background, both inactive.
    virtual void Draw(HDC dc);
    // Takes a definition of the current store (or null); answers the previous one.
    virtual CSkinNode* SetDefinition(CSkinNode* definition);
    virtual HMENU GetWindowMenu();
    virtual void SetWindowMenu(HMENU menu);
    // A menu key from the keyboard hook; nonzero when it was consumed.
    virtual LRESULT OnMenuKey(WPARAM key, LPARAM keyData);
    // Whether the object stays attached when a new skin has no definition for it.
    virtual bool KeepWithoutDefinition();
    virtual void OnNcDestroy();
    virtual HWND GetActiveMdiChild(BOOL* maximised);
    virtual void GetFrameRect(RECT* rect);
    virtual void DrawBackground(HDC dc, bool active);
    virtual void DrawFrame(HDC dc, bool active);
    virtual void Detach();
    // Subclasses the window; answers what replacing the procedure answered (0 on failure).
    virtual LONG_PTR Attach(HWND window);
    virtual void OnShowWindow(BOOL show, int status);
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    virtual void GetMenuBarRect(RECT* rect);
    virtual void DrawMenuBar(HDC dc);
    // The window region for the current size; null keeps the window rectangular.
    virtual HRGN BuildRegion();
    virtual void DrawCaptionText(HDC dc, bool active);
    // The type code the object was built for (1 for frames).
    virtual uint32_t SkinType() const;
    // The brush an edit control's object gives its parent for WM_CTLCOLOREDIT; null: none.
    virtual HBRUSH ControlBrush();
    // The same for WM_CTLCOLOREDIT or WM_CTLCOLORSTATIC, with the colours set on dc.
    virtual HBRUSH ControlColour(UINT message, HDC dc);

    // Attaches a skin object to one child window (its own children first).
    // 0 when the window is of no skinnable kind.
    int AttachChild(HWND child);

    HWND Window() const { return window_; }
    WNDPROC PreviousProc() const { return previousProc_; }
    CSkinNode* Definition() const { return definition_; }
    const FrameRects& PartRects() const { return parts_; }
    const std::vector<std::unique_ptr<CFrameElement>>& Elements() const { return elements_; }
    const std::map<HWND, CSkinWnd*>& Children() const { return children_; }
    bool CaptionTextShown() const { return captionText_; }

    // IFrameElementOwner
    HWND ElementWindow() const override { return window_; }
    CSkinStore& ElementStore() const override;
    bool UsesTransparentColour() const override { return useTransparent_; }
    COLORREF TransparentColour() const override { return transparentColour_; }
    const CFrameDefinition* ElementFrame() const override;

    // The procedure every skinned window gets: finds the object through the
    // property and calls its WindowProc; without one, DefWindowProcA.
    static LRESULT CALLBACK SkinWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    // Deletes an object now, or, when one of its WindowProc calls is still
    // running (the window was destroyed inside a call it passed on), when the
    // outermost of them returns.
    static void Dispose(CSkinWnd* object);
    // Skin objects alive in the process (for leak checks).
    static long LiveObjects();

protected:
    // Passes a message to the previous procedure (DefWindowProcA without one).
    virtual LRESULT CallPrevious(UINT message, WPARAM wParam, LPARAM lParam);
    // The default handling of the message with WS_SYSMENU taken out of the
    // style meanwhile, so that the system draws and hit-tests no caption buttons.
    LRESULT CallPreviousWithoutSysMenu(UINT message, WPARAM wParam, LPARAM lParam);
    void RemoveChildrenOf(HWND window);
    // The window rectangle at 0, 0, and the nine parts laid out for it.
    RECT WindowBox() const;
    FrameRects PlacedParts() const;

    CSkinNode* definition_ = nullptr;
    FrameRects parts_ = {};
    HWND window_ = nullptr;
    WNDPROC previousProc_ = nullptr;
    std::vector<std::unique_ptr<CFrameElement>> elements_;
    std::map<HWND, CSkinWnd*> children_;  // not owned: the registry owns them
    RECT laidOut_ = {};
    bool destroying_ = false;
    bool captionText_ = true;
    bool useTransparent_ = false;
    COLORREF transparentColour_ = RGB(255, 0, 255);
    HRGN region_ = nullptr;

private:
    int callDepth_ = 0;
    bool disposePending_ = false;
};

} // namespace glint
