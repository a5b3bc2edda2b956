// Opening and closing the skinned settings dialog leaves nothing behind: after
// 200 rounds the process has the GDI and USER objects it had before.
#include "tests/win32/skinsettings/SettingsDialogDriver.h"

#include "skin/runtime/SkinRuntime.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>

using namespace glint;
using namespace glint::testing;

namespace {

// GDI objects of this process. Windows counts them (GetGuiResources); Wine
// answers 0 there, but a handle whose high word is 0 still names its slot of
// the handle table, so the live objects are found by asking every slot for
// its type.
int CountGdiObjects()
{
    if (const DWORD n = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS))
        return int(n);
    int count = 0;
    for (uintptr_t slot = 1; slot < 0x10000; ++slot)
        if (GetObjectType(reinterpret_cast<HGDIOBJ>(slot)))
            ++count;
    return count;
}

BOOL CALLBACK CountWindow(HWND window, LPARAM count)
{
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process == GetCurrentProcessId()) {
        ++*reinterpret_cast<int*>(count);
        EnumChildWindows(window, CountWindow, count);
    }
    return TRUE;
}

// USER objects: Windows counts them; where it answers 0 (Wine), the windows of
// this process, top-level and children, hidden ones included.
int CountUserObjects()
{
    if (const DWORD n = GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS))
        return int(n);
    int count = 0;
    EnumWindows(CountWindow, reinterpret_cast<LPARAM>(&count));
    return count;
}

} // namespace

TEST(SkinnedSettingsDialog, CountersSeeObjectsComeAndGo)
{
    // Without this a difference of zero below would prove nothing.
    const int gdi = CountGdiObjects();
    HBRUSH brushes[10];
    for (HBRUSH& brush : brushes)
        brush = CreateSolidBrush(RGB(1, 2, 3));
    EXPECT_EQ(CountGdiObjects(), gdi + 10);
    for (HBRUSH brush : brushes)
        DeleteObject(brush);
    EXPECT_EQ(CountGdiObjects(), gdi);

    const int user = CountUserObjects();
    HWND window = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    HWND inner = CreateWindowExA(0, "STATIC", "", WS_CHILD, 0, 0, 5, 5, window, nullptr, nullptr, nullptr);
    ASSERT_TRUE(window && inner);
    EXPECT_GE(CountUserObjects(), user + 2);
    DestroyWindow(window);
    EXPECT_EQ(CountUserObjects(), user);
}

TEST(SkinnedSettingsDialog, StoppingTheRuntimeFreesWhatTheSkinHeld)
{
    const int gdi = CountGdiObjects();
    ASSERT_TRUE(StartSkinnedDialogs()) << "error " << SkinRuntimeError();
    EXPECT_GT(CountGdiObjects(), gdi) << "the loaded skin holds fonts and regions";
    ExitSkinRuntime();
    EXPECT_EQ(CountGdiObjects(), gdi);
}

TEST(SkinnedSettingsDialog, OpenedAndClosed200TimesLeavesNoGdiOrUserObjects)
{
    ASSERT_TRUE(StartSkinnedDialogs()) << "error " << SkinRuntimeError();
    int skinned = 0;
    auto look = [&skinned](HWND dialog) {
        // Skinned: the dialog has its skin object and the region of its round corners.
        HRGN region = CreateRectRgn(0, 0, 0, 0);
        if (GetPropA(dialog, "OBJECT") && GetWindowRgn(dialog, region) != ERROR)
            ++skinned;
        DeleteObject(region);
    };
    // The first rounds make what the system keeps for the rest of the process
    // (the dialog font, class data of the controls).
    for (int i = 0; i < 2; ++i)
        ASSERT_TRUE(RunSettingsDialog(look));
    const int gdi = CountGdiObjects(), user = CountUserObjects();
    for (int i = 0; i < 200; ++i)
        ASSERT_TRUE(RunSettingsDialog(look)) << "round " << i;
    EXPECT_EQ(skinned, 202) << "the dialog was not skinned";
    EXPECT_EQ(CountGdiObjects(), gdi) << "GDI objects left behind by 200 rounds";
    EXPECT_EQ(CountUserObjects(), user) << "USER objects left behind by 200 rounds";
    ExitSkinRuntime();
}
