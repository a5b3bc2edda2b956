#include "image/codec/DibImageJAS.h"

#include "image/ImageStream.h"
#include "image/codec/CodecSupport.h"
#include "image/codec/RasterFormats.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>

#include <openjpeg.h>

namespace glint {

namespace {

// ---- OpenJPEG's view of an ImageStream, from where the picture starts ----

struct StreamView {
    ImageStream* stream;
    int32_t base; // stream position of the picture's first byte
};

OPJ_SIZE_T ViewRead(void* buffer, OPJ_SIZE_T bytes, void* user)
{
    auto* view = static_cast<StreamView*>(user);
    const size_t got = view->stream->Read(buffer, 1, bytes);
    return got ? OPJ_SIZE_T(got) : OPJ_SIZE_T(-1);
}

OPJ_OFF_T ViewSkip(OPJ_OFF_T bytes, void* user)
{
    auto* view = static_cast<StreamView*>(user);
    if (bytes > 0x7FFFFFFF || bytes < -0x7FFFFFFF || !view->stream->Seek(int32_t(bytes), ImageStream::SEEK_FROM_CURRENT))
        return -1;
    return bytes;
}

OPJ_BOOL ViewSeek(OPJ_OFF_T at, void* user)
{
    auto* view = static_cast<StreamView*>(user);
    if (at < 0 || at > 0x7FFFFFFF - int64_t(view->base))
        return OPJ_FALSE;
    return view->stream->Seek(view->base + int32_t(at), ImageStream::SEEK_FROM_START) ? OPJ_TRUE : OPJ_FALSE;
}

// The library's first error for this decode; warnings and notes are dropped.
void KeepError(const char* text, void* user)
{
    char* message = static_cast<char*>(user);
    if (!message[0] && text) {
        std::snprintf(message, 200, "%s", text);
        const size_t n = std::strlen(message);
        if (n && message[n - 1] == '\n')
            message[n - 1] = 0;
    }
}
void Drop(const char*, void*) {}

struct CodecFree {
    void operator()(opj_codec_t* c) const { opj_destroy_codec(c); }
};
struct StreamFree {
    void operator()(opj_stream_t* s) const { opj_stream_destroy(s); }
};
struct ImageFree {
    void operator()(opj_image_t* i) const { opj_image_destroy(i); }
};

// One component sample at picture position (x, y), scaled to 8 bits.
struct Channel {
    const opj_image_comp_t* comp;
    uint32_t width, height; // of the picture, for subsampled components

