#pragma once
// Deleting a folder with everything in it, without ever leaving it.
#include <string>

namespace glint {

// Deletes the folder at path and all it holds. A link met on the way (a
// junction, a symbolic link, or under Wine a Unix symlink) is removed as a
// link and never entered, so nothing outside the folder is touched; a link
// that cannot be removed stays, and so does the folder around it. When path
// itself is a link, only the link goes. True when nothing is left at path.
bool DeleteFolderTreeNoFollow(const std::string& path);

} // namespace glint
