#pragma once
// The application object: one per program, created as a global before WinMain.
#include "framework/Wnd.h"

#include <string>

namespace glint::fw {

class CWinApp {
public:
    explicit CWinApp(const char* appName);
    virtual ~CWinApp();

    // Start-up; FALSE ends the program without a message loop.
    virtual BOOL InitInstance() { return TRUE; }
    // Runs last, also after InitInstance failed; returns the exit code.
    virtual int ExitInstance() { return m_exitCode; }
    // The message loop; returns at once when there is no main window.
    virtual int Run();

    HINSTANCE m_hInstance = nullptr;
    CWnd* m_pMainWnd = nullptr;
    std::string m_appName;
    std::string m_commandLine; // what follows the program path
    int m_exitCode = 0;

    // Control containment needs OLE on this thread; the 3-D look comes from
    // the common controls.
    void EnableControlContainer();
    void Enable3dControls();

    // Per-user integers live under HKCU\Software\<company>\<profile>\<section>.
    void SetRegistryKey(const std::string& company, const std::string& profileName);
    int GetProfileInt(const char* section, const char* entry, int defaultValue) const;
    bool WriteProfileInt(const char* section, const char* entry, int value) const;

    bool PumpMessage();

private:
    std::string m_profileKey;
    bool m_oleStarted = false;
};

CWinApp* GetApp();

// The program's text resource in the user's language (ANSI code page).
std::string LoadResString(UINT id);
// A message box whose text and caption come from the string table.
int ResMessageBox(HWND owner, UINT textId, UINT captionId, UINT type);

} // namespace glint::fw
