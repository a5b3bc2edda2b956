#pragma once
// Writing a data file (the authoring side, used by glintpack and the tests).
#include "saver/core/DataFileFormat.h"

#include <cstdint>
#include <string>
#include <vector>

namespace glint::datafile {

// One embedded file: its name inside the work folder and where its bytes come
// from (a file on disk, or the bytes given here when sourcePath is empty).
struct PackEntry {
    std::string name;
    std::string sourcePath;
    std::string bytes;
};

struct PackSpec {
    std::string tag = "GLINT";
    std::string workName;
    std::string mainMovie;
    std::string title;
    uint32_t scaleToFit = 1, exitOnMouse = 1, exitOnKey = 1;
    std::vector<PackEntry> files;

    uint32_t previewKind = 0; // 1: the preview entry is embedded; 0: the preview plays the movie
    PackEntry preview;

    uint32_t pictureKind = 0; // 1: the picture entry is embedded; 0: the dialog shows the movie
    PackEntry picture;
    uint32_t allowExitOptions = 1, allowMute = 1, showSiteButton = 0;
    std::string siteCaption, siteAddress;

    std::vector<PackEntry> movies; // movie records; the last one plays

    // Reserved parts the screensaver reads past (the format has room for them).
    uint32_t reservedTextLength = 0;
    bool reservedTextAgain = false;
    uint32_t reservedPayloadLength = 0;
    uint32_t previewReservedLength = 0;
};

// Writes the file; on failure returns false with a message naming the field or file.
bool WriteDataFile(const PackSpec& pack, const std::string& outPath, std::string& error);

} // namespace glint::datafile
