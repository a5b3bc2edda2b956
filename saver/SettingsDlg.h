#pragma once
// The settings dialog: the user's mute and exit choices.
//
// For now it has the system's look and plain buttons; the picture, the image
// buttons and the web buttons join with their own work.
#include "framework/Dialog.h"

namespace glint {

class CSettingsDlg : public fw::CDialog {
public:
    explicit CSettingsDlg(HWND owner);

    int mute = 0, exitOnKey = 0, exitOnMouse = 0;

    BOOL OnInitDialog() override;
    BOOL OnCommand(WORD id, WORD code, HWND control) override;
    INT_PTR OnDialogMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void ReadChecks();
};

} // namespace glint
