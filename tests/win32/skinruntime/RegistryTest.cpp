// The registry on real windows: classification by class and style, child
// attachment, floating toolbars, detaching when windows go, re-skinning with
// a skin that lacks a kind of definition, and windows destroyed inside a call
// that their skin object passed on.
#include "SkinTestSupport.h"

#include <commctrl.h>

using namespace skintest;

namespace {

constexpr DWORD kDialogStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;

HWND Child(const char* cls, DWORD style, HWND parent, DWORD exStyle = 0)
{
    return CreateWindowExA(exStyle, cls, "", WS_CHILD | style, 0, 0, 80, 60, parent, nullptr,
                           GetModuleHandleA(nullptr), nullptr);
}

// An unskinned top-level window to put children into.
class Host {
public:
    Host()
    {
        window = CreateWindowExA(0, "Static", "host", WS_POPUP, 0, 0, 300, 200, nullptr, nullptr,
                                 GetModuleHandleA(nullptr), nullptr);
    }
    ~Host() { DestroyWindow(window); }
    HWND window;
};

TEST(SkinClasses, ButtonsByStyleAndTheClassTable)
{
    CSkinRegistry& registry = SkinRegistry();
    Host host;
    struct Case {
        const char* cls;
        DWORD style;
        uint32_t type;
    } const cases[] = {
        {"BUTTON", 0x0, SKIN_PUSH_BUTTON},  {"BUTTON", 0x1, SKIN_PUSH_BUTTON},   {"BUTTON", 0x8, SKIN_PUSH_BUTTON},
        {"BUTTON", 0xB, SKIN_CHECK_BOX},    {"BUTTON", 0x2, SKIN_CHECK_BOX},     {"BUTTON", 0x3, SKIN_CHECK_BOX},
        {"BUTTON", 0x5, SKIN_CHECK_BOX},    {"BUTTON", 0x6, SKIN_CHECK_BOX},     {"BUTTON", 0x4, SKIN_RADIO_BUTTON},
        {"BUTTON", 0x9, SKIN_RADIO_BUTTON}, {"BUTTON", 0xC, SKIN_RADIO_BUTTON},  {"BUTTON", 0x7, SKIN_GROUP_BOX},
        {"Edit", 0, SKIN_EDIT},             {"ListBox", 0, SKIN_LIST_BOX},       {"Static", 0, SKIN_STATIC},
        {"ScrollBar", 0, SKIN_SCROLL_BAR},  {"ComboBox", 0, SKIN_COMBO_BOX},
    };
    for (const Case& c : cases) {
        HWND window = Child(c.cls, c.style, host.window);
        ASSERT_NE(window, nullptr) << c.cls;
        EXPECT_EQ(registry.ClassifyWindow(window), c.type) << c.cls << " style " << std::hex << c.style;
        DestroyWindow(window);
    }
    // Exact, case-sensitive names; the style names are no window classes.
    EXPECT_EQ(registry.ClassType("msctls_progress32"), uint32_t(SKIN_PROGRESS));
    EXPECT_EQ(registry.ClassType("AfxControlBar70sd"), uint32_t(SKIN_CONTROL_BAR));
    EXPECT_EQ(registry.ClassType("Link Window"), SKIN_LINK_WINDOW);
    EXPECT_EQ(registry.ClassType("RICHEDIT"), uint32_t(SKIN_RICH_EDIT));
    EXPECT_EQ(registry.ClassType("edit"), 0u);
    EXPECT_EQ(registry.ClassType("RichEdit20A"), 0u);
    EXPECT_EQ(registry.ClassifyWindow(host.window), uint32_t(SKIN_STATIC));
    EXPECT_EQ(registry.ClassifyWindow(GetDesktopWindow()), 0u);
}

TEST(SkinClasses, TheListOfASimpleComboIsAListBoxADropDownOneIsNot)
{
    Host host;
    struct Case {
        DWORD style;
        uint32_t type;
    } const cases[] = {{CBS_SIMPLE, SKIN_LIST_BOX}, {CBS_DROPDOWN, 0}, {CBS_DROPDOWNLIST, 0}};
    for (const Case& c : cases) {
        HWND combo = CreateWindowExA(0, "ComboBox", "", WS_CHILD | c.style, 0, 0, 120, 120, host.window, nullptr,
                                     GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(combo, nullptr);
        COMBOBOXINFO info = {};
        info.cbSize = sizeof info;
        ASSERT_TRUE(GetComboBoxInfo(combo, &info));
        ASSERT_NE(info.hwndList, nullptr);
        EXPECT_EQ(SkinRegistry().ClassifyWindow(info.hwndList), c.type) << "combo style " << c.style;
        DestroyWindow(combo);
    }
}

TEST(SkinClasses, OnlyControlKindsTakeAnObject)
{
    EXPECT_FALSE(SkinRegistry().SetControlCreator(SKIN_FRAME, &ProbeCtrl::Create));
    EXPECT_FALSE(SkinRegistry().SetControlCreator(SKIN_MENU, &ProbeCtrl::Create));
    EXPECT_EQ(SkinRegistry().CreateControlObject(SKIN_EDIT, nullptr), nullptr) << "no edit object yet";
    ASSERT_TRUE(SkinRegistry().SetControlCreator(SKIN_EDIT, &ProbeCtrl::Create));
    // A rich edit is built as an edit, keeping its own type.
    std::unique_ptr<CSkinCtrl> rich = SkinRegistry().CreateControlObject(SKIN_RICH_EDIT, nullptr);
    ASSERT_NE(rich, nullptr);
    EXPECT_EQ(rich->SkinType(), uint32_t(SKIN_RICH_EDIT));
    SkinRegistry().SetControlCreator(SKIN_EDIT, nullptr);
    EXPECT_EQ(SkinRegistry().CreateControlObject(SKIN_EDIT, nullptr), nullptr);
}

// Attached by kind, re-skinned with a skin that lacks edits (both edits lose
// their object, the check box keeps its own), and gone with the dialog.
TEST_F(SkinRuntimeTest, DialogControlsAreAttachedReskinnedAndLeaveWithTheDialog)
{
    DialogLog log;
    HWND dialog = DialogTemplate(kDialogStyle)
                      .Control(0x80, BS_AUTOCHECKBOX, 10, 5, 5, 60, 12)
                      .Control(0x81, WS_BORDER, 11, 5, 20, 60, 12)
                      .Control(0x81, WS_BORDER, 12, 5, 35, 60, 12)
                      .Control(0x80, BS_PUSHBUTTON, 13, 5, 50, 60, 14)
                      .Control(0x83, WS_BORDER, 14, 5, 65, 60, 30)
                      .Create(&log);
    ASSERT_NE(dialog, nullptr);
    CSkinRegistry& registry = SkinRegistry();
    CSkinWnd* object = registry.Find(dialog);
    ASSERT_NE(object, nullptr);
    // The default skin has check box and edit definitions, no push button or list box.
    HWND check = GetDlgItem(dialog, 10), edit = GetDlgItem(dialog, 11);
    CSkinWnd* checkObject = registry.Find(check);
    ASSERT_NE(checkObject, nullptr);
    ASSERT_NE(registry.Find(edit), nullptr);
    EXPECT_EQ(registry.Find(GetDlgItem(dialog, 13)), nullptr);
    EXPECT_EQ(registry.Find(GetDlgItem(dialog, 14)), nullptr);
    EXPECT_EQ(registry.Count(), 4u);
    EXPECT_EQ(object->Children().size(), 3u);
    EXPECT_EQ(checkObject->Definition(), registry.Store().FindByType(SKIN_CHECK_BOX));
    EXPECT_EQ(GetPropA(check, SKIN_OBJECT_PROPERTY), checkObject);
    EXPECT_EQ(GetWindowLongPtrA(check, GWLP_WNDPROC), reinterpret_cast<LONG_PTR>(&CSkinWnd::SkinWindowProc));
    EXPECT_EQ(static_cast<CSkinCtrl*>(checkObject)->ParentWindow(), dialog);

    const std::string path = TempFile("skl");
    ASSERT_TRUE(WriteBytes(path, BuiltSkinContainer()));
    ASSERT_EQ(OpenSkinFile(path.c_str()), 1) << SkinRuntimeError();
    DeleteFileA(path.c_str());
    for (int id : {11, 12}) {
        HWND e = GetDlgItem(dialog, id);
        EXPECT_EQ(registry.Find(e), nullptr);
        EXPECT_EQ(GetPropA(e, SKIN_OBJECT_PROPERTY), nullptr);
        EXPECT_NE(GetWindowLongPtrA(e, GWLP_WNDPROC), reinterpret_cast<LONG_PTR>(&CSkinWnd::SkinWindowProc));
        // The edit still works with its own procedure.
        SetWindowTextA(e, "plain");
        char text[16] = {};
        GetWindowTextA(e, text, sizeof text);
        EXPECT_STREQ(text, "plain");
    }
    ASSERT_EQ(registry.Find(check), checkObject) << "the check box is re-skinned, not replaced";
    EXPECT_EQ(checkObject->Definition(), registry.Store().FindByType(SKIN_CHECK_BOX));
    ASSERT_EQ(registry.Find(dialog), object);
    EXPECT_EQ(object->Definition(), registry.Store().FindByName("Dialog"));
    EXPECT_EQ(registry.Count(), 2u);

    // And back: the default skin has edits again.
    ASSERT_EQ(OpenSkinResource(GetModuleHandleA(nullptr), "DEFAULT_SKIN", "GLAZE_WORK"), 1);
    ASSERT_NE(registry.Find(edit), nullptr);
    EXPECT_EQ(object->Children().size(), 3u);
    // A control destroyed alone leaves its parent's list.
    DestroyWindow(edit);
    EXPECT_EQ(registry.Find(edit), nullptr);
    EXPECT_EQ(object->Children().size(), 2u);

    const int deleted = ProbeCtrl::deleted;
    DestroyWindow(dialog);
    EXPECT_EQ(registry.Count(), 0u);
    EXPECT_EQ(ProbeCtrl::deleted, deleted + 2) << "the check box's and the other edit's objects";
    EXPECT_EQ(CSkinWnd::LiveObjects(), baseline_);
}

TEST_F(SkinRuntimeTest, ChildrenOfUnknownClassesAreStillExamined)
{
    DialogLog log;
    HWND dialog = DialogTemplate(kDialogStyle).Create(&log);
    ASSERT_NE(SkinRegistry().Find(dialog), nullptr);
    WNDCLASSA wc = {};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "SkinTestPanel";
    RegisterClassA(&wc);
    HWND panel = Child("SkinTestPanel", WS_VISIBLE, dialog);
    HWND check = Child("BUTTON", BS_AUTOCHECKBOX, panel);
    EXPECT_EQ(SkinRegistry().Find(panel), nullptr);
    EXPECT_NE(SkinRegistry().Find(check), nullptr) << "the panel's check box belongs to the dialog's skin";
    DestroyWindow(dialog);
    EXPECT_EQ(SkinRegistry().Count(), 0u);
    UnregisterClassA("SkinTestPanel", wc.hInstance);
}

TEST_F(SkinRuntimeTest, FloatingToolbarRule)
{
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_BAR_CLASSES};
    ASSERT_TRUE(InitCommonControlsEx(&controls));
    const std::string path = TempFile("skt");
    ASSERT_TRUE(WriteBytes(path, BuiltSkinContainer())); // it has a toolbar definition
    ASSERT_EQ(OpenSkinFile(path.c_str()), 1);
    DeleteFileA(path.c_str());

    WNDCLASSA wc = {};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    for (const char* name : {"AfxControlBar42s", "SkinTestDock"}) {
        wc.lpszClassName = name;
        RegisterClassA(&wc);
    }
    struct Case {
        const char* parentClass;
        DWORD parentExStyle;
        bool parentIsChild;
        bool floating;
    } const cases[] = {
        {"SkinTestDock", WS_EX_TOOLWINDOW, true, true},
        {"AfxControlBar42s", WS_EX_TOOLWINDOW, true, false},
        {"SkinTestDock", 0, true, false},
        {"SkinTestDock", WS_EX_TOOLWINDOW, false, false},
    };
    Host host;
    for (const Case& c : cases) {
        HWND parent = c.parentIsChild ? Child(c.parentClass, 0, host.window, c.parentExStyle)
                                      : CreateWindowExA(c.parentExStyle, c.parentClass, "", WS_POPUP, 0, 0, 100, 50,
                                                        nullptr, nullptr, wc.hInstance, nullptr);
        ASSERT_NE(parent, nullptr);
        HWND toolbar = Child(TOOLBARCLASSNAMEA, 0, parent);
        ASSERT_NE(toolbar, nullptr);
        EXPECT_EQ(SkinRegistry().Find(toolbar) != nullptr, c.floating)
            << c.parentClass << " ex " << c.parentExStyle << " child " << c.parentIsChild;
        if (CSkinWnd* object = SkinRegistry().Find(toolbar)) {
            EXPECT_EQ(static_cast<CSkinCtrl*>(object)->ParentWindow(), nullptr);
        }
        DestroyWindow(parent);
        EXPECT_EQ(SkinRegistry().Find(toolbar), nullptr);
    }
    for (const char* name : {"AfxControlBar42s", "SkinTestDock"})
        UnregisterClassA(name, wc.hInstance);
}

TEST_F(SkinRuntimeTest, ADialogDestroyedInsideAForwardedCommandOutlivesTheCall)
{
    DialogLog log;
    log.destroyOnCommand = 1234;
    HWND dialog = DialogTemplate(kDialogStyle).Control(0x80, BS_AUTOCHECKBOX, 10, 5, 5, 60, 12).Create(&log);
    ASSERT_NE(SkinRegistry().Find(dialog), nullptr);
    const long live = CSkinWnd::LiveObjects();
    ASSERT_EQ(live, baseline_ + 2);

    SendMessageA(dialog, WM_COMMAND, 1234, 0);
    EXPECT_FALSE(IsWindow(dialog));
    // Inside the call: out of the registry, but the dialog's object is kept
    // until its window procedure returns (the check box's went at once).
    EXPECT_FALSE(log.foundInsideDestroy);
    EXPECT_EQ(log.liveInsideDestroy, baseline_ + 1);
    EXPECT_EQ(CSkinWnd::LiveObjects(), baseline_);
}

// A control whose own procedure destroys it while its skin object passes a message on.
LRESULT CALLBACK SelfDestroyingButton(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_APP + 1) {
        DestroyWindow(window);
        return 7;
    }
    auto original = reinterpret_cast<WNDPROC>(GetPropA(window, "SkinTestOriginal"));
    if (message == WM_NCDESTROY)
        RemovePropA(window, "SkinTestOriginal");
    return CallWindowProcA(original, window, message, wParam, lParam);
}

