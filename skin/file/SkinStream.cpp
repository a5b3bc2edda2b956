#include "skin/file/SkinStream.h"

#include "base/ByteOrder.h"

#include <lzo/lzo1x.h>

#include <cstdlib>
#include <cstring>
#include <memory>

namespace glint {

// A grow step of 0 would make every growing write divide by zero; such a
// stream grows by the usual step instead.
static uint32_t UsableGrowStep(uint32_t step) { return step ? step : SKIN_STREAM_GROW_STEP; }

CSkinStream::CSkinStream(uint32_t growStep) : growStep_(UsableGrowStep(growStep)) {}

CSkinStream::CSkinStream(const void* bytes, uint32_t length, uint32_t growStep) : growStep_(UsableGrowStep(growStep))
{
    if (!Allocate(length))
        return;
    if (bytes && length)
        std::memcpy(buffer_, bytes, length);
    size_ = length;
}

bool CSkinStream::Allocate(uint32_t capacity)
{
    std::free(buffer_);
    // malloc(0) may answer null; one byte keeps "allocated" distinct from "failed".
    buffer_ = static_cast<uint8_t*>(std::malloc(capacity ? capacity : 1));
    size_ = position_ = 0;
    capacity_ = buffer_ ? capacity : 0;
    return buffer_ != nullptr;
}

uint32_t CSkinStream::Read(void* destination, uint32_t count)
{
    if (!buffer_)
        return 0;
    const uint32_t n = count < Remaining() ? count : Remaining();
    if (n)
        std::memcpy(destination, buffer_ + position_, n);
    position_ += n;
    return n;
}

uint32_t CSkinStream::ReadU32()
{
    uint8_t bytes[4];
    return Read(bytes, 4) == 4 ? ReadU32LE(bytes) : 0;
}

uint32_t CSkinStream::Write(const void* source, uint32_t count)
{
    if (!buffer_ && !Allocate(count))
        return 0;
    const uint32_t room = capacity_ - position_;
    if (count <= room) {
        std::memcpy(buffer_ + position_, source, count);
        position_ += count;
        if (position_ > size_)
            size_ = position_;
        return count;
    }
    // Reset leaves the step at 0; a stream used again after it still grows.
    const uint64_t step = UsableGrowStep(growStep_);
    const uint64_t grown = uint64_t(capacity_) + (uint64_t(count - room) / step + 1) * step;
    if (grown > UINT32_MAX)
        return 0;
    auto* bigger = static_cast<uint8_t*>(std::realloc(buffer_, size_t(grown)));
    if (!bigger)
        return 0; // realloc kept the old block and its contents
    buffer_ = bigger;
    capacity_ = uint32_t(grown);
    std::memcpy(buffer_ + position_, source, count);
    position_ += count;
    size_ = position_;
    return count;
}

uint32_t CSkinStream::WriteU32(uint32_t value)
{
    uint8_t bytes[4];
    WriteU32LE(bytes, value);
    return Write(bytes, 4);
}

uint32_t CSkinStream::Seek(int32_t offset, int origin)
{
    uint32_t target;
    switch (origin) {
    case FROM_START: target = uint32_t(offset); break;
    case FROM_CURRENT: target = position_ + uint32_t(offset); break;
    case FROM_END: target = size_ + uint32_t(offset); break;
    default: return position_;
    }
    // Positions are unsigned: a move before the start wraps and lands at the end.
    position_ = target > size_ ? size_ : target;
    return position_;
}

void CSkinStream::Reset()
{
    std::free(buffer_);
    buffer_ = nullptr;
    size_ = position_ = capacity_ = growStep_ = 0;
}

namespace {

bool LzoReady()
{
    static const bool ready = lzo_init() == LZO_E_OK;
    return ready;
}

// An LZO1X stream cannot expand one input byte into more than 255 output
// bytes (a run of zero length bytes adds 255 each); a header announcing more
// is a lie, and believing it would make a hostile 4 GB allocation.
constexpr uint64_t kMaxExpansion = 256;

} // namespace

bool ExpandContainer(const uint8_t* container, uint32_t length, CSkinStream& target)
{
    if (!LzoReady() || !container || length < 4)
        return false;
    const uint32_t expected = ReadU32LE(container);
    const uint32_t packed = length - 4;
    if (expected > uint64_t(packed) * kMaxExpansion + 64)
        return false;
    std::unique_ptr<uint8_t, decltype(&std::free)> scratch(
        static_cast<uint8_t*>(std::malloc(expected ? expected : 1)), &std::free);
    if (!scratch)
        return false;
    lzo_uint produced = expected;
    const int result = lzo1x_decompress_safe(container + 4, packed, scratch.get(), &produced, nullptr);
    if (result != LZO_E_OK || produced != expected)
        return false;
    return expected == 0 || target.Write(scratch.get(), expected) == expected;
}

bool CompressContainer(const uint8_t* data, uint32_t length, std::vector<uint8_t>& container)
{
    if (!LzoReady())
        return false;
    // The library's documented worst case for incompressible input.
    container.assign(4 + size_t(length) + length / 16 + 64 + 3, 0);
    std::vector<uint8_t> work(LZO1X_1_MEM_COMPRESS);
    lzo_uint packed = 0;
    if (lzo1x_1_compress(data, length, container.data() + 4, &packed, work.data()) != LZO_E_OK)
        return false;
    WriteU32LE(container.data(), length);
    container.resize(4 + packed);
    return true;
}

} // namespace glint
