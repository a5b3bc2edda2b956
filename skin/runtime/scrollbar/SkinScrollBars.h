#pragma once
// Skinned scroll bars: the per-window record, the subclass procedure and the
// process-wide redirection of the system's scroll-bar functions.
#include <windows.h>

namespace glint {

class CSkinNode;

// The window property that holds a window's scroll-bar record.
constexpr char SKIN_SCROLLBAR_PROPERTY[] = "GlazeScrollBarState";

// Parts of a bar, as hit tests and the drawing helper name them.
enum SkinScrollPart : int {
    SKIN_SB_NONE = -1,
    SKIN_SB_ARROW1 = 0,    // left or up
    SKIN_SB_ARROW2 = 1,    // right or down
    SKIN_SB_PAGE1 = 2,     // track before the thumb
    SKIN_SB_PAGE2 = 3,     // track after the thumb
    SKIN_SB_THUMB = 5,
    SKIN_SB_GRIPPER = 6,   // the corner between two bars
    SKIN_SB_INSERTED = 0x80,
};

// Drawing states of a part.
enum SkinScrollState : int {
    SKIN_SBS_NORMAL = 0,
    SKIN_SBS_PRESSED = 1,
    SKIN_SBS_HIGHLIGHTED = 2,
    SKIN_SBS_DISABLED = 3,
};

// Both return 0 and do nothing on the 9x family; else 1. Functions whose
// first bytes cannot be moved safely are left alone.
int InstallScrollBarRedirection();
int RemoveScrollBarRedirection();
// How many of the eight system functions are redirected now.
int RedirectedScrollBarFunctions();

// 1, or 0 when the window already has a record.
int InitializeSkinScrollBars(HWND window);
// 0, or E_FAIL when the window has no record.
HRESULT UninitializeSkinScrollBars(HWND window);
// bar: SB_HORZ, SB_VERT or SB_BOTH. Sizes: positive pixels, -n for n times the
// system metric. Nothing happens for a window without a record.
void SetSkinScrollBarSize(HWND window, int bar, int thickness, int arrowLength);
void SetSkinScrollBarStyle(HWND window, int bar, int style);
// -1: the platform's default.
void SetSkinScrollBarMinThumb(HWND window, int bar, int size);
bool HasSkinScrollBars(HWND window);

// One part of a bar (SkinScrollPart, SkinScrollState) from the scroll bar
// definition's pictures, or as the system draws it when the definition is null
// or has no picture for it. The pictures show a vertical bar (ARROW1 points
// up); a horizontal part is drawn mirrored across the diagonal, so that the
// up arrow points left.
void DrawSkinScrollBarPart(HDC dc, const RECT& rect, CSkinNode* scrollBarDefinition, int part, int state,
                           bool vertical);

// Where the parts of a skinned bar are, in window coordinates (the window
// rectangle's top-left is 0,0). Empty rectangles for parts that are not drawn.
struct SkinScrollBarLayout {
    bool shown;
    RECT bar, arrow1, arrow2, page1, page2, thumb;
};
// false when the window has no record or bar is neither SB_HORZ nor SB_VERT.
bool GetSkinScrollBarLayout(HWND window, int bar, SkinScrollBarLayout& layout);

} // namespace glint
