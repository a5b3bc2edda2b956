#include "saver/StillPicture.h"

#include "base/Text.h"
#include "image/DibImage.h"
#include "image/gdi/GdiGuards.h"

namespace glint {

bool EndsWithSwf(const std::string& path)
{
    return path.size() >= 3 && ToLowerAscii(path.substr(path.size() - 3)) == "swf";
}

void CStillPicture::Free()
{
    if (bitmap_)
        DeleteObject(bitmap_);
    bitmap_ = nullptr;
    size_ = {};
}

bool CStillPicture::Load(const std::string& path)
{
    Free();
    CDibImage image;
    if (!image.LoadFile(path.c_str(), FORMAT_UNKNOWN))
        return false;
    bitmap_ = image.ToGdiBitmap();
    if (!bitmap_)
        return false;
    BITMAP info = {};
    GetObjectA(bitmap_, sizeof info, &info);
    size_ = {info.bmWidth, info.bmHeight};
    return true;
}

void CStillPicture::Draw(HDC dc, const RECT& rect) const
{
    if (!bitmap_ || !dc)
        return;
    gdi::MemoryDC memory(dc);
    if (!memory)
        return;
    gdi::Selection picture(memory.Get(), bitmap_);
    const int previousMode = SetStretchBltMode(dc, COLORONCOLOR);
    StretchBlt(dc, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, memory.Get(), 0, 0, size_.cx,
               size_.cy, SRCCOPY);
    SetStretchBltMode(dc, previousMode);
}

void CStillPicture::Draw(HWND window, const RECT& rect) const
{
    if (!bitmap_)
        return;
    if (HDC dc = GetDC(window)) {
        Draw(dc, rect);
        ReleaseDC(window, dc);
    }
}

} // namespace glint
