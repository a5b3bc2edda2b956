#include "saver/ShockwaveFlash.h"

#include "flash/win32/DispatchObject.h"
#include "flash/win32/FlashControl.h"
#include "flash/win32/PlayerControl.h"

#include <new>

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

// Registered means the system knows an in-process server for the class;
// asking the registry first keeps atl.dll unloaded on machines without Flash.
bool IsClassRegistered(const CLSID& classId)
{
    wchar_t text[40];
    if (!StringFromGUID2(classId, text, 40))
        return false;
    std::wstring key = std::wstring(L"CLSID\\") + text + L"\\InprocServer32";
    HKEY handle;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS)
        return false;
    RegCloseKey(handle);
    return true;
}

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
    if (HostInstalledControl(classId, style, rect, parent, id))
        return TRUE;
    return CreateBuiltInPlayer(style, rect, parent, id);
}

bool CShockwaveFlash::HostInstalledControl(const CLSID& classId, DWORD style, const RECT& rect, HWND parent, UINT id)
{
    if (!IsClassRegistered(classId) || !Atl().ready)
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
    IDispatch* dispatch = nullptr;
    // An empty host (the class could not be made after all) answers no control.
    if (FAILED(Atl().getControl(hwnd, &unknown)) || !unknown ||
        FAILED(unknown->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch)))) {
        if (unknown)
            unknown->Release();
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
    unknown->Release();
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

void CShockwaveFlash::SetMovie(const std::string& path) { PutText(kDispMovie, path); }
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
