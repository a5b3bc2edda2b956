#pragma once
// Still pictures shown by the saver's preview and the settings dialog: decoded
// by the image library, stretched onto a rectangle of a window.
#include <windows.h>

#include <string>

namespace glint {

// True when the path names a movie: its last three characters, in any case, are "swf".
bool EndsWithSwf(const std::string& path);

// Decodes a picture file of any format the image library knows and draws it
// stretched onto `rect` of `window`. `picture` holds the GDI bitmap of the last
// picture (freed and replaced here); it is null when the file cannot be decoded,
// and then nothing is drawn.
void ShowStillPicture(HWND window, const std::string& path, const RECT& rect, HBITMAP& picture);

} // namespace glint