    int Sample(uint32_t x, uint32_t y) const
    {
        const uint32_t cx = comp->w == width ? x : uint32_t(uint64_t(x) * comp->w / width);
        const uint32_t cy = comp->h == height ? y : uint32_t(uint64_t(y) * comp->h / height);
        int64_t v = comp->data[size_t(cy) * comp->w + cx];
        const uint32_t prec = comp->prec;
        if (comp->sgnd)
            v += int64_t(1) << (prec - 1);
        if (prec > 8)
            v >>= prec - 8;
        else if (prec < 8)
            v = v * 255 / ((int64_t(1) << prec) - 1);
        return v < 0 ? 0 : v > 255 ? 255 : int(v);
    }
};

uint8_t Clamp(double v) { return v <= 0 ? 0 : v >= 255 ? 255 : uint8_t(v + 0.5); }

struct Jpeg2000Result {
    bool sizeOnly = false;
    uint32_t width = 0, height = 0;
};

const char* RunOpenJpeg(CDibImage& image, ImageStream* stream, uint32_t format, Jpeg2000Result& result)
{
    char message[200] = {};
    StreamView view{stream, stream->Tell()};
    const int32_t size = stream->Size();
    if (view.base < 0 || size < view.base)
        return "error: cannot open standard input";
    std::unique_ptr<opj_stream_t, StreamFree> input(opj_stream_create(OPJ_J2K_STREAM_CHUNK_SIZE, OPJ_TRUE));
    if (!input)
        return "error: cannot open standard input";
    opj_stream_set_user_data(input.get(), &view, nullptr);
    opj_stream_set_user_data_length(input.get(), OPJ_UINT64(size - view.base));
    opj_stream_set_read_function(input.get(), ViewRead);
    opj_stream_set_skip_function(input.get(), ViewSkip);
    opj_stream_set_seek_function(input.get(), ViewSeek);

    std::unique_ptr<opj_codec_t, CodecFree> codec(opj_create_decompress(format == FORMAT_JP2 ? OPJ_CODEC_JP2 : OPJ_CODEC_J2K));
    if (!codec)
        return "cannot initialize jasper";
    opj_set_error_handler(codec.get(), KeepError, message);
    opj_set_warning_handler(codec.get(), Drop, nullptr);
    opj_set_info_handler(codec.get(), Drop, nullptr);
    opj_dparameters_t parameters;
    opj_set_default_decoder_parameters(&parameters);
    if (!opj_setup_decoder(codec.get(), &parameters))
        return "cannot initialize jasper";

    opj_image_t* header = nullptr;
    const bool headerRead = opj_read_header(input.get(), codec.get(), &header);
    std::unique_ptr<opj_image_t, ImageFree> picture(header);
    auto failed = [&](const char* text) -> const char* {
        if (!message[0])
            return text;
        char joined[256];
        std::snprintf(joined, sizeof joined, "%s (%s)", text, message);
        image.SetLastError(joined);
        return image.LastError();
    };
    if (!headerRead || !picture)
        return failed("error: cannot load image data");
    const uint32_t components = picture->numcomps;
    if (components == 0 || picture->x1 <= picture->x0 || picture->y1 <= picture->y0)
        return failed("error: cannot load image data");
    if (components > 4)
        return "error: too much components";
    const uint32_t width = picture->x1 - picture->x0, height = picture->y1 - picture->y0;
    if (image.Info().escape == -1) {
        result = {true, width, height};
        return nullptr;
    }
    const bool colour = components >= 3;
    const uint32_t bitCount = colour ? 24 : 8;
    // The library keeps every sample in 32 bits while it decodes.
    if (!FitsMemory(width, height, bitCount) || uint64_t(width) * height * components * 4 > 4 * DIBIMAGE_MAX_MEMORY)
        return "DIBIMAGE_MAX_MEMORY exceeded";

    if (!opj_decode(codec.get(), input.get(), picture.get()) || !opj_end_decompress(codec.get(), input.get()))
        return failed("error: cannot load image data");
    for (uint32_t c = 0; c < components; ++c) {
        const opj_image_comp_t& comp = picture->comps[c];
        if (!comp.data || !comp.w || !comp.h || comp.w > width || comp.h > height || comp.prec < 1 || comp.prec > 31)
            return failed("error: cannot load image data");
    }
    if (image.Info().escape)
        return "Cancelled";
    if (!image.Create(int32_t(width), int32_t(height), bitCount, format))
        return image.LastError();
    if (!colour)
        image.SetGrayPalette();
    // A last component marked as opacity (grey + alpha, colour + alpha).
    const bool alpha = (components == 2 || components == 4) && picture->comps[components - 1].alpha;
    if (alpha && !image.AlphaCreate())
        return "Can't allocate memory";

    const Channel c0{&picture->comps[0], width, height};
    const Channel c1{&picture->comps[components > 1 ? 1 : 0], width, height};
    const Channel c2{&picture->comps[components > 2 ? 2 : 0], width, height};
    const Channel ca{&picture->comps[components - 1], width, height};
    // Code streams that carry luma and chroma (sYCC) are turned into RGB.
    const bool ycc = colour && picture->color_space == OPJ_CLRSPC_SYCC;
    for (uint32_t y = 0; y < height; ++y) {
        if (image.Info().escape)
            return "Cancelled";
        const int32_t row = int32_t(height - 1 - y);
        uint8_t* dst = image.RowPointer(row);
        uint8_t* plane = alpha ? image.AlphaPlane() + size_t(row) * width : nullptr;
        for (uint32_t x = 0; x < width; ++x) {
            if (!colour) {
                dst[x] = uint8_t(c0.Sample(x, y));
            } else if (ycc) {
                const double l = c0.Sample(x, y), cb = c1.Sample(x, y) - 128.0, cr = c2.Sample(x, y) - 128.0;
                dst[x * 3 + 2] = Clamp(l + 1.402 * cr);
                dst[x * 3 + 1] = Clamp(l - 0.344136 * cb - 0.714136 * cr);
                dst[x * 3 + 0] = Clamp(l + 1.772 * cb);
            } else {
                dst[x * 3 + 2] = uint8_t(c0.Sample(x, y));
                dst[x * 3 + 1] = uint8_t(c1.Sample(x, y));
                dst[x * 3 + 0] = uint8_t(c2.Sample(x, y));
            }
            if (plane)
                plane[x] = uint8_t(ca.Sample(x, y));
        }
    }
    return nullptr;
}

} // namespace

uint32_t CDibImageJAS::Sniff(ImageStream* stream)
{
    uint8_t head[12] = {};
    const int32_t at = stream->Tell();
    const size_t got = stream->Read(head, 1, sizeof head);
    stream->Seek(at, ImageStream::SEEK_FROM_START);
    static const uint8_t kJp2[12] = {0, 0, 0, 12, 'j', 'P', ' ', ' ', 0x0D, 0x0A, 0x87, 0x0A};
    if (got == 12 && std::memcmp(head, kJp2, 12) == 0)
        return FORMAT_JP2;
    if (got >= 4 && head[0] == 0xFF && head[1] == 0x4F && head[2] == 0xFF && head[3] == 0x51)
        return FORMAT_JPC;
    if (got >= 4 && head[0] == 0x59 && head[1] == 0xA6 && head[2] == 0x6A && head[3] == 0x95)
        return FORMAT_RAS;
    if (got >= 3 && head[0] == 'P' && head[1] == 'G' && (head[2] == ' ' || head[2] == '\t'))
        return FORMAT_PGX;
    if (got >= 3 && head[0] == 'P' && head[1] >= '1' && head[1] <= '6' &&
        (head[2] == ' ' || head[2] == '\t' || head[2] == '\r' || head[2] == '\n' || head[2] == '#'))
        return FORMAT_PNM;
    return FORMAT_UNKNOWN;
}

bool CDibImageJAS::Decode(ImageStream* stream, uint32_t format)
{
    if (!stream) {
        SetLastError("null file handler");
        return false;
    }
    const uint32_t found = Sniff(stream);
    if (found == FORMAT_UNKNOWN || (format != FORMAT_UNKNOWN && format != found))
        return EndDecode(*this, "error: cannot load image data");
    // Every format here holds one picture.
    if (info_.frame != 0) {
        info_.frameCount = 1;
        return EndDecode(*this, "wrong frame!");
    }
    const char* error = nullptr;
    RasterSize size;
    if (found == FORMAT_JP2 || found == FORMAT_JPC) {
        Jpeg2000Result result;
        error = RunOpenJpeg(*this, stream, found, result);
        size = {result.sizeOnly, result.width, result.height};
    } else if (found == FORMAT_PGX) {
        error = ReadPgx(*this, stream, size);
    } else if (found == FORMAT_PNM) {
        error = ReadPnm(*this, stream, size);
    } else {
        error = ReadSunRaster(*this, stream, size);
    }
    if (error) {
        Destroy();
        return EndDecode(*this, error);
    }
    if (size.sizeOnly) {
        head_.biWidth = int32_t(size.width);
        head_.biHeight = int32_t(size.height);
        info_.type = found;
    }
    return true;
}

} // namespace glint
