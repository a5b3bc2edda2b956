// uninst_saver.exe: asks whether to remove the screensaver named on its
// command line.
//
// For now the dialog only asks; both buttons close it and nothing is removed.
// The removal itself joins with its own work.
#include "base/Text.h"
#include "framework/App.h"
#include "framework/Dialog.h"
#include "resources/UninstallerIds.h"

namespace {

class CUninstallDlg : public glint::fw::CDialog {
public:
    explicit CUninstallDlg(std::string target) : CDialog(IDD_UNINSTALLER, nullptr), target_(std::move(target)) {}

    BOOL OnCommand(WORD id, WORD code, HWND control) override
    {
        if (id == IDC_UNINSTALL || id == IDC_CANCEL_REMOVAL) {
            EndDialog(id == IDC_UNINSTALL ? IDOK : IDCANCEL);
            return TRUE;
        }
        return CDialog::OnCommand(id, code, control);
    }

private:
    std::string target_;
};

class CUninstallerApp : public glint::fw::CWinApp {
public:
    CUninstallerApp() : CWinApp("uninst_saver") {}
    BOOL InitInstance() override
    {
        EnableControlContainer();
        Enable3dControls();
        CUninstallDlg dialog(glint::ToLowerAscii(m_commandLine));
        dialog.DoModal();
        return FALSE;
    }
    int ExitInstance() override { return 0; }
};

CUninstallerApp theApp;

} // namespace
