#pragma once
// Win32: drawing the records of skin objects on a device context, by the
// arithmetic of SkinRecords.h and the image library's painting.
#include <windows.h>

#include "skin/file/SkinRecords.h"

namespace glint {

class CSkinStore;

// A slice into a destination by its mode. When the slice is empty, its image
// is missing or its section cannot be cut, the destination is filled with
// *fallback when one is given, else nothing is drawn.
void DrawImageRef(HDC dc, CSkinStore& store, const SkinImageRef& slice, const RECT& destination,
                  const COLORREF* fallback = nullptr);

// A nine-part slice: each part by the slice rule, the centre of grid mode 8
// repeated across.
void DrawGridRef(HDC dc, CSkinStore& store, const SkinGridRef& grid, const RECT& destination,
                 const COLORREF* fallback = nullptr);

// DrawTextA's work with the text read in the system's code page whatever the
// font's character set: GDI reads an A text by the font's, and a skin font
// that ends up with a Western one showed Korean texts as Latin letters.
int DrawSkinText(HDC dc, const char* text, int length, RECT* rect, UINT format);

// A text in the effect's colour, after its offset copy when the effect asks for one.
void DrawTextEffect(HDC dc, const SkinTextEffect& effect, const char* text, int length, const RECT& rect,
                    UINT format);

} // namespace glint
