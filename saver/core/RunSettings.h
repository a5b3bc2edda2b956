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

// The stored exit rules override the data file's defaults unless they are -1
// ("not stored").
constexpr int kNotStored = -1;
void ApplyStoredExitRules(int storedExitMouse, int storedExitKey, RunSettings& settings);

} // namespace glint
