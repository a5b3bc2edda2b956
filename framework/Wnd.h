#pragma once
// Window objects bound to system windows. A CWnd receives its window's
// messages through the virtual WindowProc; what it does not handle goes to the
// window's previous procedure (subclassing) or the default procedure.
#include <windows.h>

namespace glint::fw {

class CWnd {
public:
    CWnd() = default;
    virtual ~CWnd();
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    HWND m_hWnd = nullptr;
    HWND GetSafeHwnd() const { return m_hWnd; }

    // The object bound to a window, or null.
    static CWnd* FromHandle(HWND hwnd);

    // A window class with our procedure; the name is made from the arguments,
    // so equal requests share one class.
    static const char* RegisterWndClass(UINT classStyle, HCURSOR cursor = nullptr, HBRUSH background = nullptr,
                                        HICON icon = nullptr);

    BOOL CreateEx(DWORD exStyle, const char* className, const char* windowName, DWORD style, const RECT& rect,
                  HWND parent, UINT id);
    // Binds the object to an existing window and routes its messages here.
    BOOL SubclassWindow(HWND hwnd);
    // Binds the object to a control of a dialog (data exchange of controls).
    BOOL SubclassDlgItem(int id, HWND parent) { return SubclassWindow(GetDlgItem(parent, id)); }
    HWND UnsubclassWindow();
    BOOL DestroyWindow();

    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    // Called by the message loop for messages to this window or its children;
    // true means the message was handled and is not dispatched.
    virtual BOOL PreTranslateMessage(MSG* msg);
    // Last call for the object after WM_NCDESTROY; objects that own themselves
    // delete themselves here.
    virtual void PostNcDestroy() {}
    // Called by SubclassWindow just before the window's procedure is replaced.
    virtual void PreSubclassWindow() {}
    // An owner-drawn control paints itself: its parent reflects WM_DRAWITEM here.
    virtual void DrawItem(DRAWITEMSTRUCT* item) {}
    // For a parent: hands a WM_DRAWITEM to the control's object; false when the
    // control has none.
    static bool ReflectDrawItem(LPARAM lParam);

protected:
    LRESULT Default(UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK StandardWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    void Bind(HWND hwnd);
    void Unbind();

    WNDPROC m_previousProc = nullptr;
};

} // namespace glint::fw
