#include "framework/Wnd.h"

#include "framework/App.h"

#include <cstdio>
#include <map>
#include <string>

namespace glint::fw {

namespace {
// The property that links a window to its object; the skin runtime uses names
// of its own, so the two never meet.
const char kObjectProp[] = "GlintFwObject";
// The object whose window is being created, until its first message binds it.
thread_local CWnd* creating = nullptr;
} // namespace

CWnd::~CWnd()
{
    if (m_hWnd && FromHandle(m_hWnd) == this)
        Unbind();
}

CWnd* CWnd::FromHandle(HWND hwnd)
{
    return hwnd ? static_cast<CWnd*>(GetPropA(hwnd, kObjectProp)) : nullptr;
}

void CWnd::Bind(HWND hwnd)
{
    m_hWnd = hwnd;
    SetPropA(hwnd, kObjectProp, this);
}

void CWnd::Unbind()
{
    RemovePropA(m_hWnd, kObjectProp);
    m_hWnd = nullptr;
}

const char* CWnd::RegisterWndClass(UINT classStyle, HCURSOR cursor, HBRUSH background, HICON icon)
{
    static std::map<std::string, std::string> registered;
    char name[96];
    std::snprintf(name, sizeof name, "Glint:%x:%p:%p:%p", classStyle, (void*)cursor, (void*)background, (void*)icon);
    auto it = registered.find(name);
    if (it != registered.end())
        return it->second.c_str();
    WNDCLASSA wc = {};
    wc.style = classStyle;
    wc.lpfnWndProc = StandardWndProc;
    wc.hInstance = GetApp()->m_hInstance;
    wc.hCursor = cursor;
    wc.hbrBackground = background;
    wc.hIcon = icon;
    wc.lpszClassName = name;
    if (!RegisterClassA(&wc))
        return nullptr;
    return registered.emplace(name, name).first->second.c_str();
}

BOOL CWnd::CreateEx(DWORD exStyle, const char* className, const char* windowName, DWORD style, const RECT& rect,
                    HWND parent, UINT id)
{
    if (!className)
        return FALSE;
    creating = this;
    HWND hwnd = CreateWindowExA(exStyle, className, windowName, style, rect.left, rect.top, rect.right - rect.left,
                                rect.bottom - rect.top, parent, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)),
                                GetApp()->m_hInstance, nullptr);
    creating = nullptr;
    // A window of a foreign class is bound after the fact.
    if (hwnd && m_hWnd == nullptr)
        SubclassWindow(hwnd);
    return hwnd != nullptr;
}

BOOL CWnd::SubclassWindow(HWND hwnd)
{
    if (!hwnd || m_hWnd)
        return FALSE;
    Bind(hwnd);
    PreSubclassWindow();
    m_previousProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CWnd::StandardWndProc)));
    return TRUE;
}

HWND CWnd::UnsubclassWindow()
{
    HWND hwnd = m_hWnd;
    if (!hwnd)
        return nullptr;
    if (m_previousProc)
        SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_previousProc));
    m_previousProc = nullptr;
    Unbind();
    return hwnd;
}

bool CWnd::ReflectDrawItem(LPARAM lParam)
{
    auto* item = reinterpret_cast<DRAWITEMSTRUCT*>(lParam);
    CWnd* control = item ? FromHandle(item->hwndItem) : nullptr;
    if (!control)
        return false;
    control->DrawItem(item);
    return true;
}

BOOL CWnd::DestroyWindow() { return m_hWnd ? ::DestroyWindow(m_hWnd) : FALSE; }

BOOL CWnd::PreTranslateMessage(MSG*) { return FALSE; }

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) { return Default(message, wParam, lParam); }

LRESULT CWnd::Default(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (m_previousProc)
        return CallWindowProcA(m_previousProc, m_hWnd, message, wParam, lParam);
    return DefWindowProcA(m_hWnd, message, wParam, lParam);
}

LRESULT CALLBACK CWnd::StandardWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    CWnd* wnd = FromHandle(hwnd);
    if (!wnd && creating) {
        wnd = creating;
        creating = nullptr;
        wnd->Bind(hwnd);
    }
    if (!wnd)
        return DefWindowProcA(hwnd, message, wParam, lParam);
    if (message != WM_NCDESTROY)
        return wnd->WindowProc(message, wParam, lParam);

    LRESULT result = wnd->WindowProc(message, wParam, lParam);
    WNDPROC previous = wnd->m_previousProc;
    if (previous)
        SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous));
    wnd->m_previousProc = nullptr;
    wnd->Unbind();
    CWinApp* app = GetApp();
    if (app && app->m_pMainWnd == wnd) {
        app->m_pMainWnd = nullptr;
        PostQuitMessage(0);
    }
    wnd->PostNcDestroy();
    return result;
}

} // namespace glint::fw
