// uninst_saver.exe: asks whether to remove the screensaver named on its
// command line, removes it and says how that went.
#include "base/Text.h"
#include "framework/App.h"
#include "framework/Dialog.h"
#include "resources/UninstallerIds.h"
#include "uninstaller/Removal.h"

namespace glint {
namespace {

class CUninstallDlg : public fw::CDialog {
public:
    explicit CUninstallDlg(std::string target) : CDialog(IDD_UNINSTALLER, nullptr), target_(std::move(target)) {}

    BOOL OnInitDialog() override
    {
        icon_ = LoadIconA(fw::GetApp()->m_hInstance, MAKEINTRESOURCEA(IDI_UNINSTALLER));
        SendMessageA(m_hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_));
        SendMessageA(m_hWnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon_));
        return TRUE;
    }

    BOOL OnCommand(WORD id, WORD code, HWND control) override
    {
        if (id == IDC_CANCEL_REMOVAL || id == IDCANCEL) {
            EndDialog(IDCANCEL);
            return TRUE;
        }
        if (id == IDC_UNINSTALL) {
            Uninstall();
            return TRUE;
        }
        return CDialog::OnCommand(id, code, control);
    }

    INT_PTR OnDialogMessage(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message == WM_PAINT && IsIconic(m_hWnd)) {
            PaintMinimised();
            return TRUE;
        }
        if (message == WM_QUERYDRAGICON) {
            SetWindowLongPtrA(m_hWnd, DWLP_MSGRESULT, reinterpret_cast<LONG_PTR>(icon_));
            return TRUE;
        }
        return FALSE;
    }

private:
    void Uninstall()
    {
        bool done = RemoveScreensaver(target_) == RemovalResult::Done;
        fw::ResMessageBox(m_hWnd, done ? IDS_REMOVAL_DONE : IDS_REMOVAL_FAILED,
                          done ? IDS_CAPTION_INFORMATION : IDS_CAPTION_ERROR, MB_OK);
        EndDialog(IDOK);
    }

    void PaintMinimised()
    {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(m_hWnd, &ps);
        SendMessageA(m_hWnd, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
        RECT rc;
        GetClientRect(m_hWnd, &rc);
        int cx = GetSystemMetrics(SM_CXICON), cy = GetSystemMetrics(SM_CYICON);
        DrawIcon(dc, (rc.right - cx + 1) / 2, (rc.bottom - cy + 1) / 2, icon_);
        EndPaint(m_hWnd, &ps);
    }

    std::string target_;
    HICON icon_ = nullptr;
};

class CUninstallerApp : public fw::CWinApp {
public:
    CUninstallerApp() : CWinApp("uninst_saver") {}
    BOOL InitInstance() override
    {
        EnableControlContainer();
        Enable3dControls();
        // The whole command line is the path; it is not split at blanks.
        CUninstallDlg dialog(ToLowerAscii(m_commandLine));
        dialog.DoModal();
        return FALSE;
    }
    int ExitInstance() override { return 0; }
};

CUninstallerApp theApp;

} // namespace
} // namespace glint
