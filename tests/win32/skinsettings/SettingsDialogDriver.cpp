#include "tests/win32/skinsettings/SettingsDialogDriver.h"

#include "framework/App.h"
#include "saver/SaverApp.h"
#include "saver/SettingsDlg.h"
#include "skin/runtime/SkinRuntime.h"

#include <fstream>
#include <string>
#include <vector>

namespace glint::testing {

namespace {

std::function<void(HWND)> pendingCallback;
CSettingsDlg* openDialog = nullptr;
// Not shorter: the dialog manager shows a new dialog only once its queue is
// empty, and a timer that is always due keeps it from ever being empty.
constexpr UINT kPollMs = 20;

// A thread timer: the dialog's own message loop dispatches it once the dialog
// is up, which is where the callback runs and the dialog is cancelled.
void CALLBACK WhileOpen(HWND, UINT, UINT_PTR, DWORD)
{
    HWND dialog = openDialog ? openDialog->m_hWnd : nullptr;
    // Messages may be pumped while the dialog is still being made; the dialog
    // manager shows it when its queue first runs dry.
    if (!pendingCallback || !dialog || !IsWindowVisible(dialog))
        return;
    PaintWholeWindow(dialog);
    const auto callback = std::move(pendingCallback);
    pendingCallback = nullptr;
    callback(dialog);
    // The timer keeps running: the dialog manager notices that the dialog
    // ended only when its next message comes.
    PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
}

fw::CWinApp& TestApp()
{
    static fw::CWinApp app("skinsettings");
    app.m_hInstance = GetModuleHandleA(nullptr);
    return app;
}

// A 24-bit BMP file of one colour, the dialog's picture.
void WritePictureFile(const std::string& path, int width, int height, COLORREF colour)
{
    const int stride = (width * 3 + 3) & ~3;
    BITMAPFILEHEADER file = {};
    BITMAPINFOHEADER info = {};
    info.biSize = sizeof info;
    info.biWidth = width;
    info.biHeight = height;
    info.biPlanes = 1;
    info.biBitCount = 24;
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof info;
    file.bfSize = file.bfOffBits + DWORD(stride * height);
    std::vector<char> row(size_t(stride), 0);
    for (int x = 0; x < width; ++x) {
        row[size_t(x * 3)] = char(GetBValue(colour));
        row[size_t(x * 3 + 1)] = char(GetGValue(colour));
        row[size_t(x * 3 + 2)] = char(GetRValue(colour));
    }
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(&file), sizeof file);
    out.write(reinterpret_cast<const char*>(&info), sizeof info);
    for (int y = 0; y < height; ++y)
        out.write(row.data(), stride);
}

} // namespace

bool StartSkinnedDialogs()
{
    HINSTANCE instance = TestApp().m_hInstance;
    return InitSkinRuntime(instance, "Glint Box", 0, 0) && OpenSkinResource(instance, "DEFAULT_SKIN", "GLAZE_WORK") &&
           SetAutoDialogSkin("Dialog");
}

void PaintWholeWindow(HWND window)
{
    RedrawWindow(window, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW | RDW_ERASENOW);
    GdiFlush();
}

bool RunSettingsDialog(const std::function<void(HWND dialog)>& whileOpen)
{
    TestApp();
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    const std::string picture = std::string(temp) + "glint-skinsettings-" + std::to_string(GetCurrentProcessId()) + ".bmp";
    WritePictureFile(picture, 64, 48, RGB(40, 120, 200));
    runSettings.pictureKind = 1;
    runSettings.picturePath = picture;

    CSettingsDlg dialog(nullptr);
    openDialog = &dialog;
    pendingCallback = whileOpen ? whileOpen : [](HWND) {};
    const UINT_PTR timer = SetTimer(nullptr, 0, kPollMs, WhileOpen);
    const INT_PTR result = dialog.DoModal();
    KillTimer(nullptr, timer);
    openDialog = nullptr;
    pendingCallback = nullptr;
    DeleteFileA(picture.c_str());
    return result == IDCANCEL;
}

} // namespace glint::testing
