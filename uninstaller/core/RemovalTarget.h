#pragma once
// What a removal deletes, worked out from the screensaver's full path: the
// program file, the folder named like it beside it, and its uninstall key.
#include <string>
#include <string_view>

namespace glint {

struct RemovalTarget {
    std::string program; // the full path, as given
    std::string folder;  // the program's folder, without a trailing separator
    std::string name;    // the program's file name
    std::string base;    // the name without its dot and three-character extension
    std::string DataFolder() const { return folder + "\\" + base; }
    std::string UninstallKey() const;
};

// Splits a full path. Refuses what would make the removal delete the wrong
// tree: no file name, a name that does not end in a dot and a three-character
// extension, a base name that is empty, only dots or blanks, or not a plain name.
bool SplitRemovalTarget(std::string_view fullPath, RemovalTarget& target);

} // namespace glint
