#include "saver/SaverWnd.h"

#include "saver/DataFile.h"
#include "saver/Password.h"
#include "saver/SaverApp.h"

namespace glint {

BOOL CSaverWnd::Create(HWND parent)
{
    const char* className = RegisterWndClass(kClassStyle);
    isPreview = parent != nullptr;
    DWORD style, exStyle;
    if (isPreview) {
        GetClientRect(parent, &area);
        style = WS_CHILD | WS_VISIBLE;
        exStyle = 0;
    } else {
        area = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
        style = WS_POPUP | WS_VISIBLE;
        exStyle = WS_EX_TOPMOST;
    }
    if (!CreateEx(exStyle, className, "", style, area, parent, 0))
        return FALSE;
    if (!isPreview)
        SetForegroundWindow(m_hWnd);
    ready = true;
    return TRUE;
}

void CSaverWnd::RequestClose() { PostMessageA(m_hWnd, WM_CLOSE, 0, 0); }

BOOL CSaverWnd::PreTranslateMessage(MSG* msg)
{
    if (!ready || isPreview)
        return FALSE;
    switch (msg->message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
        if (msg->wParam == VK_ESCAPE || msg->wParam == VK_RETURN || runSettings.exitOnKey)
            RequestClose();
        return TRUE;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
        RequestClose();
        return TRUE;
    }
    return FALSE;
}

LRESULT CSaverWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_ERASEBKGND: {
        RECT rc;
        GetClientRect(m_hWnd, &rc);
        FillRect(reinterpret_cast<HDC>(wParam), &rc, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
        return 1;
    }
    case WM_CLOSE:
        if (!isPreview && !VerifyPassword(m_hWnd))
            return 0;
        DestroyWindow();
        return 0;
    case WM_DESTROY:
        OnDestroy();
        break;
    }
    return Default(message, wParam, lParam);
}

void CSaverWnd::OnDestroy()
{
    if (!runSettings.workFolder.empty())
        DeleteFolderTree(runSettings.workFolder);
}

} // namespace glint
