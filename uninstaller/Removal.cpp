#include "uninstaller/Removal.h"

#include "uninstaller/FolderTree.h"
#include "uninstaller/core/RemovalTarget.h"

#include <windows.h>


namespace glint {

namespace {

// Subkeys nest only a few levels in practice; the bound keeps a looping or
// hostile hive from recursing without end.
constexpr int kMaxKeyDepth = 32;

bool DeleteSubkeys(HKEY key, int depth)
{
    if (depth > kMaxKeyDepth)
        return false;
    for (;;) {
        char name[260];
        DWORD length = sizeof name;
        if (RegEnumKeyExA(key, 0, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            return true;
        HKEY child;
        if (RegOpenKeyExA(key, name, 0, KEY_ALL_ACCESS, &child) != ERROR_SUCCESS)
            return false;
        bool emptied = DeleteSubkeys(child, depth + 1);
        RegCloseKey(child);
        if (!emptied || RegDeleteKeyA(key, name) != ERROR_SUCCESS)
            return false;
    }
}

bool IsExistingFile(const std::string& path)
{
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

} // namespace

bool DeleteKeyTree(void* root, const std::string& path)
{
    HKEY key;
    HKEY top = static_cast<HKEY>(root);
    if (RegOpenKeyExA(top, path.c_str(), 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS)
        return false;
    DeleteSubkeys(key, 0);
    RegCloseKey(key);
    return RegDeleteKeyA(top, path.c_str()) == ERROR_SUCCESS;
}

RemovalResult RemoveScreensaver(const std::string& targetPath)
{
    char full[MAX_PATH];
    DWORD n = GetFullPathNameA(targetPath.c_str(), MAX_PATH, full, nullptr);
    RemovalTarget target;
    if (n == 0 || n >= MAX_PATH || !SplitRemovalTarget(full, target) || !IsExistingFile(target.program))
        return RemovalResult::Refused;

    bool ok = DeleteFileA(target.program.c_str()) != FALSE;

    // Links inside the folder go as links: the removal never reaches outside it.
    if (!DeleteFolderTreeNoFollow(target.DataFolder()))
        ok = false;

    // A missing entry is not the user's concern: the outcome does not change.
    DeleteKeyTree(HKEY_LOCAL_MACHINE, target.UninstallKey());
    return ok ? RemovalResult::Done : RemovalResult::Failed;
}

} // namespace glint
