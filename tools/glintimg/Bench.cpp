// glintimg bench: decoding speed of our BMP decoder against stb_image on the
// same large files in the same run, and the throughput of the geometric
// operations and of alpha painting against a plain memory copy of the same
// bytes. Prints ratios; it is a measurement, not a test.
#include "base/ByteOrder.h"
#include "image/DibImage.h"
#include "image/PaintCompose.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#ifdef GLINT_HAVE_STB
#include <stb_image.h>
#endif

using namespace glint;

namespace {

using Clock = std::chrono::steady_clock;

// Best of several runs, in seconds: the least disturbed by other work.
double BestTime(int runs, const std::function<void()>& work)
{
    double best = 1e30;
    for (int i = 0; i < runs; ++i) {
        const auto start = Clock::now();
        work();
        best = std::min(best, std::chrono::duration<double>(Clock::now() - start).count());
    }
    return best;
}

// A picture with smooth areas, edges and some noise, so that run-length
// coding has both long runs and literal stretches to do.
void Paint24(CDibImage& image)
{
    uint32_t seed = 12345;
    for (int32_t y = 0; y < image.Height(); ++y) {
        uint8_t* row = image.RowPointer(y);
        for (int32_t x = 0; x < image.Width(); ++x) {
            seed = seed * 1103515245u + 12345u;
            const bool noisy = ((x / 97) + (y / 61)) % 5 == 0;
            row[x * 3] = uint8_t(noisy ? seed >> 24 : x / 16);
            row[x * 3 + 1] = uint8_t(noisy ? seed >> 16 : y / 12);
            row[x * 3 + 2] = uint8_t(((x / 200) * 40 + (y / 150) * 20));
        }
    }
}

void Paint8(CDibImage& image)
{
    for (uint32_t i = 0; i < 256; ++i)
        image.SetPaletteEntry(i, uint8_t(i), uint8_t(255 - i), uint8_t(i * 7));
    uint32_t seed = 777;
    for (int32_t y = 0; y < image.Height(); ++y) {
        uint8_t* row = image.RowPointer(y);
        for (int32_t x = 0; x < image.Width(); ++x) {
            seed = seed * 1103515245u + 12345u;
            const bool noisy = ((x / 97) + (y / 61)) % 7 == 0;
            row[x] = uint8_t(noisy ? seed >> 24 : (x / 50 + y / 40) & 0xFF);
        }
    }
}

std::vector<uint8_t> EncodeBmp(CDibImage& image)
{
    uint8_t* bytes = nullptr;
    uint32_t size = 0;
    if (!image.EncodeBuffer(bytes, size, FORMAT_BMP))
        return {};
    std::vector<uint8_t> out(bytes, bytes + size);
    std::free(bytes);
    return out;
}

// The same 8-bit picture with its rows coded as RLE8 (encoded runs of up to
// 255 equal pixels, absolute runs for the rest).
std::vector<uint8_t> EncodeRle8(const CDibImage& image)
{
    std::vector<uint8_t> data;
    const int32_t w = image.Width();
    for (int32_t y = 0; y < image.Height(); ++y) {
        const uint8_t* row = image.RowPointer(y);
        int32_t x = 0;
        while (x < w) {
            int32_t run = 1;
            while (x + run < w && run < 255 && row[x + run] == row[x])
                ++run;
            if (run >= 3 || w - x < 3) {
                data.push_back(uint8_t(run));
                data.push_back(row[x]);
                x += run;
                continue;
            }
            int32_t n = 3;
            while (x + n < w && n < 255 && !(x + n + 2 < w && row[x + n] == row[x + n + 1] && row[x + n] == row[x + n + 2]))
                ++n;
            data.push_back(0);
            data.push_back(uint8_t(n));
            data.insert(data.end(), row + x, row + x + n);
            if (n & 1)
                data.push_back(0);
            x += n;
        }
        data.push_back(0);
        data.push_back(0);
    }
    data.push_back(0);
    data.push_back(1);
    std::vector<uint8_t> file = EncodeBmp(const_cast<CDibImage&>(image));
    const uint32_t offset = ReadU32LE(&file[10]);
    file.resize(offset);
    file.insert(file.end(), data.begin(), data.end());
    WriteU32LE(&file[2], uint32_t(file.size()));
    WriteU32LE(&file[30], 1); // BI_RLE8
    WriteU32LE(&file[34], uint32_t(data.size()));
    return file;
}

// A 32-bit file with a 40-byte header and BI_BITFIELDS masks.
std::vector<uint8_t> Encode32Bitfields(const CDibImage& image)
{
    const uint32_t w = uint32_t(image.Width()), h = uint32_t(image.Height());
    const uint32_t offset = 14 + 40 + 12;
    std::vector<uint8_t> file(offset + size_t(w) * h * 4);
    file[0] = 'B';
    file[1] = 'M';
    WriteU32LE(&file[2], uint32_t(file.size()));
    WriteU32LE(&file[10], offset);
    uint8_t* info = &file[14];
    WriteU32LE(info, 40);
    WriteU32LE(info + 4, w);
    WriteU32LE(info + 8, h);
    WriteU16LE(info + 12, 1);
    WriteU16LE(info + 14, 32);
    WriteU32LE(info + 16, 3);
    WriteU32LE(info + 20, w * h * 4);
    WriteU32LE(info + 40, 0x00FF0000);
    WriteU32LE(info + 44, 0x0000FF00);
    WriteU32LE(info + 48, 0x000000FF);
    uint8_t* px = &file[offset];
    for (uint32_t y = 0; y < h; ++y) {
        const uint8_t* row = image.RowPointer(int32_t(y));
        for (uint32_t x = 0; x < w; ++x, px += 4) {
            px[0] = row[x * 3];
            px[1] = row[x * 3 + 1];
            px[2] = row[x * 3 + 2];
            px[3] = 255;
        }
    }
    return file;
}

double OurDecode(const std::vector<uint8_t>& file, int runs, bool& ok)
{
    ok = true;
    return BestTime(runs, [&] {
        CDibImage image;
        ok = image.DecodeBuffer(file.data(), file.size(), FORMAT_BMP) && ok;
    });
}

#ifdef GLINT_HAVE_STB
double StbDecode(const std::vector<uint8_t>& file, int runs, bool& ok)
{
    ok = true;
    return BestTime(runs, [&] {
        int w = 0, h = 0, n = 0;
        stbi_uc* pixels = stbi_load_from_memory(file.data(), int(file.size()), &w, &h, &n, 0);
        ok = pixels != nullptr && ok;
        stbi_image_free(pixels);
    });
}
#endif

void CompareDecode(const char* what, const std::vector<uint8_t>& ours, const std::vector<uint8_t>& reference,
                   const char* referenceNote, int runs)
{
    bool okOurs = false;
    const double tOurs = OurDecode(ours, runs, okOurs);
    std::printf("decode %-34s ours %8.2f ms%s", what, tOurs * 1e3, okOurs ? "" : " (FAILED)");
#ifdef GLINT_HAVE_STB
    bool okStb = false;
    const double tStb = StbDecode(reference, runs, okStb);
    std::printf("  stb_image %8.2f ms%s  ratio stb/ours %5.2f %s%s\n", tStb * 1e3, okStb ? "" : " (FAILED)",
                tStb / tOurs, tStb >= tOurs ? "(ours at least as fast)" : "(OURS SLOWER)", referenceNote);
#else
    (void)reference;
    (void)referenceNote;
    std::printf("  (stb_image not built in)\n");
#endif
}

void Throughput(const char* what, double pixels, double seconds, double copySeconds)
{
    const double mp = pixels / seconds / 1e6, copyMp = pixels / copySeconds / 1e6;
    std::printf("%-40s %9.1f MP/s   memcpy of the same bytes %9.1f MP/s   ratio %.3f\n", what, mp, copyMp, mp / copyMp);
}

// ---- GIF and TGA files for the codec comparisons ----

// A GIF LZW coder (12-bit codes, a clear code when the table is full), so
// that the decoder meets the code lengths and string lengths of real files.
void GifLzw(const uint8_t* pixels, size_t count, std::vector<uint8_t>& out)
{
    constexpr int kMinSize = 8;
    constexpr uint32_t kClear = 1u << kMinSize, kEnd = kClear + 1;
    std::vector<uint16_t> next(size_t(4096) * 256);
    std::vector<uint8_t> data;
    uint32_t acc = 0, bits = 0, width = kMinSize + 1, slot = kEnd + 1;
    auto put = [&](uint32_t code) {
        acc |= code << bits;
        for (bits += width; bits >= 8; bits -= 8, acc >>= 8)
            data.push_back(uint8_t(acc));
    };
    auto reset = [&] {
        std::fill(next.begin(), next.end(), 0);
        width = kMinSize + 1;
        slot = kEnd + 1;
    };
    put(kClear);
    uint32_t prefix = pixels[0];
    for (size_t i = 1; i < count; ++i) {
        const uint8_t c = pixels[i];
        if (const uint16_t code = next[size_t(prefix) * 256 + c]) {
            prefix = code;
            continue;
        }
        put(prefix);
        // The decoder lags one code behind: it widens when the slot after
        // the one just made needs another bit.
        if (slot < 4096) {
            next[size_t(prefix) * 256 + c] = uint16_t(slot++);
            if (slot > (1u << width) && width < 12)
                ++width;
        } else {
            put(kClear);
            reset();
        }
        prefix = c;
    }
    put(prefix);
    put(kEnd);
    if (bits)
        data.push_back(uint8_t(acc));
    out.push_back(kMinSize);
    for (size_t at = 0; at < data.size(); at += 255) {
        const size_t n = std::min<size_t>(255, data.size() - at);
        out.push_back(uint8_t(n));
        out.insert(out.end(), data.begin() + std::ptrdiff_t(at), data.begin() + std::ptrdiff_t(at + n));
    }
    out.push_back(0);
}

// An animation of `frames` full-screen frames of an 8-bit picture shifted a
// little each time, with one global colour table.
std::vector<uint8_t> EncodeGifAnimation(const CDibImage& image, int frames)
{
    const uint32_t w = uint32_t(image.Width()), h = uint32_t(image.Height());
    std::vector<uint8_t> file = {'G', 'I', 'F', '8', '9', 'a', 0, 0, 0, 0, 0xF7, 0, 0};
    WriteU16LE(&file[6], uint16_t(w));
    WriteU16LE(&file[8], uint16_t(h));
    for (uint32_t i = 0; i < 256; ++i) {
        const RGBQUAD q = image.PaletteEntry(i);
        file.insert(file.end(), {q.rgbRed, q.rgbGreen, q.rgbBlue});
    }
    std::vector<uint8_t> pixels(size_t(w) * h);
    for (int f = 0; f < frames; ++f) {
        for (uint32_t y = 0; y < h; ++y) {
            const uint8_t* row = image.RowPointer(int32_t(h - 1 - y));
            for (uint32_t x = 0; x < w; ++x)
                pixels[size_t(y) * w + x] = row[(x + uint32_t(f) * 7) % w];
        }
        file.insert(file.end(), {0x21, 0xF9, 4, 0x04, 4, 0, 0, 0}); // keep the frame, 40 ms
        file.insert(file.end(), {0x2C, 0, 0, 0, 0, 0, 0, 0, 0, 0});
        WriteU16LE(&file[file.size() - 5], uint16_t(w));
        WriteU16LE(&file[file.size() - 3], uint16_t(h));
        GifLzw(pixels.data(), pixels.size(), file);
    }
    file.push_back(0x3B);
    return file;
}

// A 24-bit TGA, bottom row first, raw or with run-length packets.
std::vector<uint8_t> EncodeTga(const CDibImage& image, bool runLength)
{
    const uint32_t w = uint32_t(image.Width()), h = uint32_t(image.Height());
    std::vector<uint8_t> file(18, 0);
    file[2] = runLength ? 10 : 2;
    WriteU16LE(&file[12], uint16_t(w));
    WriteU16LE(&file[14], uint16_t(h));
    file[16] = 24;
    for (uint32_t y = 0; y < h; ++y) {
        const uint8_t* row = image.RowPointer(int32_t(y));
        if (!runLength) {
            file.insert(file.end(), row, row + size_t(w) * 3);
            continue;
        }
        for (uint32_t x = 0; x < w;) {
            uint32_t run = 1;
            while (x + run < w && run < 128 && std::memcmp(row + 3 * (x + run), row + 3 * x, 3) == 0)
                ++run;
            if (run > 1) {
                file.push_back(uint8_t(0x80 | (run - 1)));
                file.insert(file.end(), row + 3 * x, row + 3 * x + 3);
                x += run;
                continue;
            }
            uint32_t n = 1;
            while (x + n < w && n < 128 && !(x + n + 1 < w && std::memcmp(row + 3 * (x + n), row + 3 * (x + n + 1), 3) == 0))
                ++n;
            file.push_back(uint8_t(n - 1));
            file.insert(file.end(), row + 3 * x, row + 3 * (x + n));
            x += n;
        }
    }
    return file;
}

// Our decoder of `format` (frame `frame`) against stb_image on the same
// bytes; allFrames asks stb_image for every frame of a GIF.
void CompareCodec(const char* what, const std::vector<uint8_t>& file, uint32_t format, int32_t frame, bool allFrames,
                  int runs, int tolerance = 0)
{
    bool okOurs = true;
    const double tOurs = BestTime(runs, [&] {
        CDibImage image;
        image.SetFrame(frame);
        okOurs = image.DecodeBuffer(file.data(), file.size(), format) && okOurs;
    });
    std::printf("decode %-34s ours %8.2f ms%s", what, tOurs * 1e3, okOurs ? "" : " (FAILED)");
#ifdef GLINT_HAVE_STB
    bool okStb = true;
    const double tStb = BestTime(runs, [&] {
        int w = 0, h = 0, n = 0, frames = 0;
        int* delays = nullptr;
        stbi_uc* pixels = allFrames ? stbi_load_gif_from_memory(file.data(), int(file.size()), &delays, &w, &h, &frames, &n, 0)
                                    : stbi_load_from_memory(file.data(), int(file.size()), &w, &h, &n, 0);
        okStb = pixels != nullptr && okStb;
        stbi_image_free(pixels);
        stbi_image_free(delays);
    });
    // The speeds count only when both read the same first picture.
    bool same = false;
    {
        CDibImage image;
        int w = 0, h = 0, n = 0;
        stbi_uc* pixels = stbi_load_from_memory(file.data(), int(file.size()), &w, &h, &n, 3);
        if (pixels && image.DecodeBuffer(file.data(), file.size(), format) && w == image.Width() && h == image.Height()) {
            same = true;
            for (int y = 0; y < h && same; ++y)
                for (int x = 0; x < w && same; ++x) {
                    const RGBQUAD c = image.PixelColor(x, h - 1 - y, false);
                    const stbi_uc* p = pixels + (size_t(y) * size_t(w) + size_t(x)) * 3;
                    same = std::abs(c.rgbRed - p[0]) <= tolerance && std::abs(c.rgbGreen - p[1]) <= tolerance &&
                           std::abs(c.rgbBlue - p[2]) <= tolerance;
                }
        }
        stbi_image_free(pixels);
    }
    std::printf("  stb_image %8.2f ms%s  ratio stb/ours %5.2f %s%s\n", tStb * 1e3, okStb ? "" : " (FAILED)",
                tStb / tOurs, tStb >= tOurs ? "(ours at least as fast)" : "(OURS SLOWER)",
                same ? "" : " (PICTURES DIFFER)");
#else
    (void)allFrames;
    std::printf("  (stb_image not built in)\n");
#endif
}

#ifdef GLINT_HAVE_STB
// A photo-like picture: soft light over large shapes, fine texture and a
// little sensor noise, which is what JPEG files mostly hold.
void PaintPhoto(std::vector<uint8_t>& rgb, uint32_t w, uint32_t h, uint32_t channels)
{
    rgb.resize(size_t(w) * h * channels);
    uint32_t seed = 4242;
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x) {
            seed = seed * 1103515245u + 12345u;
            const double fx = double(x) / w, fy = double(y) / h;
            const double light = 0.55 + 0.45 * std::sin(fx * 3.1 + fy * 1.7) * std::cos(fy * 2.3);
            const double texture = 12.0 * std::sin(x * 0.21 + std::sin(y * 0.05) * 4.0);
            const int noise = int(seed >> 28) - 8;
            uint8_t* p = &rgb[(size_t(y) * w + x) * channels];
            const double shape = ((x / 400 + y / 300) & 1) ? 30.0 : 0.0;
            for (uint32_t c = 0; c < 3; ++c) {
                const double v = light * (170 + 30 * c) + texture + shape * (c == 1 ? 1 : -0.5) + noise;
                p[c] = uint8_t(v < 0 ? 0 : v > 255 ? 255 : v);
            }
            if (channels == 4)
                p[3] = uint8_t(255 * (0.5 + 0.5 * std::sin(fx * 9.0) * std::cos(fy * 7.0)));
        }
}

