#include "saver/ShockwaveFlash.h"

#include "flash/win32/DispatchObject.h"
#include "flash/win32/FlashControl.h"
#include "flash/win32/PlayerControl.h"

#include <new>
#include <vector>

namespace glint {

using namespace flash::win32;

namespace {

std::string Narrow(const wchar_t* text, UINT length)
{
    if (!text || !length)
        return {};
    int n = WideCharToMultiByte(CP_ACP, 0, text, int(length), nullptr, 0, nullptr, nullptr);
    std::string out(size_t(n > 0 ? n : 0), '\0');
    if (n > 0)
        WideCharToMultiByte(CP_ACP, 0, text, int(length), &out[0], n, nullptr, nullptr);
    return out;
}

// An event argument as text, whatever variant type the control passed.
std::string TextOf(const VARIANT& value)
{
    VARIANT text;
    VariantInit(&text);
    if (FAILED(VariantChangeType(&text, const_cast<VARIANT*>(&value), 0, VT_BSTR)))
        return {};
    std::string out = Narrow(text.bstrVal, text.bstrVal ? SysStringLen(text.bstrVal) : 0);
    VariantClear(&text);
    return out;
}

// The in-process server registered for the class, or "" when there is none.
std::string RegisteredServerFile(const CLSID& classId)
{
    wchar_t text[40];
    if (!StringFromGUID2(classId, text, 40))
        return {};
    std::wstring key = std::wstring(L"CLSID\\") + text + L"\\InprocServer32";
    HKEY handle;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS)
        return {};
    char value[MAX_PATH * 2] = {};
    DWORD type = 0, size = sizeof value - 1;
    const LONG read = RegQueryValueExA(handle, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(value), &size);
    RegCloseKey(handle);
    if (read != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ))
        return {};
    std::string path = value;
    if (type == REG_EXPAND_SZ) {
        char expanded[MAX_PATH * 2];
        DWORD n = ExpandEnvironmentStringsA(value, expanded, sizeof expanded);
        if (n == 0 || n > sizeof expanded)
            return {};
        path = expanded;
    }
    // Some installers write the path in quotes.
    if (path.size() >= 2 && path.front() == '"' && path.back() == '"')
        path = path.substr(1, path.size() - 2);
    return path;
}

} // namespace

uint64_t FileVersionOf(const std::string& path)
{
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA(path.c_str(), &ignored);
    if (size == 0)
        return 0;
    std::vector<BYTE> block(size);
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    if (!GetFileVersionInfoA(path.c_str(), 0, size, block.data()) ||
        !VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&fixed), &length) || !fixed ||
        length < sizeof *fixed || fixed->dwSignature != VS_FFI_SIGNATURE)
        return 0;
    return uint64_t(fixed->dwFileVersionMS) << 32 | fixed->dwFileVersionLS;
}

bool InstalledControlCanPlay(const CLSID& classId)
{
    const std::string server = RegisteredServerFile(classId);
    if (server.empty())
        return false;
    // Only the Flash control has builds that refuse all content; another
    // class (the tests host their own) is taken as it is.
    if (!IsEqualCLSID(classId, kFlashClassId))
        return true;
    const uint64_t version = FileVersionOf(server);
    return version != 0 && version < kFlashRefusingVersion;
}

namespace {

using AtlAxWinInitFn = BOOL(WINAPI*)();
using AtlAxGetControlFn = HRESULT(WINAPI*)(HWND, IUnknown**);

// atl.dll stays loaded for the life of the process: its window class may
// still have windows when a wrapper goes.
struct AtlHost {
    AtlAxGetControlFn getControl = nullptr;
    bool ready = false;
};

const AtlHost& Atl()
{
    static AtlHost host = [] {
        AtlHost h;
        HMODULE atl = LoadLibraryA("atl.dll");
        if (!atl)
            return h;
        auto init = reinterpret_cast<AtlAxWinInitFn>(reinterpret_cast<void*>(GetProcAddress(atl, "AtlAxWinInit")));
        h.getControl =
            reinterpret_cast<AtlAxGetControlFn>(reinterpret_cast<void*>(GetProcAddress(atl, "AtlAxGetControl")));
        h.ready = init && h.getControl && init();
        return h;
    }();
    return host;
}

} // namespace

