#pragma once
// The window wrapper of the Shockwave Flash control. It reaches the control
// only through IDispatch by dispatch id, so that two things can stand behind
// it: the installed ActiveX control, hosted through the system's ATL control
// host, or, where the class is not registered, our built-in player.
#include "framework/Wnd.h"

#include <oaidl.h>
#include <ocidl.h>

#include <cstdint>
#include <functional>
#include <string>

namespace glint {

// The file version of a program file as major.minor.build.revision in one
// number (16 bits each, major highest); 0 when it has no version resource.
uint64_t FileVersionOf(const std::string& path);

// The Flash control's final builds, from this file version on, refuse all
// content and show a notice instead of the movie.
constexpr uint64_t kFlashRefusingVersion = uint64_t(32) << 48 | uint64_t(0) << 32 | 0u << 16 | 371u;

// True when an installed control of the class may be hosted: an in-process
// server is registered and, for the Flash class, its file is older than the
// builds that refuse content.
bool InstalledControlCanPlay(const CLSID& classId);

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
    // Takes an installed control that a host window holds (the ATL host, or
    // a test's own); false, and the window destroyed, when it has no IDispatch.
    bool AttachInstalledControl(HWND hwnd, IUnknown* control);

    // The members the saver uses. Failures are not reported: the window then
    // simply shows nothing new.
    // An installed control that reports no frames once the movie is loaded
    // is replaced by the built-in player.
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

    // Where the control was made, so that the built-in player can take its place.
    struct Placement {
        DWORD style = 0;
        RECT rect = {};
        HWND parent = nullptr;
        UINT id = 0;
    };
    Placement placement_;
    IDispatch* control_ = nullptr;
    EventSink* sink_ = nullptr;
    IConnectionPoint* connection_ = nullptr;
    DWORD cookie_ = 0;
    bool builtIn_ = false;
    FSCommandHandler onFSCommand_;
};

} // namespace glint
