#pragma once
// Plain files with 64-bit offsets: the system's own calls on Windows (no
// extra buffering layer on the hot path of unpacking), the C library elsewhere.
#include <cstdint>
#include <cstdio>
#include <string>

namespace glint {

#ifdef _WIN32
using NativeFile = void*; // a HANDLE; null when closed
#else
using NativeFile = std::FILE*;
#endif

class InputFile {
public:
    InputFile() = default;
    ~InputFile() { Close(); }
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;

    bool Open(const std::string& path);
    void Close();
    bool IsOpen() const { return file_ != nullptr; }
    uint64_t Size() const { return size_; }
    // Reads exactly n bytes at offset; false when they are not all there.
    bool ReadAt(uint64_t offset, void* out, size_t n);

private:
    NativeFile file_ = nullptr;
    uint64_t size_ = 0;
    uint64_t position_ = 0; // where the C library's position is, to avoid needless seeks
};

// Creates or truncates a file; Close reports whether every byte reached the disk.
class OutputFile {
public:
    OutputFile() = default;
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    bool Open(const std::string& path);
    bool Write(const void* data, size_t n);
    bool Close();

private:
    NativeFile file_ = nullptr;
    bool failed_ = false;
};

bool ReadWholeFile(const std::string& path, std::string& out);
bool WriteWholeFile(const std::string& path, const void* data, size_t size);

} // namespace glint
