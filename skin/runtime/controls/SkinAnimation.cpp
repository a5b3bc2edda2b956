#include "skin/runtime/controls/SkinAnimation.h"

#include "skin/file/SkinDefinitions.h"
#include "skin/file/gdi/SkinDraw.h"
#include "skin/runtime/controls/SkinCommonControls.h"

#include <commctrl.h>

#include <algorithm>
#include <vector>

namespace glint {

namespace {

// Writes a resource to a new file in the temporary folder; empty on failure.
std::string WriteTempCopy(HINSTANCE module, HRSRC resource, const char* prefix)
{
    HGLOBAL loaded = LoadResource(module, resource);
    const void* bytes = loaded ? LockResource(loaded) : nullptr;
    const DWORD size = SizeofResource(module, resource);
    char folder[MAX_PATH] = {}, path[MAX_PATH] = {};
    // A name of its own for every copy: two controls never share one.
    if (!bytes || !size || !GetTempPathA(sizeof folder, folder) || !GetTempFileNameA(folder, prefix, 0, path))
        return {};
    HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_TEMPORARY, nullptr);
    DWORD written = 0;
    const bool ok = file != INVALID_HANDLE_VALUE && WriteFile(file, bytes, size, &written, nullptr) && written == size;
    if (file != INVALID_HANDLE_VALUE)
        CloseHandle(file);
    if (!ok) {
        DeleteFileA(path);
        return {};
    }
    return path;
}

} // namespace

CSkinAnimation::~CSkinAnimation()
{
    Stop();
    CloseClip();
    if (stopEvent_)
        CloseHandle(stopEvent_);
}

void CSkinAnimation::Detach()
{
    // The thread draws into the window: it ends before the window is given back.
    Stop();
    CloseClip();
    CSkinPaintedCtrl::Detach();
}

void CSkinAnimation::OnNcDestroy()
{
    Stop();
    CSkinPaintedCtrl::OnNcDestroy();
}

LRESULT CSkinAnimation::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (!previousProc_)
        return CSkinPaintedCtrl::WindowProc(message, wParam, lParam);
    switch (message) {
    case ACM_OPENA:
    case ACM_OPENW:
        return Open(reinterpret_cast<HINSTANCE>(wParam), lParam, message == ACM_OPENW);
    case ACM_PLAY:
        return Play(int(wParam), int(LOWORD(lParam)), LOWORD(lParam) == 0xFFFF ? -1 : int(HIWORD(lParam)));
    case ACM_STOP:
        Stop();
        return TRUE;
    case ACM_ISPLAYING:
        return Playing();
    default:
        return CSkinPaintedCtrl::WindowProc(message, wParam, lParam);
    }
}

