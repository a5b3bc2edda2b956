#pragma once
// Skinned scroll bars: the per-window record, the subclass procedure and the
// process-wide redirection of the system's scroll-bar functions.
#include <windows.h>

namespace glint {

// Both return 0 and do nothing on the 9x family; else 1.
int InstallScrollBarRedirection();
int RemoveScrollBarRedirection();

} // namespace glint
