#include "skin/runtime/controls/AviClip.h"

#include <cstring>

namespace glint {

namespace {

template <typename F>
void Bind(HMODULE module, F& entry, const char* name)
{
    entry = module ? reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, name))) : nullptr;
}

// The pixels of a packed DIB: after the header, its colour masks and its palette.
void* PackedBits(LPBITMAPINFOHEADER dib)
{
    DWORD colours = dib->biClrUsed;
    if (!colours && dib->biBitCount <= 8)
        colours = 1u << dib->biBitCount;
    const DWORD masks = dib->biCompression == BI_BITFIELDS && dib->biSize == sizeof(BITMAPINFOHEADER) ? 3 : 0;
    return reinterpret_cast<BYTE*>(dib) + dib->biSize + (colours + masks) * sizeof(RGBQUAD);
}

// Whether a clip of this rate and scale can be played: at least one whole
// frame a second, since a player waits 1000 / (rate / scale) milliseconds.
bool RateUsable(DWORD rate, DWORD scale) { return scale != 0 && rate >= scale; }

// Looks at the video stream headers at the start of the file before the
// system's reader does: some readers stop the process on a stream of scale 0
// instead of failing. False when a video stream's rate cannot be played.
bool StreamHeadersPlayable(const char* path)
{
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return true; // the reader says why it cannot open it
    BYTE head[8192];
    DWORD size = 0;
    if (!ReadFile(file, head, sizeof head, &size, nullptr))
        size = 0;
    CloseHandle(file);
    auto u32 = [&head](DWORD at) {
        return DWORD(head[at]) | DWORD(head[at + 1]) << 8 | DWORD(head[at + 2]) << 16 | DWORD(head[at + 3]) << 24;
    };
    // "strh", its size, then the stream type, handler, flags, priority and
    // language, initial frames, scale and rate.
    for (DWORD at = 0; at + 36 <= size; ++at)
        if (std::memcmp(head + at, "strh", 4) == 0 && u32(at + 4) >= 56 && std::memcmp(head + at + 8, "vids", 4) == 0 &&
            !RateUsable(u32(at + 32), u32(at + 28)))
            return false;
    return true;
}

} // namespace

CAviClip::CAviClip() : video_(LoadLibraryA("avifil32.dll")), draw_(LoadLibraryA("msvfw32.dll"))
{
    Bind(video_, fileInit_, "AVIFileInit");
    Bind(video_, fileExit_, "AVIFileExit");
    Bind(video_, fileOpen_, "AVIFileOpenA");
    Bind(video_, fileInfo_, "AVIFileInfoA");
    Bind(video_, fileGetStream_, "AVIFileGetStream");
    Bind(video_, fileRelease_, "AVIFileRelease");
    Bind(video_, streamRelease_, "AVIStreamRelease");
    Bind(video_, frameOpen_, "AVIStreamGetFrameOpen");
    Bind(video_, getFrame_, "AVIStreamGetFrame");
    Bind(video_, frameClose_, "AVIStreamGetFrameClose");
    Bind(video_, streamStart_, "AVIStreamStart");
    Bind(video_, streamLength_, "AVIStreamLength");
    Bind(draw_, drawDibOpen_, "DrawDibOpen");
    Bind(draw_, drawDibClose_, "DrawDibClose");
    Bind(draw_, drawDibDraw_, "DrawDibDraw");
    if (fileInit_)
        fileInit_();
}

CAviClip::~CAviClip()
{
    Close();
    if (fileExit_)
        fileExit_();
    if (draw_)
        FreeLibrary(draw_);
    if (video_)
        FreeLibrary(video_);
}

bool CAviClip::Open(const char* path)
{
    Close();
    if (!fileOpen_ || !fileInfo_ || !fileGetStream_ || !fileRelease_ || !streamLength_) {
        error_ = AVI_CLIP_NO_LIBRARY;
        return false;
    }
    if (path && !StreamHeadersPlayable(path)) {
        error_ = AVI_CLIP_BAD_RATE;
        return false;
    }
    error_ = AVI_CLIP_NOT_READ;
    if (!path || fileOpen_(&file_, path, OF_READ, nullptr) != 0) {
        file_ = nullptr;
        return false;
    }
    if (fileInfo_(file_, &info_, sizeof info_) != 0) {
        Close();
        return false;
    }
    if (fileGetStream_(file_, &stream_, streamtypeVIDEO, 0) != 0 || !stream_) {
        stream_ = nullptr;
        Close();
        error_ = AVI_CLIP_NO_VIDEO;
        return false;
    }
    if (!RateUsable(info_.dwRate, info_.dwScale)) {
        Close();
        error_ = AVI_CLIP_BAD_RATE;
        return false;
    }
    error_ = AVI_CLIP_OK;
    return true;
}

void CAviClip::Close()
{
    if (frames_ && frameClose_)
        frameClose_(frames_);
    frames_ = nullptr;
    if (drawDib_ && drawDibClose_)
        drawDibClose_(drawDib_);
    drawDib_ = nullptr;
    if (stream_ && streamRelease_)
        streamRelease_(stream_);
    stream_ = nullptr;
    if (file_ && fileRelease_)
        fileRelease_(file_);
    file_ = nullptr;
    info_ = {};
}

int32_t CAviClip::FrameCount() const { return file_ && stream_ ? int32_t(streamLength_(stream_)) : -1; }

uint32_t CAviClip::FrameRate() const { return info_.dwScale ? info_.dwRate / info_.dwScale : 0; }

bool CAviClip::DrawClipFrame(HDC dc, int32_t frame)
{
    if (!file_ || !stream_ || !frameOpen_ || !getFrame_ || !streamStart_ || !drawDibOpen_ || !drawDibDraw_)
        return false;
    // Decompression and the DrawDib context are opened once per clip and kept.
    if (!frames_)
        frames_ = frameOpen_(stream_, nullptr);
    if (!drawDib_)
        drawDib_ = drawDibOpen_();
    if (!frames_ || !drawDib_)
        return false;
    auto* dib = static_cast<LPBITMAPINFOHEADER>(getFrame_(frames_, streamStart_(stream_) + frame));
    if (!dib)
        return false;
    return drawDibDraw_(drawDib_, dc, 0, 0, Width(), Height(), dib, PackedBits(dib), 0, 0, -1, -1, 0) != FALSE;
}

} // namespace glint
