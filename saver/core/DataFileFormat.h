#pragma once
// The screensaver data file: fixed-size blocks and payloads in a fixed order.
// This is the one description of the layout; the screensaver reads it and
// glintpack writes it.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace glint::datafile {

constexpr char kSignature[] = "SWF,Quintorix";

// Block sizes, in file order.
constexpr size_t kHeaderSize = 364;
constexpr size_t kReservedBlockSize = 200;
constexpr size_t kMovieBlockSize = 540;
constexpr size_t kFileRecordSize = 264;
constexpr size_t kSecondReservedBlockSize = 552;
constexpr size_t kPreviewBlockSize = 896;
constexpr size_t kDialogBlockSize = 800;
constexpr size_t kMovieRecordSize = 276;

// Field offsets and sizes.
namespace header {
constexpr size_t kSignature = 0, kSignatureSize = 16;
constexpr size_t kTag = 16, kTagSize = 8;
constexpr size_t kSealedSignature = 24, kSealedSignatureSize = 48;
constexpr size_t kSealedTag = 72, kSealedTagSize = 24;
constexpr size_t kWorkName = 96, kNameSize = 260;
constexpr size_t kMovieCount = 356;
} // namespace header
namespace reserved {
constexpr size_t kTextLength = 132;           // in the first reserved block
constexpr size_t kPayloadFlag = 0;            // in the second reserved block
constexpr size_t kPayloadLength = 264;        // in the second reserved block
constexpr size_t kTextAgainFlag = 268;        // in the second reserved block
} // namespace reserved
namespace movie {
constexpr size_t kMainMovie = 0, kTitle = 260, kScaleToFit = 520, kExitOnMouse = 524, kExitOnKey = 528,
                 kFileCount = 536;
}
namespace record {
constexpr size_t kName = 0, kSize = 260; // the same in file and movie records
}
namespace preview {
constexpr size_t kKind = 0, kName = 4, kSize = 264, kReservedFlag = 624, kReservedLength = 892;
}
namespace dialog {
constexpr size_t kKind = 0, kName = 4, kSize = 264, kAllowExitOptions = 268, kAllowMute = 272,
                 kShowSiteButton = 276, kSiteCaption = 280, kSiteAddress = 540, kTextSize = 260;
}

// The key shared by the sealing in glintpack and the unsealing in the screensaver.
constexpr std::string_view kSealKey = "Qk7rT2mWx9LpZ4vHc8NbJ3dYf6GsA1eUo5RiK0tXqE";
static_assert(kSealKey.size() == 42);

// Reverses the sealing of a short header text (decimal digit triples).
std::string Unseal(std::string_view sealed);
// Seals a text so that Unseal gives it back; the result is 3 digits a character.
std::string Seal(std::string_view text);

// A name taken from the file becomes a path inside the work folder. Only a
// plain file name is safe: no separators, drives, device names or dot tricks.
bool IsSafeEntryName(std::string_view name);

} // namespace glint::datafile
