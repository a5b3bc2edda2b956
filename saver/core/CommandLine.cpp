#include "saver/core/CommandLine.h"

#include "base/Text.h"

#include <string>

namespace glint {

// A signed decimal number after optional blanks; reading stops at the first
// non-digit. Values beyond 64 bits wrap rather than overflow.
static int64_t ReadHandle(std::string_view text)
{
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+'))
        negative = text[i++] == '-';
    uint64_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
        value = value * 10u + uint64_t(text[i] - '0');
    return int64_t(negative ? 0u - value : value);
}

SaverCommand ParseSaverCommandLine(std::string_view arguments)
{
    const std::string line = ToLowerAscii(arguments);
    SaverCommand command;
    size_t at = line.find_first_of("/-");
    if (at == std::string::npos || at + 1 >= line.size())
        return command;
    command.mode = line[at + 1];
    if (command.mode == 'p' && line.size() > at + 3)
        command.windowHandle = ReadHandle(std::string_view(line).substr(at + 2));
    return command;
}

} // namespace glint
