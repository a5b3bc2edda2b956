#include "saver/SettingsDlg.h"

#include "base/Text.h"
#include "resources/GlintboxIds.h"
#include "saver/DataFile.h"
#include "saver/SaverApp.h"
#include "saver/SettingsStore.h"

#include <shellapi.h>
#include <wininet.h>

namespace glint {

const char kMakerAddress[] = "http://www.fablewick.com/";

namespace {
constexpr int kDialogWidth = 480, kDialogHeight = 380;

bool EndsWithSwf(const std::string& path)
{
    return path.size() >= 3 && ToLowerAscii(path.substr(path.size() - 3)) == "swf";
}
} // namespace

CSettingsDlg::CSettingsDlg(HWND owner) : CDialog(IDD_SETTINGS, owner) {}

CSettingsDlg::~CSettingsDlg()
{
    if (picture)
        DeleteObject(picture);
}

BOOL CSettingsDlg::OnInitDialog()
{
    SetWindowPos(m_hWnd, nullptr, 0, 0, kDialogWidth, kDialogHeight, SWP_NOMOVE | SWP_NOZORDER);

    siteButton.SubclassDlgItem(IDC_SITE_BUTTON, m_hWnd);
    cancelButton.SubclassDlgItem(IDCANCEL, m_hWnd);
    okButton.SubclassDlgItem(IDOK, m_hWnd);
    makerButton.SubclassDlgItem(IDC_MAKER_BUTTON, m_hWnd);
    // normal, pressed, hover, disabled, focus; no mask, native size, no edge, no focus inset
    siteButton.SetBitmaps(151, 150, 152, 152, 151, 0, 0, 0, 0);
    okButton.SetBitmaps(145, 144, 146, 146, 145, 0, 0, 0, 0);
    cancelButton.SetBitmaps(142, 141, 143, 143, 142, 0, 0, 0, 0);
    makerButton.SetBitmaps(156, 156, 156, 156, 156, 0, 0, 0, 0);

    if (runSettings.pictureKind == 0)
        ShowDialogPicture(runSettings.moviePath, kMovie);
    else if (runSettings.pictureKind == 1)
        ShowDialogPicture(runSettings.picturePath, EndsWithSwf(runSettings.picturePath) ? kMovie : kStillPicture);

    mute = StoredSoundMute();
    int storedMouse = StoredExitMouse(), storedKey = StoredExitKey();
    exitOnMouse = storedMouse != kNotStored ? storedMouse : runSettings.exitOnMouse;
    exitOnKey = storedKey != kNotStored ? storedKey : runSettings.exitOnKey;
    SetWindowTextA(Item(IDC_SITE_BUTTON), runSettings.siteCaption.c_str());

    SetCheck(IDC_MUTE, mute != 0);
    SetCheck(IDC_EXIT_MOUSE, exitOnMouse != 0);
    SetCheck(IDC_EXIT_KEY, exitOnKey != 0);
    return TRUE;
}

bool CSettingsDlg::PictureIsStill() const
{
    return runSettings.pictureKind == 1 && !runSettings.picturePath.empty() && !EndsWithSwf(runSettings.picturePath);
}

void CSettingsDlg::ShowDialogPicture(const std::string& path, PictureKind kind)
{
    HWND frame = Item(IDC_PICTURE_FRAME);
    RECT rect;
    GetWindowRect(frame, &rect);
    MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&rect), 2);
    SetWindowPos(frame, nullptr, 0, 0, 320, 240, SWP_NOMOVE | SWP_NOZORDER);
    // The movie and the still picture join with the Flash host and the image library.
    (void)path;
    (void)kind;
}

void CSettingsDlg::ReadChecks()
{
    mute = IsChecked(IDC_MUTE);
    exitOnMouse = IsChecked(IDC_EXIT_MOUSE);
    exitOnKey = IsChecked(IDC_EXIT_KEY);
}

void CSettingsDlg::OpenAddress(const std::string& address)
{
    DWORD flags = 0;
    if (!InternetGetConnectedState(&flags, 0)) {
        MessageBoxA(m_hWnd, "Unable to connect the internet", "Error", MB_OK);
        return;
    }
    ShellExecuteA(nullptr, nullptr, address.c_str(), nullptr, nullptr, SW_SHOWMAXIMIZED);
}

BOOL CSettingsDlg::OnCommand(WORD id, WORD code, HWND control)
{
    if (code == BN_CLICKED) {
        switch (id) {
        case IDC_MUTE:
        case IDC_EXIT_MOUSE:
        case IDC_EXIT_KEY:
            ReadChecks();
            return TRUE;
        case IDC_SITE_BUTTON:
            OpenAddress(runSettings.siteAddress);
            return TRUE;
        case IDC_MAKER_BUTTON:
            OpenAddress(kMakerAddress);
            return TRUE;
        }
    }
    return CDialog::OnCommand(id, code, control);
}

void CSettingsDlg::OnPaint()
{
    PAINTSTRUCT ps;
    BeginPaint(m_hWnd, &ps);
    if (PictureIsStill())
        ShowDialogPicture(runSettings.picturePath, kStillPicture);
    if (!runSettings.allowMute)
        EnableWindow(Item(IDC_MUTE), FALSE);
    if (!runSettings.showSiteButton)
        ShowWindow(Item(IDC_SITE_BUTTON), SW_HIDE);
    if (!runSettings.allowExitOptions) {
        EnableWindow(Item(IDC_EXIT_KEY), FALSE);
        EnableWindow(Item(IDC_EXIT_MOUSE), FALSE);
    }
    EndPaint(m_hWnd, &ps);
}

void CSettingsDlg::OnDestroy()
{
    if (!runSettings.workFolder.empty() && GetFileAttributesA(runSettings.workFolder.c_str()) != INVALID_FILE_ATTRIBUTES)
        DeleteFolderTree(runSettings.workFolder);
}

INT_PTR CSettingsDlg::OnDialogMessage(UINT message, WPARAM, LPARAM)
{
    switch (message) {
    case WM_PAINT:
        OnPaint();
        return TRUE;
    case WM_DESTROY:
        OnDestroy();
        break;
    }
    return FALSE;
}

} // namespace glint
