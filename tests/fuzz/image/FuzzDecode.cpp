// Feeds arbitrary bytes to the format dispatcher (FORMAT_UNKNOWN tries every
// codec) and exercises what a caller does with a picture it got.
#include "base/ByteOrder.h"
#include "image/DibImage.h"
#include "tests/fuzz/image/Exercise.h"

#include <cstdint>
#include <cstdlib>

using namespace glint;

namespace {

// A BMP header that asks for a huge picture is valid (missing rows come out
// black) but makes every run allocate and clear hundreds of megabytes. Such
// sizes and their overflow checks are covered by unit tests; here they only
// slow the search down.
bool AsksForHugePicture(const uint8_t* data, size_t size)
{
    const size_t at = size >= 2 && data[0] == 'B' && data[1] == 'M' ? 14 : 0;
    if (size < at + 12)
        return false;
    const uint32_t headerSize = ReadU32LE(data + at);
    int64_t w, h;
    if (headerSize == 12) {
        w = ReadU16LE(data + at + 4);
        h = ReadU16LE(data + at + 6);
    } else {
        w = ReadI32LE(data + at + 4);
        h = ReadI32LE(data + at + 8);
    }
    return (w < 0 ? -w : w) * (h < 0 ? -h : h) > (int64_t(1) << 18);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (AsksForHugePicture(data, size))
        return 0;
    CDibImage image;
    if (!image.DecodeBuffer(data, size, FORMAT_UNKNOWN))
        return 0;
    // Keep the work per input small so the fuzzer explores headers, not big pictures.
    if (uint64_t(image.Width()) * uint64_t(image.Height()) > 1u << 18)
        return 0;
    fuzz::ReadAndWriteBack(image, 7);
    image.CropTo(1, 1, image.Width() - 1, image.Height() - 1, nullptr);
    image.Rotate90(nullptr);
    return 0;
}
