#pragma once
// The private window messages of the skin runtime. Their numbers are fixed:
// menus, controls and dialogs of separate files talk through them.
#include <windows.h>

namespace glint {

// Posted when a popup menu's tracking ends; the tracking loop stops on it.
constexpr UINT WM_SKINMENUENDTRACK = 0x178B;
// Tells a popup menu to close its cascade and bring its owner to the foreground.
constexpr UINT WM_SKINMENUCLOSECASCADE = 0x1790;
// Tells a parent popup that its child closed; wParam says what to do next.
constexpr UINT WM_SKINMENUCHILDCLOSED = 0x1791;
// A control's object tells its parent that the control is going (wParam: the control).
constexpr UINT WM_SKINCHILDGONE = 0x1793;
// A menu key from the keyboard hook (wParam: the key, or SKIN_ALT_ALONE; lParam: key data).
constexpr UINT WM_SKINMENUKEY = 0x1794;
// A skinned control asks its parent to paint the background behind it
// (wParam: the control's device context, lParam: the control).
constexpr UINT WM_SKINDRAWPARENTBACK = 0x1795;
// Posted by a control's object to itself: remember the font it has now.
constexpr UINT WM_SKINSAVEFONT = 0x1796;

// WM_SKINMENUKEY's wParam when the Alt key went down alone.
constexpr WPARAM SKIN_ALT_ALONE = 0xFFFFFFFF;

} // namespace glint
