#pragma once
// CDibImage: the in-memory picture of the image library. One allocation holds
// a device-independent bitmap (40-byte header, palette, pixel rows bottom row
// first, each row padded to 4 bytes); beside it an optional alpha plane and
// an info block. Every codec fills one; the drawing operations put it on a
// device context (Win32 build only).
#include "base/Win32Layouts.h"
#include "image/ImageFormat.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>

namespace glint {

class CDibImage;
class ImageStream;

// Refuse (width x height x bit count) / 256 above this.
constexpr uint64_t DIBIMAGE_MAX_MEMORY = 256000000;

struct ImageInfo {
    uint32_t effWidth;          // row stride in bytes
    uint8_t* bits;              // first byte of the pixel rows inside dib
    CDibImage* shareOwner;      // set while the buffers are borrowed (ShareFrom)
    uint32_t type;              // ImageFormat of the picture
    char lastError[256];
    int32_t progress;
    int32_t escape;             // non-zero: decoders stop with "Cancelled"
    int32_t transIndex;         // transparent palette index, -1 = none
    RGBQUAD transColor;         // transparent colour of true-colour pictures
    uint8_t quality;            // JPEG quality
    uint8_t jpegScale;
    int32_t frame;              // frame or page wanted (0 = first)
    int32_t frameCount;         // frames or pages the decoder found
    uint32_t frameDelay;
    int32_t xDpi, yDpi;
    uint8_t alphaMax;           // opacity ceiling when painting
    bool alphaPaletteEnabled;   // palette reserved bytes are alpha values
    bool enabled;               // drawing enabled
    int32_t xOffset, yOffset;
    uint32_t codecOptions[FORMAT_COUNT];
    RGBQUAD lastColor;          // NearestIndex cache
    uint8_t lastIndex;
    bool lastValid;
};

class CDibImage {
public:
    explicit CDibImage(uint32_t format = FORMAT_UNKNOWN);
    CDibImage(int32_t width, int32_t height, uint32_t bitCount, uint32_t format);
    CDibImage(const CDibImage& source, bool copyPixels, bool copyAlpha);
    virtual ~CDibImage();
    CDibImage(const CDibImage&) = delete;
    CDibImage& operator=(const CDibImage&) = delete;

    // ---- lifetime ----
    bool Destroy();
    uint8_t* Create(int32_t width, int32_t height, uint32_t bitCount, uint32_t format);
    bool CopyFrom(const CDibImage& source, bool copyPixels = true, bool copyAlpha = true);
    void CopyInfoFrom(const CDibImage& source);
    bool TakeFrom(CDibImage& source);
    void ShareFrom(CDibImage* source);

    // ---- queries ----
    int32_t Width() const { return head_.biWidth; }
    int32_t Height() const { return head_.biHeight; }
    uint32_t BitCount() const { return head_.biBitCount; }
    uint32_t EffWidth() const { return info_.effWidth; }
    uint32_t Type() const { return info_.type; }
    uint32_t ColorsUsed() const { return head_.biClrUsed; }
    bool IsIndexed() const { return head_.biClrUsed != 0; }
    bool IsValid() const { return dib_ != nullptr; }
    const char* LastError() const { return info_.lastError; }
    void SetLastError(const char* text);
    int32_t TransIndex() const { return info_.transIndex; }
    void SetTransIndex(int32_t index) { info_.transIndex = index; }
    RGBQUAD TransColor() const { return info_.transColor; }
    void SetTransColor(RGBQUAD color);
    uint8_t JpegScale() const { return info_.jpegScale; }
    bool IsInside(int32_t x, int32_t y) const;
    size_t PaletteSize() const { return size_t(head_.biClrUsed) * 4; }
    size_t DibSize() const { return dib_ ? 40 + PaletteSize() + head_.biSizeImage : 0; }
    const BITMAPINFOHEADER& Header() const { return head_; }
    const ImageInfo& Info() const { return info_; }
    uint8_t* Dib() const { return dib_; }
    uint8_t* Bits() const { return info_.bits; }
    RGBQUAD* Palette() const { return dib_ && head_.biClrUsed ? reinterpret_cast<RGBQUAD*>(dib_ + 40) : nullptr; }

    // Caller-controlled info fields.
    void SetFrame(int32_t frame) { info_.frame = frame; }
    int32_t FrameCount() const { return info_.frameCount; }
    void SetFrameCount(int32_t count) { info_.frameCount = count; }
    void SetEscape(int32_t escape) { info_.escape = escape; }
    int32_t Progress() const { return info_.progress; }
    void SetAlphaMax(uint8_t value) { info_.alphaMax = value; }
    void SetAlphaPaletteEnabled(bool on) { info_.alphaPaletteEnabled = on; }
    void SetEnabled(bool on) { info_.enabled = on; }

