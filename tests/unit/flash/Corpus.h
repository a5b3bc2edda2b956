#pragma once
// Where the shared SWF corpus is: GLINT_SWF_CORPUS in the environment, else
// the folder the build was configured with.
#include <cstdlib>
#include <filesystem>

namespace glint::flash::test {

inline std::filesystem::path CorpusDir()
{
    if (const char* env = std::getenv("GLINT_SWF_CORPUS"))
        return env;
    return GLINT_SWF_CORPUS;
}

} // namespace glint::flash::test
