#pragma once
// Byte streams that the codecs read and write: over a C runtime file, or over
// a block of memory that grows in 4096-byte steps when written.
#include <cstddef>
#include <cstdint>
#include <cstdio>

namespace glint {

class ImageStream {
public:
    enum Origin { SEEK_FROM_START = 0, SEEK_FROM_CURRENT = 1, SEEK_FROM_END = 2 };

    virtual ~ImageStream() = default;
    virtual bool Close() = 0;
    // Returns the number of whole elements read or written.
    virtual size_t Read(void* buffer, size_t elementSize, size_t count) = 0;
    virtual size_t Write(const void* buffer, size_t elementSize, size_t count) = 0;
    virtual bool Seek(int32_t offset, int origin) = 0;
    virtual int32_t Tell() = 0;
    virtual int32_t Size() = 0;
    virtual bool Flush() = 0;
    virtual bool Eof() = 0;
    virtual int32_t Error() = 0;
    virtual bool PutC(uint8_t byte) { return Write(&byte, 1, 1) == 1; }
    // The next byte (0..255), or -1 at the end.
    virtual int32_t GetC() = 0;
};

class ImageFileStream : public ImageStream {
public:
    // Over a caller's stream, which is never closed here; over none (null),
    // the stream would be owned, but then every operation answers "nothing".
    explicit ImageFileStream(std::FILE* file) : file_(file), owns_(file == nullptr) {}
    ~ImageFileStream() override { Close(); }
    ImageFileStream(const ImageFileStream&) = delete;
    ImageFileStream& operator=(const ImageFileStream&) = delete;

    bool Close() override;
    size_t Read(void* buffer, size_t elementSize, size_t count) override;
    size_t Write(const void* buffer, size_t elementSize, size_t count) override;
    bool Seek(int32_t offset, int origin) override;
    int32_t Tell() override;
    int32_t Size() override;
    bool Flush() override;
    bool Eof() override;
    int32_t Error() override;
    bool PutC(uint8_t byte) override;
    int32_t GetC() override;

private:
    std::FILE* file_;
    bool owns_;
};

class ImageMemoryStream : public ImageStream {
public:
    // Over (buffer, size): reads the caller's bytes, which are not freed here.
    // A null buffer makes a stream that is opened later with OpenEmpty.
    ImageMemoryStream(uint8_t* buffer = nullptr, size_t size = 0);
    ~ImageMemoryStream() override { Close(); }
    ImageMemoryStream(const ImageMemoryStream&) = delete;
    ImageMemoryStream& operator=(const ImageMemoryStream&) = delete;

    // A fresh, owned, empty buffer for writing; false when one is already there.
    bool OpenEmpty();

    bool Close() override;
    size_t Read(void* buffer, size_t elementSize, size_t count) override;
    size_t Write(const void* buffer, size_t elementSize, size_t count) override;
    bool Seek(int32_t offset, int origin) override;
    int32_t Tell() override;
    int32_t Size() override;
    bool Flush() override { return buffer_ != nullptr; }
    bool Eof() override;
    int32_t Error() override;
    bool PutC(uint8_t byte) override;
    int32_t GetC() override;

    uint8_t* Buffer() const { return buffer_; }
    size_t Capacity() const { return capacity_; }
    // Hands the buffer over: the stream will not free it (it came from malloc).
    void Release() { owns_ = false; }

private:
    bool Reserve(size_t needed);

    uint8_t* buffer_ = nullptr;
    size_t size_ = 0;
    bool owns_ = false;
    size_t position_ = 0;
    size_t capacity_ = 0;
};

} // namespace glint
