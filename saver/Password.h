#pragma once
// The Windows 9x screensaver password, through the system's own libraries,
// loaded by name so that the program runs where they do not exist.
#include <windows.h>

namespace glint {

// True when the saver may close: always on the NT family, where the system
// asks for the password itself.
bool VerifyPassword(HWND window);
void ChangePassword(HWND window);

} // namespace glint
