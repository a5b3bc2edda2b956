#include "saver/StillPicture.h"

#include "base/Text.h"
#include "image/DibImage.h"

namespace glint {

bool EndsWithSwf(const std::string& path)
{
    return path.size() >= 3 && ToLowerAscii(path.substr(path.size() - 3)) == "swf";
}

void ShowStillPicture(HWND window, const std::string& path, const RECT& rect, HBITMAP& picture)
{
    CDibImage image;
    image.LoadFile(path.c_str(), FORMAT_UNKNOWN);
    if (picture)
        DeleteObject(picture);
    picture = image.ToGdiBitmap();
    if (!picture)
        return;
    BITMAP size = {};
    GetObjectA(picture, sizeof size, &size);
    HDC dc = GetDC(window);
    if (!dc)
        return;
    if (HDC memory = CreateCompatibleDC(dc)) {
        HGDIOBJ previous = SelectObject(memory, picture);
        int previousMode = SetStretchBltMode(dc, COLORONCOLOR);
        StretchBlt(dc, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, memory, 0, 0,
                   size.bmWidth, size.bmHeight, SRCCOPY);
        SetStretchBltMode(dc, previousMode);
        SelectObject(memory, previous);
        DeleteDC(memory);
    }
    ReleaseDC(window, dc);
}

} // namespace glint
