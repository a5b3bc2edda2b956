#pragma once
// The rules of install.exe that need no window: where its list lies, which keys
// make the list, how an entry's placeholders expand and how entries are run in
// turn with their retries. The Win32 side supplies the system calls.
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace glint::install {

inline constexpr const char* kListSection = "InstallList";
inline constexpr int kMaxEntries = 49;
inline constexpr int kStartAttempts = 5;
inline constexpr unsigned kRetryDelayMs = 2000;
inline constexpr unsigned kAfterEntryDelayMs = 1000;
inline constexpr unsigned kDonePostIntervalMs = 1000;

inline constexpr std::string_view kFolderPlaceholder = "%CurrentLocation%\\"; // exact case
inline constexpr std::string_view kLanguagePlaceholder = "%LangID%";
inline constexpr std::string_view kDesktopPlaceholder = "%Desktop%";
inline constexpr std::string_view kStartupPlaceholder = "%Startup%";

// The folder of a program path up to and including its last "\" (empty when
// the path has none).
std::string FolderOf(std::string_view programPath);

// The list file beside the program: its folder, then its file name in lower
// case with every ".exe" turned into ".ini". A name without ".exe" gets ".ini"
// appended, so the program never reads itself as its list.
std::string InstallListPath(std::string_view programPath);

// "Setup1" ... "Setup49".
std::string SetupKey(int number);

// Reads the keys in order through lookup (which answers "" for a missing key)
// and stops at the first missing or empty one.
std::vector<std::string> CollectInstallList(const std::function<std::string(const std::string& key)>& lookup);

// Replaces each occurrence of placeholder once, left to right; the text put in
// is never searched again, so a value holding its own placeholder cannot make
// the replacement run on. ReplaceNoCase compares ASCII letters without case
// (multibyte text is left alone: a placeholder starts with '%', which is never
// the trail byte of a double-byte character).
std::string ReplaceExact(std::string_view text, std::string_view placeholder, std::string_view value);
std::string ReplaceNoCase(std::string_view text, std::string_view placeholder, std::string_view value);

struct PlaceholderValues {
    std::string programFolder; // ends with "\"
    std::string languageId;
    std::string commonDesktop;
    std::string commonStartup;
};

// The placeholder part of an entry's expansion (environment variables are
// expanded before, by the system).
std::string ExpandPlaceholders(std::string_view entry, const PlaceholderValues& values);

// What running the list needs from the system.
class EntryRunner {
public:
    virtual ~EntryRunner() = default;
    // Starts the command line and waits until it ends; false when it could not
    // be started.
    virtual bool StartAndWait(const std::string& commandLine) = 0;
    // Waits; false when the run was stopped meanwhile (or before).
    virtual bool Pause(unsigned milliseconds) = 0;
    virtual bool Stopped() const = 0;
    virtual void ReportStartFailure(const std::string& commandLine) = 0;
};

// Runs the entries one after another: up to kStartAttempts starts, kRetryDelayMs
// after each failed one, kAfterEntryDelayMs after each entry, a report when all
// attempts failed. Nothing further starts once the runner is stopped. Returns
// the number of entries that ran.
int RunInstallEntries(const std::vector<std::string>& entries, EntryRunner& runner);

} // namespace glint::install
