#pragma once
// Win32: painting a skinned frame from a frame definition, independent of any
// window object: the nine parts, the caption text, the window region, the
// client background, and composing it all off screen. The callers pass what
// they have (definition, store, sizes, device context, elements).
#include <windows.h>

#include "skin/layout/FrameLayout.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace glint {

class CFrameBase;
class CFrameDefinition;
class CFrameElement;
class CSkinNode;
class CSkinStore;

// The nine reference rectangles of a frame definition. All empty for null.
FrameRects FramePartRects(const CFrameBase* definition);
// The frame definition behind a definition pointer, or null when it is
// another kind (or null): callers then keep the system's look.
const CFrameDefinition* AsFrameDefinition(const CSkinNode* definition);
// Whether a frame definition can shape a window: its reference rectangles
// are ordered and the client part lies inside the reference size.
bool FrameIsUsable(const CFrameBase* definition);

// The nine parts into a device context whose origin is the window's corner:
// unless minimised the middle-left and middle-right parts, then the top row,
// then the bottom row. Active parts with the active colour as fallback;
// inactive from the inactive images (the active ones where an inactive one is
// empty) with the inactive colour. Nothing is drawn for a null definition.
void DrawFrameParts(HDC dc, CSkinStore& store, const CFrameBase* definition, const FrameRects& parts,
                    bool active, bool minimised);

// The window text into the top-middle part, single line, centred vertically,
// in the caption font and its colour, on a transparent background. Only when
// the style at attach has the whole caption and captionTextFlag is set.
void DrawFrameCaption(HDC dc, const CFrameDefinition* definition, const FrameRects& parts, const char* text,
                      uint32_t styleAtAttach, bool captionTextFlag);

// The window text, at most 300 characters.
std::string WindowCaption(HWND window);

// The window region: null when the skin does not ask for the transparent
// colour (the window stays rectangular) or the definition is null; otherwise
// the union of the nine parts, each its prepared key-colour region placed by
// its image's mode (or its whole rectangle), then each image element's region
// combined by its mode. An empty result is answered with null too: a window
// that shows nothing cannot be used. The caller owns the region.
HRGN BuildFrameRegion(const CFrameBase* definition, const FrameRects& parts, bool useTransparentColour,
                      const std::vector<std::unique_ptr<CFrameElement>>& elements, const RECT& windowRect);

// The client background: a bitmap of width x height compatible with dc,
// holding the client part's active image over the whole of it, with the
// client colour as fallback. *stretched says whether the image is stretched
// (then the caller repaints everything once). Null when it cannot be made.
HBITMAP CreateClientBackground(HDC dc, CSkinStore& store, const CFrameDefinition* definition, int32_t width,
                               int32_t height, bool* stretched);

// Composes the frame off screen at the window's size (draw paints into the
// memory context, window coordinates) and copies four strips to windowDC: the
// top rows down to the top-left part's bottom plus menuBarHeight, the middle-
// left and middle-right parts, and the bottom rows. False when no off-screen
// bitmap could be made (nothing is copied).
bool ComposeFrame(HDC windowDC, int32_t width, int32_t height, const FrameRects& parts, int32_t menuBarHeight,
                  const std::function<void(HDC)>& draw);

} // namespace glint
