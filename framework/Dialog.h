#pragma once
// Modal dialogs built from dialog resources.
#include "framework/Wnd.h"

namespace glint::fw {

class CDialog : public CWnd {
public:
    CDialog(UINT templateId, HWND owner) : m_templateId(templateId), m_owner(owner) {}

    INT_PTR DoModal();
    void EndDialog(INT_PTR result);

    virtual BOOL OnInitDialog() { return TRUE; }
    virtual void OnOK() { EndDialog(IDOK); }
    virtual void OnCancel() { EndDialog(IDCANCEL); }
    // A WM_COMMAND; true when handled.
    virtual BOOL OnCommand(WORD id, WORD code, HWND control);
    // Messages other than WM_INITDIALOG and WM_COMMAND; return FALSE for the
    // dialog manager's default handling.
    virtual INT_PTR OnDialogMessage(UINT message, WPARAM wParam, LPARAM lParam) { return FALSE; }

    bool IsChecked(int id) const { return IsDlgButtonChecked(m_hWnd, id) == BST_CHECKED; }
    void SetCheck(int id, bool on) const { CheckDlgButton(m_hWnd, id, on ? BST_CHECKED : BST_UNCHECKED); }
    HWND Item(int id) const { return GetDlgItem(m_hWnd, id); }

protected:
    UINT m_templateId;
    HWND m_owner;

private:
    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
};

} // namespace glint::fw