// Writes the pixels as a netpbm file and has `command` (with IN and OUT in
// it) turn it into the bytes of another format. Empty when that fails.
std::vector<uint8_t> ConvertWithTool(const std::vector<uint8_t>& pixels, uint32_t w, uint32_t h, uint32_t channels,
                                     const std::string& command)
{
    const std::string dir = "/tmp/glintimg-bench-" + std::to_string(std::rand());
    const std::string in = dir + (channels == 4 ? "/in.pam" : "/in.ppm"), out = dir + "/out";
    std::vector<uint8_t> bytes;
    if (std::system(("mkdir -p " + dir).c_str()) != 0)
        return bytes;
    if (std::FILE* f = std::fopen(in.c_str(), "wb")) {
        if (channels == 4)
            std::fprintf(f, "P7\nWIDTH %u\nHEIGHT %u\nDEPTH 4\nMAXVAL 255\nTUPLTYPE RGB_ALPHA\nENDHDR\n", w, h);
        else
            std::fprintf(f, "P6\n%u %u\n255\n", w, h);
        std::fwrite(pixels.data(), 1, pixels.size(), f);
        std::fclose(f);
        std::string run = command;
        run.replace(run.find("IN"), 2, in);
        run.replace(run.find("OUT"), 3, out);
        if (std::system((run + " 2>/dev/null").c_str()) == 0)
            if (std::FILE* r = std::fopen(out.c_str(), "rb")) {
                uint8_t buf[65536];
                for (size_t n; (n = std::fread(buf, 1, sizeof buf, r)) > 0;)
                    bytes.insert(bytes.end(), buf, buf + n);
                std::fclose(r);
            }
    }
    if (std::system(("rm -rf " + dir).c_str()) != 0)
        std::fprintf(stderr, "glintimg: could not remove %s\n", dir.c_str());
    return bytes;
}

