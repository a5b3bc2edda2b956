#pragma once
// Runs Glintbox's settings dialog the way the program does (modal, from the
// program's own resources) and calls back while it is open, so that tests and
// benchmarks can look at it and close it.
#include <windows.h>

#include <functional>

namespace glint::testing {

// Starts the skin runtime with the default skin the test program carries, as
// Glintbox.scr does at start-up; ExitSkinRuntime undoes it.
bool StartSkinnedDialogs();

// Opens the settings dialog with a still picture; whileOpen runs once the
// dialog is shown and painted, and the dialog is cancelled after it returns.
// False when the dialog could not be shown.
bool RunSettingsDialog(const std::function<void(HWND dialog)>& whileOpen);

// Paints the whole window now: frame, background, client and every child.
void PaintWholeWindow(HWND window);

} // namespace glint::testing
