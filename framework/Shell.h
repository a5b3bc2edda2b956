#pragma once
// The shell's file operations, as the programs use them.
#include <string>

namespace glint::fw {

// Deletes a file or a folder with everything in it through the shell: no
// confirmation, no progress, no error dialog, no recycle bin. Returns the
// shell's result (0 on success).
int ShellDeleteTree(const std::string& path);

} // namespace glint::fw
