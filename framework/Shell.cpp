#include "framework/Shell.h"

#include <windows.h>
#include <shellapi.h>

#include <vector>

namespace glint::fw {

int ShellDeleteTree(const std::string& path)
{
    // The shell takes a list of paths ended by an empty one.
    std::vector<char> from(path.begin(), path.end());
    from.push_back('\0');
    from.push_back('\0');
    SHFILEOPSTRUCTA op = {};
    op.wFunc = FO_DELETE;
    op.pFrom = from.data();
    op.fFlags = FOF_NOCONFIRMATION | FOF_SILENT | FOF_NOERRORUI;
    return SHFileOperationA(&op);
}

} // namespace glint::fw
