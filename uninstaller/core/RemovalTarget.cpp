#include "uninstaller/core/RemovalTarget.h"

namespace glint {

std::string RemovalTarget::UninstallKey() const
{
    return "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + base;
}

static bool IsPlainBase(std::string_view base)
{
    if (base.empty())
        return false;
    bool onlyDotsAndBlanks = true;
    for (char c : base) {
        if (c == '\\' || c == '/' || c == ':' || static_cast<unsigned char>(c) < 0x20)
            return false;
        if (c != '.' && c != ' ')
            onlyDotsAndBlanks = false;
    }
    return !onlyDotsAndBlanks;
}

static bool HasThreeCharacterExtension(std::string_view name)
{
    const std::string_view extension = name.substr(name.size() - 3);
    return name[name.size() - 4] == '.' && extension.find_first_of(". ") == std::string_view::npos;
}

bool SplitRemovalTarget(std::string_view fullPath, RemovalTarget& target)
{
    size_t slash = fullPath.rfind('\\');
    if (slash == std::string_view::npos || slash == 0)
        return false;
    std::string_view name = fullPath.substr(slash + 1);
    // The folder to delete is the name without its extension: a name that
    // does not end in one (".scr", ".exe") would name some other tree.
    if (name.size() <= 4 || !HasThreeCharacterExtension(name))
        return false;
    std::string_view base = name.substr(0, name.size() - 4);
    if (!IsPlainBase(base))
        return false;
    target.program = std::string(fullPath);
    target.folder = std::string(fullPath.substr(0, slash));
    target.name = std::string(name);
    target.base = std::string(base);
    return true;
}

} // namespace glint
