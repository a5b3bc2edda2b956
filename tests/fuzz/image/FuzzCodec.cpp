// Feeds arbitrary bytes to one codec, named at build time by
// GLINT_FUZZ_FORMAT (one target a codec, so each search stays on its own
// format's structure), asking for the first frame and for a later one, and
// exercises what a caller does with the picture.
#include "base/ByteOrder.h"
#include "image/DibImage.h"
#include "tests/fuzz/image/Exercise.h"

#include <cstdint>
#include <cstdlib>
#include <initializer_list>

using namespace glint;

namespace {

// A GIF screen may be far larger than its data and still be valid (the
// screen is filled, not decoded); such pictures only slow the search down,
// and their limits are unit-tested.
bool AsksForHugePicture(const uint8_t* data, size_t size)
{
    if (GLINT_FUZZ_FORMAT == FORMAT_JPG || GLINT_FUZZ_FORMAT == FORMAT_PNG || GLINT_FUZZ_FORMAT == FORMAT_TIF ||
        (GLINT_FUZZ_FORMAT >= FORMAT_JP2 && GLINT_FUZZ_FORMAT <= FORMAT_RAS)) {
        // Their headers may declare pictures far larger than the data, which
        // the libraries fill in; ask the size first.
        CDibImage probe;
        probe.SetEscape(-1);
        // JPEG-2000 pictures are decoded by wavelet in every component,
        // which under the sanitizers takes seconds a megapixel.
        const bool wavelet = GLINT_FUZZ_FORMAT == FORMAT_JP2 || GLINT_FUZZ_FORMAT == FORMAT_JPC;
        return probe.DecodeBuffer(data, size, GLINT_FUZZ_FORMAT) &&
               uint64_t(probe.Width()) * uint64_t(probe.Height()) > (wavelet ? 1u << 19 : 1u << 22);
    }
    if (GLINT_FUZZ_FORMAT != FORMAT_GIF || size < 10)
        return false;
    return uint64_t(ReadU16LE(data + 6)) * ReadU16LE(data + 8) > (1u << 18);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (AsksForHugePicture(data, size))
        return 0;
    for (int32_t frame : {0, 1}) {
        CDibImage image;
        image.SetFrame(frame);
        if (!image.DecodeBuffer(data, size, GLINT_FUZZ_FORMAT))
            continue;
        if (image.Type() != GLINT_FUZZ_FORMAT)
            std::abort(); // a codec names its own format
        if (uint64_t(image.Width()) * uint64_t(image.Height()) <= (1u << 20))
            fuzz::ReadAndWriteBack(image, 5);
    }
    return 0;
}
