#include "image/codec/DibImageJPG.h"

#include "image/ImageStream.h"

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include <jerror.h>
#include <jpeglib.h>

namespace glint {

// ---------------------------------------------------------------- Exif reader

namespace {

constexpr int kMaxSections = 20;
constexpr int kMaxPadding = 6;
constexpr int kMaxDirectoryDepth = 4; // IFD0 -> Exif -> interoperability, with room; stops link loops

constexpr int kMarkerSOS = 0xDA;
constexpr int kMarkerEOI = 0xD9;
constexpr int kMarkerAPP1 = 0xE1;
constexpr int kMarkerCOM = 0xFE;

constexpr uint32_t kFormatSizes[13] = {0, 1, 1, 2, 4, 8, 1, 1, 2, 4, 8, 4, 8};
constexpr int kFormatUShort = 3, kFormatULong = 4, kFormatURational = 5, kFormatSShort = 8,
              kFormatSLong = 9, kFormatSRational = 10, kFormatFloat = 11, kFormatDouble = 12;

// Inches per unit of the Exif resolution units 1..5 (1 is "none": taken as inches).
float UnitFactor(int unit)
{
    switch (unit) {
    case 1: case 2: return 1.0f;
    case 3: return 0.3937008f;
    case 4: return 0.03937008f;
    case 5: return 0.00003937008f;
    default: return 0.0f;
    }
}

bool IsStartOfFrame(int marker)
{
    return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

void CopyText(char* out, size_t outSize, const uint8_t* in, uint32_t length)
{
    size_t n = length < outSize - 1 ? length : outSize - 1;
    std::memcpy(out, in, n);
    out[n] = 0;
    while (n && (out[n - 1] == ' ' || out[n - 1] == 0))
        out[--n] = 0;
}

} // namespace

bool ExifReader::Fail(const char* message)
{
    std::snprintf(error_, sizeof error_, "%s", message);
    return false;
}

bool ExifReader::Scan(ImageStream* stream, bool exifOnly)
{
    sawExif_ = false;
    if (stream->GetC() != 0xFF || stream->GetC() != 0xD8)
        return Fail("Not a JPEG file");
    std::vector<uint8_t> section;
    for (int sections = 0;; ++sections) {
        if (sections >= kMaxSections)
            return Fail("Too many sections in jpg file");
        int marker = stream->GetC();
        if (marker != 0xFF)
            return Fail("No marker found");
        int padding = 0;
        while ((marker = stream->GetC()) == 0xFF)
            if (++padding > kMaxPadding)
                return Fail("too many padding bytes!");
        if (marker < 0)
            return Fail("Premature end of file?");
        const int high = stream->GetC(), low = stream->GetC();
        if (high < 0 || low < 0)
            return Fail("Premature end of file?");
        const uint32_t length = uint32_t(high << 8 | low);
        if (length < 2)
            return Fail("invalid marker");
        try {
            section.resize(length - 2);
        } catch (...) {
            return Fail("Could not allocate memory");
        }
        if (length > 2 && stream->Read(section.data(), 1, length - 2) != length - 2)
            return Fail("Premature end of file?");
        if (marker == kMarkerSOS) // the picture's data follows: nothing more to learn
            return sawExif_ ? true : Fail("No Exif record");
        if (marker == kMarkerEOI)
            return Fail("No image in jpeg!");
        if (marker == kMarkerAPP1 && section.size() >= 4 && std::memcmp(section.data(), "Exif", 4) == 0) {
            ParseExif(section.data(), uint32_t(section.size())); // a broken record is simply not used
        } else if (IsStartOfFrame(marker) && section.size() >= 6) {
            record_->height = section[1] << 8 | section[2];
            record_->width = section[3] << 8 | section[4];
            record_->isColor = section[5] != 1;
        } else if (marker == kMarkerCOM) {
            CopyText(record_->comment, sizeof record_->comment, section.data(), uint32_t(section.size()));
        }
    }
}

bool ExifReader::ParseExif(const uint8_t* data, uint32_t length)
{
    if (length < 14 || std::memcmp(data, "Exif\0\0", 6) != 0)
        return Fail("Incorrect Exif header");
    const uint8_t* start = data + 6; // offsets count from the byte-order mark
    const uint32_t size = length - 6;
    if (std::memcmp(start, "II", 2) == 0)
        motorola_ = false;
    else if (std::memcmp(start, "MM", 2) == 0)
        motorola_ = true;
    else
        return Fail("Invalid Exif alignment marker.");
    auto u16 = [this](const uint8_t* p) { return uint32_t(motorola_ ? p[0] << 8 | p[1] : p[1] << 8 | p[0]); };
    auto u32 = [this](const uint8_t* p) {
        return motorola_ ? uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3]
                         : uint32_t(p[3]) << 24 | uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0];
    };
    if (u16(start + 2) != 42)
        return Fail("Invalid Exif start (1)");
    uint32_t first = u32(start + 4);
    if (first <= 8)
        first = 8;
    if (first >= size)
        return Fail("Illegal subdirectory link");
    record_->flashUsed = -1;
    record_->resolutionUnit = 1.0f; // inches unless the record says otherwise
    if (!ProcessDirectory(start + first, start, size, 0))
        return false;
    sawExif_ = true;
    return true;
}

