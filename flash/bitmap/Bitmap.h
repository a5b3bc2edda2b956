#pragma once
// Pictures of the bitmap tags (DefineBits with JPEGTables, DefineBitsJPEG2/3/4,
// DefineBitsLossless and DefineBitsLossless2), decoded once when the movie is
// read into premultiplied 0xAARRGGBB pixels, top row first: the form the
// rasteriser samples from.
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

namespace glint::flash {

struct Bitmap {
    int width = 0, height = 0;
    std::vector<uint32_t> pixels; // premultiplied 0xAARRGGBB, width * height, top row first
    // Where nothing behind the picture can show through: every pixel's alpha
    // is 255, and for each row its longest run [first, end) of such pixels.
    bool opaque = false;
    std::vector<std::pair<int, int>> opaqueRows;
};

// Works out `opaque` and `opaqueRows` from the pixels.
void FindOpaqueRuns(Bitmap& bm);

// Largest picture accepted, in pixels: a movie that declares a bigger one gets
// no picture rather than a huge allocation. The image library's own memory
// limit applies as well to what it decodes.
constexpr uint64_t kMaxBitmapPixels = uint64_t(1) << 24; // 16 M pixels, 64 MB

bool IsBitmapTag(uint16_t code);

// Decodes the body of a bitmap tag after its character id. `tables` is the
// body of the movie's JPEGTables tag (used by DefineBits only; may be empty).
// False when the picture cannot be decoded or is too big; `out` is then empty.
bool DecodeBitmapTag(uint16_t code, const uint8_t* body, size_t size, const std::vector<uint8_t>& tables,
                     Bitmap& out);

// Pieces of the decoding, open to the tests.
// JPEG data as the tags hold it (markers of a separate table stream, stray
// end/start-of-image pairs) made into one plain JPEG stream; false when no
// frame header is found or the frame is larger than kMaxBitmapPixels.
bool NormalizeJpeg(const uint8_t* tables, size_t tablesSize, const uint8_t* data, size_t size,
                   std::vector<uint8_t>& out);
// DefineBitsLossless (withAlpha false) or DefineBitsLossless2 body after the id.
bool DecodeLossless(const uint8_t* body, size_t size, bool withAlpha, Bitmap& out);

} // namespace glint::flash
