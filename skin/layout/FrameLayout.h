#pragma once
// The geometry of a skinned frame: where the nine parts and the frame
// elements go for a window of a given size, which hit code a point has, and
// when an element shows. Window coordinates throughout (0, 0 is the window's
// top-left corner). Hit codes are the system's HT values as plain ints.
#include "base/Win32Layouts.h"

#include <array>
#include <cstddef>
#include <cstdint>

namespace glint {

// Parts in the frame definition's order.
enum FramePartIndex {
    PART_TOP_LEFT, PART_TOP, PART_TOP_RIGHT, PART_LEFT, PART_CLIENT, PART_RIGHT, PART_BOTTOM_LEFT, PART_BOTTOM,
    PART_BOTTOM_RIGHT, PART_COUNT
};
using FrameRects = std::array<RECT, PART_COUNT>;

// The system's hit-test codes.
enum FrameHit : int {
    HIT_NOWHERE = 0, HIT_CLIENT = 1, HIT_CAPTION = 2, HIT_LEFT = 10, HIT_RIGHT = 11, HIT_TOP = 12,
    HIT_TOPLEFT = 13, HIT_TOPRIGHT = 14, HIT_BOTTOM = 15, HIT_BOTTOMLEFT = 16, HIT_BOTTOMRIGHT = 17
};

// Style bits the frame rules read.
constexpr uint32_t FRAME_STYLE_MODALFRAME = 0x80;      // DS_MODALFRAME
constexpr uint32_t FRAME_STYLE_THICKFRAME = 0x40000;   // WS_THICKFRAME
constexpr uint32_t FRAME_STYLE_DLGFRAME = 0x400000;    // WS_DLGFRAME
constexpr uint32_t FRAME_STYLE_CAPTION = 0xC00000;     // WS_CAPTION (border and dialog frame)
constexpr uint32_t FRAME_STYLE_SYSMENU = 0x80000;      // WS_SYSMENU
constexpr uint32_t FRAME_STYLE_MAXIMIZEBOX = 0x10000;  // WS_MAXIMIZEBOX
constexpr uint32_t FRAME_STYLE_MINIMIZEBOX = 0x20000;  // WS_MINIMIZEBOX

// A dialog gets the skin's frame with a dialog frame or a modal frame.
bool IsFramedStyle(uint32_t style);
// Sizable by the frame: a thick frame that is not also a modal frame.
bool IsSizableStyle(uint32_t style);
// The caption text is drawn only with the whole caption style.
bool HasWholeCaption(uint32_t style);

// The nine parts for a window width x height, from the reference rectangles:
// the right column and the bottom row stick to the window's right and bottom
// edges, the middle ones stretch between. Parts never get a negative size: a
// window smaller than its borders gets parts that are cut, not inverted.
FrameRects LayoutFrame(const FrameRects& reference, int32_t width, int32_t height);

// The reference size of the whole frame: the bottom-right part's right and bottom.
SIZE FrameReferenceSize(const FrameRects& reference);

// Border widths around the client area: left = middle-left width, right =
// middle-right width, top = top-left height, bottom = bottom-left height.
RECT FrameBorders(const FrameRects& reference);

// An element of a fill element or caption button by its anchor code: 4 or 6
// keep the distance from the right edge, 5 from the right and bottom edges, 2
// or 8 from the bottom edge, anything else the reference position. frameSize is
// the reference size the element was designed in, width x height the window's.
RECT AnchorByCode(const RECT& reference, uint32_t anchorCode, SIZE frameSize, int32_t width, int32_t height);

// An image element by its four anchor flags (left, top, right, bottom): left
// alone keeps the left gap, right alone the right gap, both stretch; the same
// vertically. No flag on an axis keeps the reference position there.
RECT AnchorByFlags(const RECT& reference, const uint32_t anchors[4], SIZE frameSize, int32_t width,
                   int32_t height);

// The frame's own answer for a window-relative point (the elements have been
// asked first by the caller). A sizable frame that is not maximised answers
// the border codes; otherwise the three top parts are caption.
int FrameHitTest(const FrameRects& parts, POINT point, bool sizable, bool maximised);

// The hit code of an image element's role: 1 and 10 caption, 2 ... 9 the
// border codes, others nowhere.
int ImageElementRoleHit(uint32_t role);

// What decides whether an element shows.
struct WindowShowState {
    bool minimised = false;
    bool maximised = false;
    bool active = false;
    bool enabled = true;
};
// Visibility 0 always, 1 minimised, 2 not minimised, 3 maximised, 4 not
// maximised, 5 active, 6 not active, 7 enabled, 8 disabled, others never.
bool ElementVisible(uint32_t visibility, const WindowShowState& state);

// Text alignment of image elements as DrawText flags (always single line):
// horizontal 0/1/2 left/centre/right, vertical 0/1/2 top/centre/bottom.
uint32_t ElementTextFormat(uint32_t horizontal, uint32_t vertical);

bool RectContains(const RECT& r, POINT p);
bool RectIsEmpty(const RECT& r);

} // namespace glint
