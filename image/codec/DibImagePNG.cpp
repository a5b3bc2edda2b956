#include "image/codec/DibImagePNG.h"

#include "image/ImageStream.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include <png.h>

namespace glint {

namespace {

// What the library-driving frame needs; everything lives here, so that
// frame holds nothing with a destructor for longjmp to skip.
struct PngJob {
    png_structp png;
    png_infop info;
    uint8_t* rows;     // one row, or every row of an interlaced file (malloc)
    char message[256];
    bool sizeOnly;     // escape -1: the size below is all that was wanted
    uint32_t width, height;
    uint32_t passes;
};

void PngError(png_structp png, png_const_charp text)
{
    auto* job = static_cast<PngJob*>(png_get_error_ptr(png));
    std::snprintf(job->message, sizeof job->message, "%s", text ? text : "PNG error");
    png_longjmp(png, 1);
}

// Warnings (a damaged ancillary chunk and the like) are not printed anywhere.
void PngWarning(png_structp, png_const_charp) {}

void PngRead(png_structp png, png_bytep data, size_t length)
{
    auto* stream = static_cast<ImageStream*>(png_get_io_ptr(png));
    if (stream->Read(data, 1, length) != length)
        png_error(png, "Read Error");
}

[[noreturn]] void Abort(PngJob* job, const char* text)
{
    std::snprintf(job->message, sizeof job->message, "%s", text);
    png_longjmp(job->png, 1);
}

// Moves one decoded row (top row first, as the file has them) into the
// picture: colour rows are already blue, green, red; 2-bit rows widen to 4.
void StoreRow(CDibImage& image, const uint8_t* src, uint32_t y, bool alpha, uint32_t depth, size_t rowBytes)
{
    const uint32_t width = uint32_t(image.Width());
    const int32_t row = image.Height() - 1 - int32_t(y);
    uint8_t* dst = image.RowPointer(row);
    if (alpha) {
        uint8_t* plane = image.AlphaPlane() + size_t(row) * width;
        for (uint32_t x = 0; x < width; ++x, src += 4, dst += 3) {
            dst[0] = src[0];
            dst[1] = src[1];
            dst[2] = src[2];
            plane[x] = src[3];
        }
    } else if (depth == 2 && image.BitCount() == 4) {
        std::memset(dst, 0, image.EffWidth());
        for (uint32_t x = 0; x < width; ++x) {
            const uint8_t v = uint8_t((src[x >> 2] >> (6 - 2 * (x & 3))) & 3);
            dst[x >> 1] |= uint8_t(v << (x & 1 ? 0 : 4));
        }
    } else {
        std::memcpy(dst, src, rowBytes < image.EffWidth() ? rowBytes : image.EffWidth());
    }
}

// Returns null on success, else the message. Runs the whole library
// conversation between one setjmp and one png_destroy_read_struct.
const char* RunPng(PngJob* job, CDibImage& image, ImageStream* stream)
{
    // The version text must be the one of the headers built against: libpng
    // refuses any other minor version.
    job->png = png_create_read_struct(PNG_LIBPNG_VER_STRING, job, PngError, PngWarning);
    if (!job->png)
        return "Failed to create PNG structure";
    job->info = png_create_info_struct(job->png);
    if (!job->info) {
        png_destroy_read_struct(&job->png, nullptr, nullptr);
        return "Failed to initialize PNG info structure";
    }
    if (setjmp(png_jmpbuf(job->png))) {
        png_destroy_read_struct(&job->png, &job->info, nullptr);
        std::free(job->rows);
        job->rows = nullptr;
        image.Destroy();
        return job->message[0] ? job->message : "PNG: decoding failed";
    }
    png_structp png = job->png;
    png_infop info = job->info;
    png_set_read_fn(png, stream, PngRead);
    png_read_info(png, info);

    png_uint_32 width = 0, height = 0;
    int depth = 0, colorType = 0, interlace = 0;
    png_get_IHDR(png, info, &width, &height, &depth, &colorType, &interlace, nullptr, nullptr);
    if (image.Info().escape == -1) {
        job->sizeOnly = true;
        job->width = width;
        job->height = height;
        png_destroy_read_struct(&job->png, &job->info, nullptr);
        return nullptr;
    }

    png_uint_32 xPpm = 0, yPpm = 0;
    int unit = 0;
    if (png_get_pHYs(png, info, &xPpm, &yPpm, &unit) && unit == PNG_RESOLUTION_METER) {
        image.SetXDPI(int32_t(xPpm * 0.0254 + 0.5));
        image.SetYDPI(int32_t(yPpm * 0.0254 + 0.5));
    }

    const bool sixteen = depth == 16;
    if (sixteen) {
        png_set_strip_16(png);
        depth = 8;
    }
    // A colour key on a grey or colour picture becomes an alpha plane, so it
    // is exact whatever the bit depth.
    const bool colourKey = !(colorType & PNG_COLOR_MASK_PALETTE) && !(colorType & PNG_COLOR_MASK_ALPHA) &&
                           png_get_valid(png, info, PNG_INFO_tRNS);
    if (colourKey) {
        png_set_tRNS_to_alpha(png);
        depth = 8;
    }
    const bool alpha = (colorType & PNG_COLOR_MASK_ALPHA) || colourKey;
    const bool palette = colorType & PNG_COLOR_MASK_PALETTE;
    const bool colour = ((colorType & PNG_COLOR_MASK_COLOR) && !palette) || alpha;
    if (alpha && !(colorType & PNG_COLOR_MASK_COLOR))
        png_set_gray_to_rgb(png);
    if (colour)
        png_set_bgr(png);
    const uint32_t bitCount = colour ? 24 : uint32_t(depth);

    // Refused before anything is allocated for the picture.
    if (uint64_t(width) * height * (bitCount == 2 ? 4 : bitCount) / 256 > DIBIMAGE_MAX_MEMORY ||
        width > 0x7FFFFFFF || height > 0x7FFFFFFF)
        Abort(job, "DIBIMAGE_MAX_MEMORY exceeded");

    job->passes = uint32_t(png_set_interlace_handling(png));
    png_read_update_info(png, info);
    const size_t rowBytes = png_get_rowbytes(png, info);
    if (rowBytes < (uint64_t(width) * (alpha ? 32 : colour ? 24 : bitCount) + 7) / 8)
        Abort(job, "PNG: unexpected row size");

    if (!image.Create(int32_t(width), int32_t(height), bitCount, FORMAT_PNG))
        Abort(job, image.LastError());
    image.SetCodecOption(job->passes > 1 ? 1 : 0, 0);

    if (palette) {
        png_colorp entries = nullptr;
        int count = 0;
        if (png_get_PLTE(png, info, &entries, &count) && count > 0) {
            static_assert(sizeof(png_color) == sizeof(CDibImage::RgbTriple));
            image.SetPalette(reinterpret_cast<const CDibImage::RgbTriple*>(entries), uint32_t(count));
        }
        png_bytep trans = nullptr;
        int transCount = 0;
        if (png_get_tRNS(png, info, &trans, &transCount, nullptr) && trans && transCount > 0) {
            const uint32_t used = image.ColorsUsed();
            for (uint32_t i = 0; i < used; ++i) {
                const RGBQUAD e = image.PaletteEntry(i);
                const uint8_t a = i < uint32_t(transCount) ? trans[i] : 255;
                image.SetPaletteEntry(i, e.rgbRed, e.rgbGreen, e.rgbBlue, a);
            }
            if (transCount == 1 && trans[0] == 0)
                image.SetTransIndex(0);
            else
                image.SetAlphaPaletteEnabled(true);
        }
    } else if (!colour) {
        if (depth == 2) {
            for (uint32_t i = 0; i < 4; ++i)
                image.SetPaletteEntry(i, uint8_t(i * 85), uint8_t(i * 85), uint8_t(i * 85));
        } else {
            image.SetGrayPalette();
        }
    }
    if (alpha) {
        png_color_16p background = nullptr;
        if (png_get_bKGD(png, info, &background) && background) {
            const bool grey = !(colorType & PNG_COLOR_MASK_COLOR);
            const int shift = sixteen ? 8 : 0;
            RGBQUAD c{};
            c.rgbRed = uint8_t((grey ? background->gray : background->red) >> shift);
            c.rgbGreen = uint8_t((grey ? background->gray : background->green) >> shift);
            c.rgbBlue = uint8_t((grey ? background->gray : background->blue) >> shift);
            image.SetTransColor(c);
        }
        if (!image.AlphaCreate())
            Abort(job, "PNG: can't allocate the alpha plane");
    }

    // An interlaced file fills each row over several passes, each pass
    // building on what the earlier ones left: it needs every row at once.
    const uint64_t bufferBytes = job->passes > 1 ? uint64_t(rowBytes) * height : rowBytes;
    if (bufferBytes > SIZE_MAX / 2 || !(job->rows = static_cast<uint8_t*>(std::malloc(size_t(bufferBytes)))))
        Abort(job, "PNG: can't allocate memory for the rows");
    if (job->passes > 1) {
        for (uint32_t pass = 0; pass < job->passes; ++pass)
            for (uint32_t y = 0; y < height; ++y) {
                if (image.Info().escape)
                    Abort(job, "Cancelled");
                png_read_row(png, job->rows + size_t(y) * rowBytes, nullptr);
            }
        for (uint32_t y = 0; y < height; ++y)
            StoreRow(image, job->rows + size_t(y) * rowBytes, y, alpha, uint32_t(depth), rowBytes);
    } else {
        for (uint32_t y = 0; y < height; ++y) {
            if (image.Info().escape)
                Abort(job, "Cancelled");
            png_read_row(png, job->rows, nullptr);
            StoreRow(image, job->rows, y, alpha, uint32_t(depth), rowBytes);
        }
    }
    png_read_end(png, nullptr);
    png_destroy_read_struct(&job->png, &job->info, nullptr);
    std::free(job->rows);
    job->rows = nullptr;
    return nullptr;
}

} // namespace

bool CDibImagePNG::Decode(ImageStream* stream, uint32_t)
{
    if (!stream) {
        SetLastError("null file handler");
        return false;
    }
    auto job = std::make_unique<PngJob>();
    const char* error = RunPng(job.get(), *this, stream);
    if (error) {
        SetLastError(error);
        return false;
    }
    if (job->sizeOnly) {
        head_.biWidth = int32_t(job->width);
        head_.biHeight = int32_t(job->height);
    }
    return true;
}

} // namespace glint
