#pragma once

namespace glint {

// Writes the uninstaller beside the program, starts it with the program's
// full path and ends the process.
[[noreturn]] void RunUninstaller();

} // namespace glint
