#pragma once
// The runtime's two per-thread hooks and the rules they apply, split out so
// that the rules can be tried on their own.
#include <windows.h>

#include <cstdint>

namespace glint {

LRESULT CALLBACK SkinMessageHook(int code, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK SkinKeyboardHook(int code, WPARAM key, LPARAM keyData);

// The calling thread's hooks, null when it has not started the runtime.
HHOOK ThreadMessageHook();
HHOOK ThreadKeyboardHook();

// A toolbar floats (and is skinned on its own) when its parent is no rebar
// and no framework control bar, has a parent itself, and is a tool window.
bool IsFloatingToolbarParent(const char* parentClass, bool parentHasParent, uint32_t parentExStyle);

// What the keyboard hook does with a key.
enum MenuKeyAction {
    KEY_PASS,        // not a menu key: passed on
    KEY_MENU,        // F10 or an Alt combination going down: offered as WM_SKINMENUKEY
    KEY_ALT_RELEASE, // the Alt key released: always swallowed
    KEY_ALT_ALONE,   // the Alt key itself with the Alt bit: offered as SKIN_ALT_ALONE
};
MenuKeyAction ClassifyMenuKey(WPARAM key, LPARAM keyData);

} // namespace glint
