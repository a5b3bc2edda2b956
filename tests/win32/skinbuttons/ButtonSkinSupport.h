#pragma once
// What the button and scrollable-control tests (and the list box benchmark)
// share: a skin built here whose pictures are blocks of known colours, a
// dialog that records its WM_COMMAND notifications, input posted to windows.
#include <windows.h>

#include "image/DibImage.h"
#include "skin/file/SkinDefinitions.h"
#include "skin/file/SkinObjects.h"
#include "skin/file/SkinStore.h"
#include "skin/file/SkinTypes.h"
#include "skin/runtime/SkinRegistry.h"
#include "skin/runtime/SkinRuntime.h"

#include <cstring>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace buttontest {

using namespace glint;

// The blocks of the picture "blocks.bmp", 8 x 8 pixels each, left to right.
enum Block { NORMAL, PRESSED, DEFAULT, FOCUSED, HIGHLIGHTED, DISABLED, LIST_BACK, FRAME, BLOCK_COUNT };
constexpr COLORREF kBlockColours[BLOCK_COUNT] = {
    RGB(200, 40, 40), RGB(40, 200, 40), RGB(40, 40, 200), RGB(200, 200, 40),
    RGB(40, 200, 200), RGB(90, 90, 90), RGB(250, 220, 120), RGB(120, 30, 150),
};
constexpr COLORREF kEditBack = RGB(210, 240, 255);
constexpr COLORREF kReadOnlyBack = RGB(255, 225, 235);

inline SkinImageRef Slice(Block block)
{
    SkinImageRef slice = {};
    std::strcpy(slice.image, "blocks.bmp");
    slice.source = {block * 8, 0, block * 8 + 8, 8};
    slice.mode = SKIN_DRAW_STRETCH;
    return slice;
}

inline SkinGridRef Grid(Block block)
{
    SkinGridRef grid = {};
    std::strcpy(grid.image, "blocks.bmp");
    grid.source = {block * 8, 0, block * 8 + 8, 8};
    grid.margins = {2, 2, 2, 2};
    grid.mode = SKIN_DRAW_STRETCH;
    return grid;
}

// The skin: a dialog frame, a push button whose six states are six blocks, a
// check box and a radio button, an edit with its two colours, and a list box
// with a background picture when listBackground is set.
inline std::unique_ptr<CSkinStore> BlockSkin(bool listBackground = true)
{
    auto store = std::make_unique<CSkinStore>();
    auto picture = std::make_unique<CSkinImage>();
    picture->SetName("blocks.bmp");
    picture->image.Create(8 * BLOCK_COUNT, 8, 24, FORMAT_BMP);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8 * BLOCK_COUNT; ++x)
            picture->image.SetPixelColor(x, y, kBlockColours[x / 8]);
    store->AddImage(std::move(picture));

    auto frame = std::make_unique<CFrameDefinition>();
    frame->SetName("Dialog");
    for (int part = 0; part < FRAME_PART_COUNT; ++part) {
        const int column = part % 3, row = part / 3;
        const LONG xs[] = {0, 6, 114, 120}, ys[] = {0, 24, 66, 74};
        frame->partRects[size_t(part)] = {xs[column], ys[row], xs[column + 1], ys[row + 1]};
        frame->slices[size_t(part)] = Slice(FRAME);
    }
    frame->clientColour = RGB(236, 236, 236);
    store->AddDefinition(std::move(frame));

    auto button = std::make_unique<CPushButtonDefinition>();
    button->SetName("Button");
    for (int state = PUSH_NORMAL; state <= PUSH_DISABLED; ++state)
        button->states[size_t(state)].image = Grid(Block(state));
    store->AddDefinition(std::move(button));
    for (uint32_t type : {SKIN_CHECK_BOX, SKIN_RADIO_BUTTON}) {
        auto check = std::make_unique<CCheckBoxDefinition>(type);
        check->SetName(type == SKIN_CHECK_BOX ? "CheckBox" : "Radio");
        store->AddDefinition(std::move(check));
    }
    auto edit = std::make_unique<CEditDefinition>(SKIN_EDIT);
    edit->SetName("Edit");
    edit->backColour = kEditBack;
    edit->keyColour = kReadOnlyBack;
    store->AddDefinition(std::move(edit));
    for (uint32_t type : {SKIN_LIST_BOX, SKIN_LIST_VIEW}) {
        auto list = std::make_unique<CEditDefinition>(type);
        list->SetName(type == SKIN_LIST_BOX ? "ListBox" : "ListView");
        if (listBackground)
            list->background = Slice(LIST_BACK);
        store->AddDefinition(std::move(list));
    }

    store->Prepare();
    return store;
}

// Starts the runtime on this thread with the block skin; "" on success, else what failed.
inline std::string StartWithBlockSkin(bool listBackground = true)
{
    if (!InitSkinRuntime(GetModuleHandleA(nullptr), "Buttons"))
        return "the runtime did not start";
    if (!SkinRegistry().ReplaceStore(BlockSkin(listBackground)))
        return "the skin was not taken";
    SetAutoDialogSkin("Dialog");
    return "";
}

inline void Pump()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

// What a dialog heard from its controls: (control ID, notification code).
using Notifications = std::vector<std::pair<int, int>>;

inline INT_PTR CALLBACK RecordingDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrA(dialog, DWLP_USER, lParam);
        return TRUE;
    }
    auto* heard = reinterpret_cast<Notifications*>(GetWindowLongPtrA(dialog, DWLP_USER));
    if (message == WM_COMMAND && heard && lParam)
        heard->emplace_back(LOWORD(wParam), HIWORD(wParam));
    return FALSE;
}

// An empty dialog (skinned when the runtime's automatic skin is set) at a
// screen position; controls are added with AddControl.
inline HWND CreateRecordingDialog(Notifications* heard, int x, int y, int width = 360, int height = 260)
{
    struct {
        DLGTEMPLATE header;
        WORD menu, windowClass, title;
    } empty = {};
    empty.header.style = WS_POPUP | WS_CAPTION | WS_VISIBLE | DS_MODALFRAME;
    empty.header.cx = 10;
    empty.header.cy = 10;
    HWND dialog = CreateDialogIndirectParamA(GetModuleHandleA(nullptr), &empty.header, nullptr, RecordingDialogProc,
                                             reinterpret_cast<LPARAM>(heard));
    if (dialog)
        SetWindowPos(dialog, HWND_TOP, x, y, width, height, SWP_SHOWWINDOW);
    return dialog;
}

inline HWND AddControl(HWND dialog, const char* cls, const char* text, DWORD style, int id, RECT r, DWORD exStyle = 0)
{
    HWND control = CreateWindowExA(exStyle, cls, text, WS_CHILD | WS_VISIBLE | style, r.left, r.top,
                                   r.right - r.left, r.bottom - r.top, dialog,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleA(nullptr),
                                   nullptr);
    SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
    return control;
}

// A mouse or key message as the system would post it, handled before returning.
inline void Post(HWND window, UINT message, WPARAM wParam = 0, LPARAM lParam = 0)
{
    PostMessageA(window, message, wParam, lParam);
    Pump();
}

inline LPARAM At(int x, int y) { return MAKELPARAM(x, y); }

// The colour on screen at a point of a window's client area.
inline COLORREF ClientPixel(HWND window, int x, int y)
{
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_FRAME);
    Pump();
    HDC dc = GetDC(window);
    const COLORREF colour = GetPixel(dc, x, y);
    ReleaseDC(window, dc);
    return colour;
}

} // namespace buttontest
