#pragma once
// The values one run of the screensaver works with, filled at start-up from
// the data file and the user's stored settings.
#include "saver/core/DataFileReader.h"

#include <cstdint>
#include <string>

namespace glint {

struct RunSettings {
    std::string dataPath;
    std::string workFolder;
    std::string moviePath;
    uint32_t previewKind = 0;
    std::string previewPath;
    int scaleToFit = 0;
    int exitOnKey = 0, exitOnMouse = 0;
    int soundMute = 0;
    uint32_t savedVolume = 0;
    // Settings dialog
    uint32_t pictureKind = 0;
    std::string picturePath;
    int allowExitOptions = 0, allowMute = 0, showSiteButton = 0;
    std::string siteCaption, siteAddress;
};

// Fills the values that come from the data file; paths are the work folder,
// the separator and the name.
void ApplyContents(const datafile::Contents& contents, const std::string& workFolder, char separator,
                   RunSettings& settings);

// True for an address the site button may open: it begins with "http:" or
// "https:" in any case. Anything else (a program extracted into the work
// folder, a UNC path, another scheme) would be run or opened by the shell.
bool IsWebAddress(const std::string& address);
// The site button is shown only when the data file asks for it and its
// address is a web address.
bool SiteButtonShown(const RunSettings& settings);

// The stored exit rules override the data file's defaults unless they are -1
// ("not stored").
constexpr int kNotStored = -1;
void ApplyStoredExitRules(int storedExitMouse, int storedExitKey, RunSettings& settings);

} // namespace glint
