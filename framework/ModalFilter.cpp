#include "framework/ModalFilter.h"

#include "framework/Wnd.h"

namespace glint::fw {

namespace {

thread_local HHOOK currentHook = nullptr;

LRESULT CALLBACK MessageFilterProc(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == MSGF_DIALOGBOX) {
        MSG* msg = reinterpret_cast<MSG*>(lParam);
        for (HWND h = msg->hwnd; h; h = GetParent(h)) {
            CWnd* wnd = CWnd::FromHandle(h);
            if (wnd && wnd->PreTranslateMessage(msg))
                return TRUE;
        }
    }
    return CallNextHookEx(currentHook, code, wParam, lParam);
}

} // namespace

CModalPreTranslate::CModalPreTranslate()
{
    // One filter a thread: an enclosing one already serves nested loops, and a
    // second would offer every message twice.
    if (currentHook)
        return;
    m_hook = SetWindowsHookExA(WH_MSGFILTER, MessageFilterProc, nullptr, GetCurrentThreadId());
    currentHook = m_hook;
}

CModalPreTranslate::~CModalPreTranslate()
{
    if (!m_hook)
        return;
    UnhookWindowsHookEx(m_hook);
    currentHook = nullptr;
}

} // namespace glint::fw
