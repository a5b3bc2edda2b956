// Start-up and shutdown per thread, the hooks, the automatic dialog name, the
// error codes, the platform codes, and the keyboard hook's menu keys.
#include "SkinTestSupport.h"

#include "skin/runtime/SkinHooks.h"
#include "skin/runtime/SkinMessages.h"
#include "tests/support/WineVersionRun.h"

#include <thread>

using namespace skintest;

namespace {

bool PopupClassRegistered()
{
    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof wc;
    return GetClassInfoExA(GetModuleHandleA(nullptr), SKIN_POPUP_MENU_CLASS, &wc) != FALSE;
}

TEST(SkinPlatform, CodesForEachVersionRecord)
{
    struct Case {
        uint32_t platform, major, minor;
        int code;
    } const cases[] = {
        {VER_PLATFORM_WIN32_WINDOWS, 3, 95, PLATFORM_9X_OLD}, {VER_PLATFORM_WIN32_WINDOWS, 4, 0, PLATFORM_WIN95},
        {VER_PLATFORM_WIN32_WINDOWS, 4, 10, PLATFORM_WIN98},  {VER_PLATFORM_WIN32_WINDOWS, 4, 90, PLATFORM_WINME},
        {VER_PLATFORM_WIN32_NT, 4, 0, PLATFORM_NT4},          {VER_PLATFORM_WIN32_NT, 5, 0, PLATFORM_WIN2000},
        {VER_PLATFORM_WIN32_NT, 5, 1, PLATFORM_WINXP},        {VER_PLATFORM_WIN32_NT, 5, 2, PLATFORM_NT_OTHER},
        {VER_PLATFORM_WIN32_NT, 6, 1, PLATFORM_NT_OTHER},     {VER_PLATFORM_WIN32_NT, 10, 0, PLATFORM_NT_OTHER},
        {VER_PLATFORM_WIN32_NT, 3, 51, PLATFORM_NT_OTHER},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ComputePlatformCode(c.platform, c.major, c.minor), c.code)
            << c.platform << " " << c.major << "." << c.minor;
}

TEST(SkinPlatform, ProcedureHandleValues)
{
    EXPECT_TRUE(IsProcedureHandleValue(0xFFFF0012u));
    EXPECT_TRUE(IsProcedureHandleValue(0xFFFF0000u));
    EXPECT_FALSE(IsProcedureHandleValue(0x00401000u));
    EXPECT_FALSE(IsProcedureHandleValue(0xFFFE1234u));
    EXPECT_FALSE(IsProcedureHandleValue(0));
#ifdef _WIN64
    EXPECT_TRUE(IsProcedureHandleValue(0xFFFFFFFFFFFF0012ull));
    EXPECT_FALSE(IsProcedureHandleValue(0x00007FF612340000ull));
    EXPECT_FALSE(IsProcedureHandleValue(0x00000001FFFF0012ull));
#endif
}

TEST(SkinStartUp, PerThreadFirstExitKeepsTheOthersHooksLastExitTearsDown)
{
    HINSTANCE instance = GetModuleHandleA(nullptr);
    ASSERT_EQ(InitSkinRuntime(instance), 1);
    ASSERT_EQ(OpenSkinResource(instance, "DEFAULT_SKIN", "GLAZE_WORK"), 1);
    SetAutoDialogSkin("Dialog");

    HANDLE started = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE mainLeft = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    bool skinnedBeforeInit = true, hookedAfterMainLeft = false, skinnedAfterMainLeft = false, hookedAfterExit = true;
    std::thread second([&] {
        DialogLog early;
        HWND plain = DialogTemplate(WS_POPUP | WS_CAPTION | DS_MODALFRAME).Create(&early);
        skinnedBeforeInit = plain && SkinRegistry().Find(plain);
        DestroyWindow(plain);
        EXPECT_EQ(InitSkinRuntime(instance), 1);
        EXPECT_EQ(SkinRuntimeError(), SKIN_RT_OK);
        SetEvent(started);
        WaitForSingleObject(mainLeft, INFINITE);
        hookedAfterMainLeft = ThreadIsHooked();
        DialogLog log;
        HWND dialog = DialogTemplate(WS_POPUP | WS_CAPTION | DS_MODALFRAME).Create(&log);
        skinnedAfterMainLeft = dialog && SkinRegistry().Find(dialog);
        DestroyWindow(dialog);
        ExitSkinRuntime();
        hookedAfterExit = ThreadIsHooked();
    });
    WaitForSingleObject(started, INFINITE);
    EXPECT_TRUE(ThreadIsHooked());
    ExitSkinRuntime();
    EXPECT_FALSE(ThreadIsHooked());
    // The other thread still runs the runtime: nothing was torn down.
    EXPECT_TRUE(PopupClassRegistered());
    EXPECT_EQ(AutoDialogSkinName(), "Dialog");
    EXPECT_NE(SkinRegistry().Store().FindByName("Dialog"), nullptr);
    SetEvent(mainLeft);
    second.join();
    CloseHandle(started);
    CloseHandle(mainLeft);

    EXPECT_FALSE(skinnedBeforeInit) << "a thread that has not started the runtime gets no skin";
    EXPECT_TRUE(hookedAfterMainLeft);
    EXPECT_TRUE(skinnedAfterMainLeft);
    EXPECT_FALSE(hookedAfterExit);
    // The last thread out took everything down.
    EXPECT_FALSE(PopupClassRegistered());
    EXPECT_EQ(AutoDialogSkinName(), "");
    EXPECT_EQ(SkinRegistry().Store().FindByName("Dialog"), nullptr);
    EXPECT_EQ(SkinRegistry().Count(), 0u);
}

TEST_F(SkinRuntimeTest, ASecondInitInstallsNoSecondHook)
{
    const HHOOK message = ThreadMessageHook(), keyboard = ThreadKeyboardHook();
    ASSERT_NE(message, nullptr);
    ASSERT_NE(keyboard, nullptr);
    EXPECT_EQ(InitSkinRuntime(GetModuleHandleA(nullptr)), 1);
    EXPECT_EQ(ThreadMessageHook(), message);
    EXPECT_EQ(ThreadKeyboardHook(), keyboard);
    // One exit is enough to unhook the thread.
    ExitSkinRuntime();
    EXPECT_FALSE(ThreadIsHooked());
    DialogLog log;
    HWND dialog = DialogTemplate(WS_POPUP | WS_CAPTION | DS_MODALFRAME).Create(&log);
    EXPECT_EQ(SkinRegistry().Find(dialog), nullptr);
    DestroyWindow(dialog);
}

TEST_F(SkinRuntimeTest, TheAutoDialogNameKeepsFortyNineCharactersAndAnEmptyOneSkinsNothing)
{
    EXPECT_EQ(SetAutoDialogSkin((std::string(49, 'a') + std::string(11, 'b')).c_str()), 1);
    EXPECT_EQ(AutoDialogSkinName(), std::string(49, 'a'));
    EXPECT_EQ(ResetAutoDialogSkin(), 1);
    EXPECT_EQ(AutoDialogSkinName(), "");

    DialogLog log;
    HWND plain = DialogTemplate(WS_POPUP | WS_CAPTION | DS_MODALFRAME).Create(&log);
    EXPECT_EQ(SkinRegistry().Find(plain), nullptr);
    EXPECT_EQ(GetPropA(plain, SKIN_OBJECT_PROPERTY), nullptr);
    // A name the skin does not have skins nothing either.
    SetAutoDialogSkin("NoSuchFrame");
    HWND unknown = DialogTemplate(WS_POPUP | WS_CAPTION | DS_MODALFRAME).Create(&log);
    EXPECT_EQ(SkinRegistry().Find(unknown), nullptr);
    DestroyWindow(plain);
    DestroyWindow(unknown);
}

TEST_F(SkinRuntimeTest, SkinsThatCannotBeReadAnswerTheirErrorAndKeepTheSkinInForce)
{
    DialogLog log;
    HWND dialog = DialogTemplate(WS_POPUP | WS_CAPTION | DS_MODALFRAME).Create(&log);
    CSkinWnd* object = SkinRegistry().Find(dialog);
    ASSERT_NE(object, nullptr);
    CSkinNode* definition = object->Definition();
    CSkinStore* store = &SkinRegistry().Store();

    const std::string garbage = TempFile("skg"), empty = TempFile("ske"), good = TempFile("skb");
    ASSERT_TRUE(WriteBytes(garbage, std::vector<uint8_t>(300, 0x5A)));
    ASSERT_TRUE(WriteBytes(good, BuiltSkinContainer()));
    EXPECT_EQ(OpenSkinResource(GetModuleHandleA(nullptr), "NO_SUCH_SKIN", "GLAZE_WORK"), 0);
    EXPECT_EQ(SkinRuntimeError(), SKIN_RT_NO_RESOURCE);
    const struct {
        const char* path;
        int error;
    } cases[] = {{"C:\\no\\such\\folder\\skin.skin", SKIN_RT_FILE_NOT_READ}, {nullptr, SKIN_RT_FILE_NOT_READ},
                 {garbage.c_str(), SKIN_ERROR_CONTAINER}, {empty.c_str(), SKIN_RT_FILE_NOT_READ}};
    for (const auto& c : cases) {
        EXPECT_EQ(OpenSkinFile(c.path), 0);
        EXPECT_EQ(SkinRuntimeError(), c.error) << (c.path ? c.path : "no path");
    }
    EXPECT_EQ(&SkinRegistry().Store(), store) << "a bad skin left the skin in force";
    EXPECT_EQ(SkinRegistry().Find(dialog), object);
    EXPECT_EQ(object->Definition(), definition);

    EXPECT_EQ(OpenSkinFile(good.c_str()), 1);
    EXPECT_EQ(SkinRuntimeError(), SKIN_RT_OK);
    EXPECT_NE(SkinRegistry().Store().FindByType(SKIN_TOOLBAR), nullptr);
    for (const std::string& path : {garbage, empty, good})
        DeleteFileA(path.c_str());
    DestroyWindow(dialog);
}

// A top-level window whose skin object records the menu keys it is offered.
class MenuKeyWnd : public CSkinWnd {
public:
    LRESULT OnMenuKey(WPARAM key, LPARAM keyData) override
    {
        keys.push_back(key);
        return consume;
    }
    std::vector<WPARAM> keys;
    LRESULT consume = 1;
};

TEST_F(SkinRuntimeTest, KeyboardHookOffersMenuKeysAndSwallowsAltRelease)
{
    constexpr LPARAM kAlt = LPARAM(1) << 29, kUp = LPARAM(1) << 31;
    struct Case {
        WPARAM key;
        LPARAM data;
        MenuKeyAction action;
    } const cases[] = {
        {VK_F10, 0, KEY_MENU},          {VK_F10, kUp, KEY_MENU},         {'F', kAlt, KEY_MENU},
        {'F', kAlt | kUp, KEY_PASS},    {'F', 0, KEY_PASS},              {VK_MENU, kUp, KEY_ALT_RELEASE},
        {VK_MENU, 0, KEY_ALT_RELEASE},  {VK_MENU, kAlt, KEY_ALT_ALONE},  {VK_RETURN, 0, KEY_PASS},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ClassifyMenuKey(c.key, c.data), c.action) << c.key << " " << std::hex << c.data;

    // Releasing Alt is swallowed whatever window is active.
    EXPECT_EQ(SkinKeyboardHook(HC_ACTION, VK_MENU, kUp | 1), 1);

    WNDCLASSA wc = {};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "SkinMenuKeyTest";
    RegisterClassA(&wc);
    HWND window = CreateWindowExA(0, "SkinMenuKeyTest", "", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, nullptr, nullptr,
                                  wc.hInstance, nullptr);
    ASSERT_NE(window, nullptr);
    auto* object = new MenuKeyWnd();
    ASSERT_EQ(SkinRegistry().Register(object, window), 1);
    ASSERT_NE(object->Attach(window), 0);
    SetActiveWindow(window);
    ASSERT_EQ(GetActiveWindow(), window);

    EXPECT_EQ(SkinKeyboardHook(HC_ACTION, 'F', kAlt | 1), 1) << "consumed by the object";
    EXPECT_EQ(SkinKeyboardHook(HC_ACTION, VK_MENU, kAlt | 1), 1);
    object->consume = 0;
    EXPECT_EQ(SkinKeyboardHook(HC_ACTION, VK_F10, 1), 0) << "refused, so passed on";
    EXPECT_EQ(SkinKeyboardHook(HC_ACTION, 'G', 1), 0);
    ASSERT_EQ(object->keys.size(), 3u);
    EXPECT_EQ(object->keys[0], WPARAM('F'));
    EXPECT_EQ(object->keys[1], SKIN_ALT_ALONE);
    EXPECT_EQ(object->keys[2], WPARAM(VK_F10));
    DestroyWindow(window);
    EXPECT_EQ(SkinRegistry().Find(window), nullptr);
    UnregisterClassA("SkinMenuKeyTest", wc.hInstance);
}

// Wine reports the version named per program under AppDefaults; a small
// program of ours reports what the runtime computes and does under it. One
// version of each family is enough here: the mapping itself is checked above.
TEST(SkinPlatform, CodeAndScrollBarRedirectionFollowWinesPerProgramVersion)
{
    ASSERT_NE(GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version"), nullptr)
        << "this test drives Wine's per-program version setting and runs under Wine";
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string probe = path;
    probe = probe.substr(0, probe.find_last_of("\\/") + 1) + "skinruntime_platform.exe";
    // The code, + 10 for the themed button procedure (XP only), + 100 per
    // scroll-bar function the runtime redirected (codes 0 to 3 redirect none),
    // + 1000 when every byte is back after the runtime ends, + 2000 when a
    // direct install then patches (the NT family; on 9x it does nothing).
    struct Case {
        const char* version;
        DWORD code;
    } const cases[] = {{"win98", PLATFORM_WIN98 + 1000},
                       {"winxp", PLATFORM_WINXP + 10 + 800 + 1000 + 2000},
                       {"win7", PLATFORM_NT_OTHER + 1000 + 2000}};
    for (const Case& c : cases)
        EXPECT_EQ(glint::test::RunAsWindowsVersion(probe, c.version), c.code) << c.version;
}

} // namespace
