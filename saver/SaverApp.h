#pragma once
// The screensaver's application object: prepares everything in a fixed order,
// then runs exactly one mode.
#include "framework/App.h"
#include "saver/core/RunSettings.h"

#include <string>

namespace glint {

class CSaverApp : public fw::CWinApp {
public:
    CSaverApp() : CWinApp("Glintbox") {}
    BOOL InitInstance() override;
    // Stops the skin runtime, then the framework's own exit.
    int ExitInstance() override;

    std::string displayName;

private:
    void RunSettingsDialog(HWND owner);
    void StartSaver(HWND parent);
};

// The owner of the settings dialog that /c shows: the window in front (the
// display settings that started us), but not the desktop, which a dialog must
// never disable, nor a window that does not answer: disabling it would wait
// for it, and our dialog would never appear.
HWND SettingsDialogOwner(HWND front);

// The values of this run, shared by the modes.
extern RunSettings runSettings;

} // namespace glint
