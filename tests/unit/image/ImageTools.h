#pragma once
// What the image tests share to ask ImageMagick and netpbm about a file.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace glint::test {

// Runs a shell command quietly; true when it succeeded.
inline bool Shell(const std::string& command)
{
    return std::system(("(" + command + ") 2>/dev/null").c_str()) == 0;
}

inline std::vector<uint8_t> ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

// The size ImageMagick gives a picture; `quotedName` is a shell word, and may
// name one frame ("'file[2]'").
inline bool MagickSize(const std::string& quotedName, int32_t& width, int32_t& height)
{
    FILE* p = popen(("identify -format '%w %h' " + quotedName + " 2>/dev/null").c_str(), "r");
    if (!p)
        return false;
    char buf[64] = {};
    const size_t got = std::fread(buf, 1, sizeof buf - 1, p);
    pclose(p);
    return got != 0 && std::sscanf(buf, "%d %d", &width, &height) == 2;
}

} // namespace glint::test
