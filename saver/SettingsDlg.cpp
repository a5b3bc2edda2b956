#include "saver/SettingsDlg.h"

#include "base/Text.h"
#include "image/gdi/GdiGuards.h"
#include "resources/GlintboxIds.h"
#include "saver/DataFile.h"
#include "saver/SaverApp.h"
#include "saver/SettingsStore.h"
#include "saver/StillPicture.h"

#include <shellapi.h>
#include <new>
#include <wininet.h>

namespace glint {

const char kMakerAddress[] = "http://www.fablewick.com/";

namespace {

// Sizes in pixels at 96 pixels per inch. The template is in dialog units,
// which grow with the system font, so at more pixels per inch (large fonts,
// 125 %) these grow in step or OK, Cancel and the group boxes are cut off.
constexpr int kDialogWidth = 480, kDialogHeight = 380;
constexpr int kPictureWidth = 320, kPictureHeight = 240;
constexpr int kPictureGap = 6; // at least this much between the picture and the group boxes

int ScreenPixelsPerInch()
{
    gdi::ScreenDC screen;
    const int dpi = screen.Get() ? GetDeviceCaps(screen.Get(), LOGPIXELSY) : 0;
    return dpi > 0 ? dpi : 96;
}

int Scaled(int pixelsAt96) { return MulDiv(pixelsAt96, ScreenPixelsPerInch(), 96); }

} // namespace

CSettingsDlg::CSettingsDlg(HWND owner) : CDialog(IDD_SETTINGS, owner), flash(new (std::nothrow) CShockwaveFlash) {}

CSettingsDlg::~CSettingsDlg() { delete flash; }

BOOL CSettingsDlg::OnInitDialog()
{
    SetWindowPos(m_hWnd, nullptr, 0, 0, Scaled(kDialogWidth), Scaled(kDialogHeight), SWP_NOMOVE | SWP_NOZORDER);

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
        ShowDialogPicture(LongPathOf(runSettings.moviePath), kMovie);
    else if (runSettings.pictureKind == 1)
        ShowDialogPicture(LongPathOf(runSettings.picturePath),
                          EndsWithSwf(runSettings.picturePath) ? kMovie : kStillPicture);

    mute = StoredSoundMute();
    int storedMouse = StoredExitMouse(), storedKey = StoredExitKey();
    exitOnMouse = storedMouse != kNotStored ? storedMouse : runSettings.exitOnMouse;
    exitOnKey = storedKey != kNotStored ? storedKey : runSettings.exitOnKey;
    SetWindowTextA(Item(IDC_SITE_BUTTON), runSettings.siteCaption.c_str());

    SetCheck(IDC_MUTE, mute != 0);
    SetCheck(IDC_EXIT_MOUSE, exitOnMouse != 0);
    SetCheck(IDC_EXIT_KEY, exitOnKey != 0);
    // Also before the first paint, so that the first focus skips what is disabled.
    ApplyOptionRules();
    return TRUE;
}

RECT CSettingsDlg::ItemRect(int id) const
{
    RECT rect;
    GetWindowRect(Item(id), &rect);
    MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

SIZE CSettingsDlg::PictureFrameSize() const
{
    SIZE size = {Scaled(kPictureWidth), Scaled(kPictureHeight)};
    // The columns of the template grow with the dialog font, the picture with
    // the screen's DPI, and the two need not keep step (Tahoma at 120 DPI
    // grows by 7/6, not 5/4): the picture keeps its shape but stays clear of
    // the group boxes beside it.
    const int room = ItemRect(IDC_QUIT_GROUP).left - ItemRect(IDC_PICTURE_FRAME).left - Scaled(kPictureGap);
    if (room > 0 && size.cx > room) {
        size.cy = MulDiv(size.cy, room, size.cx);
        size.cx = room;
    }
    return size;
}

bool CSettingsDlg::PictureIsStill() const
{
    return runSettings.pictureKind == 1 && !runSettings.picturePath.empty() && !EndsWithSwf(runSettings.picturePath);
}

void CSettingsDlg::ShowDialogPicture(const std::string& path, PictureKind kind)
{
    if (flash && flash->GetSafeHwnd())
        flash->DestroyControl();
    HWND frame = Item(IDC_PICTURE_FRAME);
    const SIZE size = PictureFrameSize();
    SetWindowPos(frame, nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER);
    RECT rect = ItemRect(IDC_PICTURE_FRAME);
    if (kind == kMovie) {
        // The movie plays once at the control's own scale; the dialog does not restart it.
        if (flash && flash->Create(WS_VISIBLE, rect, m_hWnd, 0)) {
            // Above the picture frame, which would otherwise paint over it.
            SetWindowPos(flash->m_hWnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
            flash->SetMovie(path);
            flash->Play();
        }
    } else {
        // Decoded once; paints draw it from memory (see OnPaint).
        picture.Load(path);
        pictureRect = rect;
        picture.Draw(m_hWnd, pictureRect);
    }
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
            // Hidden for any other address; a click sent to it anyway opens nothing.
            if (SiteButtonShown(runSettings))
                OpenAddress(runSettings.siteAddress);
            return TRUE;
        case IDC_MAKER_BUTTON:
            OpenAddress(kMakerAddress);
            return TRUE;
        }
    }
    return CDialog::OnCommand(id, code, control);
}

void CSettingsDlg::ApplyOptionRules()
{
    if (!runSettings.allowMute)
        EnableWindow(Item(IDC_MUTE), FALSE);
    if (!SiteButtonShown(runSettings))
        ShowWindow(Item(IDC_SITE_BUTTON), SW_HIDE);
    if (!runSettings.allowExitOptions) {
        EnableWindow(Item(IDC_EXIT_KEY), FALSE);
        EnableWindow(Item(IDC_EXIT_MOUSE), FALSE);
    }
    // A control that lost its use while it had the focus would leave the
    // dialog without one, and Escape and Enter would go nowhere.
    HWND focus = GetFocus();
    if (focus && GetParent(focus) == m_hWnd && (!IsWindowEnabled(focus) || !IsWindowVisible(focus)))
        SendMessageA(m_hWnd, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(Item(IDOK)), TRUE);
}

void CSettingsDlg::OnPaint()
{
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(m_hWnd, &ps);
    if (PictureIsStill())
        picture.Draw(dc, pictureRect);
    ApplyOptionRules();
    EndPaint(m_hWnd, &ps);
}

void CSettingsDlg::OnDestroy()
{
    // The movie's file is in the work folder: the control lets go of it first.
    if (flash && flash->GetSafeHwnd())
        flash->DestroyControl();
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
