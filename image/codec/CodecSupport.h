#pragma once
// What the decoders share: buffered reading for the run-length and LZW
// decoders (they take a byte or a few at a time, and a virtual stream call
// per byte would dominate their cost; Give() hands back what was read ahead,
// so the stream ends up just behind the bytes really consumed), the bytes a
// stream has left, and the end of a decoder that fails with a message.
#include "image/DibImage.h"
#include "image/ImageStream.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace glint {

class CodecReader {
public:
    static constexpr size_t kBufferSize = 16383;

    explicit CodecReader(ImageStream* stream) : stream_(stream) {}
    CodecReader(const CodecReader&) = delete;
    CodecReader& operator=(const CodecReader&) = delete;

    // The next byte, or -1 at the end of the stream.
    int Next()
    {
        if (pos_ == len_ && !Refill())
            return -1;
        return buf_[pos_++];
    }
    // Copies exactly n bytes; false when the stream ends first.
    bool Take(uint8_t* out, size_t n)
    {
        while (n) {
            if (pos_ == len_ && !Refill())
                return false;
            const size_t part = len_ - pos_ < n ? len_ - pos_ : n;
            std::memcpy(out, buf_ + pos_, part);
            pos_ += part;
            out += part;
            n -= part;
        }
        return true;
    }
    // Skips n bytes; false when the stream ends first.
    bool Skip(size_t n)
    {
        while (n) {
            if (pos_ == len_ && !Refill())
                return false;
            const size_t part = len_ - pos_ < n ? len_ - pos_ : n;
            pos_ += part;
            n -= part;
        }
        return true;
    }
    // Moves the stream back over the bytes read ahead but not consumed.
    void Give()
    {
        if (pos_ < len_)
            stream_->Seek(-int32_t(len_ - pos_), ImageStream::SEEK_FROM_CURRENT);
        pos_ = len_ = 0;
    }

private:
    bool Refill()
    {
        len_ = stream_->Read(buf_, 1, kBufferSize);
        pos_ = 0;
        return len_ != 0;
    }

    ImageStream* stream_;
    uint8_t buf_[kBufferSize];
    size_t pos_ = 0, len_ = 0;
};

// Bytes left between the stream's position and its end (0 when unknown).
inline uint64_t BytesLeft(ImageStream* stream)
{
    const int32_t size = stream->Size(), at = stream->Tell();
    return size > 0 && at >= 0 && size > at ? uint64_t(size - at) : 0;
}

// A decoder's result from the message its steps returned (null: success).
// A message that is already the image's own (Create's) is kept as it is.
inline bool EndDecode(CDibImage& image, const char* error)
{
    if (!error)
        return true;
    if (error != image.LastError())
        image.SetLastError(error);
    return false;
}

} // namespace glint