// The libraries' codecs against stb_image: a 12-megapixel photo-like JPEG
// (written by cjpeg) and a large RGBA PNG (written by ImageMagick).
void CompareLibraryCodecs(int runs)
{
    std::vector<uint8_t> pixels;
    PaintPhoto(pixels, 4000, 3000, 3);
    const std::vector<uint8_t> jpeg = ConvertWithTool(pixels, 4000, 3000, 3, "cjpeg -quality 90 -outfile OUT IN");
    if (jpeg.empty()) {
        std::printf("decode JPEG: cjpeg (libjpeg-turbo-progs) could not write the photo; not measured\n");
    } else {
        char label[64];
        std::snprintf(label, sizeof label, "JPEG 4000x3000 q90 (%.1f MB)", jpeg.size() / 1e6);
        // The two decoders round their colour conversion differently.
        CompareCodec(label, jpeg, FORMAT_JPG, 0, false, runs, 4);
        std::printf("%-40s goal: ratio at least 1.5\n", "");
    }
    PaintPhoto(pixels, 4000, 3000, 4);
    const std::vector<uint8_t> png = ConvertWithTool(pixels, 4000, 3000, 4, "convert IN PNG32:OUT");
    if (png.empty()) {
        std::printf("decode PNG: ImageMagick could not write the picture; not measured\n");
    } else {
        char label[64];
        std::snprintf(label, sizeof label, "PNG RGBA 4000x3000 (%.1f MB)", png.size() / 1e6);
        CompareCodec(label, png, FORMAT_PNG, 0, false, runs);
        std::printf("%-40s goal: ratio at least 1.0\n", "");
    }
}
#endif

} // namespace

