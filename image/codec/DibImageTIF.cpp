#include "image/codec/DibImageTIF.h"

#include "image/ImageStream.h"
#include "image/codec/CodecSupport.h"

#include <cmath>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include <tiffio.h>

namespace glint {

namespace {

uint64_t g_rasterBudget = uint64_t(64) << 20;

// ---- the library's view of an ImageStream, from where the picture starts ----

struct TiffSource {
    ImageStream* stream;
    int32_t base;     // stream position of the file's first byte
    uint8_t* mapped;  // the whole file, when the library asked for it

    TiffSource(ImageStream* s) : stream(s), base(s->Tell()), mapped(nullptr) {}
    ~TiffSource() { std::free(mapped); }
    TiffSource(const TiffSource&) = delete;
    TiffSource& operator=(const TiffSource&) = delete;
};

TiffSource* Source(thandle_t handle) { return static_cast<TiffSource*>(handle); }

tmsize_t StreamRead(thandle_t handle, void* buffer, tmsize_t size)
{
    if (size <= 0)
        return 0;
    return tmsize_t(Source(handle)->stream->Read(buffer, 1, size_t(size)));
}

tmsize_t StreamWrite(thandle_t, void*, tmsize_t) { return 0; } // read only

toff_t StreamSeek(thandle_t handle, toff_t offset, int whence)
{
    TiffSource* source = Source(handle);
    // Streams address 2 GB; an offset past that cannot be in the file.
    const int64_t signedOffset = int64_t(offset);
    int64_t target = signedOffset;
    int origin = ImageStream::SEEK_FROM_START;
    if (whence == SEEK_SET)
        target = offset > 0x7FFFFFFF ? -1 : int64_t(source->base) + signedOffset;
    else
        origin = whence == SEEK_CUR ? ImageStream::SEEK_FROM_CURRENT : ImageStream::SEEK_FROM_END;
    if (target < (whence == SEEK_SET ? 0 : -0x7FFFFFFF) || target > 0x7FFFFFFF ||
        !source->stream->Seek(int32_t(target), origin))
        return toff_t(-1);
    const int32_t at = source->stream->Tell();
    return at < source->base ? toff_t(-1) : toff_t(at - source->base);
}

int StreamClose(thandle_t) { return 0; } // the stream belongs to the caller

toff_t StreamSize(thandle_t handle)
{
    const int32_t size = Source(handle)->stream->Size();
    return size < Source(handle)->base ? 0 : toff_t(size - Source(handle)->base);
}

// The library reads uncompressed tiles wrongly unless the file is mapped
// (libtiff 4.5.0 refuses their byte counts), and its own tools always map:
// files up to the picture limit are read into memory once and handed over.
int StreamMap(thandle_t handle, void** base, toff_t* size)
{
    TiffSource* source = Source(handle);
    const toff_t bytes = StreamSize(handle);
    if (source->mapped || bytes == 0 || bytes > DIBIMAGE_MAX_MEMORY)
        return 0;
    const int32_t at = source->stream->Tell();
    auto* copy = static_cast<uint8_t*>(std::malloc(size_t(bytes)));
    const bool ok = copy && source->stream->Seek(source->base, ImageStream::SEEK_FROM_START) &&
                    source->stream->Read(copy, 1, size_t(bytes)) == size_t(bytes);
    source->stream->Seek(at, ImageStream::SEEK_FROM_START);
    if (!ok) {
        std::free(copy);
        return 0;
    }
    source->mapped = copy;
    *base = copy;
    *size = bytes;
    return 1;
}

void StreamUnmap(thandle_t handle, void* base, toff_t)
{
    TiffSource* source = Source(handle);
    if (base && base == source->mapped) {
        std::free(source->mapped);
        source->mapped = nullptr;
    }
}

// The library's last error text for this decode; nothing is printed.
struct TiffMessages {
    char text[200];
};

int KeepError(TIFF*, void* user, const char* module, const char* format, va_list args)
{
    auto* messages = static_cast<TiffMessages*>(user);
    char body[160];
    std::vsnprintf(body, sizeof body, format, args);
    std::snprintf(messages->text, sizeof messages->text, "%s: %s", module ? module : "TIFF", body);
    return 1; // handled: the process-wide handlers are not called
}

int DropWarning(TIFF*, void*, const char*, const char*, va_list) { return 1; }

struct TiffCloser {
    void operator()(TIFF* tif) const { TIFFClose(tif); }
};
using TiffHandle = std::unique_ptr<TIFF, TiffCloser>;

struct OptionsFreer {
    void operator()(TIFFOpenOptions* options) const { TIFFOpenOptionsFree(options); }
};

TiffHandle OpenTiff(TiffSource* source, TiffMessages* messages)
{
    // Some paths of the library still report through the process-wide
    // handlers: silence those once, so a decode never prints.
    static const bool silenced = [] {
        TIFFSetErrorHandler(nullptr);
        TIFFSetWarningHandler(nullptr);
        return true;
    }();
    (void)silenced;
    std::unique_ptr<TIFFOpenOptions, OptionsFreer> options(TIFFOpenOptionsAlloc());
    if (!options)
        return nullptr;
    TIFFOpenOptionsSetErrorHandlerExtR(options.get(), KeepError, messages);
    TIFFOpenOptionsSetWarningHandlerExtR(options.get(), DropWarning, messages);
    // No single allocation of the library's may exceed what a picture may.
    TIFFOpenOptionsSetMaxSingleMemAlloc(options.get(), tmsize_t(DIBIMAGE_MAX_MEMORY));
    return TiffHandle(TIFFClientOpenExt("TIFF IMAGE", "r", source, StreamRead, StreamWrite, StreamSeek,
                                        StreamClose, StreamSize, StreamMap, StreamUnmap, options.get()));
}

// The message of a failure, with the library's own reason when it gave one.
const char* Failure(CDibImage& image, const TiffMessages& messages, const char* text)
{
    if (!messages.text[0])
        return text;
    char joined[256];
    std::snprintf(joined, sizeof joined, "%s (%s)", text, messages.text);
    image.SetLastError(joined);
    return image.LastError();
}

int32_t ToDpi(float value, uint16_t unit)
{
    const double dpi = unit == RESUNIT_CENTIMETER ? double(value) * 2.54 : double(value);
    return std::isfinite(dpi) && dpi >= 1 && dpi <= 1e6 ? int32_t(dpi + 0.5) : 0;
}

int32_t ToPixels(float position, float resolution)
{
    const double pixels = double(position) * double(resolution);
    return std::isfinite(pixels) && std::fabs(pixels) < 1e9 ? int32_t(std::lround(pixels)) : 0;
}

// Grey levels of a 1-, 4- or 8-bit grey picture; min-is-white reverses them.
void SetGreyLevels(CDibImage& image, uint16_t bits, bool minIsWhite)
{
    const uint32_t count = 1u << bits;
    for (uint32_t i = 0; i < count; ++i) {
        const uint8_t level = uint8_t(i * 255 / (count - 1));
        const uint8_t v = minIsWhite ? uint8_t(255 - level) : level;
        image.SetPaletteEntry(i, v, v, v);
    }
}

// Colour maps hold 16-bit values; some old writers put 8-bit values there,
// which shows as no entry above 255.
const char* LoadColourMap(CDibImage& image, TIFF* tif, uint16_t bits)
{
    uint16_t *red = nullptr, *green = nullptr, *blue = nullptr;
    if (!TIFFGetField(tif, TIFFTAG_COLORMAP, &red, &green, &blue) || !red || !green || !blue)
        return "Unable to allocate TIFF palette";
    const uint32_t count = 1u << bits;
    bool sixteen = false;
    for (uint32_t i = 0; i < count; ++i)
        sixteen = sixteen || red[i] > 255 || green[i] > 255 || blue[i] > 255;
    const int shift = sixteen ? 8 : 0;
    for (uint32_t i = 0; i < count; ++i)
        image.SetPaletteEntry(i, uint8_t(red[i] >> shift), uint8_t(green[i] >> shift), uint8_t(blue[i] >> shift));
    return nullptr;
}

struct FreeDeleter {
    void operator()(void* p) const { _TIFFfree(p); }
};

// 1-, 4- and 8-bit grey and palette pictures: the stored rows as they are.
const char* ReadStored(CDibImage& image, TIFF* tif, const TiffMessages& messages, uint16_t bits)
{
    const uint32_t width = uint32_t(image.Width()), height = uint32_t(image.Height());
    const size_t stride = image.EffWidth();
    if (TIFFIsTiled(tif)) {
        uint32_t tileWidth = 0, tileLength = 0;
        TIFFGetField(tif, TIFFTAG_TILEWIDTH, &tileWidth);
        TIFFGetField(tif, TIFFTAG_TILELENGTH, &tileLength);
        const tmsize_t tileBytes = TIFFTileSize(tif), tileRow = TIFFTileRowSize(tif);
        // Tile widths are multiples of 16, so every tile starts on a byte.
        if (!tileWidth || !tileLength || tileWidth % 16 || tileBytes <= 0 || tileRow <= 0 ||
            uint64_t(tileRow) * tileLength > uint64_t(tileBytes))
            return Failure(image, messages, "Corrupted tiled TIFF file!");
        std::unique_ptr<uint8_t, FreeDeleter> buffer(static_cast<uint8_t*>(_TIFFmalloc(tileBytes)));
        if (!buffer)
            return "CDibImageTIF can't allocate memory";
        for (uint32_t y = 0; y < height; y += tileLength) {
            if (image.Info().escape)
                return "Cancelled";
            for (uint32_t x = 0; x < width; x += tileWidth) {
                if (TIFFReadEncodedTile(tif, TIFFComputeTile(tif, x, y, 0, 0), buffer.get(), tileBytes) < 0)
                    return Failure(image, messages, "Corrupted tiled TIFF file!");
                const uint32_t columns = width - x < tileWidth ? width - x : tileWidth;
                const size_t bytes = (size_t(columns) * bits + 7) / 8, skip = size_t(x) * bits / 8;
                for (uint32_t r = 0; r < tileLength && y + r < height; ++r)
                    std::memcpy(image.RowPointer(int32_t(height - 1 - y - r)) + skip,
                                buffer.get() + size_t(r) * size_t(tileRow), bytes);
            }
        }
        return nullptr;
    }
    uint32_t rowsPerStrip = 0;
    TIFFGetFieldDefaulted(tif, TIFFTAG_ROWSPERSTRIP, &rowsPerStrip);
    if (rowsPerStrip == 0 || rowsPerStrip > height)
        rowsPerStrip = height;
    const tmsize_t line = TIFFScanlineSize(tif);
    if (line <= 0 || uint64_t(line) * rowsPerStrip > DIBIMAGE_MAX_MEMORY)
        return Failure(image, messages, "Corrupted TIFF file!");
    std::unique_ptr<uint8_t, FreeDeleter> buffer(
        static_cast<uint8_t*>(_TIFFmalloc(line * tmsize_t(rowsPerStrip))));
    if (!buffer)
        return "CDibImageTIF can't allocate memory";
    const size_t copy = size_t(line) < stride ? size_t(line) : stride;
    for (uint32_t y = 0; y < height; y += rowsPerStrip) {
        if (image.Info().escape)
            return "Cancelled";
        const uint32_t rows = height - y < rowsPerStrip ? height - y : rowsPerStrip;
        if (TIFFReadEncodedStrip(tif, TIFFComputeStrip(tif, y, 0), buffer.get(), line * tmsize_t(rows)) < 0)
            return Failure(image, messages, "Corrupted TIFF file!");
        for (uint32_t r = 0; r < rows; ++r)
            std::memcpy(image.RowPointer(int32_t(height - 1 - y - r)), buffer.get() + size_t(r) * size_t(line), copy);
    }
    return nullptr;
}

struct RgbaImage {
    TIFFRGBAImage img{};
    bool begun = false;
    ~RgbaImage()
    {
        if (begun)
            TIFFRGBAImageEnd(&img);
    }
};

// Everything else through the library's RGBA reader, in bands of rows.
const char* ReadRgba(CDibImage& image, TIFF* tif, const TiffMessages& messages, uint16_t orientation)
{
    char reason[1024] = {};
    RgbaImage rgba;
    if (!TIFFRGBAImageBegin(&rgba.img, tif, 1, reason)) {
        if (reason[0]) {
            char text[256];
            std::snprintf(text, sizeof text, "Corrupted TIFF file! (%s)", reason);
            image.SetLastError(text);
            return image.LastError();
        }
        return Failure(image, messages, "Corrupted TIFF file!");
    }
    rgba.begun = true;
    // Asking for the file's own orientation leaves the rows as stored; the
    // turns are done afterwards, for both kinds of picture alike.
    rgba.img.req_orientation = orientation;
    const uint32_t width = uint32_t(image.Width()), height = uint32_t(image.Height());
    uint64_t band = g_rasterBudget / (uint64_t(width) * 4);
    if (band == 0)
        band = 1;
    if (band > height)
        band = height;
    std::unique_ptr<uint32_t, FreeDeleter> raster(
        static_cast<uint32_t*>(_TIFFmalloc(tmsize_t(uint64_t(width) * band * 4))));
    if (!raster)
        return "No space for raster buffer";
    const bool alpha = image.HasAlpha();
    for (uint32_t y = 0; y < height; y += uint32_t(band)) {
        const uint32_t rows = height - y < band ? height - y : uint32_t(band);
        rgba.img.row_offset = int(y);
        rgba.img.col_offset = 0;
        if (!TIFFRGBAImageGet(&rgba.img, raster.get(), width, rows))
            return Failure(image, messages, "Corrupted TIFF file!");
        for (uint32_t r = 0; r < rows; ++r) {
            if (image.Info().escape)
                return "Cancelled";
            const int32_t row = int32_t(height - 1 - y - r);
            const uint32_t* src = raster.get() + size_t(r) * width;
            uint8_t* dst = image.RowPointer(row);
            uint8_t* plane = alpha ? image.AlphaPlane() + size_t(row) * width : nullptr;
            for (uint32_t x = 0; x < width; ++x, dst += 3) {
                const uint32_t p = src[x];
                uint32_t red = TIFFGetR(p), green = TIFFGetG(p), blue = TIFFGetB(p);
                if (plane) {
                    // The reader hands colours multiplied by their opacity;
                    // the picture keeps them apart from its alpha plane.
                    const uint32_t a = TIFFGetA(p);
                    plane[x] = uint8_t(a);
                    if (a && a < 255) {
                        red = red * 255 + a / 2 >= 255 * a ? 255 : (red * 255 + a / 2) / a;
                        green = green * 255 + a / 2 >= 255 * a ? 255 : (green * 255 + a / 2) / a;
                        blue = blue * 255 + a / 2 >= 255 * a ? 255 : (blue * 255 + a / 2) / a;
                    }
                }
                dst[0] = uint8_t(blue);
                dst[1] = uint8_t(green);
                dst[2] = uint8_t(red);
            }
        }
    }
    return nullptr;
}

// The stored rows turned the way the orientation tag says they are shown.
bool Orient(CDibImage& image, uint16_t orientation)
{
    // The clockwise quarter turn: the other way round three times.
    auto clockwise = [&image] { return image.Rotate90() && image.Flip() && image.Mirror(); };
    switch (orientation) {
    case ORIENTATION_TOPRIGHT: return image.Mirror();
    case ORIENTATION_BOTRIGHT: return image.Flip() && image.Mirror();
    case ORIENTATION_BOTLEFT: return image.Flip();
    case ORIENTATION_LEFTTOP: return clockwise() && image.Mirror();   // rows are columns
    case ORIENTATION_RIGHTTOP: return clockwise();                    // row 0 is the right edge
    case ORIENTATION_RIGHTBOT: return image.Rotate90() && image.Mirror();
    case ORIENTATION_LEFTBOT: return image.Rotate90();                // row 0 is the left edge
    default: return true;
    }
}

struct TiffResult {
    bool sizeOnly = false;
    uint32_t width = 0, height = 0;
    int32_t pages = 0;
    int32_t xOffset = 0, yOffset = 0;
};

const char* RunTiff(CDibImage& image, ImageStream* stream, TiffResult& result)
{
    TiffMessages messages{};
    TiffSource source(stream);
    if (source.base < 0)
        return "Error encountered while opening TIFF file";
    TiffHandle tif = OpenTiff(&source, &messages);
    if (!tif)
        return Failure(image, messages, "Error encountered while opening TIFF file");
    const tdir_t pages = TIFFNumberOfDirectories(tif.get());
    result.pages = int32_t(pages > 0x7FFFFFFF ? 0x7FFFFFFF : pages);
    const int32_t frame = image.Info().frame;
    if (frame < 0 || tdir_t(frame) >= pages || !TIFFSetDirectory(tif.get(), tdir_t(frame)))
        return "Error: page not present in TIFF file";
    messages.text[0] = 0;

    uint32_t width = 0, height = 0;
    uint16_t samples = 1, bits = 1, photometric = 0, orientation = ORIENTATION_TOPLEFT, format = SAMPLEFORMAT_UINT;
    uint16_t compression = COMPRESSION_NONE, unit = RESUNIT_INCH;
    TIFFGetField(tif.get(), TIFFTAG_IMAGEWIDTH, &width);
    TIFFGetField(tif.get(), TIFFTAG_IMAGELENGTH, &height);
    TIFFGetFieldDefaulted(tif.get(), TIFFTAG_SAMPLESPERPIXEL, &samples);
    TIFFGetFieldDefaulted(tif.get(), TIFFTAG_BITSPERSAMPLE, &bits);
    TIFFGetFieldDefaulted(tif.get(), TIFFTAG_ORIENTATION, &orientation);
    TIFFGetFieldDefaulted(tif.get(), TIFFTAG_SAMPLEFORMAT, &format);
    TIFFGetFieldDefaulted(tif.get(), TIFFTAG_COMPRESSION, &compression);
    if (!TIFFGetField(tif.get(), TIFFTAG_PHOTOMETRIC, &photometric))
        photometric = samples >= 3 ? PHOTOMETRIC_RGB : PHOTOMETRIC_MINISBLACK;
    if (width == 0 || height == 0 || width > 0x7FFFFFFF || height > 0x7FFFFFFF)
        return Failure(image, messages, "Corrupted TIFF file!");

    if (image.Info().escape == -1) {
        result.sizeOnly = true;
        result.width = width;
        result.height = height;
        return nullptr;
    }

    // Grey and palette pictures of 1, 4 or 8 bits keep their stored form;
    // every other kind goes through the RGBA reader to 24 bits.
    const bool grey = photometric == PHOTOMETRIC_MINISWHITE || photometric == PHOTOMETRIC_MINISBLACK;
    const bool stored = (grey || photometric == PHOTOMETRIC_PALETTE) && samples == 1 &&
                        (bits == 1 || bits == 4 || bits == 8) && format == SAMPLEFORMAT_UINT;
    const uint32_t bitCount = stored ? bits : 24;
    if (uint64_t(width) * height * bitCount / 256 > DIBIMAGE_MAX_MEMORY)
        return "DIBIMAGE_MAX_MEMORY exceeded";
    uint16_t extraCount = 0;
    uint16_t* extraTypes = nullptr;
    const bool alpha = !stored && TIFFGetField(tif.get(), TIFFTAG_EXTRASAMPLES, &extraCount, &extraTypes) &&
                       extraCount > 0 && extraTypes &&
                       (extraTypes[0] == EXTRASAMPLE_ASSOCALPHA || extraTypes[0] == EXTRASAMPLE_UNASSALPHA);

    if (image.Info().escape)
        return "Cancelled";
    if (!image.Create(int32_t(width), int32_t(height), bitCount, FORMAT_TIF))
        return "CDibImageTIF can't create image";
    if (alpha && !image.AlphaCreate())
        return "CDibImageTIF can't allocate memory";
    image.SetCodecOption(compression, FORMAT_TIF);

    float xRes = 0, yRes = 0, xPos = 0, yPos = 0;
    TIFFGetFieldDefaulted(tif.get(), TIFFTAG_RESOLUTIONUNIT, &unit);
    if (unit != RESUNIT_NONE && TIFFGetField(tif.get(), TIFFTAG_XRESOLUTION, &xRes) &&
        TIFFGetField(tif.get(), TIFFTAG_YRESOLUTION, &yRes)) {
        if (const int32_t dpi = ToDpi(xRes, unit))
            image.SetXDPI(dpi);
        if (const int32_t dpi = ToDpi(yRes, unit))
            image.SetYDPI(dpi);
    }
    // Positions are in resolution units; the offsets are in pixels.
    if (TIFFGetField(tif.get(), TIFFTAG_XPOSITION, &xPos))
        result.xOffset = ToPixels(xPos, xRes);
    if (TIFFGetField(tif.get(), TIFFTAG_YPOSITION, &yPos))
        result.yOffset = ToPixels(yPos, yRes);
    image.SetTransIndex(-1);

    const char* error = nullptr;
    if (!stored)
        error = ReadRgba(image, tif.get(), messages, orientation);
    else if (photometric == PHOTOMETRIC_PALETTE)
        error = LoadColourMap(image, tif.get(), bits);
    else
        SetGreyLevels(image, bits, photometric == PHOTOMETRIC_MINISWHITE);
    if (!error && stored)
        error = ReadStored(image, tif.get(), messages, bits);
    if (error)
        return error;
    if (!Orient(image, orientation))
        return "CDibImageTIF can't allocate memory";
    return nullptr;
}

} // namespace

void CDibImageTIF::SetRasterBudget(uint64_t bytes) { g_rasterBudget = bytes ? bytes : 1; }

bool CDibImageTIF::Decode(ImageStream* stream, uint32_t)
{
    if (!stream) {
        SetLastError("null file handler");
        return false;
    }
    TiffResult result;
    const char* error = RunTiff(*this, stream, result);
    info_.frameCount = result.pages;
    if (error) {
        Destroy();
        info_.frameCount = result.pages;
        return EndDecode(*this, error);
    }
    if (result.sizeOnly) {
        head_.biWidth = int32_t(result.width);
        head_.biHeight = int32_t(result.height);
    }
    info_.xOffset = result.xOffset;
    info_.yOffset = result.yOffset;
    return true;
}

} // namespace glint
