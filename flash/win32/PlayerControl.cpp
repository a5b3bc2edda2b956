#include "flash/win32/PlayerControl.h"

#include "flash/win32/DispatchObject.h"
#include "flash/SwfPlayer.h"
#include "flash/win32/FlashControl.h"

#include <cstdint>
#include <deque>
#include <new>
#include <string>
#include <utility>

namespace glint::flash::win32 {

namespace {

constexpr UINT_PTR kFrameTimer = 1;
// Posted to the control window to deliver queued FSCommand events.
constexpr UINT kFireEventsMessage = WM_APP + 0x96;
// The mouse out of the window, in frame pixels: over no button.
constexpr double kMouseAway = -1e6;
// A movie larger than this is not read: no real screensaver movie comes near
// it, and a broken file must not exhaust the address space.
constexpr DWORD kMaxMovieBytes = 256u << 20;

struct NamedMember {
    const wchar_t* name;
    DISPID id;
};
const NamedMember kMembers[] = {
    {L"Movie", kDispMovie},     {L"Scale", kDispScale},       {L"Play", kDispPlay},
    {L"Rewind", kDispRewind},   {L"Playing", kDispPlaying},   {L"FrameNum", kDispFrameNum},
    {L"TotalFrames", kDispTotalFrames},
};

std::wstring Widen(const std::string& text, UINT codePage)
{
    if (text.empty())
        return {};
    int n = MultiByteToWideChar(codePage, 0, text.data(), int(text.size()), nullptr, 0);
    std::wstring out(size_t(n > 0 ? n : 0), L'\0');
    if (n > 0)
        MultiByteToWideChar(codePage, 0, text.data(), int(text.size()), &out[0], n);
    return out;
}

bool ReadMovieFile(const std::wstring& path, std::string& bytes)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD high = 0;
    DWORD size = GetFileSize(file, &high);
    bool ok = size != INVALID_FILE_SIZE && high == 0 && size <= kMaxMovieBytes;
    if (ok) {
        try {
            bytes.resize(size);
        } catch (const std::bad_alloc&) {
            ok = false;
        }
    }
    DWORD done = 0;
    if (ok && size)
        ok = ReadFile(file, &bytes[0], size, &done, nullptr) && done == size;
    CloseHandle(file);
    return ok;
}

// Takes the single argument of a property put as text.
HRESULT StringArgument(const DISPPARAMS* params, std::wstring& out, UINT* argError)
{
    if (!params || params->cArgs != 1 || !params->rgvarg)
        return DISP_E_BADPARAMCOUNT;
    VARIANT text;
    VariantInit(&text);
    if (FAILED(VariantChangeType(&text, &params->rgvarg[0], 0, VT_BSTR))) {
        if (argError)
            *argError = 0;
        return DISP_E_TYPEMISMATCH;
    }
    out.assign(text.bstrVal ? text.bstrVal : L"", text.bstrVal ? SysStringLen(text.bstrVal) : 0);
    VariantClear(&text);
    return S_OK;
}

HRESULT IntArgument(const DISPPARAMS* params, LONG& out, UINT* argError)
{
    if (!params || params->cArgs != 1 || !params->rgvarg)
        return DISP_E_BADPARAMCOUNT;
    VARIANT number;
    VariantInit(&number);
    if (FAILED(VariantChangeType(&number, &params->rgvarg[0], 0, VT_I4))) {
        if (argError)
            *argError = 0;
        return DISP_E_TYPEMISMATCH;
    }
    out = number.lVal;
    return S_OK;
}

HRESULT ReturnString(VARIANT* result, const std::wstring& text)
{
    if (!result)
        return S_OK;
    VariantInit(result);
    result->vt = VT_BSTR;
    result->bstrVal = SysAllocStringLen(text.data(), UINT(text.size()));
    return result->bstrVal ? S_OK : E_OUTOFMEMORY;
}

void ReturnInt(VARIANT* result, LONG value)
{
    if (!result)
        return;
    VariantInit(result);
    result->vt = VT_I4;
    result->lVal = value;
}

void ReturnBool(VARIANT* result, bool value)
{
    if (!result)
        return;
    VariantInit(result);
    result->vt = VT_BOOL;
    result->boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
}

class PlayerControl final : public DispatchObject {
public:
    explicit PlayerControl(IDispatch* sink) : sink_(sink)
    {
        if (sink_)
            sink_->AddRef();
        player_.SetFSCommandHandler([this](const std::string& command, const std::string& args) {
            QueueEvent(command, args);
        });
    }

