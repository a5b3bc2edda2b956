#pragma once
// The value records of skin objects, in their file and memory layout, and the
// portable arithmetic of drawing them: which section of an image a slice
// draws, how a grid splits into nine parts, where a repeated centre goes, and
// which pixels a key-colour region keeps. The GDI drawing is in gdi/SkinDraw.
#include "base/Win32Layouts.h"

#include <array>
#include <bit>
#include <cstdint>
#include <vector>

namespace glint {

class CDibImage;

// Records are copied to and from the stream byte for byte.
static_assert(std::endian::native == std::endian::little, "skin records are little-endian");

enum SkinDrawMode : int32_t { SKIN_DRAW_PLACE = 0, SKIN_DRAW_TILE = 1, SKIN_DRAW_STRETCH = 2 };

#pragma pack(push, 1)

// An image slice: a rectangle of a named image of the store, with a mode.
struct SkinImageRef {
    char image[51];  // key of the image store, e.g. "windows.bmp"
    uint8_t filler;  // not interpreted
    RECT source;     // in the image, top-down
    int32_t mode;    // SkinDrawMode; anything but 0 and 1 stretches

    bool IsEmpty() const;
    int32_t Width() const { return source.right - source.left; }
    int32_t Height() const { return source.bottom - source.top; }
};

// A nine-part slice: the source split by four margins, drawn by grid mode 0 ... 8.
struct SkinGridRef {
    char image[51];
    uint8_t filler;
    RECT source;
    RECT margins;  // left, top, right, bottom widths
    int32_t mode;

    bool IsEmpty() const;
};

// A text colour with an optional offset copy in a second colour.
struct SkinTextEffect {
    int8_t offsetX;
    int8_t offsetY;
    uint8_t spare1[2];
    uint8_t red, green, blue;
    uint8_t colourFlag;
    uint8_t effectRed, effectGreen, effectBlue;
    uint8_t spare2;
    uint32_t flags;  // bit 0: draw the offset copy

    COLORREF TextColour() const { return RGB(red, green, blue); }
    COLORREF EffectColour() const { return RGB(effectRed, effectGreen, effectBlue); }
    void SetTextColour(COLORREF c);
    void SetEffectColour(COLORREF c);
    bool DrawsCopy() const { return flags & 1; }
};

// A font value: the logical font, then its text colour.
struct SkinFont {
    LOGFONTA logFont;
    COLORREF colour;
};

#pragma pack(pop)

static_assert(sizeof(SkinImageRef) == 72);
static_assert(sizeof(SkinGridRef) == 88);
static_assert(sizeof(SkinTextEffect) == 16);
static_assert(sizeof(SkinFont) == 64);

constexpr uint32_t SKIN_EFFECT_DEFAULT_FLAGS = 0x8004;

// Text colour COLOR_BTNTEXT, effect colour COLOR_BTNSHADOW, flag 255, flags 0x8004.
SkinTextEffect DefaultTextEffect();
// Height -12, weight 400, the usual precisions, the given face, colour black.
SkinFont DefaultSkinFont(const char* face);

// ---- drawing arithmetic ----

// What a slice puts into a destination: the section of the image to cut and
// the rectangle it covers (mode 0 clips both to the smaller size; other modes
// take the whole source and cover the whole destination).
struct SliceSection {
    RECT source;
    RECT destination;
};
SliceSection SectionFor(const SkinImageRef& slice, const RECT& destination);

// One of the nine parts of a grid: the slice it draws and where.
struct GridPart {
    SkinImageRef slice;
    RECT destination;
};
// Parts 0 ... 8, row by row, with their modes set by the grid mode.
std::array<GridPart, 9> SplitGrid(const SkinGridRef& grid, const RECT& destination);
// Grid mode 8: the cells that the centre (of the given source width) is
// repeated into, the last one cut at the centre's right edge; with the
// source sections, which the last cell cuts to its own width.
std::vector<GridPart> RepeatedCentre(const GridPart& centre);

// The rectangles, one pixel high, top row first, of the runs of pixels that
// differ from the key colour; a region of them leaves the key colour out.
std::vector<RECT> KeyColourRuns(const CDibImage& image, COLORREF key);

} // namespace glint
