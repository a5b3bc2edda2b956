#pragma once
// The progress window of install.exe: a picture with an eight-frame animation,
// shown while the worker runs the list; it ends itself when the list is done.
#include "framework/Dialog.h"
#include "install/InstallList.h"

#include <memory>
#include <string>

namespace glint::install {

class CInstallDlg : public fw::CDialog {
public:
    CInstallDlg();
    ~CInstallDlg() override;

    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;
    INT_PTR OnDialogMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    BOOL PreTranslateMessage(MSG* msg) override;

    bool Done() const { return m_done; }

private:
    void ShowFrame(int step);
    void OnTimer(UINT_PTR id);
    void OnInstallDone();
    // Ends the worker so that no further entry starts; a program it already
    // started keeps running.
    void StopWorker();
    void PaintMinimised();
    static void StartCommandPrompt();

    static constexpr int kFrameCount = 8;
    HWND m_frames[kFrameCount] = {};
    HWND m_spare = nullptr;
    std::string m_programFolder;
    int m_step = 1;
    bool m_done = false;
    UINT_PTR m_timer = 0;
    HANDLE m_worker = nullptr;
    std::shared_ptr<InstallJob> m_job;
    HICON m_icon = nullptr;
    HICON m_smallIcon = nullptr;
};

} // namespace glint::install
