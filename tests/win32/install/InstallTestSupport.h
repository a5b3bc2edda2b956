#pragma once
// Shared by the installer's Win32 tests: files beside the test program, where
// the worker looks for its list, and the log that chainstep.exe writes.
#include "install/InstallList.h"

#include <windows.h>

#include <fstream>
#include <sstream>
#include <string>

namespace installtest {

inline std::string Folder() { return glint::install::FolderOf(glint::install::ModulePath()); }

inline std::string ReadText(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

inline void WriteText(const std::string& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary) << text;
}

inline std::string Quoted(const std::string& text)
{
    std::string out(1, '"');
    out += text;
    out += '"';
    return out;
}

inline bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

} // namespace installtest