bool ExifReader::ProcessDirectory(const uint8_t* dir, const uint8_t* start, uint32_t length, int depth)
{
    if (depth > kMaxDirectoryDepth)
        return Fail("Illegal subdirectory link");
    auto u16 = [this](const uint8_t* p) { return uint32_t(motorola_ ? p[0] << 8 | p[1] : p[1] << 8 | p[0]); };
    auto u32 = [this](const uint8_t* p) {
        return motorola_ ? uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3]
                         : uint32_t(p[3]) << 24 | uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0];
    };
    const uint32_t at = uint32_t(dir - start);
    if (uint64_t(at) + 2 > length)
        return Fail("Illegally sized directory");
    const uint32_t entries = u16(dir);
    if (uint64_t(at) + 2 + 12ull * entries > length)
        return Fail("Illegally sized directory");
    for (uint32_t i = 0; i < entries; ++i) {
        const uint8_t* entry = dir + 2 + 12 * i;
        const uint32_t tag = u16(entry), format = u16(entry + 2), count = u32(entry + 4);
        if (format < 1 || format > 12)
            return Fail("Illegal format code in EXIF dir");
        const uint64_t bytes = uint64_t(count) * kFormatSizes[format];
        const uint8_t* value = entry + 8;
        if (bytes > 4) {
            const uint32_t offset = u32(entry + 8);
            if (uint64_t(offset) + bytes > length)
                return Fail("Illegal pointer offset value in EXIF.");
            value = start + offset;
        }
        // Numbers: the first component, whatever the format it is written in.
        auto number = [&]() -> double {
            if (count == 0)
                return 0;
            switch (format) {
            case kFormatUShort: return u16(value);
            case kFormatSShort: return int16_t(u16(value));
            case kFormatULong: return u32(value);
            case kFormatSLong: return int32_t(u32(value));
            case kFormatURational: case kFormatSRational: {
                const uint32_t den = u32(value + 4);
                if (den == 0)
                    return 0;
                return format == kFormatURational ? double(u32(value)) / den
                                                  : double(int32_t(u32(value))) / int32_t(den);
            }
            case kFormatFloat: { uint32_t b = u32(value); float f; std::memcpy(&f, &b, 4); return f; }
            case kFormatDouble: return 0; // no tag we keep is written as a double
            default: return value[0];
            }
        };
        switch (tag) {
        case 0x010F: CopyText(record_->cameraMake, sizeof record_->cameraMake, value, uint32_t(bytes)); break;
        case 0x0110: CopyText(record_->cameraModel, sizeof record_->cameraModel, value, uint32_t(bytes)); break;
        case 0x0132: case 0x9003:
            if (tag == 0x9003 || !record_->dateTime[0])
                CopyText(record_->dateTime, sizeof record_->dateTime, value, uint32_t(bytes));
            break;
        case 0x0112: record_->orientation = int32_t(number()); break;
        case 0x011A: record_->xResolution = float(number()); break;
        case 0x011B: record_->yResolution = float(number()); break;
        case 0x0128: record_->resolutionUnit = UnitFactor(int(number())); break;
        case 0x829A: record_->exposureTime = float(number()); break;
        case 0x829D: record_->apertureFNumber = float(number()); break;
        case 0x8827: record_->isoEquivalent = int32_t(number()); break;
        case 0x9209: record_->flashUsed = int32_t(number()) & 1; break;
        case 0x920A: record_->focalLength = float(number()); break;
        case 0xA20E: record_->focalPlaneXResolution = float(number()); break;
        case 0xA20F: record_->focalPlaneYResolution = float(number()); break;
        case 0xA210: record_->focalPlaneUnit = UnitFactor(int(number())); break;
        case 0x8769: case 0xA005: {
            const uint32_t offset = u32(entry + 8);
            if (offset >= length)
                return Fail("Illegal subdirectory link");
            if (!ProcessDirectory(start + offset, start, length, depth + 1))
                return false;
            break;
        }
        default: break;
        }
    }
    return true;
}

