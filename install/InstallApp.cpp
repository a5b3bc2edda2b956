// install.exe: for now a dialog that says the chain installer is not ready;
// reading the install list and running its programs join with their own work.
#include "framework/App.h"
#include "framework/Dialog.h"
#include "resources/InstallIds.h"

namespace {

class CInstallApp : public glint::fw::CWinApp {
public:
    CInstallApp() : CWinApp("install") {}
    BOOL InitInstance() override
    {
        glint::fw::CDialog dialog(IDD_INSTALL, nullptr);
        dialog.DoModal();
        return FALSE;
    }
    int ExitInstance() override { return 0; }
};

CInstallApp theApp;

} // namespace