    ~PlayerControl()
    {
        if (hwnd_) {
            SetWindowLongPtrA(hwnd_, GWLP_USERDATA, 0);
            DestroyWindow(hwnd_);
        }
        FreeFrameBuffer();
        if (sink_)
            sink_->Release();
    }

    bool MakeWindow(HWND parent, DWORD style, const RECT& rect, UINT id)
    {
        if (!RegisterWindowClass())
            return false;
        HWND hwnd = CreateWindowExA(0, kPlayerWindowClass, "", WS_CHILD | WS_CLIPSIBLINGS | style, rect.left,
                                    rect.top, rect.right - rect.left, rect.bottom - rect.top, parent,
                                    reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)), GetModuleHandleA(nullptr),
                                    this);
        // The movie's buttons take the mouse only in a dialog (the settings
        // dialog): in the full-screen saver a mouse move ends the run, and the
        // preview gets no input.
        char parentClass[16] = {};
        takesMouse_ = hwnd && GetClassNameA(parent, parentClass, sizeof parentClass) > 0 &&
                      lstrcmpA(parentClass, "#32770") == 0;
        return hwnd != nullptr;
    }

    HWND Window() const { return hwnd_; }

    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID,
                                            DISPID* ids) override
    {
        if (!IsEqualIID(riid, IID_NULL))
            return DISP_E_UNKNOWNINTERFACE;
        if (!names || !ids)
            return E_POINTER;
        HRESULT hr = S_OK;
        for (UINT i = 0; i < count; ++i) {
            ids[i] = DISPID_UNKNOWN;
            // Only the member name itself; our members take no named arguments.
            if (i == 0 && names[0])
                for (const NamedMember& m : kMembers)
                    if (lstrcmpiW(names[0], m.name) == 0)
                        ids[0] = m.id;
            if (ids[i] == DISPID_UNKNOWN)
                hr = DISP_E_UNKNOWNNAME;
        }
        return hr;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID riid, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                     EXCEPINFO*, UINT* argError) override;

private:
    static bool RegisterWindowClass();
    static LRESULT CALLBACK WndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);

    void LoadMovie(const std::wstring& path);
    void SetScale(const std::wstring& text);
    void Play();
    void Rewind();
    void SetPlaying(bool playing);
    void GotoFrame(LONG frame);

    void StartFrameTimer();
    void StopFrameTimer();
    // Runs the frame timer while ticks can change the picture.
    void FollowPlayer();
    void OnMouse(UINT message, WPARAM wParam, LPARAM lParam);
    void OnFrameTimer();
    void Redraw();
    void Paint();
    bool EnsureFrameBuffer(HDC dc, int width, int height);
    void FreeFrameBuffer();

    void QueueEvent(const std::string& command, const std::string& args);
    void FireEvents();

    IDispatch* sink_;
    HWND hwnd_ = nullptr;
    SwfPlayer player_;
    std::wstring movie_;
    std::wstring scaleText_ = L"ShowAll"; // the control's default
    ScaleMode scale_ = ScaleMode::ShowAll;

    bool timerRunning_ = false;
    DWORD lastTick_ = 0;
    bool takesMouse_ = false;
    bool trackingLeave_ = false;

    // The frame buffer: a top-down 32-bit DIB section the size of the window,
    // drawn again only when the picture or the layout changed.
    HBITMAP frame_ = nullptr;
    uint32_t* pixels_ = nullptr;
    int frameWidth_ = 0, frameHeight_ = 0;
    bool frameValid_ = false;
    uint64_t drawnGeneration_ = 0;
    ScaleMode drawnScale_ = ScaleMode::ShowAll;

    std::deque<std::pair<std::string, std::string>> events_;
    bool firePosted_ = false;
};