    // ---- resolution and options ----
    void SetXDPI(int32_t dpi);
    void SetYDPI(int32_t dpi);
    int32_t XDPI() const { return info_.xDpi; }
    int32_t YDPI() const { return info_.yDpi; }
    uint32_t CodecOption(uint32_t format = 0) const;
    bool SetCodecOption(uint32_t value, uint32_t format = 0);

    // ---- rows and pixels (y counts rows from the bottom) ----
    uint8_t* RowPointer(int32_t row) const;
    void Fill(uint8_t value);
    uint8_t PixelIndex(int32_t x, int32_t y) const;
    void SetPixelIndex(int32_t x, int32_t y, uint8_t index);
    RGBQUAD PixelColor(int32_t x, int32_t y, bool withAlpha = true) const;
    void SetPixelColor(int32_t x, int32_t y, RGBQUAD color, bool setAlpha = false);
    void SetPixelColor(int32_t x, int32_t y, COLORREF color);

    // ---- palette ----
    struct RgbTriple {
        uint8_t red, green, blue;
    };
    RGBQUAD PaletteEntry(uint32_t index) const;
    void SetPaletteEntry(uint32_t index, uint8_t red, uint8_t green, uint8_t blue, uint8_t alpha = 0);
    void SetPalette(const RGBQUAD* entries, uint32_t count);
    void SetPalette(const RgbTriple* triples, uint32_t count);
    void SetPalette(uint32_t count, const uint8_t* red, const uint8_t* green = nullptr, const uint8_t* blue = nullptr);
    void SetGrayPalette();
    bool IsGrayPalette() const;
    uint8_t NearestIndex(RGBQUAD color);

    // ---- alpha plane (indexed y * width + x, same row order as the pixels) ----
    bool AlphaCreate();
    void AlphaDelete();
    void AlphaSet(int32_t x, int32_t y, uint8_t level);
    uint8_t AlphaGet(int32_t x, int32_t y) const;
    bool AlphaFlip();
    bool AlphaMirror();
    bool HasAlpha() const { return alpha_ != nullptr; }
    uint8_t* AlphaPlane() const { return alpha_; }

    // ---- whole-picture transforms ----
    bool Flip();
    bool Mirror();
    bool Rotate90(CDibImage* destination = nullptr);
    bool Negative();
    bool CropTo(int32_t left, int32_t top, int32_t right, int32_t bottom, CDibImage* destination = nullptr);
    bool RotateBy(float angle, CDibImage* destination = nullptr);
    RGBQUAD TransparentColor() const;

    // ---- format dispatch and I/O ----
    bool LoadFile(const char* path, uint32_t format = FORMAT_UNKNOWN);
    bool DecodeFile(std::FILE* file, uint32_t format = FORMAT_UNKNOWN);
    bool DecodeStream(ImageStream* stream, uint32_t format = FORMAT_UNKNOWN);
    bool DecodeBuffer(const uint8_t* bytes, size_t size, uint32_t format = FORMAT_UNKNOWN);
    bool EncodeStream(ImageStream* stream, uint32_t format = FORMAT_BMP);
    // buffer must be null on entry; on success it holds a malloc'ed block.
    bool EncodeBuffer(uint8_t*& buffer, uint32_t& size, uint32_t format = FORMAT_BMP);

#ifdef _WIN32
    // ---- Win32 drawing (image/gdi/) ----
    HBITMAP ToGdiBitmap(HDC dc = nullptr) const;
    int Paint(HDC dc, int x, int y, int cx = -1, int cy = -1, const RECT* clip = nullptr);
    int PaintScaled(HDC dc, int x, int y, int cx, int cy);
    int PaintScaledPlain(HDC dc, int x, int y, int cx, int cy);
    int PaintTiled(HDC dc, const RECT* rect);
    void CreateFromGdiBitmap(HBITMAP bitmap, HPALETTE palette = nullptr);
#endif

protected:
    // Every encoder calls this before it writes.
    bool EncodeGuard(ImageStream* stream);
    // Info copy that keeps this image's own buffer pointers.
    void AssignInfo(const ImageInfo& source);
    uint32_t ImageSize() const { return head_.biSizeImage; }

    uint8_t* dib_ = nullptr;
    BITMAPINFOHEADER head_{};
    ImageInfo info_{};
    uint8_t* alpha_ = nullptr;

private:
    void ResetInfo(uint32_t format);
};

} // namespace glint
