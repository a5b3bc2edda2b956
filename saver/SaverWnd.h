#pragma once
// The window of the two running modes: full screen (no parent) or the
// preview inside the parent window that the system passed.
//
// For now the window covers its area in black and closes on Escape, Enter or
// a click; the movie joins with the Flash host.
#include "framework/Wnd.h"

namespace glint {

class CSaverWnd : public fw::CWnd {
public:
    BOOL Create(HWND parent);

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    BOOL PreTranslateMessage(MSG* msg) override;
    void PostNcDestroy() override { delete this; }

    static constexpr UINT kClassStyle = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS | CS_SAVEBITS;

private:
    void OnDestroy();
    void RequestClose();

    bool isPreview = false;
    bool ready = false;
    RECT area = {};
};

} // namespace glint
