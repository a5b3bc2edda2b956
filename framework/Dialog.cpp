#include "framework/Dialog.h"

#include "framework/App.h"

namespace glint::fw {

INT_PTR CDialog::DoModal()
{
    return DialogBoxParamA(GetApp()->m_hInstance, MAKEINTRESOURCEA(m_templateId), m_owner, DialogProc,
                           reinterpret_cast<LPARAM>(this));
}

void CDialog::EndDialog(INT_PTR result)
{
    if (m_hWnd)
        ::EndDialog(m_hWnd, result);
}

BOOL CDialog::OnCommand(WORD id, WORD code, HWND)
{
    if (code != BN_CLICKED && code != 0)
        return FALSE;
    if (id == IDOK) {
        OnOK();
        return TRUE;
    }
    if (id == IDCANCEL) {
        OnCancel();
        return TRUE;
    }
    return FALSE;
}

INT_PTR CALLBACK CDialog::DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG) {
        auto* dialog = reinterpret_cast<CDialog*>(lParam);
        dialog->Bind(hwnd);
        return dialog->OnInitDialog();
    }
    auto* dialog = static_cast<CDialog*>(FromHandle(hwnd));
    if (!dialog)
        return FALSE;
    INT_PTR result = FALSE;
    if (message == WM_COMMAND) {
        result = dialog->OnCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
    } else if (message == WM_DRAWITEM && wParam != 0 && ReflectDrawItem(lParam)) {
        return TRUE; // owner-drawn controls with an object of their own paint themselves
    } else
        result = dialog->OnDialogMessage(message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        dialog->Unbind();
        dialog->PostNcDestroy();
    }
    return result;
}

} // namespace glint::fw