bool PlayerControl::RegisterWindowClass()
{
    WNDCLASSA existing;
    HINSTANCE instance = GetModuleHandleA(nullptr);
    if (GetClassInfoA(instance, kPlayerWindowClass, &existing))
        return true;
    WNDCLASSA wc = {};
    wc.style = CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS;
    wc.lpfnWndProc = WndProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.lpszClassName = kPlayerWindowClass;
    return RegisterClassA(&wc) != 0;
}

LRESULT CALLBACK PlayerControl::WndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        auto* self = static_cast<PlayerControl*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
        self->hwnd_ = hwnd;
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<PlayerControl*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (!self)
        return DefWindowProcA(hwnd, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        // The parent took the window with it; the object lives on without one.
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
        self->hwnd_ = nullptr;
        self->timerRunning_ = false;
        return DefWindowProcA(hwnd, message, wParam, lParam);
    }
    // The object may go while it handles the message (an event handler that
    // drops the control): nothing touches it afterwards.
    return self->OnMessage(message, wParam, lParam);
}

LRESULT PlayerControl::OnMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_ERASEBKGND:
        return 1; // the frame covers the whole window
    case WM_PAINT:
        Paint();
        return 0;
    case WM_TIMER:
        if (wParam == kFrameTimer) {
            OnFrameTimer();
            return 0;
        }
        break;
    case kFireEventsMessage:
        FireEvents();
        return 0;
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_LBUTTONUP:
    case WM_MOUSELEAVE:
        if (takesMouse_) {
            OnMouse(message, wParam, lParam);
            return 0;
        }
        break;
    }
    return DefWindowProcA(hwnd_, message, wParam, lParam);
}

HRESULT PlayerControl::Invoke(DISPID id, REFIID riid, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                              EXCEPINFO*, UINT* argError)
{
    if (!IsEqualIID(riid, IID_NULL))
        return DISP_E_UNKNOWNINTERFACE;
    const bool get = flags & (DISPATCH_PROPERTYGET | DISPATCH_METHOD);
    const bool put = flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF);
    const bool call = flags & DISPATCH_METHOD;
    std::wstring text;
    LONG number = 0;
    HRESULT hr;
    switch (id) {
    case kDispMovie:
        if (put) {
            if (FAILED(hr = StringArgument(params, text, argError)))
                return hr;
            LoadMovie(text);
            return S_OK;
        }
        return get ? ReturnString(result, movie_) : DISP_E_MEMBERNOTFOUND;
    case kDispScale:
        if (put) {
            if (FAILED(hr = StringArgument(params, text, argError)))
                return hr;
            SetScale(text);
            return S_OK;
        }
        return get ? ReturnString(result, scaleText_) : DISP_E_MEMBERNOTFOUND;
    case kDispPlay:
    case kDispRewind:
        if (!call)
            return DISP_E_MEMBERNOTFOUND;
        if (params && params->cArgs != 0)
            return DISP_E_BADPARAMCOUNT;
        if (id == kDispPlay)
            Play();
        else
            Rewind();
        if (result)
            VariantInit(result);
        return S_OK;
    case kDispPlaying:
        if (put) {
            VARIANT flag;
            VariantInit(&flag);
            if (!params || params->cArgs != 1 || !params->rgvarg)
                return DISP_E_BADPARAMCOUNT;
            if (FAILED(VariantChangeType(&flag, &params->rgvarg[0], 0, VT_BOOL))) {
                if (argError)
                    *argError = 0;
                return DISP_E_TYPEMISMATCH;
            }
            SetPlaying(flag.boolVal != VARIANT_FALSE);
            return S_OK;
        }
        if (!get)
            return DISP_E_MEMBERNOTFOUND;
        ReturnBool(result, player_.Playing());
        return S_OK;
    case kDispFrameNum:
        if (put) {
            if (FAILED(hr = IntArgument(params, number, argError)))
                return hr;
            GotoFrame(number);
            return S_OK;
        }
        if (!get)
            return DISP_E_MEMBERNOTFOUND;
        ReturnInt(result, player_.FrameNum());
        return S_OK;
    case kDispTotalFrames:
        if (!get || put)
            return DISP_E_MEMBERNOTFOUND;
        ReturnInt(result, player_.TotalFrames());
        return S_OK;
    }
    return DISP_E_MEMBERNOTFOUND;
}

