#pragma once
// CAviClip: an AVI clip opened through the system's AVI file and DrawDib
// services, which it binds by name at run time (a system without them still
// runs, without clips). Opens a file, tells its length and rate, and draws one
// frame into a device context.
#include <windows.h>
#include <vfw.h>

#include <cstdint>

namespace glint {

// Why the last Open failed.
enum AviClipError {
    AVI_CLIP_OK = 0,
    AVI_CLIP_NO_LIBRARY,   // the AVI or DrawDib services are missing
    AVI_CLIP_NOT_READ,     // the file cannot be opened or described as an AVI file
    AVI_CLIP_NO_VIDEO,     // the file has no video stream
    AVI_CLIP_BAD_RATE,     // scale 0, or less than one frame a second
};

class CAviClip {
public:
    CAviClip();
    ~CAviClip();
    CAviClip(const CAviClip&) = delete;
    CAviClip& operator=(const CAviClip&) = delete;

    // Both libraries were loaded.
    bool Available() const { return video_ && draw_; }
    // Opens a clip (closing the one open before); false, with Error() saying
    // why, leaves nothing open.
    bool Open(const char* path);
    void Close();
    bool IsOpen() const { return stream_ != nullptr; }
    AviClipError Error() const { return error_; }

    // -1 with nothing open.
    int32_t FrameCount() const;
    // Frames a second; never 0 for an open clip.
    uint32_t FrameRate() const;
    int Width() const { return int(info_.dwWidth); }
    int Height() const { return int(info_.dwHeight); }
    // One frame (counted from the clip's start) at 0, 0 in the clip's size.
    bool DrawClipFrame(HDC dc, int32_t frame);

private:
    HMODULE video_ = nullptr;
    HMODULE draw_ = nullptr;
    PAVIFILE file_ = nullptr;
    PAVISTREAM stream_ = nullptr;
    PGETFRAME frames_ = nullptr;
    HDRAWDIB drawDib_ = nullptr;
    AVIFILEINFOA info_ = {};
    AviClipError error_ = AVI_CLIP_OK;

    void(WINAPI* fileInit_)() = nullptr;
    void(WINAPI* fileExit_)() = nullptr;
    HRESULT(WINAPI* fileOpen_)(PAVIFILE*, LPCSTR, UINT, LPCLSID) = nullptr;
    HRESULT(WINAPI* fileInfo_)(PAVIFILE, AVIFILEINFOA*, LONG) = nullptr;
    HRESULT(WINAPI* fileGetStream_)(PAVIFILE, PAVISTREAM*, DWORD, LONG) = nullptr;
    ULONG(WINAPI* fileRelease_)(PAVIFILE) = nullptr;
    ULONG(WINAPI* streamRelease_)(PAVISTREAM) = nullptr;
    PGETFRAME(WINAPI* frameOpen_)(PAVISTREAM, LPBITMAPINFOHEADER) = nullptr;
    LPVOID(WINAPI* getFrame_)(PGETFRAME, LONG) = nullptr;
    HRESULT(WINAPI* frameClose_)(PGETFRAME) = nullptr;
    LONG(WINAPI* streamStart_)(PAVISTREAM) = nullptr;
    LONG(WINAPI* streamLength_)(PAVISTREAM) = nullptr;
    HDRAWDIB(WINAPI* drawDibOpen_)() = nullptr;
    BOOL(WINAPI* drawDibClose_)(HDRAWDIB) = nullptr;
    BOOL(WINAPI* drawDibDraw_)(HDRAWDIB, HDC, int, int, int, int, LPBITMAPINFOHEADER, LPVOID, int, int, int, int,
                               UINT) = nullptr;
};

} // namespace glint
