#pragma once
// Where the shared SWF corpus is: GLINT_SWF_CORPUS in the environment, else
// the folder the build was configured with.
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace glint::flash::test {

inline std::filesystem::path CorpusDir()
{
    if (const char* env = std::getenv("GLINT_SWF_CORPUS"))
        return env;
    return GLINT_SWF_CORPUS;
}

// The files of a corpus folder with this extension, in name order.
inline std::vector<std::filesystem::path> CorpusFiles(const std::filesystem::path& dir, const std::string& ext)
{
    std::vector<std::filesystem::path> out;
    std::error_code ec;
    for (const auto& e : std::filesystem::directory_iterator(dir, ec))
        if (e.path().extension() == ext)
            out.push_back(e.path());
    std::sort(out.begin(), out.end());
    return out;
}

} // namespace glint::flash::test
