#pragma once
// Deleting an installed screensaver: its program file, its folder and its
// entry in the list of installed programs.
#include <string>

namespace glint {

enum class RemovalResult {
    Done,
    Failed,  // the program file or its folder could not be deleted
    Refused, // the target is not a screensaver file that can be removed safely; nothing was touched
};

// targetPath may be short or relative; it is made full first.
RemovalResult RemoveScreensaver(const std::string& targetPath);

// Deletes a registry key with all its subkeys; false when the key stays.
bool DeleteKeyTree(void* root, const std::string& path);

} // namespace glint