// ---------------------------------------------------------------- decoder

namespace {

constexpr size_t kSourceBuffer = 4096;
constexpr int kRowsAtOnce = 16;

struct StreamSource {
    jpeg_source_mgr pub;
    ImageStream* stream;
    JOCTET buffer[kSourceBuffer];
};

struct ErrorTrap {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    char message[256];
    static_assert(sizeof message >= JMSG_LENGTH_MAX);
};

void InitSource(j_decompress_ptr) {}

boolean FillInput(j_decompress_ptr cinfo)
{
    auto* src = reinterpret_cast<StreamSource*>(cinfo->src);
    size_t got = src->stream->Read(src->buffer, 1, kSourceBuffer);
    if (got == 0) {
        // A truncated file ends as if an end marker followed: the rows
        // decoded so far are kept, the rest is grey, as the library does.
        WARNMS(cinfo, JWRN_JPEG_EOF);
        src->buffer[0] = 0xFF;
        src->buffer[1] = JPEG_EOI;
        got = 2;
    }
    src->pub.next_input_byte = src->buffer;
    src->pub.bytes_in_buffer = got;
    return TRUE;
}

void SkipInput(j_decompress_ptr cinfo, long count)
{
    auto* src = reinterpret_cast<StreamSource*>(cinfo->src);
    if (count <= 0)
        return;
    while (size_t(count) > src->pub.bytes_in_buffer) {
        count -= long(src->pub.bytes_in_buffer);
        FillInput(cinfo);
    }
    src->pub.next_input_byte += count;
    src->pub.bytes_in_buffer -= size_t(count);
}

void TermSource(j_decompress_ptr) {}

// Dots per inch from a resolution a file states; nonsense gives 0 (then 96).
int32_t DpiFrom(double value)
{
    return value >= 1 && value < 1e6 ? int32_t(value + 0.5) : 0;
}

[[noreturn]] void ErrorExit(j_common_ptr cinfo)
{
    auto* trap = reinterpret_cast<ErrorTrap*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, trap->message);
    std::longjmp(trap->jump, 1);
}

// Warnings (corrupt data the library got over) are not printed anywhere.
void OutputMessage(j_common_ptr) {}

// What the library-driving frame needs; everything lives here, so that
// frame holds nothing with a destructor for longjmp to skip.
struct JpegJob {
    jpeg_decompress_struct cinfo;
    ErrorTrap trap;
    StreamSource source;
    JSAMPLE* cmykRow; // owned by the library's pool
    bool sizeOnly;    // escape -1: the output size below is all that was wanted
    uint32_t width, height;
};

// Cap on the library's own working memory (coefficient buffers of
// progressive files are as large as the picture): beyond it, it fails with
// its message instead of asking the system for gigabytes.
constexpr long kLibraryMemory = 512L * 1024 * 1024;