// Receives the control's events and passes FSCommand to the wrapper while it
// lives; the control may keep the sink a little longer than the wrapper.
class CShockwaveFlash::EventSink final : public flash::DispatchObject {
public:
    explicit EventSink(CShockwaveFlash* owner) : DispatchObject(&kFlashEventsId), owner_(owner) {}
    void Detach() { owner_ = nullptr; }

    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override
    {
        return DISP_E_UNKNOWNNAME;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT* result, EXCEPINFO*,
                                     UINT*) override
    {
        if (result)
            VariantInit(result);
        // Other events of the control (progress, ready state) are not used.
        if (id != kDispFSCommand)
            return S_OK;
        if (!params || params->cArgs != 2 || !params->rgvarg)
            return DISP_E_BADPARAMCOUNT;
        if (owner_)
            owner_->FireFSCommand(TextOf(params->rgvarg[1]), TextOf(params->rgvarg[0]));
        return S_OK;
    }

private:
    CShockwaveFlash* owner_;
};

CShockwaveFlash::CShockwaveFlash() : sink_(new (std::nothrow) EventSink(this)) {}

CShockwaveFlash::~CShockwaveFlash()
{
    DestroyControl();
    if (sink_) {
        sink_->Detach();
        sink_->Release();
    }
}

BOOL CShockwaveFlash::Create(DWORD style, const RECT& rect, HWND parent, UINT id)
{
    return CreateControl(kFlashClassId, style, rect, parent, id);
}

BOOL CShockwaveFlash::CreateControl(const CLSID& classId, DWORD style, const RECT& rect, HWND parent, UINT id)
{
    DestroyControl();
    placement_ = {style, rect, parent, id};
    if (HostInstalledControl(classId, style, rect, parent, id))
        return TRUE;
    return CreateBuiltInPlayer(style, rect, parent, id);
}

bool CShockwaveFlash::HostInstalledControl(const CLSID& classId, DWORD style, const RECT& rect, HWND parent, UINT id)
{
    if (!InstalledControlCanPlay(classId) || !Atl().ready)
        return false;
    wchar_t wideId[40];
    char textId[40];
    if (!StringFromGUID2(classId, wideId, 40) ||
        !WideCharToMultiByte(CP_ACP, 0, wideId, -1, textId, sizeof textId, nullptr, nullptr))
        return false;
    // The ATL host creates the control named by the window text.
    HWND hwnd = CreateWindowExA(0, "AtlAxWin", textId, WS_CHILD | style, rect.left, rect.top,
                                rect.right - rect.left, rect.bottom - rect.top, parent,
                                reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)), GetModuleHandleA(nullptr),
                                nullptr);
    if (!hwnd)
        return false;
    IUnknown* unknown = nullptr;
    // An empty host (the class could not be made after all) answers no control.
    if (FAILED(Atl().getControl(hwnd, &unknown)) || !unknown) {
        ::DestroyWindow(hwnd);
        return false;
    }
    const bool attached = AttachInstalledControl(hwnd, unknown);
    unknown->Release();
    return attached;
}

bool CShockwaveFlash::AttachInstalledControl(HWND hwnd, IUnknown* unknown)
{
    IDispatch* dispatch = nullptr;
    if (FAILED(unknown->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch))) || !dispatch) {
        ::DestroyWindow(hwnd);
        return false;
    }
    control_ = dispatch;
    builtIn_ = false;
    SubclassWindow(hwnd);

    IConnectionPointContainer* container = nullptr;
    if (sink_ && SUCCEEDED(unknown->QueryInterface(IID_IConnectionPointContainer,
                                                   reinterpret_cast<void**>(&container)))) {
        if (SUCCEEDED(container->FindConnectionPoint(kFlashEventsId, &connection_)) &&
            FAILED(connection_->Advise(sink_, &cookie_))) {
            connection_->Release();
            connection_ = nullptr;
        }
        container->Release();
    }
    return true;
}

