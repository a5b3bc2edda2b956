#pragma once
// The window of the two running modes: full screen (no parent) or the
// preview inside the parent window that the system passed. It hosts the
// Flash control (or shows a still picture in the preview), keeps the movie
// looping and closes on the user's exit rules.
#include "framework/Wnd.h"
#include "saver/StillPicture.h"

#include <string>

namespace glint {

class CShockwaveFlash;

class CSaverWnd : public fw::CWnd {
public:
    CSaverWnd();
    ~CSaverWnd() override;

    BOOL Create(HWND parent);

    enum ContentKind { kMovie = 0, kPicture = 1 };
    void ShowContent(const std::string& path, int kind);
    // The control's FSCommand event: a movie may ask for unscaled display.
    void FSCommand(const std::string& command, const std::string& args);

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    BOOL PreTranslateMessage(MSG* msg) override;
    // Deletes the object once a created window has gone.
    void PostNcDestroy() override;

    bool IsPreview() const { return isPreview; }
    CShockwaveFlash* Flash() const { return flash; }

    static constexpr UINT kClassStyle = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS | CS_SAVEBITS;
    static constexpr UINT kFlashId = 1005;
    static constexpr UINT_PTR kLoopTimer = 1002;
    static constexpr UINT kLoopPeriodMs = 1000;
    static constexpr int kMouseThreshold = 5;

private:
    int OnCreate();
    void OnPaint();
    void OnTimer(WPARAM id);
    void OnClose();
    void OnDestroy();
    void NudgeCursor();
    void RequestClose();
    void MuteWaveOut();
    void RestoreWaveOut();
    bool PreviewShowsPicture() const;

    CShockwaveFlash* flash = nullptr;
    CStillPicture picture; // the preview's still picture, decoded once
    bool isPreview = false;
    bool ready = false;
    RECT area = {};
    bool previewIsMovie = false;
    bool volumeSaved = false;  // savedVolume holds the level to give back
    bool created = false;      // Create succeeded: the object owns itself
    bool closePending = false; // a WM_CLOSE is on its way
    bool verifying = false;    // the password prompt is open
};

} // namespace glint