// Returns null on success, else the message. Runs the whole library
// conversation between one setjmp and one jpeg_destroy_decompress.
const char* RunJpeg(JpegJob* job, CDibImage& image, ImageStream* stream, uint32_t options, int dither,
                    bool exifResolution, const ExifRecord& exif)
{
    jpeg_decompress_struct* cinfo = &job->cinfo;
    cinfo->err = jpeg_std_error(&job->trap.pub);
    job->trap.pub.error_exit = ErrorExit;
    job->trap.pub.output_message = OutputMessage;
    job->trap.message[0] = 0;
    if (setjmp(job->trap.jump)) {
        jpeg_destroy_decompress(cinfo);
        image.Destroy();
        return job->trap.message;
    }
    jpeg_create_decompress(cinfo);
    cinfo->mem->max_memory_to_use = kLibraryMemory;
    job->source.stream = stream;
    job->source.pub.init_source = InitSource;
    job->source.pub.fill_input_buffer = FillInput;
    job->source.pub.skip_input_data = SkipInput;
    job->source.pub.resync_to_restart = jpeg_resync_to_restart;
    job->source.pub.term_source = TermSource;
    job->source.pub.bytes_in_buffer = 0;
    job->source.pub.next_input_byte = nullptr;
    cinfo->src = &job->source.pub;
    jpeg_read_header(cinfo, TRUE);

    const bool cmykFile = cinfo->jpeg_color_space == JCS_CMYK || cinfo->jpeg_color_space == JCS_YCCK;
    // The library converts only colour and grey files to grey.
    if ((options & CDibImageJPG::kGrayscale) && !cmykFile)
        cinfo->out_color_space = JCS_GRAYSCALE;
    if (options & CDibImageJPG::kQuantize) {
        cinfo->quantize_colors = TRUE;
        cinfo->desired_number_of_colors = image.Info().quality;
    }
    if (options & CDibImageJPG::kDither)
        cinfo->dither_mode = J_DITHER_MODE(dither);
    if (options & CDibImageJPG::kOnePass) {
        cinfo->two_pass_quantize = FALSE;
    }
    if (options & CDibImageJPG::kNoFancyUpsampling)
        cinfo->do_fancy_upsampling = FALSE;
    cinfo->scale_num = 1;
    cinfo->scale_denom = image.JpegScale() ? image.JpegScale() : 1;
#ifdef JCS_EXTENSIONS
    // Rows come out in the order the picture stores them (blue, green, red).
    if (cinfo->out_color_space == JCS_RGB && !cinfo->quantize_colors)
        cinfo->out_color_space = JCS_EXT_BGR;
#endif
    jpeg_calc_output_dimensions(cinfo);
    const uint32_t width = cinfo->output_width, height = cinfo->output_height;
    const int components = cinfo->out_color_components;
    const uint32_t bitCount = cinfo->quantize_colors ? 8 : (components == 1 ? 8 : 24);

    if (image.Info().escape == -1) {
        jpeg_destroy_decompress(cinfo);
        job->sizeOnly = true;
        job->width = width;
        job->height = height;
        return nullptr;
    }
    // Refused before the library allocates anything for the picture.
    if (uint64_t(width) * height * bitCount / 256 > DIBIMAGE_MAX_MEMORY || width > 0x7FFFFFFF ||
        height > 0x7FFFFFFF) {
        jpeg_destroy_decompress(cinfo);
        return "DIBIMAGE_MAX_MEMORY exceeded";
    }

    jpeg_start_decompress(cinfo);
    if (!image.Create(int32_t(width), int32_t(height), bitCount, FORMAT_JPG)) {
        std::snprintf(job->trap.message, sizeof job->trap.message, "%s", image.LastError());
        std::longjmp(job->trap.jump, 1);
    }

    if (exifResolution) {
        image.SetXDPI(DpiFrom(double(exif.xResolution) / exif.resolutionUnit));
        image.SetYDPI(DpiFrom(double(exif.yResolution) / exif.resolutionUnit));
    } else if (cinfo->saw_JFIF_marker && cinfo->density_unit == 2) {
        image.SetXDPI(int32_t(cinfo->X_density * 2.54 + 0.5));
        image.SetYDPI(int32_t(cinfo->Y_density * 2.54 + 0.5));
    } else if (cinfo->saw_JFIF_marker && cinfo->density_unit == 1) {
        image.SetXDPI(cinfo->X_density);
        image.SetYDPI(cinfo->Y_density);
    }

    if (cinfo->quantize_colors) {
        const uint32_t count = uint32_t(cinfo->actual_number_of_colors);
        if (cinfo->out_color_components == 1)
            image.SetPalette(count, cinfo->colormap[0]);
        else
            image.SetPalette(count, cinfo->colormap[0], cinfo->colormap[1], cinfo->colormap[2]);
    } else if (components == 1) {
        image.SetGrayPalette();
    }

    const bool cmyk = components == 4 && !cinfo->quantize_colors;
    if (cmyk)
        job->cmykRow = (*cinfo->mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(cinfo), JPOOL_IMAGE,
                                                   width * 4, 1)[0];
    JSAMPROW rows[kRowsAtOnce];
    while (cinfo->output_scanline < height) {
        if (image.Info().escape) {
            std::snprintf(job->trap.message, sizeof job->trap.message, "Cancelled");
            std::longjmp(job->trap.jump, 1);
        }
        const uint32_t top = cinfo->output_scanline;
        if (cmyk) {
            rows[0] = job->cmykRow;
            jpeg_read_scanlines(cinfo, rows, 1);
            uint8_t* out = image.RowPointer(int32_t(height - 1 - top));
            const JSAMPLE* in = job->cmykRow;
            for (uint32_t x = 0; x < width; ++x, in += 4, out += 3) {
                const uint32_t k = in[3];
                out[0] = uint8_t(k * in[2] / 255);
                out[1] = uint8_t(k * in[1] / 255);
                out[2] = uint8_t(k * in[0] / 255);
            }
            continue;
        }
        // Straight into the picture's rows, top row last in storage.
        uint32_t n = height - top < uint32_t(kRowsAtOnce) ? height - top : uint32_t(kRowsAtOnce);
        for (uint32_t i = 0; i < n; ++i)
            rows[i] = image.RowPointer(int32_t(height - 1 - top - i));
        jpeg_read_scanlines(cinfo, rows, n);
    }
    jpeg_finish_decompress(cinfo);
#ifndef JCS_EXTENSIONS
    if (components == 3 && !cinfo->quantize_colors) {
        for (uint32_t y = 0; y < height; ++y) {
            uint8_t* row = image.RowPointer(int32_t(y));
            for (uint32_t x = 0; x < width; ++x) {
                const uint8_t r = row[x * 3];
                row[x * 3] = row[x * 3 + 2];
                row[x * 3 + 2] = r;
            }
        }
    }
#endif
    jpeg_destroy_decompress(cinfo);
    return nullptr;
}

} // namespace

CDibImageJPG::CDibImageJPG(uint32_t format) : CDibImage(format), exif_{} {}

bool CDibImageJPG::Decode(ImageStream* stream, uint32_t)
{
    if (!stream) {
        SetLastError("null file handler");
        return false;
    }
    // The Exif record is read first, from the same bytes, and only decides
    // the resolution.
    exif_ = ExifRecord{};
    const int32_t start = stream->Tell();
    ExifReader reader(&exif_);
    const bool haveExif = reader.Scan(stream, true) && exif_.xResolution > 0 && exif_.yResolution > 0 &&
                          exif_.resolutionUnit > 0;
    if (!stream->Seek(start, ImageStream::SEEK_FROM_START)) {
        SetLastError("JPEG: the stream cannot go back to the picture's start");
        return false;
    }
    auto job = std::make_unique<JpegJob>();
    const char* error = RunJpeg(job.get(), *this, stream, CodecOption(FORMAT_JPG), dither_, haveExif, exif_);
    if (!error) {
        if (job->sizeOnly) {
            head_.biWidth = int32_t(job->width);
            head_.biHeight = int32_t(job->height);
        }
        return true;
    }
    SetLastError(error[0] ? error : "JPEG: decoding failed");
    return false;
}

} // namespace glint
