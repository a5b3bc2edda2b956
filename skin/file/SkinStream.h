#pragma once
// CSkinStream: the growable in-memory byte stream through which every skin
// object is read and written, and the LZO container that carries a skin.
#include <cstdint>
#include <vector>

namespace glint {

// Grow step of the loader's stream and of the resource copy of a container.
constexpr uint32_t SKIN_STREAM_GROW_STEP = 10240;

class CSkinStream {
public:
    enum Origin { FROM_START = 0, FROM_CURRENT = 1, FROM_END = 2 };

    // An empty stream; the first Write allocates.
    explicit CSkinStream(uint32_t growStep = SKIN_STREAM_GROW_STEP);
    // length bytes copied from bytes (or left uninitialised when bytes is null).
    CSkinStream(const void* bytes, uint32_t length, uint32_t growStep);
    ~CSkinStream() { Reset(); }
    CSkinStream(const CSkinStream&) = delete;
    CSkinStream& operator=(const CSkinStream&) = delete;

    bool Allocate(uint32_t capacity);
    // Copies min(count, Remaining()) bytes; a short read is no error here.
    uint32_t Read(void* destination, uint32_t count);
    // The next 4 bytes little-endian, or 0 when fewer than 4 are left.
    uint32_t ReadU32();
    uint32_t Write(const void* source, uint32_t count);
    uint32_t WriteU32(uint32_t value);
    // Returns the new cursor, always within 0 ... Size().
    uint32_t Seek(int32_t offset, int origin);
    void Reset();

    uint32_t Size() const { return size_; }
    uint32_t Position() const { return position_; }
    uint32_t Capacity() const { return capacity_; }
    uint32_t GrowStep() const { return growStep_; }
    uint32_t Remaining() const { return size_ - position_; }
    const uint8_t* Data() const { return buffer_; }

private:
    uint32_t size_ = 0;
    uint32_t position_ = 0;
    uint8_t* buffer_ = nullptr;
    uint32_t capacity_ = 0;
    uint32_t growStep_ = SKIN_STREAM_GROW_STEP;
};

// Expands a container (u32 length N, then one LZO1X stream that gives exactly
// N bytes) and appends the N bytes to target. Nothing is written on failure.
bool ExpandContainer(const uint8_t* container, uint32_t length, CSkinStream& target);

// The builder's side: N, then the bytes compressed with LZO1X-1.
bool CompressContainer(const uint8_t* data, uint32_t length, std::vector<uint8_t>& container);

} // namespace glint
