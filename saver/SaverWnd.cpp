#include "saver/SaverWnd.h"

#include "base/Text.h"
#include "saver/DataFile.h"
#include "saver/Password.h"
#include "saver/SaverApp.h"
#include "saver/ShockwaveFlash.h"
#include "saver/StillPicture.h"

#include <mmsystem.h>

#include <cctype>
#include <cstdlib>
#include <new>

namespace glint {

namespace {

// Wave-out device 0, the one the system plays through by default.
const HWAVEOUT kWaveOutDevice0 = reinterpret_cast<HWAVEOUT>(static_cast<UINT_PTR>(0));

bool FolderExists(const std::string& path)
{
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// The first mouse move of the process fixes the point from which the mouse
// threshold is measured; it is never moved afterwards.
struct FirstMouseMove {
    bool seen = false;
    POINT at = {};
};
FirstMouseMove firstMouseMove;

} // namespace

CSaverWnd::CSaverWnd() : flash(new (std::nothrow) CShockwaveFlash)
{
    if (flash)
        flash->SetFSCommandHandler(
            [this](const std::string& command, const std::string& args) { FSCommand(command, args); });
}

CSaverWnd::~CSaverWnd() { delete flash; }

BOOL CSaverWnd::Create(HWND parent)
{
    const char* className = RegisterWndClass(kClassStyle);
    RECT rect;
    DWORD style, exStyle;
    if (parent) {
        GetClientRect(parent, &rect);
        style = WS_CHILD | WS_VISIBLE;
        exStyle = 0;
        isPreview = true;
    } else {
        rect = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
        style = WS_POPUP | WS_VISIBLE;
        exStyle = WS_EX_TOPMOST;
        isPreview = false;
        if (runSettings.soundMute)
            MuteWaveOut();
    }
    area = rect;
    ready = true;
    if (!CreateEx(exStyle, className, "", style, area, parent, 0)) {
        // Whatever happened, the user's volume is not left at 0.
        RestoreWaveOut();
        return FALSE;
    }
    created = true;
    // Keys reach the saver only when it is the foreground window.
    if (!isPreview)
        SetForegroundWindow(m_hWnd);
    return TRUE;
}

void CSaverWnd::PostNcDestroy()
{
    // A window that failed to be created stays owned by the caller of Create.
    if (created)
        delete this;
}

// The volume is set to 0 only when it could be read: otherwise there would be
// nothing to give back at the end.
void CSaverWnd::MuteWaveOut()
{
    DWORD volume = 0;
    if (waveOutGetVolume(kWaveOutDevice0, &volume) != MMSYSERR_NOERROR)
        return;
    runSettings.savedVolume = volume;
    volumeSaved = true;
    waveOutSetVolume(kWaveOutDevice0, 0);
}

void CSaverWnd::RestoreWaveOut()
{
    if (!volumeSaved)
        return;
    waveOutSetVolume(kWaveOutDevice0, runSettings.savedVolume);
    volumeSaved = false;
}

LRESULT CSaverWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE:
        if (Default(message, wParam, lParam) == -1)
            return -1;
        return OnCreate();
    case WM_ERASEBKGND: {
        // Black behind a control that could not be made or a picture that
        // could not be read.
        RECT rc;
        GetClientRect(m_hWnd, &rc);
        FillRect(reinterpret_cast<HDC>(wParam), &rc, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
        return 1;
    }
    case WM_PAINT:
        OnPaint();
        return 0;
    case WM_TIMER:
        OnTimer(wParam);
        break;
    case WM_CLOSE:
        OnClose();
        return 0;
    case WM_DESTROY:
        OnDestroy();
        break;
    }
    return Default(message, wParam, lParam);
}

int CSaverWnd::OnCreate()
{
    if (!isPreview) {
        ShowContent(ShortPathOf(runSettings.moviePath), kMovie);
        SetTimer(m_hWnd, kLoopTimer, kLoopPeriodMs, nullptr);
        ShowCursor(FALSE);
        SystemParametersInfoA(SPI_SETSCREENSAVERRUNNING, TRUE, nullptr, 0);
    } else if (runSettings.previewKind == 0) {
        ShowContent(ShortPathOf(runSettings.moviePath), kMovie);
    } else if (runSettings.previewKind == 1) {
        if (EndsWithSwf(runSettings.previewPath)) {
            previewIsMovie = true;
            ShowContent(ShortPathOf(runSettings.previewPath), kMovie);
        } else {
            ShowContent(ShortPathOf(runSettings.previewPath), kPicture);
        }
    }
    ready = true;
    return 0;
}

void CSaverWnd::ShowContent(const std::string& path, int kind)
{
    if (flash && flash->GetSafeHwnd())
        flash->DestroyControl();
    RECT rect;
    GetWindowRect(m_hWnd, &rect);
    ScreenToClient(m_hWnd, reinterpret_cast<POINT*>(&rect.left));
    ScreenToClient(m_hWnd, reinterpret_cast<POINT*>(&rect.right));
    if (kind == kMovie) {
        if (!flash || !flash->Create(WS_VISIBLE, rect, m_hWnd, kFlashId))
            return;
        flash->SetMovie(path);
        if (!isPreview)
            flash->SetScale(runSettings.scaleToFit ? "ShowAll" : "NoScale");
        flash->Play();
    } else if (kind == kPicture) {
        // Decoded once: the work folder may be deleted by another run of the
        // saver while the preview is shown, and every paint draws from memory.
        picture.Load(path);
        picture.Draw(m_hWnd, area);
    }
}

bool CSaverWnd::PreviewShowsPicture() const
{
    return isPreview && runSettings.previewKind == 1 && !runSettings.previewPath.empty() && !previewIsMovie &&
           !EndsWithSwf(runSettings.previewPath);
}

void CSaverWnd::OnPaint()
{
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(m_hWnd, &ps);
    if (PreviewShowsPicture())
        picture.Draw(dc, area);
    EndPaint(m_hWnd, &ps);
}

// Keeps the movie looping: one that stopped on its last frame starts again;
// one that stopped earlier was stopped on purpose and stays.
void CSaverWnd::OnTimer(WPARAM id)
{
    if (id != kLoopTimer || !flash || !flash->GetSafeHwnd())
        return;
    const bool playing = flash->GetPlaying();
    const long frame = flash->GetFrameNum();
    const long total = flash->GetTotalFrames();
    if (total != 0 && frame >= total - 1 && !playing) {
        flash->Rewind();
        flash->Play();
    }
}

void CSaverWnd::FSCommand(const std::string& command, const std::string& args)
{
    if (isPreview || !flash)
        return;
    if (ToLowerAscii(command) != "allowscale" || runSettings.scaleToFit)
        flash->SetScale("ShowAll");
    else if (ToLowerAscii(args) == "false")
        flash->SetScale("NoScale");
}

void CSaverWnd::RequestClose()
{
    // One request at a time: a key that meets two exit rules, or a stream of
    // mouse moves, must not queue one password prompt per message.
    if (closePending)
        return;
    closePending = PostMessageA(m_hWnd, WM_CLOSE, 0, 0) != 0;
}

BOOL CSaverWnd::PreTranslateMessage(MSG* msg)
{
    switch (msg->message) {
    case WM_KEYDOWN:
        if (!isPreview && ready &&
            (runSettings.exitOnKey || msg->wParam == VK_ESCAPE || msg->wParam == VK_RETURN))
            RequestClose();
        break;
    case WM_MOUSEMOVE:
        if (!isPreview) {
            POINT at;
            GetCursorPos(&at);
            if (!firstMouseMove.seen) {
                firstMouseMove = {true, at};
                return FALSE;
            }
            const int moved = std::abs(at.x - firstMouseMove.at.x) + std::abs(at.y - firstMouseMove.at.y);
            if (moved > kMouseThreshold && runSettings.exitOnMouse)
                RequestClose();
            return FALSE;
        }
        break;
    case WM_RBUTTONDOWN:
        if (isPreview)
            return TRUE; // the control's own menu never opens in the preview
        NudgeCursor();
        break;
    case WM_LBUTTONDOWN:
    case WM_MBUTTONDOWN:
        if (!isPreview)
            NudgeCursor();
        break;
    }
    return CWnd::PreTranslateMessage(msg);
}

// A click moves the cursor by a pixel, which the mouse rule then sees as
// movement; where the cursor cannot move right it goes left instead.
void CSaverWnd::NudgeCursor()
{
    POINT p, q;
    GetCursorPos(&p);
    p.x += 1;
    p.y += 1;
    SetCursorPos(p.x, p.y);
    GetCursorPos(&q);
    if (q.x != p.x && q.y != p.y)
        p.x -= 2;
    p.y -= 2;
    SetCursorPos(p.x, p.y);
}

void CSaverWnd::OnClose()
{
    closePending = false;
    if (isPreview) {
        Default(WM_CLOSE, 0, 0);
        return;
    }
    // The password prompt runs a message loop of its own: a close that
    // arrives meanwhile does not open a second one.
    if (verifying)
        return;
    verifying = true;
    ShowCursor(TRUE);
    const bool allowed = VerifyPassword(m_hWnd);
    ShowCursor(FALSE);
    verifying = false;
    if (allowed)
        Default(WM_CLOSE, 0, 0);
}

void CSaverWnd::OnDestroy()
{
    delete flash;
    flash = nullptr;
    if (runSettings.soundMute && !isPreview)
        RestoreWaveOut();
    SystemParametersInfoA(SPI_SETSCREENSAVERRUNNING, FALSE, nullptr, 0);
    if (!runSettings.workFolder.empty() && FolderExists(runSettings.workFolder))
        DeleteFolderTree(runSettings.workFolder);
    KillTimer(m_hWnd, kLoopTimer);
    picture.Free();
}

} // namespace glint