bool CSkinAnimation::Open(HINSTANCE module, LPARAM clip, bool wide)
{
    Stop();
    CloseClip();
    Redraw();
    if (!clip) {
        error_ = ANIMATION_NO_CLIP;
        return true; // closing is what was asked
    }
    if (!module)
        module = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(window_, GWLP_HINSTANCE));
    bool opened = false;
    if (IS_INTRESOURCE(clip)) {
        opened = OpenResource(module, MAKEINTRESOURCEA(clip), "GW$");
    } else {
        std::string name;
        if (wide) {
            const auto* text = reinterpret_cast<const wchar_t*>(clip);
            const int size = WideCharToMultiByte(CP_ACP, 0, text, -1, nullptr, 0, nullptr, nullptr);
            name.resize(size_t(std::max(size, 1)));
            WideCharToMultiByte(CP_ACP, 0, text, -1, name.data(), size, nullptr, nullptr);
            name.resize(strlen(name.c_str()));
        } else {
            name = reinterpret_cast<const char*>(clip);
        }
        std::lock_guard lock(clipLock_);
        opened = clip_.Open(name.c_str());
        error_ = opened ? ANIMATION_OK : ANIMATION_CLIP_REFUSED;
        // A name that is no file may be a resource's name.
        if (!opened && clip_.Error() == AVI_CLIP_NOT_READ)
            opened = OpenResource(module, name.c_str(), "GW$");
    }
    if (!opened)
        return false;
    const LONG_PTR style = GetWindowLongPtrA(window_, GWL_STYLE);
    if (!(style & ACS_CENTER)) {
        RECT frame = {0, 0, clip_.Width(), clip_.Height()};
        AdjustWindowRectEx(&frame, DWORD(style), FALSE, DWORD(GetWindowLongPtrA(window_, GWL_EXSTYLE)));
        SetWindowPos(window_, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    if (style & ACS_AUTOPLAY)
        Play(-1, 0, -1);
    return true;
}

bool CSkinAnimation::OpenResource(HINSTANCE module, LPCSTR name, const char* tempName)
{
    HRSRC resource = FindResourceA(module, name, "AVI");
    if (!resource) {
        error_ = ANIMATION_NO_RESOURCE;
        return false;
    }
    std::string path = WriteTempCopy(module, resource, tempName);
    if (path.empty()) {
        error_ = ANIMATION_NO_TEMP_FILE;
        return false;
    }
    std::lock_guard lock(clipLock_);
    const bool opened = clip_.Open(path.c_str());
    error_ = opened ? ANIMATION_OK : ANIMATION_CLIP_REFUSED;
    tempFile_ = path;
    // Gone at once where the system allows it, else when the clip is closed.
    if (!opened || DeleteFileA(path.c_str()))
        RemoveTempFile();
    return opened;
}

void CSkinAnimation::RemoveTempFile()
{
    if (!tempFile_.empty())
        DeleteFileA(tempFile_.c_str());
    tempFile_.clear();
}

void CSkinAnimation::CloseClip()
{
    std::lock_guard lock(clipLock_);
    clip_.Close();
    RemoveTempFile();
    frame_ = 0;
}

bool CSkinAnimation::Play(int repeat, int from, int to)
{
    Stop();
    const int32_t count = clip_.FrameCount();
    if (count <= 0 || !window_)
        return false;
    to = to < 0 || to >= count ? count - 1 : to;
    from = std::clamp(from, 0, to);
    if (!stopEvent_)
        stopEvent_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (!stopEvent_)
        return false;
    ResetEvent(stopEvent_);
    frame_ = from;
    Notify(ACN_START);
    thread_ = std::thread(&CSkinAnimation::PlayLoop, this, repeat, from, to);
    return true;
}

void CSkinAnimation::Stop()
{
    if (!thread_.joinable())
        return;
    SetEvent(stopEvent_);
    thread_.join();
    Notify(ACN_STOP);
}

void CSkinAnimation::PlayLoop(int repeat, int from, int to)
{
    const DWORD wait = 1000 / std::max<uint32_t>(clip_.FrameRate(), 1);
    for (int round = 0; repeat < 0 || round < repeat; ++round) {
        for (int frame = from; frame <= to; ++frame) {
            frame_ = frame;
            if (HDC dc = GetDC(window_)) {
                DrawFrame(dc);
                ReleaseDC(window_, dc);
            }
            if (WaitForSingleObject(stopEvent_, wait) != WAIT_TIMEOUT)
                return;
        }
    }
}

void CSkinAnimation::Notify(WORD code)
{
    HWND parent = window_ ? GetParent(window_) : nullptr;
    if (parent)
        PostMessageA(parent, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(window_), code), reinterpret_cast<LPARAM>(window_));
}

POINT CSkinAnimation::FramePlace() const
{
    if (!(GetWindowLongPtrA(window_, GWL_STYLE) & ACS_CENTER))
        return {0, 0};
    RECT client;
    GetClientRect(window_, &client);
    return {(client.right - clip_.Width()) / 2, (client.bottom - clip_.Height()) / 2};
}

void CSkinAnimation::DrawFrame(HDC dc)
{
    std::lock_guard lock(clipLock_);
    if (!clip_.IsOpen() || clip_.Width() <= 0 || clip_.Height() <= 0)
        return;
    HDC memory = CreateCompatibleDC(dc);
    HBITMAP bitmap = CreateCompatibleBitmap(dc, clip_.Width(), clip_.Height());
    HGDIOBJ old = SelectObject(memory, bitmap);
    if (clip_.DrawClipFrame(memory, frame_)) {
        const POINT at = FramePlace();
        BitBlt(dc, at.x, at.y, clip_.Width(), clip_.Height(), memory, 0, 0, SRCCOPY);
    }
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
}

void CSkinAnimation::Draw(HDC dc)
{
    RECT client;
    GetClientRect(window_, &client);
    if (const auto* d = dynamic_cast<const CAnimationDefinition*>(definition_)) {
        DrawGrid(dc, d->baseImage, client, d->backColour);
        RECT inside = client;
        if (!d->baseImage.IsEmpty())
            inside = {client.left + d->baseImage.margins.left, client.top + d->baseImage.margins.top,
                      client.right - d->baseImage.margins.right, client.bottom - d->baseImage.margins.bottom};
        DrawImageRef(dc, Store(), d->background, inside, &d->backColour);
    }
    DrawFrame(dc);
}

std::unique_ptr<CSkinCtrl> CreateAnimationSkin(CSkinWnd* parent, uint32_t type)
{
    return std::make_unique<CSkinAnimation>(parent, type);
}

} // namespace glint
