#include "image/codec/DibImageGIF.h"

#include "base/ByteOrder.h"
#include "image/codec/CodecSupport.h"

#include <algorithm>
#include <cstring>
#include <memory>

namespace glint {

namespace {

constexpr int kIntroExtension = 0x21;
constexpr int kIntroImage = 0x2C;
constexpr int kIntroTrailer = 0x3B;
constexpr int kLabelControl = 0xF9;
constexpr int kLabelComment = 0xFE;
constexpr int kLabelApplication = 0xFF;

constexpr uint8_t kHasTable = 0x80;
constexpr uint8_t kInterlaced = 0x40;
constexpr uint8_t kTransparentFlag = 0x01;
constexpr uint32_t kDisposeToBackground = 2;

uint32_t TableCount(uint8_t flags) { return 1u << ((flags & 7) + 1); }

// Skips data sub-blocks up to and including the empty one, adding their
// bytes to *bytes; false when the stream ends first.
bool SkipSubBlocks(CodecReader& in, uint64_t* bytes = nullptr)
{
    for (;;) {
        const int n = in.Next();
        if (n < 0)
            return false;
        if (n == 0)
            return true;
        if (!in.Skip(size_t(n)))
            return false;
        if (bytes)
            *bytes += uint64_t(n);
    }
}

// The most pixels LZW data of this many bytes can give: every code is at
// least 3 bits and stands for at most 4096 pixels. A picture larger than its
// data can fill is damaged, and not worth its memory.
uint64_t MostPixels(uint64_t dataBytes) { return (dataBytes * 8 / 3 + 1) * 4096; }

// Screens up to this many pixels are always accepted, whatever the images.
constexpr uint64_t kPlainScreenPixels = uint64_t(1) << 24;

bool ReadTable(CodecReader& in, CDibImage::RgbTriple* table, uint32_t count)
{
    static_assert(sizeof(CDibImage::RgbTriple) == 3);
    return in.Take(reinterpret_cast<uint8_t*>(table), size_t(count) * 3);
}

// Packs a row of indices into a storage row of 1, 4 or 8 bits per pixel.
void PackRow(const uint8_t* indices, uint32_t width, uint32_t bitCount, uint8_t* out, uint32_t stride)
{
    if (bitCount == 8) {
        std::memcpy(out, indices, width);
        return;
    }
    std::memset(out, 0, stride);
    if (bitCount == 4) {
        for (uint32_t x = 0; x < width; ++x)
            out[x >> 1] |= uint8_t((indices[x] & 0x0F) << (x & 1 ? 0 : 4));
    } else {
        for (uint32_t x = 0; x < width; ++x)
            out[x >> 3] |= uint8_t((indices[x] & 1) << (7 - (x & 7)));
    }
}

// The rows of the four interlace passes: start row and step.
constexpr uint32_t kPassStart[4] = {0, 4, 2, 1};
constexpr uint32_t kPassStep[4] = {8, 8, 4, 2};

} // namespace

bool CDibImageGIF::Decode(ImageStream* stream, uint32_t)
{
    if (!stream)
        return false;
    CodecReader in(stream);
    uint8_t header[13];
    if (!in.Take(header, sizeof header) || std::memcmp(header, "GIF8", 4) != 0)
        return false;
    Screen screen;
    screen.width = ReadU16LE(header + 6);
    screen.height = ReadU16LE(header + 8);
    screen.background = header[11];
    if (info_.escape == -1) {
        // Only the screen size is wanted.
        in.Give();
        head_.biWidth = screen.width;
        head_.biHeight = screen.height;
        return true;
    }
    if (header[10] & kHasTable) {
        screen.hasGlobal = true;
        screen.globalCount = TableCount(header[10]);
        if (!ReadTable(in, screen.global, screen.globalCount))
            return false;
    }

    // Count the frames first: the caller learns how many there are even when
    // the one asked for does not exist.
    in.Give();
    const int32_t blocksStart = stream->Tell();
    int32_t images = 0;
    dataBytes_.clear();
    if (blocksStart < 0 || !WalkBlocks(in, screen, Walk::Count, images, nullptr))
        return false;
    info_.frameCount = images;
    if (info_.frame < 0 || info_.frame >= images)
        return false;
    uint64_t fillable = 0;
    for (uint64_t bytes : dataBytes_)
        fillable += MostPixels(bytes);
    if (uint64_t(screen.width) * screen.height > std::max(kPlainScreenPixels, fillable)) {
        SetLastError("GIF screen larger than its images can fill");
        return false;
    }
    in.Give();
    if (!stream->Seek(blocksStart, ImageStream::SEEK_FROM_START))
        return false;

    Composition c;
    int32_t delivered = 0;
    const bool ok = WalkBlocks(in, screen, Walk::Deliver, delivered, &c);
    in.Give(); // the stream stays just behind what the wanted frame used
    if (!ok || delivered <= info_.frame)
        return false;
    if (c.trueColor && c.screen24) {
        const bool transparent = control_.flags & kTransparentFlag;
        const RgbTriple t = c.lastTable[control_.transIndex];
        const ImageInfo keep = info_;
        if (!TakeFrom(*c.screen24))
            return false;
        const uint32_t stride = info_.effWidth;
        AssignInfo(keep); // the frame, count, delay and options found while decoding
        info_.effWidth = stride;
        info_.type = FORMAT_GIF;
        if (transparent) {
            SetTransColor(RGBQUAD{t.blue, t.green, t.red, 0});
            info_.transIndex = 0;
        }
    }
    return true;
}

bool CDibImageGIF::WalkBlocks(CodecReader& in, const Screen& screen, Walk walk, int32_t& images, Composition* c)
{
    for (;;) {
        if (info_.escape)
            return false;
        const int intro = in.Next();
        if (intro < 0 || intro == kIntroTrailer)
            return true;
        if (intro == 0)
            continue;
        if (intro == kIntroExtension) {
            if (!ReadExtension(in))
                return false;
            continue;
        }
        if (intro != kIntroImage)
            return true; // not a block: the data ends here
        uint8_t raw[9];
        if (!in.Take(raw, sizeof raw))
            return true;
        Descriptor d;
        d.left = ReadU16LE(raw);
        d.top = ReadU16LE(raw + 2);
        d.width = ReadU16LE(raw + 4);
        d.height = ReadU16LE(raw + 6);
        d.flags = raw[8];
        const bool fits = d.width > 0 && d.height > 0 && uint32_t(d.left) + d.width <= screen.width &&
                          uint32_t(d.top) + d.height <= screen.height;
        if (walk == Walk::Count || !fits) {
            // An image that does not fit the screen is passed over and not counted.
            if ((d.flags & kHasTable) && !in.Skip(size_t(TableCount(d.flags)) * 3))
                return true;
            // An image whose data is cut short still counts: it shows what it has.
            if (fits) {
                ++images;
                if (walk == Walk::Count)
                    dataBytes_.push_back(0);
            }
            uint64_t* bytes = fits && walk == Walk::Count ? &dataBytes_.back() : nullptr;
            if (in.Next() < 0 || !SkipSubBlocks(in, bytes))
                return true;
            continue;
        }
        // Several frames, no global table, and a first frame smaller than the
        // screen in both directions: the frames' palettes differ, so they
        // are composed in true colour.
        if (images == 0)
            c->trueColor = info_.frameCount > 1 && !screen.hasGlobal && d.width != screen.width &&
                           d.height != screen.height;
        if (!DeliverImage(in, screen, d, *c))
            return false;
        images = c->delivered;
        if (images > info_.frame)
            return true;
    }
}

bool CDibImageGIF::ReadExtension(CodecReader& in)
{
    const int label = in.Next();
    if (label < 0)
        return true;
    if (label == kLabelControl) {
        const int size = in.Next();
        uint8_t block[4]; // flags, delay (2), transparent index
        if (size < 0)
            return true;
        if (size < 4) {
            in.Skip(size_t(size)); // too short to hold the fields: ignored
        } else {
            if (!in.Take(block, sizeof block) || !in.Skip(size_t(size) - 4))
                return true;
            control_.flags = block[0];
            control_.delay = ReadU16LE(block + 1);
            control_.transIndex = block[3];
            if (control_.flags & kTransparentFlag)
                info_.transIndex = control_.transIndex;
            info_.frameDelay = control_.delay;
            disposal_ = (control_.flags >> 2) & 7;
        }
    } else if (label == kLabelComment) {
        const int n = in.Next();
        if (n < 0)
            return true;
        if (!in.Take(reinterpret_cast<uint8_t*>(comment_), size_t(n)))
            return true;
        comment_[n] = 0;
    } else if (label == kLabelApplication) {
        const int size = in.Next();
        if (size != 11)
            return false;
        uint8_t id[11];
        if (!in.Take(id, sizeof id))
            return false;
        const int n = in.Next();
        if (n < 0)
            return false;
        uint8_t sub[255];
        if (!in.Take(sub, size_t(n)))
            return false;
        if (n > 2)
            loops_ = sub[2] * 256 + sub[1];
        if (n == 0)
            return true; // that was the terminator
    }
    SkipSubBlocks(in);
    return true;
}

bool CDibImageGIF::DeliverImage(CodecReader& in, const Screen& screen, const Descriptor& d, Composition& c)
{
    // An image larger than its data can fill is passed over like a broken
    // one: the screen shows through.
    const size_t index = size_t(c.delivered);
    const bool plausible = index < dataBytes_.size() && uint64_t(d.width) * d.height <= MostPixels(dataBytes_[index]);
    RgbTriple local[256];
    const RgbTriple* table = nullptr;
    uint32_t colors = 0;
    if (d.flags & kHasTable) {
        colors = TableCount(d.flags);
        if (!ReadTable(in, local, colors))
            return false;
        table = local;
    } else if (screen.hasGlobal) {
        colors = screen.globalCount;
        table = screen.global;
    }
    // Without any colour table the codes are taken as grey levels of 8 bits.
    const uint32_t bitCount = !table ? 8 : colors <= 2 ? 1 : colors <= 16 ? 4 : 8;

    CDibImage picture(FORMAT_GIF);
    if (!plausible) {
        if (in.Next() >= 0)
            SkipSubBlocks(in);
        if (!picture.Create(1, 1, bitCount, FORMAT_GIF))
            return false;
    } else if (!picture.Create(d.width, d.height, bitCount, FORMAT_GIF)) {
        SetLastError(picture.LastError());
        return false;
    }
    if (table) {
        if (info_.transIndex >= 0 && colors < 256) {
            RgbTriple padded[256];
            for (RgbTriple& e : padded)
                e = RgbTriple{255, 255, 255};
            std::memcpy(padded, table, size_t(colors) * 3);
            picture.SetPalette(padded, 256);
        } else {
            picture.SetPalette(table, colors);
        }
        std::memcpy(c.lastTable, table, size_t(colors) * 3);
    } else {
        picture.SetGrayPalette();
    }

    std::vector<uint8_t> rowsDone(d.height, 0);
    const int lzw = plausible ? DecodeLzw(in, picture, d.flags & kInterlaced, rowsDone) : 0;
    if (info_.escape)
        return false;
    if (lzw == kLzwNoMemory) {
        SetLastError("can't allocate memory");
        return false;
    }

    if (c.trueColor) {
        if (!c.screen24) {
            c.screen24 = std::make_unique<CDibImage>(screen.width, screen.height, 24, FORMAT_GIF);
            if (!c.screen24->IsValid()) {
                SetLastError(c.screen24->LastError());
                return false;
            }
            c.screen24->Fill(0);
        }
        for (uint32_t yt = 0; yt < d.height; ++yt) {
            if (!rowsDone[yt])
                continue;
            const int32_t from = int32_t(d.height - 1 - yt), to = int32_t(screen.height - 1 - d.top - yt);
            for (uint32_t x = 0; x < d.width; ++x)
                c.screen24->SetPixelColor(int32_t(d.left + x), to, picture.PixelColor(int32_t(x), from, false));
        }
    } else {
        // The canvas: the screen as the frames so far left it.
        CDibImage canvas(FORMAT_GIF);
        canvas.CopyInfoFrom(*this);
        const bool firstFrame = c.delivered == 0;
        const uint32_t canvasBits = !firstFrame && BitCount() > bitCount ? BitCount() : bitCount;
        if (!canvas.Create(screen.width, screen.height, canvasBits, FORMAT_GIF)) {
            SetLastError(canvas.LastError());
            return false;
        }
        if (firstFrame) {
            c.background = info_.transIndex >= 0 ? control_.transIndex : screen.background;
            canvas.Fill(uint8_t(c.background));
        } else {
            if (c.previousDisposal == kDisposeToBackground) {
                canvas.Fill(uint8_t(c.background));
            } else if (canvasBits == BitCount()) {
                std::memcpy(canvas.Bits(), Bits(), ImageSize());
            } else {
                // A later frame with more colours: widen the indices.
                for (int32_t y = 0; y < Height(); ++y)
                    for (int32_t x = 0; x < Width(); ++x)
                        canvas.SetPixelIndex(x, y, PixelIndex(x, y));
            }
            canvas.SetPalette(Palette(), ColorsUsed());
        }
        LayOnCanvas(canvas, picture, d, rowsDone);
        canvas.SetPalette(picture.Palette(), picture.ColorsUsed());
        // What shows through is the screen's fill, so that is the transparent
        // index (a file without transparency has none).
        canvas.SetTransIndex(info_.transIndex >= 0 ? c.background : -1);
        if (!TakeFrom(canvas))
            return false;
        info_.type = FORMAT_GIF;
    }
    c.previousDisposal = disposal_;
    ++c.delivered;
    return true;
}

void CDibImageGIF::LayOnCanvas(CDibImage& canvas, const CDibImage& picture, const Descriptor& d,
                               const std::vector<uint8_t>& rowsDone) const
{
    const int32_t trans = info_.transIndex;
    const bool direct = canvas.BitCount() == 8 && picture.BitCount() == 8;
    for (uint32_t yt = 0; yt < d.height; ++yt) {
        if (!rowsDone[yt])
            continue; // never decoded: the canvas shows through
        const int32_t from = int32_t(d.height - 1 - yt), to = int32_t(canvas.Height() - 1 - d.top - yt);
        if (direct) {
            const uint8_t* s = picture.RowPointer(from);
            uint8_t* out = canvas.RowPointer(to) + d.left;
            for (uint32_t x = 0; x < d.width; ++x)
                if (int32_t(s[x]) != trans)
                    out[x] = s[x];
            continue;
        }
        for (uint32_t x = 0; x < d.width; ++x) {
            const uint8_t index = picture.PixelIndex(int32_t(x), from);
            if (int32_t(index) != trans)
                canvas.SetPixelIndex(int32_t(d.left + x), to, index);
        }
    }
}

int CDibImageGIF::DecodeLzw(CodecReader& in, CDibImage& picture, bool interlaced, std::vector<uint8_t>& rowsDone)
{
    const int minSize = in.Next();
    if (minSize < 0)
        return 0;
    if (minSize < 2 || minSize > 9) {
        SkipSubBlocks(in);
        return kLzwBadCodeSize;
    }
    const uint32_t width = uint32_t(picture.Width()), height = uint32_t(picture.Height());
    std::unique_ptr<uint8_t[]> rowBuffer(new (std::nothrow) uint8_t[width]);
    if (!rowBuffer) {
        SkipSubBlocks(in);
        return kLzwNoMemory;
    }
    uint8_t* const row = rowBuffer.get();
    const uint32_t bitCount = picture.BitCount(), stride = picture.EffWidth();

    // Row writer state.
    uint32_t x = 0, y = 0, pass = 0;
    const uint32_t step0 = interlaced ? kPassStep[0] : 1;
    uint32_t step = step0;
    bool full = false;
    auto flushRow = [&]() {
        PackRow(row, width, bitCount, picture.RowPointer(int32_t(height - 1 - y)), stride);
        rowsDone[y] = 1;
        x = 0;
        y += step;
        if (interlaced) {
            while (y >= height && pass < 3) {
                ++pass;
                y = kPassStart[pass];
                step = kPassStep[pass];
            }
        }
        if (y >= height)
            full = true;
    };

    const uint32_t clear = 1u << minSize, end = clear + 1, firstFree = clear + 2;
    uint32_t codeWidth = uint32_t(minSize) + 1, topSlot = 1u << codeWidth, slot = firstFree;
    uint32_t reservoir = 0, bits = 0;
    int blockLeft = 0;
    bool terminated = false; // the empty sub-block has been read
    int32_t prev = -1;
    uint8_t first = 0;

    while (!full) {
        while (bits < codeWidth) {
            if (blockLeft == 0) {
                blockLeft = in.Next();
                if (blockLeft <= 0) {
                    terminated = true;
                    break;
                }
            }
            const int b = in.Next();
            if (b < 0) {
                terminated = true;
                break;
            }
            --blockLeft;
            reservoir |= uint32_t(b) << bits;
            bits += 8;
        }
        if (bits < codeWidth)
            break; // the data ended
        uint32_t code = reservoir & ((1u << codeWidth) - 1);
        reservoir >>= codeWidth;
        bits -= codeWidth;

        if (code == end)
            break;
        if (code == clear) {
            codeWidth = uint32_t(minSize) + 1;
            topSlot = 1u << codeWidth;
            slot = firstFree;
            prev = -1;
            continue;
        }
        uint32_t sp = 0;
        if (prev < 0) {
            if (code >= slot)
                code = 0; // not defined yet
            first = uint8_t(code);
            prev = int32_t(code);
            stack_[sp++] = first;
        } else {
            if (code > slot)
                break; // a code the table cannot have: the data is broken
            const uint32_t incoming = code;
            if (code == slot) {
                stack_[sp++] = first;
                code = uint32_t(prev);
            }
            while (code >= firstFree) {
                stack_[sp++] = suffix_[code];
                code = prefix_[code];
            }
            first = uint8_t(code);
            stack_[sp++] = first;
            if (slot < 4096) {
                prefix_[slot] = uint16_t(prev);
                suffix_[slot] = first;
                ++slot;
                if (slot >= topSlot && codeWidth < 12) {
                    ++codeWidth;
                    topSlot <<= 1;
                }
            }
            prev = int32_t(incoming);
        }
        while (sp) {
            row[x++] = stack_[--sp];
            if (x == width) {
                flushRow();
                if (full)
                    break; // pixels beyond the last row are dropped
                if (info_.escape) {
                    SkipSubBlocks(in);
                    return 0;
                }
            }
        }
    }
    // Past the end code (or a full picture): skip to the end of the image data.
    if (!terminated) {
        if (in.Skip(size_t(blockLeft)))
            SkipSubBlocks(in);
    }
    return 0;
}

} // namespace glint
