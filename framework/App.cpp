#include "framework/App.h"

#include <commctrl.h>
#include <ole2.h>

namespace glint::fw {

namespace {
CWinApp* theApp = nullptr;
}

CWinApp* GetApp() { return theApp; }

CWinApp::CWinApp(const char* appName) : m_appName(appName) { theApp = this; }

CWinApp::~CWinApp()
{
    if (m_oleStarted)
        OleUninitialize();
    if (theApp == this)
        theApp = nullptr;
}

void CWinApp::EnableControlContainer()
{
    if (!m_oleStarted)
        m_oleStarted = SUCCEEDED(OleInitialize(nullptr));
}

void CWinApp::Enable3dControls()
{
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_WIN95_CLASSES};
    InitCommonControlsEx(&icc);
}

bool CWinApp::PumpMessage()
{
    MSG msg;
    if (GetMessageA(&msg, nullptr, 0, 0) <= 0) {
        m_exitCode = int(msg.wParam);
        return false;
    }
    // The window and its parents may take the message first (keyboard rules,
    // dialog navigation).
    for (HWND h = msg.hwnd; h; h = GetParent(h)) {
        CWnd* wnd = CWnd::FromHandle(h);
        if (wnd && wnd->PreTranslateMessage(&msg))
            return true;
    }
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
    return true;
}

int CWinApp::Run()
{
    if (!m_pMainWnd)
        return ExitInstance();
    while (PumpMessage()) {
    }
    return ExitInstance();
}

void CWinApp::SetRegistryKey(const std::string& company, const std::string& profileName)
{
    m_profileKey = "Software\\" + company + "\\" + profileName;
}

int CWinApp::GetProfileInt(const char* section, const char* entry, int defaultValue) const
{
    HKEY key;
    std::string path = m_profileKey + "\\" + section;
    if (m_profileKey.empty() || RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return defaultValue;
    DWORD type = 0, value = 0, size = sizeof value;
    LONG rc = RegQueryValueExA(key, entry, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
    RegCloseKey(key);
    if (rc != ERROR_SUCCESS || type != REG_DWORD || size != sizeof value)
        return defaultValue;
    return int(value);
}

bool CWinApp::WriteProfileInt(const char* section, const char* entry, int value) const
{
    HKEY key;
    std::string path = m_profileKey + "\\" + section;
    if (m_profileKey.empty() || RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr,
                                                &key, nullptr) != ERROR_SUCCESS)
        return false;
    DWORD data = DWORD(value);
    LONG rc = RegSetValueExA(key, entry, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data), sizeof data);
    RegCloseKey(key);
    return rc == ERROR_SUCCESS;
}

std::string LoadResString(UINT id)
{
    char buffer[1024];
    HINSTANCE instance = theApp ? theApp->m_hInstance : GetModuleHandleA(nullptr);
    int n = LoadStringA(instance, id, buffer, sizeof buffer);
    return std::string(buffer, n > 0 ? size_t(n) : 0);
}

int ResMessageBox(HWND owner, UINT textId, UINT captionId, UINT type)
{
    return MessageBoxA(owner, LoadResString(textId).c_str(), LoadResString(captionId).c_str(), type);
}

} // namespace glint::fw
