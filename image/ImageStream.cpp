#include "image/ImageStream.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace glint {

// ---- ImageFileStream ----

bool ImageFileStream::Close()
{
    if (!file_)
        return true;
    bool ok = true;
    if (owns_)
        ok = std::fclose(file_) == 0;
    file_ = nullptr;
    return ok;
}

size_t ImageFileStream::Read(void* buffer, size_t elementSize, size_t count)
{
    if (!file_ || !buffer)
        return 0;
    return std::fread(buffer, elementSize, count, file_);
}

size_t ImageFileStream::Write(const void* buffer, size_t elementSize, size_t count)
{
    if (!file_ || !buffer)
        return 0;
    return std::fwrite(buffer, elementSize, count, file_);
}

bool ImageFileStream::Seek(int32_t offset, int origin)
{
    static const int kWhence[] = {SEEK_SET, SEEK_CUR, SEEK_END};
    if (!file_ || origin < 0 || origin > 2)
        return false;
    return std::fseek(file_, long(offset), kWhence[origin]) == 0;
}

int32_t ImageFileStream::Tell()
{
    if (!file_)
        return 0;
    long pos = std::ftell(file_);
    return pos < 0 || pos > INT32_MAX ? -1 : int32_t(pos);
}

int32_t ImageFileStream::Size()
{
    if (!file_)
        return -1;
    long here = std::ftell(file_);
    if (here < 0 || std::fseek(file_, 0, SEEK_END) != 0)
        return -1;
    long end = std::ftell(file_);
    std::fseek(file_, here, SEEK_SET);
    return end < 0 || end > INT32_MAX ? -1 : int32_t(end);
}

bool ImageFileStream::Flush() { return file_ && std::fflush(file_) == 0; }
bool ImageFileStream::Eof() { return !file_ || std::feof(file_) != 0; }
int32_t ImageFileStream::Error() { return file_ ? std::ferror(file_) : -1; }
bool ImageFileStream::PutC(uint8_t byte) { return file_ && std::fputc(byte, file_) == byte; }

int32_t ImageFileStream::GetC()
{
    if (!file_)
        return -1;
    int c = std::getc(file_);
    return c == EOF ? -1 : c;
}

// ---- ImageMemoryStream ----

ImageMemoryStream::ImageMemoryStream(uint8_t* buffer, size_t size)
    : buffer_(buffer), size_(buffer ? size : 0), owns_(buffer == nullptr), position_(0),
      capacity_(buffer ? size : 0)
{
}

bool ImageMemoryStream::OpenEmpty()
{
    if (buffer_)
        return false;
    // malloc(0) may legally return null, which would read as "no buffer":
    // take one byte and call the capacity 0.
    buffer_ = static_cast<uint8_t*>(std::malloc(1));
    if (!buffer_)
        return false;
    size_ = position_ = capacity_ = 0;
    owns_ = true;
    return true;
}

bool ImageMemoryStream::Close()
{
    if (buffer_ && owns_)
        std::free(buffer_);
    buffer_ = nullptr;
    size_ = 0;
    return true;
}

size_t ImageMemoryStream::Read(void* buffer, size_t elementSize, size_t count)
{
    if (!buffer_ || !buffer || position_ > size_ || elementSize == 0 || count == 0)
        return 0;
    size_t left = size_ - position_;
    // elementSize * count may not fit: whatever is asked beyond what is left
    // is the same as asking for everything that is left.
    size_t wanted = count > left / elementSize ? left : elementSize * count;
    std::memcpy(buffer, buffer_ + position_, wanted);
    position_ += wanted;
    return wanted / elementSize;
}

// Grows in whole 4096-byte steps beyond the old capacity, so that writing
// a picture byte by byte does not reallocate on every call. The new bytes
// are zeroed: a write after a seek beyond the end must not leave a gap of
// uninitialised memory in the data.
bool ImageMemoryStream::Reserve(size_t needed)
{
    if (needed <= capacity_)
        return true;
    uint64_t steps = (uint64_t(needed - capacity_) + 4095) / 4096;
    uint64_t grown = uint64_t(capacity_) + steps * 4096;
    if (grown > INT32_MAX || grown > SIZE_MAX)
        return false;
    void* p = std::realloc(owns_ ? buffer_ : nullptr, size_t(grown));
    if (!p)
        return false; // the old buffer stays as it was
    uint8_t* bytes = static_cast<uint8_t*>(p);
    if (!owns_)
        std::memcpy(bytes, buffer_, size_); // the caller's bytes stay the caller's
    std::memset(bytes + size_, 0, size_t(grown) - size_);
    buffer_ = bytes;
    capacity_ = size_t(grown);
    owns_ = true;
    return true;
}

size_t ImageMemoryStream::Write(const void* buffer, size_t elementSize, size_t count)
{
    if (!buffer_ || !buffer || elementSize == 0 || count == 0)
        return 0;
    if (count > (SIZE_MAX - position_) / elementSize)
        return 0;
    size_t bytes = elementSize * count;
    if (!Reserve(position_ + bytes))
        return 0;
    std::memcpy(buffer_ + position_, buffer, bytes);
    position_ += bytes;
    if (position_ > size_)
        size_ = position_;
    return count;
}

bool ImageMemoryStream::Seek(int32_t offset, int origin)
{
    if (!buffer_)
        return false;
    int64_t base;
    switch (origin) {
    case SEEK_FROM_START: base = 0; break;
    case SEEK_FROM_CURRENT: base = int64_t(position_); break;
    case SEEK_FROM_END: base = int64_t(size_); break;
    default: return false;
    }
    int64_t target = base + offset;
    if (target < 0 || target > INT32_MAX)
        return false;
    position_ = size_t(target);
    return true;
}

int32_t ImageMemoryStream::Tell() { return buffer_ ? int32_t(position_) : -1; }
int32_t ImageMemoryStream::Size() { return buffer_ ? int32_t(size_ > INT32_MAX ? INT32_MAX : size_) : -1; }
bool ImageMemoryStream::Eof() { return !buffer_ || position_ >= size_; }
int32_t ImageMemoryStream::Error() { return buffer_ ? int32_t(position_ > size_) : -1; }

bool ImageMemoryStream::PutC(uint8_t byte)
{
    if (!buffer_ || position_ == SIZE_MAX || !Reserve(position_ + 1))
        return false;
    buffer_[position_++] = byte;
    if (position_ > size_)
        size_ = position_;
    return true;
}

int32_t ImageMemoryStream::GetC()
{
    if (Eof())
        return -1;
    return buffer_[position_++];
}

} // namespace glint
