#include "install/core/InstallRules.h"

#include "base/Text.h"

namespace glint::install {

namespace {

char UpperAscii(char c) { return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c; }

bool EqualNoCaseAt(std::string_view text, size_t at, std::string_view word)
{
    if (text.size() - at < word.size())
        return false;
    for (size_t i = 0; i < word.size(); ++i)
        if (UpperAscii(text[at + i]) != UpperAscii(word[i]))
            return false;
    return true;
}

template <typename Find>
std::string ReplaceEach(std::string_view text, std::string_view placeholder, std::string_view value, Find find)
{
    if (placeholder.empty())
        return std::string(text);
    std::string out;
    size_t from = 0;
    for (size_t at = find(text, from); at != std::string_view::npos; at = find(text, from)) {
        out.append(text.substr(from, at - from));
        out.append(value);
        from = at + placeholder.size();
    }
    out.append(text.substr(from));
    return out;
}

} // namespace

std::string FolderOf(std::string_view programPath)
{
    size_t slash = programPath.rfind('\\');
    return slash == std::string_view::npos ? std::string() : std::string(programPath.substr(0, slash + 1));
}

std::string InstallListPath(std::string_view programPath)
{
    std::string folder = FolderOf(programPath);
    std::string name = ToLowerAscii(programPath.substr(folder.size()));
    std::string list = ReplaceExact(name, ".exe", ".ini");
    if (list == name)
        list += ".ini";
    return folder + list;
}

std::string SetupKey(int number) { return "Setup" + std::to_string(number); }

std::vector<std::string> CollectInstallList(const std::function<std::string(const std::string& key)>& lookup)
{
    std::vector<std::string> entries;
    for (int i = 1; i <= kMaxEntries; ++i) {
        std::string value = lookup(SetupKey(i));
        if (value.empty())
            break;
        entries.push_back(std::move(value));
    }
    return entries;
}

std::string ReplaceExact(std::string_view text, std::string_view placeholder, std::string_view value)
{
    return ReplaceEach(text, placeholder, value,
                       [&](std::string_view t, size_t from) { return t.find(placeholder, from); });
}

std::string ReplaceNoCase(std::string_view text, std::string_view placeholder, std::string_view value)
{
    return ReplaceEach(text, placeholder, value, [&](std::string_view t, size_t from) {
        for (size_t at = from; at + placeholder.size() <= t.size(); ++at)
            if (EqualNoCaseAt(t, at, placeholder))
                return at;
        return std::string_view::npos;
    });
}

std::string ExpandPlaceholders(std::string_view entry, const PlaceholderValues& values)
{
    std::string text = ReplaceExact(entry, kFolderPlaceholder, values.programFolder);
    text = ReplaceNoCase(text, kLanguagePlaceholder, values.languageId);
    text = ReplaceNoCase(text, kDesktopPlaceholder, values.commonDesktop);
    return ReplaceNoCase(text, kStartupPlaceholder, values.commonStartup);
}

int RunInstallEntries(const std::vector<std::string>& entries, EntryRunner& runner)
{
    int ran = 0;
    for (const std::string& entry : entries) {
        bool started = false;
        for (int attempt = 0; attempt < kStartAttempts && !started; ++attempt) {
            if (runner.Stopped())
                return ran;
            started = runner.StartAndWait(entry);
            if (!started && !runner.Pause(kRetryDelayMs))
                return ran;
        }
        if (started)
            ++ran;
        if (!runner.Pause(kAfterEntryDelayMs))
            return ran;
        if (!started)
            runner.ReportStartFailure(entry);
    }
    return ran;
}

} // namespace glint::install
