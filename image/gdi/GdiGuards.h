#pragma once
// Scope guards for GDI objects: whatever a drawing function makes or selects
// is released at the end of its scope, on every path.
#include <windows.h>

namespace glint::gdi {

// Owns an HGDIOBJ (bitmap, region, brush...) and deletes it.
template <class Handle>
class GdiObject {
public:
    explicit GdiObject(Handle handle = nullptr) : handle_(handle) {}
    ~GdiObject()
    {
        if (handle_)
            DeleteObject(handle_);
    }
    GdiObject(const GdiObject&) = delete;
    GdiObject& operator=(const GdiObject&) = delete;
    Handle Get() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr; }

private:
    Handle handle_;
};

// A memory device context, deleted at the end of the scope.
class MemoryDC {
public:
    explicit MemoryDC(HDC compatibleWith) : dc_(CreateCompatibleDC(compatibleWith)) {}
    ~MemoryDC()
    {
        if (dc_)
            DeleteDC(dc_);
    }
    MemoryDC(const MemoryDC&) = delete;
    MemoryDC& operator=(const MemoryDC&) = delete;
    HDC Get() const { return dc_; }
    explicit operator bool() const { return dc_ != nullptr; }

private:
    HDC dc_;
};

// The screen's device context (GetDC(NULL)), released at the end of the scope.
class ScreenDC {
public:
    ScreenDC() : dc_(GetDC(nullptr)) {}
    ~ScreenDC()
    {
        if (dc_)
            ReleaseDC(nullptr, dc_);
    }
    ScreenDC(const ScreenDC&) = delete;
    ScreenDC& operator=(const ScreenDC&) = delete;
    HDC Get() const { return dc_; }

private:
    HDC dc_;
};

// Selects an object into a device context and puts the previous one back.
class Selection {
public:
    Selection(HDC dc, HGDIOBJ object) : dc_(dc), previous_(dc && object ? SelectObject(dc, object) : nullptr) {}
    ~Selection()
    {
        if (previous_)
            SelectObject(dc_, previous_);
    }
    Selection(const Selection&) = delete;
    Selection& operator=(const Selection&) = delete;

private:
    HDC dc_;
    HGDIOBJ previous_;
};

// Remembers a device context's clipping region and restores exactly that.
class SavedClip {
public:
    explicit SavedClip(HDC dc) : dc_(dc), region_(CreateRectRgn(0, 0, 0, 0))
    {
        // GetClipRgn answers 0 when the context has no clipping region at all.
        hadRegion_ = region_ && GetClipRgn(dc_, region_) == 1;
    }
    ~SavedClip()
    {
        SelectClipRgn(dc_, hadRegion_ ? region_ : nullptr);
        if (region_)
            DeleteObject(region_);
    }
    SavedClip(const SavedClip&) = delete;
    SavedClip& operator=(const SavedClip&) = delete;

private:
    HDC dc_;
    HRGN region_;
    bool hadRegion_ = false;
};

// Owns an enhanced metafile handle.
class EnhMetafile {
public:
    explicit EnhMetafile(HENHMETAFILE handle = nullptr) : handle_(handle) {}
    ~EnhMetafile()
    {
        if (handle_)
            DeleteEnhMetaFile(handle_);
    }
    EnhMetafile(const EnhMetafile&) = delete;
    EnhMetafile& operator=(const EnhMetafile&) = delete;
    void Reset(HENHMETAFILE handle)
    {
        if (handle_)
            DeleteEnhMetaFile(handle_);
        handle_ = handle;
    }
    HENHMETAFILE Get() const { return handle_; }

private:
    HENHMETAFILE handle_;
};

} // namespace glint::gdi
