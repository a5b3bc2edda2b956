// The per-thread hooks: the message hook skins new dialogs and new children
// of skinned windows; the keyboard hook offers menu keys to the active
// window's skin object (or to an open skinned popup menu).
#include "skin/runtime/SkinHooks.h"

#include "skin/runtime/SkinMessages.h"
#include "skin/runtime/SkinRegistry.h"
#include "skin/runtime/SkinRuntime.h"
#include "skin/runtime/SkinWnd.h"
#include "skin/runtime/menu/SkinPopupMenu.h"

#include <cstring>
#include <string>

namespace glint {

namespace {

constexpr int kClassNameMax = 100;
constexpr LPARAM kAltContextBit = LPARAM(1) << 29;
constexpr LPARAM kKeyUpBit = LPARAM(1) << 31;
// The property by which a popup menu window finds its object.
constexpr char kPopupObjectProperty[] = "this";

std::string ClassOf(HWND window)
{
    char name[kClassNameMax + 1] = {};
    return GetClassNameA(window, name, sizeof name) ? name : std::string();
}

void SkinNewWindow(HWND window)
{
    const std::string cls = ClassOf(window);
    if (cls.empty())
        return;
    CSkinRegistry& registry = SkinRegistry();
    if (cls == "#32770") {
        const std::string name = AutoDialogSkinName();
        if (!name.empty()) {
            registry.AttachDialog(window, name.c_str());
            return;
        }
    }
    HWND parent = GetParent(window);
    if (!parent)
        return;
    if (CSkinWnd* owner = registry.FindOwner(parent)) {
        owner->AttachChild(window);
        return;
    }
    if (cls == "ToolbarWindow32" &&
        IsFloatingToolbarParent(ClassOf(parent).c_str(), GetParent(parent) != nullptr,
                                static_cast<uint32_t>(GetWindowLongPtrA(parent, GWL_EXSTYLE))))
        registry.AttachFloatingToolbar(window);
}

// The window that receives menu keys: an open skinned popup menu of the
// thread, which takes every menu key while it is open (the window that owns
// it would open another menu on Alt+Space), else the active window's.
HWND MenuKeyTarget(HWND active)
{
    if (CSkinPopupMenuWnd* menu = CSkinPopupMenuWnd::ActiveMenu())
        return menu->Window();
    if (!active)
        return nullptr;
    if (lstrcmpiA(ClassOf(active).c_str(), SKIN_POPUP_MENU_CLASS) == 0 && GetPropA(active, kPopupObjectProperty))
        return active;
    return SkinRegistry().Find(active) ? active : nullptr;
}

bool OfferMenuKey(WPARAM key, LPARAM keyData)
{
    HWND active = GetActiveWindow();
    HWND target = MenuKeyTarget(active);
    if (!target && active && lstrcmpiA(ClassOf(active).c_str(), SKIN_POPUP_MENU_CLASS) == 0)
        target = active;
    return target && SendMessageA(target, WM_SKINMENUKEY, key, keyData) != 0;
}

} // namespace

bool IsFloatingToolbarParent(const char* parentClass, bool parentHasParent, uint32_t parentExStyle)
{
    if (!parentClass || std::strcmp(parentClass, "ReBarWindow32") == 0 ||
        std::strncmp(parentClass, "AfxControlBar", 13) == 0)
        return false;
    return parentHasParent && (parentExStyle & WS_EX_TOOLWINDOW);
}

MenuKeyAction ClassifyMenuKey(WPARAM key, LPARAM keyData)
{
    const bool alt = keyData & kAltContextBit;
    const bool down = !(keyData & kKeyUpBit);
    if (key == VK_F10 || (alt && key != VK_MENU && down))
        return KEY_MENU;
    if (key == VK_MENU)
        return alt ? KEY_ALT_ALONE : KEY_ALT_RELEASE;
    return KEY_PASS;
}

LRESULT CALLBACK SkinMessageHook(int code, WPARAM wParam, LPARAM lParam)
{
    HHOOK hook = ThreadMessageHook();
    if (!hook)
        return 0;
    const auto* message = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (code == HC_ACTION && message && message->message == WM_CREATE)
        SkinNewWindow(message->hwnd);
    return CallNextHookEx(hook, code, wParam, lParam);
}

LRESULT CALLBACK SkinKeyboardHook(int code, WPARAM key, LPARAM keyData)
{
    HHOOK hook = ThreadKeyboardHook();
    if (!hook)
        return 0;
    if (code != HC_ACTION)
        return CallNextHookEx(hook, code, key, keyData);
    switch (ClassifyMenuKey(key, keyData)) {
    case KEY_MENU:
        if (OfferMenuKey(key, keyData))
            return 1;
        break;
    case KEY_ALT_RELEASE:
        return 1;
    case KEY_ALT_ALONE:
        if (OfferMenuKey(SKIN_ALT_ALONE, keyData))
            return 1;
        break;
    case KEY_PASS:
        break;
    }
    return CallNextHookEx(hook, code, key, keyData);
}

} // namespace glint
