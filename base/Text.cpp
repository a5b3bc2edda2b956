#include "base/Text.h"

#include <cstring>

namespace glint {

std::string ToLowerAscii(std::string_view text)
{
    std::string out(text);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
    return out;
}

std::string ToUpperAscii(std::string_view text)
{
    std::string out(text);
    for (char& c : out)
        if (c >= 'a' && c <= 'z')
            c = char(c - 'a' + 'A');
    return out;
}

static bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::string TrimBlanks(std::string_view text)
{
    size_t begin = 0, end = text.size();
    while (begin < end && IsBlank(text[begin]))
        ++begin;
    while (end > begin && IsBlank(text[end - 1]))
        --end;
    return std::string(text.substr(begin, end - begin));
}

std::string FieldText(const uint8_t* field, size_t fieldSize)
{
    const void* zero = std::memchr(field, 0, fieldSize);
    size_t length = zero ? size_t(static_cast<const uint8_t*>(zero) - field) : fieldSize;
    return std::string(reinterpret_cast<const char*>(field), length);
}

bool StoreFieldText(uint8_t* field, size_t fieldSize, std::string_view text)
{
    if (text.size() + 1 > fieldSize || text.find('\0') != std::string_view::npos)
        return false;
    std::memset(field, 0, fieldSize);
    std::memcpy(field, text.data(), text.size());
    return true;
}

} // namespace glint
