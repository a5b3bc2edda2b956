// install.exe: runs the setup programs listed in the INI file beside it, one
// after another, while a small animated window is shown.
#include "framework/App.h"
#include "framework/ModalFilter.h"
#include "install/InstallDlg.h"

namespace {

class CInstallApp : public glint::fw::CWinApp {
public:
    CInstallApp() : CWinApp("install") {}
    BOOL InitInstance() override
    {
        EnableControlContainer();
        Enable3dControls();
        glint::install::CInstallDlg dialog;
        m_pMainWnd = &dialog;
        {
            // F12 and Escape are taken before the dialog box's own loop sees them.
            glint::fw::CModalPreTranslate keys;
            dialog.DoModal();
        }
        m_pMainWnd = nullptr;
        return FALSE; // the program ends with the dialog
    }
    int ExitInstance() override { return 0; }
};

CInstallApp theApp;

} // namespace
