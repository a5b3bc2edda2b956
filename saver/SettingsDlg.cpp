#include "saver/SettingsDlg.h"

#include "resources/GlintboxIds.h"
#include "saver/DataFile.h"
#include "saver/SaverApp.h"
#include "saver/SettingsStore.h"

namespace glint {

CSettingsDlg::CSettingsDlg(HWND owner) : CDialog(IDD_SETTINGS, owner) {}

BOOL CSettingsDlg::OnInitDialog()
{
    mute = StoredSoundMute();
    int storedMouse = StoredExitMouse(), storedKey = StoredExitKey();
    exitOnMouse = storedMouse != kNotStored ? storedMouse : runSettings.exitOnMouse;
    exitOnKey = storedKey != kNotStored ? storedKey : runSettings.exitOnKey;
    SetCheck(IDC_MUTE, mute != 0);
    SetCheck(IDC_EXIT_MOUSE, exitOnMouse != 0);
    SetCheck(IDC_EXIT_KEY, exitOnKey != 0);

    EnableWindow(Item(IDC_MUTE), runSettings.allowMute != 0);
    EnableWindow(Item(IDC_EXIT_MOUSE), runSettings.allowExitOptions != 0);
    EnableWindow(Item(IDC_EXIT_KEY), runSettings.allowExitOptions != 0);
    if (!runSettings.siteCaption.empty())
        SetWindowTextA(Item(IDC_SITE_BUTTON), runSettings.siteCaption.c_str());
    ShowWindow(Item(IDC_SITE_BUTTON), runSettings.showSiteButton ? SW_SHOW : SW_HIDE);
    return TRUE;
}

void CSettingsDlg::ReadChecks()
{
    mute = IsChecked(IDC_MUTE);
    exitOnMouse = IsChecked(IDC_EXIT_MOUSE);
    exitOnKey = IsChecked(IDC_EXIT_KEY);
}

BOOL CSettingsDlg::OnCommand(WORD id, WORD code, HWND control)
{
    if (code == BN_CLICKED && (id == IDC_MUTE || id == IDC_EXIT_MOUSE || id == IDC_EXIT_KEY)) {
        ReadChecks();
        return TRUE;
    }
    return CDialog::OnCommand(id, code, control);
}

INT_PTR CSettingsDlg::OnDialogMessage(UINT message, WPARAM, LPARAM)
{
    if (message == WM_DESTROY && !runSettings.workFolder.empty())
        DeleteFolderTree(runSettings.workFolder);
    return FALSE;
}

} // namespace glint
