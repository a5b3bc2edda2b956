#pragma once
// What the skin runtime's tests (and the other skin tests on real windows)
// share: dialogs from in-memory templates, a message pump, a skin built in the test, stand-in control objects, and a
// fixture that starts the runtime with the default skin and stops it again.
#include <windows.h>

#include "skin/file/SkinDefinitions.h"
#include "skin/file/SkinObjects.h"
#include "skin/file/SkinStore.h"
#include "skin/file/SkinStream.h"
#include "skin/file/SkinTypes.h"
#include "skin/runtime/SkinCtrl.h"
#include "skin/runtime/SkinRegistry.h"
#include "skin/runtime/SkinRuntime.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace skintest {

using namespace glint;

// Handles what is queued for this thread (timers included) until done() holds
// or timeoutMs has passed; answers done(). Without a condition it empties the queue.
inline bool Pump(const std::function<bool()>& done = nullptr, DWORD timeoutMs = 5000)
{
    const DWORD start = GetTickCount();
    for (;;) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        if (!done || done())
            return true;
        if (GetTickCount() - start > timeoutMs)
            return done();
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
}

// What a test dialog's procedure saw.
struct DialogLog {
    int cancels = 0;        // WM_COMMAND IDCANCEL
    int closeCommands = 0;  // WM_SYSCOMMAND SC_CLOSE
    int maximiseCommands = 0; // WM_SYSCOMMAND SC_MAXIMIZE
    UINT destroyOnCommand = 0; // a WM_COMMAND with this ID destroys the dialog
    long liveInsideDestroy = -1;
    bool foundInsideDestroy = true;
};

inline INT_PTR CALLBACK LoggingDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrA(dialog, DWLP_USER, lParam);
        return TRUE;
    }
    auto* log = reinterpret_cast<DialogLog*>(GetWindowLongPtrA(dialog, DWLP_USER));
    if (!log)
        return FALSE;
    if (message == WM_SYSCOMMAND && (wParam & 0xFFF0) == SC_CLOSE)
        ++log->closeCommands;
    if (message == WM_SYSCOMMAND && (wParam & 0xFFF0) == SC_MAXIMIZE)
        ++log->maximiseCommands;
    if (message == WM_COMMAND && LOWORD(wParam) == IDCANCEL)
        ++log->cancels;
    if (message == WM_COMMAND && log->destroyOnCommand && LOWORD(wParam) == log->destroyOnCommand) {
        DestroyWindow(dialog);
        // Still inside the skin object's call that passed the command on.
        log->liveInsideDestroy = CSkinWnd::LiveObjects();
        log->foundInsideDestroy = SkinRegistry().Find(dialog) != nullptr;
        return TRUE;
    }
    return FALSE;
}

// A dialog template in memory (sizes in dialog units).
class DialogTemplate {
public:
    explicit DialogTemplate(DWORD style, short cx = 160, short cy = 100, const wchar_t* title = L"Skinned")
    {
        Dword(style | DS_SETFONT);
        Dword(0);
        count_ = words_.size();
        Word(0);
        Word(10), Word(10), Word(cx), Word(cy);
        Word(0); // no menu
        Word(0); // the dialog class
        Text(title);
        Word(8);
        Text(L"Tahoma");
    }
    // A control of a predefined class (0x80 button, 0x81 edit, 0x82 static, 0x83 list box, 0x85 combo box).
    DialogTemplate& Control(WORD atom, DWORD style, WORD id, short x, short y, short cx, short cy)
    {
        Item(style, id, x, y, cx, cy);
        Word(0xFFFF);
        Word(atom);
        Text(L"");
        Word(0);
        return *this;
    }
    HWND Create(DialogLog* log, HWND owner = nullptr)
    {
        words_[count_] = items_;
        return CreateDialogIndirectParamA(GetModuleHandleA(nullptr),
                                          reinterpret_cast<LPCDLGTEMPLATEA>(words_.data()), owner,
                                          LoggingDialogProc, reinterpret_cast<LPARAM>(log));
    }

private:
    void Word(WORD w) { words_.push_back(w); }
    void Dword(DWORD d) { Word(LOWORD(d)), Word(HIWORD(d)); }
    void Text(const wchar_t* text)
    {
        do
            Word(static_cast<WORD>(*text));
        while (*text++);
    }
    void Item(DWORD style, WORD id, short x, short y, short cx, short cy)
    {
        if (words_.size() % 2)
            Word(0); // items start on a DWORD boundary
        Dword(style | WS_CHILD | WS_VISIBLE);
        Dword(0);
        Word(x), Word(y), Word(cx), Word(cy);
        Word(id);
        ++items_;
    }

    std::vector<WORD> words_;
    size_t count_ = 0;
    WORD items_ = 0;
};

