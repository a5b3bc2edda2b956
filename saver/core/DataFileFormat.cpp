#include "saver/core/DataFileFormat.h"

#include <cctype>

namespace glint::datafile {

std::string Unseal(std::string_view sealed)
{
    const size_t n = sealed.size() / 3;
    const size_t start = n % kSealKey.size();
    std::string text;
    for (size_t i = 0; i < n; ++i) {
        unsigned value = 0;
        for (size_t d = 0; d < 3; ++d) {
            char c = sealed[3 * i + d];
            // atoi-like: a non-digit ends the number.
            if (c < '0' || c > '9')
                break;
            value = value * 10 + unsigned(c - '0');
        }
        char plain = char(uint8_t(value & 0xFF) ^ uint8_t(kSealKey[(i + start) % kSealKey.size()]));
        if (plain != 0)
            text += plain;
    }
    return text;
}

std::string Seal(std::string_view text)
{
    const size_t n = text.size();
    const size_t start = n % kSealKey.size();
    std::string sealed;
    for (size_t i = 0; i < n; ++i) {
        unsigned value = uint8_t(text[i]) ^ uint8_t(kSealKey[(i + start) % kSealKey.size()]);
        sealed += char('0' + value / 100);
        sealed += char('0' + value / 10 % 10);
        sealed += char('0' + value % 10);
    }
    return sealed;
}

static bool IsDeviceName(std::string_view name)
{
    std::string base;
    for (char c : name.substr(0, name.find('.')))
        base += char(std::toupper(static_cast<unsigned char>(c)));
    while (!base.empty() && base.back() == ' ')
        base.pop_back();
    if (base == "CON" || base == "PRN" || base == "AUX" || base == "NUL" || base == "CONIN$" || base == "CONOUT$")
        return true;
    return base.size() == 4 && (base.starts_with("COM") || base.starts_with("LPT")) && base[3] >= '0' &&
           base[3] <= '9';
}

bool IsSafeEntryName(std::string_view name)
{
    if (name.empty() || name.find("..") != std::string_view::npos)
        return false;
    bool onlyDotsAndBlanks = true;
    for (char c : name) {
        unsigned char u = static_cast<unsigned char>(c);
        if (c == '\\' || c == '/' || c == ':' || u < 0x20 || c == '*' || c == '?' || c == '"' || c == '<' ||
            c == '>' || c == '|')
            return false;
        if (c != '.' && c != ' ')
            onlyDotsAndBlanks = false;
    }
    return !onlyDotsAndBlanks && !IsDeviceName(name);
}

} // namespace glint::datafile
