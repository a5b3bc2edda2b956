#pragma once
// The built-in player as a control: a COM object of our own that implements
// IDispatch with the Flash control's dispatch ids (FlashControl.h) and owns a
// child window showing the movie's frames. It stands in for the Shockwave
// Flash control where none is installed, which today is nearly everywhere.
#include <windows.h>
#include <oaidl.h>

namespace glint::flash::win32 {

// Makes the control window (WS_CHILD | style, rect in the parent's client
// coordinates, control id) and the object that drives it. FSCommand events go
// to eventSink->Invoke(kDispFSCommand, DISPATCH_METHOD, command, arguments)
// from the window's message handling, never from inside a call to the control;
// eventSink may be null. On success *control holds one reference and *window is
// the control window, which lives until the last reference goes or its parent
// is destroyed.
HRESULT CreatePlayerControl(HWND parent, DWORD style, const RECT& rect, UINT id, IDispatch* eventSink,
                            IDispatch** control, HWND* window);

// The window class of the control window, so that callers can recognise it.
inline constexpr char kPlayerWindowClass[] = "GlintSwfPlayer";

} // namespace glint::flash::win32