TEST_F(SkinRuntimeTest, AControlDestroyedInsideAForwardedCallOutlivesTheCall)
{
    SetAutoDialogSkin("");
    DialogLog log;
    HWND dialog = DialogTemplate(kDialogStyle).Control(0x80, BS_AUTOCHECKBOX, 10, 5, 5, 60, 12).Create(&log);
    HWND check = GetDlgItem(dialog, 10);
    ASSERT_EQ(SkinRegistry().Find(check), nullptr);
    SetPropA(check, "SkinTestOriginal", reinterpret_cast<HANDLE>(GetWindowLongPtrA(check, GWLP_WNDPROC)));
    SetWindowLongPtrA(check, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&SelfDestroyingButton));
    ASSERT_EQ(SkinRegistry().AttachDialog(dialog, "Dialog"), 1);
    ASSERT_NE(SkinRegistry().Find(check), nullptr);

    ProbeCtrl::deletedInsideCall = false;
    const int deleted = ProbeCtrl::deleted;
    EXPECT_EQ(SendMessageA(check, WM_APP + 1, 0, 0), 7);
    EXPECT_FALSE(IsWindow(check));
    EXPECT_FALSE(ProbeCtrl::deletedInsideCall) << "the object was deleted while its call was running";
    EXPECT_EQ(ProbeCtrl::deleted, deleted + 1);
    EXPECT_EQ(SkinRegistry().Find(check), nullptr);
    EXPECT_TRUE(SkinRegistry().Find(dialog)->Children().empty());
    DestroyWindow(dialog);
}

} // namespace
