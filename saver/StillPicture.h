#pragma once
// Still pictures shown by the saver's preview and the settings dialog: decoded
// once by the image library, kept as a GDI bitmap and stretched onto a
// rectangle of a window from memory at every paint.
#include <windows.h>

#include <string>

namespace glint {

// True when the path names a movie: its last three characters, in any case, are "swf".
bool EndsWithSwf(const std::string& path);

class CStillPicture {
public:
    CStillPicture() = default;
    ~CStillPicture() { Free(); }
    CStillPicture(const CStillPicture&) = delete;
    CStillPicture& operator=(const CStillPicture&) = delete;

    // Decodes a picture file of any format the image library knows and keeps
    // it, replacing the one kept before. False, with nothing kept, when the
    // file cannot be decoded.
    bool Load(const std::string& path);
    // Stretches the kept picture onto rect; draws nothing when none is kept.
    // The file is not read again: the picture stays when it has gone.
    void Draw(HDC dc, const RECT& rect) const;
    void Draw(HWND window, const RECT& rect) const;
    void Free();

private:
    HBITMAP bitmap_ = nullptr;
    SIZE size_ = {};
};

} // namespace glint