void PlayerControl::LoadMovie(const std::wstring& path)
{
    movie_ = path;
    std::string bytes;
    // A file that cannot be read or is no movie leaves the player empty: the
    // window shows black and the timeline answers 0 frames.
    if (!ReadMovieFile(path, bytes) || !player_.Load(bytes))
        player_.Unload();
    StopFrameTimer();
    FollowPlayer();
    Redraw();
}

void PlayerControl::SetScale(const std::wstring& text)
{
    scaleText_ = text;
    std::string ascii;
    for (wchar_t c : text)
        ascii.push_back(c < 0x80 ? char(c) : '?');
    scale_ = ParseScaleMode(ascii);
    Redraw();
}

void PlayerControl::Play()
{
    player_.Play();
    FollowPlayer();
}

void PlayerControl::Rewind()
{
    player_.Rewind();
    FollowPlayer();
    Redraw();
}

void PlayerControl::SetPlaying(bool playing)
{
    if (playing)
        Play();
    else {
        player_.Stop();
        FollowPlayer();
    }
}

void PlayerControl::GotoFrame(LONG frame)
{
    player_.GotoFrame(int(frame));
    FollowPlayer();
    Redraw();
}

void PlayerControl::StartFrameTimer()
{
    lastTick_ = GetTickCount();
    if (!hwnd_)
        return;
    UINT interval = UINT(player_.FrameInterval() + 0.5);
    if (SetTimer(hwnd_, kFrameTimer, interval ? interval : 1, nullptr))
        timerRunning_ = true;
}

void PlayerControl::StopFrameTimer()
{
    if (timerRunning_ && hwnd_)
        KillTimer(hwnd_, kFrameTimer);
    timerRunning_ = false;
}

// Steps the timeline by the time that really passed, so that a late timer
// does not slow the movie down; a stopped movie costs nothing.
void PlayerControl::OnFrameTimer()
{
    DWORD now = GetTickCount();
    DWORD elapsed = now - lastTick_; // wraps correctly
    lastTick_ = now;
    if (player_.Tick(elapsed))
        Redraw();
    FollowPlayer();
}

// Sprites, sounds and onEnterFrame go on while the main timeline stands still.
void PlayerControl::FollowPlayer()
{
    if (!player_.Animating())
        StopFrameTimer();
    else if (!timerRunning_)
        StartFrameTimer();
}

// The left button, in the window's pixels, which are the frame's. The
// window holds the mouse while the button is down, so a release outside
// still reaches the button pressed.
void PlayerControl::OnMouse(UINT message, WPARAM wParam, LPARAM lParam)
{
    const uint64_t before = player_.Generation();
    if (message == WM_MOUSELEAVE) {
        trackingLeave_ = false;
        if (GetCapture() != hwnd_)
            player_.Mouse(kMouseAway, kMouseAway, false);
    } else {
        const bool down = message == WM_LBUTTONDOWN || message == WM_LBUTTONDBLCLK ||
                          (message == WM_MOUSEMOVE && (wParam & MK_LBUTTON));
        if (message == WM_LBUTTONDOWN || message == WM_LBUTTONDBLCLK)
            SetCapture(hwnd_);
        if (!trackingLeave_) {
            TRACKMOUSEEVENT track = {sizeof track, TME_LEAVE, hwnd_, 0};
            trackingLeave_ = TrackMouseEvent(&track) != FALSE;
        }
        // Signed: a captured mouse left or above the window has negative coordinates.
        const double x = short(LOWORD(lParam)) + 0.5, y = short(HIWORD(lParam)) + 0.5;
        player_.Mouse(x, y, down);
        if (message == WM_LBUTTONUP && GetCapture() == hwnd_)
            ReleaseCapture();
    }
    if (!hwnd_)
        return;
    if (player_.Generation() != before)
        Redraw();
    FollowPlayer();
}

void PlayerControl::Redraw()
{
    if (hwnd_)
        InvalidateRect(hwnd_, nullptr, FALSE);
}

