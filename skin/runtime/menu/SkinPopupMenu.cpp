#include "skin/runtime/menu/SkinPopupMenu.h"

namespace glint {

// UNFINISHED: the system's default handling until the menu window exists.
LRESULT CALLBACK SkinPopupMenuWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProcA(window, message, wParam, lParam);
}

} // namespace glint
