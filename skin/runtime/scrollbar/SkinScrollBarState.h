#pragma once
// Inside the skinned scroll bars: the record of a window's two bars, shared
// by the subclass procedure and the redirected system functions.
#include <windows.h>

namespace glint {

// Bits of a bar's flags.
constexpr UINT BAR_ARROWS_DISABLED = ESB_DISABLE_BOTH; // ESB_DISABLE_LTUP | ESB_DISABLE_RTDN
constexpr UINT BAR_ALWAYS_SHOWN = 4;
constexpr UINT BAR_VISIBLE = 8;

struct BarState {
    UINT flags;
    bool shown; // visible and room for it at the last frame computation
    int min, max;
    UINT page;
    int pos, trackPos;
    int thickness, arrowLength; // > 0 pixels, -n: n times the system metric
    int minThumb;
    int style;
    int hotPart;
};

struct ScrollBarRecord {
    WNDPROC previous;
    BarState bars[2]; // SB_HORZ, SB_VERT
    bool tracking;    // the thumb is being dragged
    bool leftScrollBar;
    bool styleChanging; // WM_NCCALCSIZE or WM_NCPAINT hides the scroll styles for a moment
    bool detached;      // uninitialised while another procedure had subclassed on top of ours
    HWND toolTip;
    SCROLLINFO systemSeen[2]; // the system's own state of the bars when last looked at
    bool systemMoved;         // the control has changed the system's state past our entries
};

// The record of a window of this process, or null (also when it was detached).
ScrollBarRecord* FindScrollBarRecord(HWND window);

// The system's own functions (through the trampolines while redirected).
struct SystemScrollFunctions {
    BOOL(WINAPI* enableScrollBar)(HWND, UINT, UINT);
    BOOL(WINAPI* getScrollInfo)(HWND, int, LPSCROLLINFO);
    int(WINAPI* getScrollPos)(HWND, int);
    BOOL(WINAPI* getScrollRange)(HWND, int, LPINT, LPINT);
    int(WINAPI* setScrollInfo)(HWND, int, LPCSCROLLINFO, BOOL);
    int(WINAPI* setScrollPos)(HWND, int, int, BOOL);
    BOOL(WINAPI* setScrollRange)(HWND, int, int, int, BOOL);
    BOOL(WINAPI* showScrollBar)(HWND, int, BOOL);
};
const SystemScrollFunctions& SystemScroll();

// The record's side of the redirected functions (bar is SB_HORZ or SB_VERT).
int SetBarInfo(HWND window, ScrollBarRecord& record, int bar, const SCROLLINFO& info, BOOL redraw);
// Recomputes the frame (the bars' room) without moving the window.
void RecomputeFrame(HWND window);
void RepaintBars(HWND window);

} // namespace glint