bool PlayerControl::EnsureFrameBuffer(HDC dc, int width, int height)
{
    if (frame_ && width == frameWidth_ && height == frameHeight_)
        return true;
    FreeFrameBuffer();
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height; // top-down, as the player draws
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    frame_ = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!frame_)
        return false;
    pixels_ = static_cast<uint32_t*>(bits);
    frameWidth_ = width;
    frameHeight_ = height;
    frameValid_ = false;
    return true;
}

void PlayerControl::FreeFrameBuffer()
{
    if (frame_)
        DeleteObject(frame_);
    frame_ = nullptr;
    pixels_ = nullptr;
    frameWidth_ = frameHeight_ = 0;
    frameValid_ = false;
}

void PlayerControl::Paint()
{
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd_, &ps);
    if (!dc)
        return;
    RECT client;
    GetClientRect(hwnd_, &client);
    const int width = client.right, height = client.bottom;
    if (width > 0 && height > 0) {
        if (EnsureFrameBuffer(dc, width, height)) {
            if (!frameValid_ || drawnGeneration_ != player_.Generation() || drawnScale_ != scale_) {
                player_.Render(pixels_, width, height, width, scale_);
                GdiFlush();
                drawnGeneration_ = player_.Generation();
                drawnScale_ = scale_;
                frameValid_ = true;
            }
            HDC memory = CreateCompatibleDC(dc);
            if (memory) {
                HGDIOBJ previous = SelectObject(memory, frame_);
                BitBlt(dc, 0, 0, width, height, memory, 0, 0, SRCCOPY);
                SelectObject(memory, previous);
                DeleteDC(memory);
            }
        } else {
            FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
        }
    }
    EndPaint(hwnd_, &ps);
}

void PlayerControl::QueueEvent(const std::string& command, const std::string& args)
{
    // Like the installed control, events arrive from the message loop: a
    // handler may then call the control again or even drop it safely.
    events_.emplace_back(command, args);
    if (hwnd_ && !firePosted_)
        firePosted_ = PostMessageA(hwnd_, kFireEventsMessage, 0, 0) != 0;
}

void PlayerControl::FireEvents()
{
    firePosted_ = false;
    AddRef();
    // Texts of movies from version 6 on are UTF-8, older ones the system code page.
    const UINT codePage = player_.Version() >= 6 ? CP_UTF8 : CP_ACP;
    while (!events_.empty() && sink_) {
        auto [command, args] = std::move(events_.front());
        events_.pop_front();
        VARIANT argv[2];
        // Arguments go in reverse order: rgvarg[0] is the last one.
        std::wstring wideArgs = Widen(args, codePage), wideCommand = Widen(command, codePage);
        argv[0].vt = VT_BSTR;
        argv[0].bstrVal = SysAllocStringLen(wideArgs.data(), UINT(wideArgs.size()));
        argv[1].vt = VT_BSTR;
        argv[1].bstrVal = SysAllocStringLen(wideCommand.data(), UINT(wideCommand.size()));
        DISPPARAMS params = {argv, nullptr, 2, 0};
        if (argv[0].bstrVal && argv[1].bstrVal)
            sink_->Invoke(kDispFSCommand, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, nullptr,
                          nullptr, nullptr);
        SysFreeString(argv[0].bstrVal);
        SysFreeString(argv[1].bstrVal);
        if (!hwnd_)
            break; // the handler took the control away
    }
    Release();
}

} // namespace

HRESULT CreatePlayerControl(HWND parent, DWORD style, const RECT& rect, UINT id, IDispatch* eventSink,
                            IDispatch** control, HWND* window)
{
    if (!control)
        return E_POINTER;
    *control = nullptr;
    if (window)
        *window = nullptr;
    auto* player = new (std::nothrow) PlayerControl(eventSink);
    if (!player)
        return E_OUTOFMEMORY;
    if (!player->MakeWindow(parent, style, rect, id)) {
        player->Release();
        return E_FAIL;
    }
    if (window)
        *window = player->Window();
    *control = player;
    return S_OK;
}

} // namespace glint::flash::win32
