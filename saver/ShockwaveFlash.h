#pragma once
// The window wrapper of the Shockwave Flash control. It reaches the control
// only through IDispatch by dispatch id, so that two things can stand behind
// it: the installed ActiveX control, hosted through the system's ATL control
// host, or, where the class is not registered, our built-in player.
#include "framework/Wnd.h"

#include <oaidl.h>
#include <ocidl.h>

#include <functional>
#include <string>

namespace glint {

class CShockwaveFlash : public fw::CWnd {
public:
    using FSCommandHandler = std::function<void(const std::string& command, const std::string& args)>;

    CShockwaveFlash();
    ~CShockwaveFlash() override;

    // Creates the control window (no window name) as a child of parent; a
    // window made earlier is destroyed first.
    BOOL Create(DWORD style, const RECT& rect, HWND parent, UINT id);
    // The same with another class identifier: the built-in player stands in
    // whenever that class cannot be hosted.
    BOOL CreateControl(const CLSID& classId, DWORD style, const RECT& rect, HWND parent, UINT id);
    void DestroyControl();

    // The members the saver uses. Failures are not reported: the window then
    // simply shows nothing new.
    void SetMovie(const std::string& path);
    void SetScale(const std::string& mode);
    void Play();
    void Rewind();
    bool GetPlaying();
    long GetFrameNum();
    long GetTotalFrames();

    // Receives the control's FSCommand event (texts in the system code page).
    void SetFSCommandHandler(FSCommandHandler handler) { onFSCommand_ = std::move(handler); }

    // True when the built-in player answers, false for the installed control.
    bool UsesBuiltInPlayer() const { return builtIn_; }
    IDispatch* Control() const { return control_; }

private:
    class EventSink;
    friend class EventSink;

    bool HostInstalledControl(const CLSID& classId, DWORD style, const RECT& rect, HWND parent, UINT id);
    bool CreateBuiltInPlayer(DWORD style, const RECT& rect, HWND parent, UINT id);
    HRESULT Invoke(DISPID id, WORD flags, VARIANT* argument, VARIANT* result);
    bool GetProperty(DISPID id, VARTYPE type, VARIANT& value);
    void PutText(DISPID id, const std::string& text);
    void Call(DISPID id);
    void FireFSCommand(const std::string& command, const std::string& args);

    IDispatch* control_ = nullptr;
    EventSink* sink_ = nullptr;
    IConnectionPoint* connection_ = nullptr;
    DWORD cookie_ = 0;
    bool builtIn_ = false;
    FSCommandHandler onFSCommand_;
};

} // namespace glint
