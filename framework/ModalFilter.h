#pragma once
// The system's own modal loops (DialogBox, message boxes) do not pass through
// CWinApp::PumpMessage, so PreTranslateMessage is never offered their
// messages. While a CModalPreTranslate lives, this thread's dialog-box loops
// offer each message to the window objects of the target and its parents first,
// as the framework's loop does; true from PreTranslateMessage consumes it.
#include <windows.h>

namespace glint::fw {

class CModalPreTranslate {
public:
    CModalPreTranslate();
    ~CModalPreTranslate();
    CModalPreTranslate(const CModalPreTranslate&) = delete;
    CModalPreTranslate& operator=(const CModalPreTranslate&) = delete;

    // False for a nested filter (the enclosing one does the work) or when the
    // hook could not be set.
    bool IsActive() const { return m_hook != nullptr; }

private:
    HHOOK m_hook = nullptr;
};

} // namespace glint::fw
