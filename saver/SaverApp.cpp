#include "saver/SaverApp.h"

#include "resources/GlintboxIds.h"
#include "saver/DataFile.h"
#include "saver/Password.h"
#include "saver/SaverWnd.h"
#include "saver/SettingsDlg.h"
#include "saver/SettingsStore.h"
#include "saver/Uninstall.h"
#include "saver/core/CommandLine.h"
#include "skin/runtime/SkinRuntime.h"

namespace glint {

RunSettings runSettings;

BOOL CSaverApp::InitInstance()
{
    EnableControlContainer();
    Enable3dControls();

    displayName = fw::LoadResString(IDS_DISPLAY_NAME);
    SetRegistryKey("Glintbox Shows", displayName);

    // Before the data file is looked for: its messages are dialogs too and
    // wear the skin. Without a skin dialogs keep the system's look, so the
    // results do not matter here.
    InitSkinRuntime(m_hInstance, "Glint Box", 0, 0);
    OpenSkinResource(m_hInstance, "DEFAULT_SKIN", "GLAZE_WORK");
    SetAutoDialogSkin("Dialog");

    const SaverCommand command = ParseSaverCommandLine(m_commandLine);
    if (command.mode == 'u')
        RunUninstaller(); // does not return

    if (!LocateDataFile(displayName, runSettings.dataPath))
        return FALSE;
    if (!LoadDataFile(runSettings.dataPath))
        return FALSE;

    switch (command.mode) {
    case 'c':
        RunSettingsDialog(SettingsDialogOwner(GetForegroundWindow()));
        break;
    case kNoSwitchMode:
        RunSettingsDialog(nullptr);
        break;
    case 'a':
        ChangePassword(nullptr);
        break;
    default:
        StartSaver(reinterpret_cast<HWND>(static_cast<intptr_t>(command.windowHandle))); // low half on 32-bit
        break;
    }
    return TRUE;
}

int CSaverApp::ExitInstance()
{
    ExitSkinRuntime();
    return CWinApp::ExitInstance();
}

HWND SettingsDialogOwner(HWND front)
{
    constexpr UINT kAnswerMs = 2000;
    if (!front || front == GetDesktopWindow())
        return nullptr;
    // A new process has no active window of its own yet, so the window in front is another program's.
    DWORD_PTR ignored;
    if (!SendMessageTimeoutA(front, WM_NULL, 0, 0, SMTO_ABORTIFHUNG | SMTO_BLOCK, kAnswerMs, &ignored))
        return nullptr;
    return front;
}

void CSaverApp::RunSettingsDialog(HWND owner)
{
    CSettingsDlg dialog(owner);
    m_pMainWnd = &dialog;
    if (dialog.DoModal() == IDOK)
        WriteStoredSettings(dialog.mute, dialog.exitOnMouse, dialog.exitOnKey);
    m_pMainWnd = nullptr;
}

void CSaverApp::StartSaver(HWND parent)
{
    ReadSoundMute(runSettings);
    ReadStoredExitRules(runSettings);
    auto* wnd = new CSaverWnd;
    if (wnd->Create(parent))
        m_pMainWnd = wnd;
    else
        delete wnd;
}

} // namespace glint
