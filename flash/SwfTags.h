#pragma once
// The codes of the tags the player reads, in one place for the movie, its
// pictures and its sounds.
#include <cstdint>

namespace glint::flash {

enum Tag : uint16_t {
    kEnd = 0,
    kShowFrame = 1,
    kDefineShape = 2,
    kPlaceObject = 4,
    kRemoveObject = 5,
    kDefineBits = 6,
    kDefineButton = 7,
    kJpegTables = 8,
    kSetBackgroundColor = 9,
    kDefineFont = 10,
    kDefineText = 11,
    kDoAction = 12,
    kDefineFontInfo = 13,
    kDefineSound = 14,
    kStartSound = 15,
    kDefineButtonSound = 17,
    kSoundStreamHead = 18,
    kSoundStreamBlock = 19,
    kDefineBitsLossless = 20,
    kDefineBitsJpeg2 = 21,
    kDefineShape2 = 22,
    kDefineButtonCxform = 23,
    kPlaceObject2 = 26,
    kRemoveObject2 = 28,
    kDefineShape3 = 32,
    kDefineText2 = 33,
    kDefineButton2 = 34,
    kDefineBitsJpeg3 = 35,
    kDefineBitsLossless2 = 36,
    kDefineEditText = 37,
    kDefineSprite = 39,
    kFrameLabel = 43,
    kSoundStreamHead2 = 45,
    kDefineMorphShape = 46,
    kDefineFont2 = 48,
    kDoInitAction = 59,
    kDefineFontInfo2 = 62,
    kFileAttributes = 69,
    kPlaceObject3 = 70,
    kDefineFont3 = 75,
    kSymbolClass = 76,
    kDefineShape4 = 83,
    kDefineMorphShape2 = 84,
    kStartSound2 = 89,
    kDefineBitsJpeg4 = 90,
};

} // namespace glint::flash