// A stand-in control object: paints nothing of its own and counts itself.
class ProbeCtrl : public CSkinCtrl {
public:
    using CSkinCtrl::CSkinCtrl;
    ~ProbeCtrl() override { ++deleted; }
    void Draw(HDC) override {}
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        const int before = deleted;
        const LRESULT result = CSkinCtrl::WindowProc(message, wParam, lParam);
        // Touches the object after the call it passed on: it must still exist.
        ++calls_;
        if (deleted != before)
            deletedInsideCall = true;
        return result;
    }
    static std::unique_ptr<CSkinCtrl> Create(CSkinWnd* parent, uint32_t type)
    {
        return std::make_unique<ProbeCtrl>(parent, type);
    }
    static inline int deleted = 0;
    static inline bool deletedInsideCall = false;

private:
    int calls_ = 0;
};

// The kinds that get a stand-in object in these tests.
constexpr uint32_t kProbeKinds[] = {SKIN_PUSH_BUTTON, SKIN_CHECK_BOX, SKIN_RADIO_BUTTON, SKIN_GROUP_BOX,
                                    SKIN_EDIT,        SKIN_LIST_BOX,  SKIN_STATIC,       SKIN_TOOLBAR};

inline std::string TempFile(const char* prefix)
{
    char dir[MAX_PATH], path[MAX_PATH];
    GetTempPathA(MAX_PATH, dir);
    GetTempFileNameA(dir, prefix, 0, path);
    return path;
}

inline bool WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    const bool ok = WriteFile(file, bytes.data(), DWORD(bytes.size()), &written, nullptr) && written == bytes.size();
    CloseHandle(file);
    return ok;
}

// Colours of the skin built below.
constexpr COLORREF kBuiltFrameColour = RGB(20, 160, 60);

// A skin made with the store's builder: an information block that asks for
// the transparent colour, a frame "Dialog" whose parts name a picture the skin
// does not have (so it paints with its fallback colours), a check box and a
// toolbar definition, and no edit definition.
inline std::vector<uint8_t> BuiltSkinContainer()
{
    CSkinStore store;
    auto info = std::make_unique<CSkinInfo>();
    info->SetName("Application");
    info->useTransparentColour = 1;
    info->keyColour = RGB(255, 0, 255);
    store.AddDefinition(std::move(info));

    auto frame = std::make_unique<CFrameDefinition>();
    frame->SetName("Dialog");
    const RECT parts[FRAME_PART_COUNT] = {{0, 0, 12, 24},   {12, 0, 108, 24},  {108, 0, 120, 24},
                                          {0, 24, 6, 66},   {6, 24, 114, 66},  {114, 24, 120, 66},
                                          {0, 66, 12, 74},  {12, 66, 108, 74}, {108, 66, 120, 74}};
    for (int part = 0; part < FRAME_PART_COUNT; ++part) {
        frame->partRects[part] = parts[part];
        std::strcpy(frame->slices[part].image, "missing.bmp");
        frame->slices[part].source = parts[part];
    }
    frame->activeColour = kBuiltFrameColour;
    frame->inactiveColour = kBuiltFrameColour;
    frame->clientColour = RGB(230, 230, 230);
    store.AddDefinition(std::move(frame));

    auto check = std::make_unique<CCheckBoxDefinition>(SKIN_CHECK_BOX);
    check->SetName("CheckBox");
    store.AddDefinition(std::move(check));
    auto toolbar = std::make_unique<CToolbarDefinition>();
    toolbar->SetName("Toolbar");
    store.AddDefinition(std::move(toolbar));

    CSkinStream file;
    std::vector<uint8_t> container;
    EXPECT_TRUE(store.Save(file));
    EXPECT_TRUE(CompressContainer(file.Data(), file.Size(), container));
    return container;
}

// The runtime started on this thread with the default skin (carried by the
// test program as resource DEFAULT_SKIN of type GLAZE_WORK), new dialogs
// skinned with "Dialog", and stand-in objects for a few control kinds.
class SkinRuntimeTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        baseline_ = CSkinWnd::LiveObjects();
        ASSERT_EQ(InitSkinRuntime(GetModuleHandleA(nullptr), "Glint Box", 0, 0), 1);
        ASSERT_EQ(OpenSkinResource(GetModuleHandleA(nullptr), "DEFAULT_SKIN", "GLAZE_WORK"), 1)
            << "error " << SkinRuntimeError();
        SetAutoDialogSkin("Dialog");
        for (uint32_t kind : kProbeKinds)
            SkinRegistry().SetControlCreator(kind, &ProbeCtrl::Create);
    }
    void TearDown() override
    {
        ExitSkinRuntime();
        for (uint32_t kind : kProbeKinds)
            SkinRegistry().SetControlCreator(kind, nullptr);
        EXPECT_EQ(SkinRegistry().Count(), 0u);
        EXPECT_EQ(CSkinWnd::LiveObjects(), baseline_) << "skin objects left alive";
        Pump();
    }
    long baseline_ = 0;
};

} // namespace skintest
