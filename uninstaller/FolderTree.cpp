#include "uninstaller/FolderTree.h"

#include <windows.h>

namespace glint {

namespace {

// Paths are limited to MAX_PATH, so real folders never nest this deep; the
// bound keeps a strange file system from recursing without end.
constexpr int kMaxDepth = 128;

bool IsLink(DWORD attributes) { return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0; }

// A link to a folder is removed like an empty folder, a link to a file like a
// file; which one the system takes varies, so both are tried.
bool RemoveLink(const std::string& path, DWORD attributes)
{
    if (attributes & FILE_ATTRIBUTE_DIRECTORY)
        return RemoveDirectoryA(path.c_str()) || DeleteFileA(path.c_str());
    return DeleteFileA(path.c_str()) || RemoveDirectoryA(path.c_str());
}

bool RemoveFile(const std::string& path, DWORD attributes)
{
    // Safe only because this is not a link: it would change the target.
    if (attributes & FILE_ATTRIBUTE_READONLY)
        SetFileAttributesA(path.c_str(), attributes & ~DWORD(FILE_ATTRIBUTE_READONLY));
    return DeleteFileA(path.c_str()) != FALSE;
}

bool DeleteTree(const std::string& path, DWORD attributes, int depth)
{
    if (IsLink(attributes))
        return RemoveLink(path, attributes);
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY))
        return RemoveFile(path, attributes);
    if (depth > kMaxDepth)
        return false;

    bool all = true;
    WIN32_FIND_DATAA entry;
    HANDLE find = FindFirstFileA((path + "\\*").c_str(), &entry);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            const std::string name = entry.cFileName;
            if (name == "." || name == "..")
                continue;
            if (!DeleteTree(path + "\\" + name, entry.dwFileAttributes, depth + 1))
                all = false;
        } while (FindNextFileA(find, &entry));
        FindClose(find);
    }
    if (attributes & FILE_ATTRIBUTE_READONLY)
        SetFileAttributesA(path.c_str(), attributes & ~DWORD(FILE_ATTRIBUTE_READONLY));
    return RemoveDirectoryA(path.c_str()) && all;
}

} // namespace

bool DeleteFolderTreeNoFollow(const std::string& path)
{
    if (path.empty())
        return false;
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return false;
    return DeleteTree(path, attributes, 0);
}

} // namespace glint