int RunBench(int argc, char** argv)
{
    if (argc > 2) {
        std::fprintf(stderr, "glintimg: bench takes no arguments\n");
        return 2;
    }
    const int32_t W = 4000, H = 3000;
    const int runs = 5;
    std::printf("glintimg bench: best of %d runs, %d x %d pictures made in memory\n\n", runs, W, H);

    CDibImage rgb(W, H, 24, FORMAT_BMP);
    CDibImage indexed(W, H, 8, FORMAT_BMP);
    if (!rgb.IsValid() || !indexed.IsValid()) {
        std::fprintf(stderr, "glintimg: bench cannot allocate its pictures: %s\n", rgb.LastError());
        return 1;
    }
    Paint24(rgb);
    Paint8(indexed);
    const std::vector<uint8_t> file24 = EncodeBmp(rgb);
    const std::vector<uint8_t> file8 = EncodeBmp(indexed);
    const std::vector<uint8_t> fileRle8 = EncodeRle8(indexed);
    const std::vector<uint8_t> file32 = Encode32Bitfields(rgb);

    CompareDecode("24-bit 4000x3000", file24, file24, "", runs);
    // stb_image reads no run-length BMP: its reference is the same picture
    // stored uncompressed (which it still expands to RGB).
    char rleLabel[64];
    std::snprintf(rleLabel, sizeof rleLabel, "8-bit RLE 4000x3000 (%.1f MB)", fileRle8.size() / 1e6);
    CompareDecode(rleLabel, fileRle8, file8, "  [stb: uncompressed 8-bit twin]", runs);
    CompareDecode("32-bit bit fields 4000x3000", file32, file32, "", runs);
    std::printf("\n");

    // GIF: an animation of 20 frames of 1000 x 750 (the last frame composes
    // them all; stb_image is asked for every frame), and its first frame.
    CDibImage smallIndexed;
    indexed.CropTo(0, 0, 1000, 750, &smallIndexed);
    const int gifFrames = 20;
    const std::vector<uint8_t> gif = EncodeGifAnimation(smallIndexed, gifFrames);
    char gifLabel[64];
    std::snprintf(gifLabel, sizeof gifLabel, "GIF %d frames 1000x750 (%.1f MB)", gifFrames, gif.size() / 1e6);
    CompareCodec(gifLabel, gif, FORMAT_GIF, gifFrames - 1, true, runs);
    CompareCodec("GIF first frame of the same", gif, FORMAT_GIF, 0, false, runs);
    const std::vector<uint8_t> tgaRaw = EncodeTga(rgb, false), tgaRle = EncodeTga(rgb, true);
    CompareCodec("TGA 24-bit raw 4000x3000", tgaRaw, FORMAT_TGA, 0, false, runs);
    char tgaLabel[64];
    std::snprintf(tgaLabel, sizeof tgaLabel, "TGA 24-bit RLE 4000x3000 (%.1f MB)", tgaRle.size() / 1e6);
    CompareCodec(tgaLabel, tgaRle, FORMAT_TGA, 0, false, runs);
#ifdef GLINT_HAVE_STB
    CompareLibraryCodecs(runs);
#endif
    std::printf("\n");

    // Plain copy of the 24-bit pixel bytes: the reference for every operation.
    const size_t bytes24 = rgb.Header().biSizeImage;
    std::vector<uint8_t> copy(bytes24);
    const double tCopy = BestTime(runs, [&] { std::memcpy(copy.data(), rgb.Bits(), bytes24); });
    const double pixels = double(W) * H;

    const double tRotate90 = BestTime(runs, [&] {
        CDibImage turned;
        rgb.Rotate90(&turned);
    });
    Throughput("Rotate90 24-bit 4000x3000", pixels, tRotate90, tCopy);
    // The new picture's memory is part of the work: it is allocated in the
    // timed run, while the copy writes into memory that is already there.
    std::printf("%-40s goal: at least 0.150 of memcpy %s\n", "", tCopy / tRotate90 >= 0.15 ? "(met)" : "(NOT MET)");

    // RotateBy is per pixel with floating point: a smaller picture, and the
    // copy reference scaled to the same number of output pixels.
    CDibImage small;
    rgb.CropTo(0, 0, 1000, 750, &small);
    CDibImage probe;
    small.RotateBy(30.0f, &probe);
    const double outPixels = double(probe.Width()) * probe.Height();
    const double tRotateBy = BestTime(runs, [&] {
        CDibImage turned;
        small.RotateBy(30.0f, &turned);
    });
    Throughput("RotateBy 30 deg 24-bit 1000x750 (output)", outPixels, tRotateBy, tCopy * outPixels / pixels);

    const double tCrop = BestTime(runs, [&] {
        CDibImage cut;
        rgb.CropTo(500, 500, 3500, 2500, &cut);
    });
    Throughput("CropTo 3000x2000 of 24-bit", 3000.0 * 2000.0, tCrop, tCopy * (3000.0 * 2000.0) / pixels);

    // Alpha painting: the pixel work of Paint (sampling, key, blend) into a
    // device-sized block, as Paint does between its two GDI calls.
    CDibImage withAlpha(rgb, true, false);
    withAlpha.AlphaCreate();
    for (int32_t y = 0; y < H; ++y)
        for (int32_t x = 0; x < W; ++x)
            withAlpha.AlphaSet(x, y, uint8_t(x + y));
    std::vector<uint8_t> device(bytes24, 0x40);
    const double tPaint = BestTime(runs, [&] {
        ComposePicture(withAlpha, 0, 0, W, H, PaintBlock{device.data(), rgb.EffWidth(), 0, 0, W, H}, true);
    });
    Throughput("alpha Paint 24-bit 4000x3000 (compose)", pixels, tPaint, tCopy);
    return 0;
}