bool CShockwaveFlash::CreateBuiltInPlayer(DWORD style, const RECT& rect, HWND parent, UINT id)
{
    HWND hwnd = nullptr;
    if (FAILED(CreatePlayerControl(parent, style, rect, id, sink_, &control_, &hwnd)))
        return false;
    builtIn_ = true;
    SubclassWindow(hwnd);
    return true;
}

void CShockwaveFlash::DestroyControl()
{
    if (connection_) {
        connection_->Unadvise(cookie_);
        connection_->Release();
        connection_ = nullptr;
    }
    if (m_hWnd)
        DestroyWindow();
    if (control_) {
        control_->Release();
        control_ = nullptr;
    }
    builtIn_ = false;
}

HRESULT CShockwaveFlash::Invoke(DISPID id, WORD flags, VARIANT* argument, VARIANT* result)
{
    IDispatch* control = control_;
    if (!control)
        return E_UNEXPECTED;
    DISPID putId = DISPID_PROPERTYPUT;
    DISPPARAMS params = {argument, nullptr, argument ? 1u : 0u, 0};
    if (flags & DISPATCH_PROPERTYPUT) {
        params.rgdispidNamedArgs = &putId;
        params.cNamedArgs = 1;
    }
    // The call may run the control's own event handling: keep it alive.
    control->AddRef();
    HRESULT hr = control->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, result, nullptr, nullptr);
    control->Release();
    return hr;
}

void CShockwaveFlash::PutText(DISPID id, const std::string& text)
{
    int n = MultiByteToWideChar(CP_ACP, 0, text.data(), int(text.size()), nullptr, 0);
    VARIANT value;
    VariantInit(&value);
    value.vt = VT_BSTR;
    value.bstrVal = SysAllocStringLen(nullptr, UINT(n > 0 ? n : 0));
    if (!value.bstrVal)
        return;
    if (n > 0)
        MultiByteToWideChar(CP_ACP, 0, text.data(), int(text.size()), value.bstrVal, n);
    Invoke(id, DISPATCH_PROPERTYPUT, &value, nullptr);
    VariantClear(&value);
}

void CShockwaveFlash::Call(DISPID id) { Invoke(id, DISPATCH_METHOD, nullptr, nullptr); }

bool CShockwaveFlash::GetProperty(DISPID id, VARTYPE type, VARIANT& value)
{
    VARIANT raw;
    VariantInit(&raw);
    VariantInit(&value);
    if (FAILED(Invoke(id, DISPATCH_PROPERTYGET, nullptr, &raw)))
        return false;
    HRESULT hr = VariantChangeType(&value, &raw, 0, type);
    VariantClear(&raw);
    return SUCCEEDED(hr);
}

void CShockwaveFlash::SetMovie(const std::string& path)
{
    PutText(kDispMovie, path);
    // An installed control that shows no frames of a loaded movie cannot
    // play it (a build that refuses content, a broken install): our player
    // takes its place, in the same spot.
    if (!control_ || builtIn_ || GetTotalFrames() != 0)
        return;
    DestroyControl();
    if (CreateBuiltInPlayer(placement_.style, placement_.rect, placement_.parent, placement_.id))
        PutText(kDispMovie, path);
}
void CShockwaveFlash::SetScale(const std::string& mode) { PutText(kDispScale, mode); }
void CShockwaveFlash::Play() { Call(kDispPlay); }
void CShockwaveFlash::Rewind() { Call(kDispRewind); }

bool CShockwaveFlash::GetPlaying()
{
    VARIANT value;
    return GetProperty(kDispPlaying, VT_BOOL, value) && value.boolVal != VARIANT_FALSE;
}

long CShockwaveFlash::GetFrameNum()
{
    VARIANT value;
    return GetProperty(kDispFrameNum, VT_I4, value) ? value.lVal : 0;
}

long CShockwaveFlash::GetTotalFrames()
{
    VARIANT value;
    return GetProperty(kDispTotalFrames, VT_I4, value) ? value.lVal : 0;
}

void CShockwaveFlash::FireFSCommand(const std::string& command, const std::string& args)
{
    if (onFSCommand_)
        onFSCommand_(command, args);
}

} // namespace glint
