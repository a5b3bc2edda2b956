#pragma once
// Skinned popup menus of class "GlazeworkPopupMenuWnd".
#include <windows.h>

namespace glint {

// The window procedure of the popup menu class the runtime registers.
LRESULT CALLBACK SkinPopupMenuWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

} // namespace glint
