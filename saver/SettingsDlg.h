#pragma once
// The settings dialog: the screensaver's picture or movie, the user's mute and
// exit choices, and the two web buttons.
#include "framework/Dialog.h"
#include "saver/ImageButton.h"
#include "saver/ShockwaveFlash.h"
#include "saver/StillPicture.h"

#include <string>

namespace glint {

class CSettingsDlg : public fw::CDialog {
public:
    explicit CSettingsDlg(HWND owner);
    ~CSettingsDlg() override;

    // Bound to check boxes 1002, 1008 and 1007.
    int mute = 0, exitOnKey = 0, exitOnMouse = 0;

    enum PictureKind { kMovie = 0, kStillPicture = 1 };
    void ShowDialogPicture(const std::string& path, PictureKind kind);

    BOOL OnInitDialog() override;
    BOOL OnCommand(WORD id, WORD code, HWND control) override;
    INT_PTR OnDialogMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void ReadChecks();
    void ApplyOptionRules();
    void OnPaint();
    void OnDestroy();
    void OpenAddress(const std::string& address);
    bool PictureIsStill() const;
    RECT ItemRect(int id) const; // a control's rectangle in client coordinates
    SIZE PictureFrameSize() const;

    CImageButton siteButton, cancelButton, okButton, makerButton;
    CShockwaveFlash* flash; // may be null when it could not be allocated
    CStillPicture picture; // the still picture, decoded once
    RECT pictureRect = {};   // where it is drawn, in client coordinates
};

// The address the maker's button opens.
extern const char kMakerAddress[];

} // namespace glint
