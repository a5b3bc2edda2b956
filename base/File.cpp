#include "base/File.h"

#include <algorithm>

#ifdef _WIN32
#include <windows.h>
#endif

namespace glint {

#ifdef _WIN32

static HANDLE H(NativeFile f) { return static_cast<HANDLE>(f); }

bool InputFile::Open(const std::string& path)
{
    Close();
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    DWORD high = 0;
    DWORD low = GetFileSize(h, &high);
    if (low == INVALID_FILE_SIZE && GetLastError() != NO_ERROR) {
        CloseHandle(h);
        return false;
    }
    file_ = h;
    size_ = (uint64_t(high) << 32) | low;
    position_ = 0;
    return true;
}

void InputFile::Close()
{
    if (file_)
        CloseHandle(H(file_));
    file_ = nullptr;
    size_ = 0;
}

bool InputFile::ReadAt(uint64_t offset, void* out, size_t n)
{
    if (!file_ || offset > size_ || n > size_ - offset)
        return false;
    if (offset != position_) {
        LONG high = LONG(offset >> 32);
        if (SetFilePointer(H(file_), LONG(uint32_t(offset)), &high, FILE_BEGIN) == INVALID_SET_FILE_POINTER &&
            GetLastError() != NO_ERROR)
            return false;
    }
    auto* dest = static_cast<uint8_t*>(out);
    size_t done = 0;
    while (done < n) {
        DWORD got = 0;
        DWORD want = DWORD(std::min<size_t>(n - done, 1u << 30));
        if (!ReadFile(H(file_), dest + done, want, &got, nullptr) || got == 0)
            break;
        done += got;
    }
    position_ = offset + done;
    return done == n;
}

OutputFile::~OutputFile() { Close(); }

bool OutputFile::Open(const std::string& path)
{
    Close();
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    file_ = h == INVALID_HANDLE_VALUE ? nullptr : h;
    failed_ = file_ == nullptr;
    return file_ != nullptr;
}

bool OutputFile::Write(const void* data, size_t n)
{
    if (!file_ || failed_)
        return false;
    auto* src = static_cast<const uint8_t*>(data);
    while (n > 0) {
        DWORD put = 0;
        DWORD want = DWORD(std::min<size_t>(n, 1u << 30));
        if (!WriteFile(H(file_), src, want, &put, nullptr) || put == 0) {
            failed_ = true;
            break;
        }
        src += put;
        n -= put;
    }
    return !failed_;
}

bool OutputFile::Close()
{
    if (file_) {
        if (!CloseHandle(H(file_)))
            failed_ = true;
        file_ = nullptr;
    }
    return !failed_;
}

#else

static int Seek(std::FILE* f, uint64_t offset)
{
    return fseeko(f, off_t(offset), SEEK_SET);
}

static int64_t Tell(std::FILE* f)
{
    return ftello(f);
}

bool InputFile::Open(const std::string& path)
{
    Close();
    file_ = std::fopen(path.c_str(), "rb");
    if (!file_)
        return false;
    int64_t end = -1;
    if (std::fseek(file_, 0, SEEK_END) == 0)
        end = Tell(file_);
    if (end < 0 || Seek(file_, 0) != 0) {
        Close();
        return false;
    }
    size_ = uint64_t(end);
    position_ = 0;
    return true;
}

void InputFile::Close()
{
    if (file_)
        std::fclose(file_);
    file_ = nullptr;
    size_ = 0;
}

bool InputFile::ReadAt(uint64_t offset, void* out, size_t n)
{
    if (!file_ || offset > size_ || n > size_ - offset)
        return false;
    if (offset != position_ && Seek(file_, offset) != 0)
        return false;
    size_t got = std::fread(out, 1, n, file_);
    position_ = offset + got;
    return got == n;
}

OutputFile::~OutputFile() { Close(); }

bool OutputFile::Open(const std::string& path)
{
    Close();
    file_ = std::fopen(path.c_str(), "wb");
    failed_ = file_ == nullptr;
    return file_ != nullptr;
}

bool OutputFile::Write(const void* data, size_t n)
{
    if (!file_ || failed_)
        return false;
    if (n != 0 && std::fwrite(data, 1, n, file_) != n)
        failed_ = true;
    return !failed_;
}

bool OutputFile::Close()
{
    if (file_) {
        if (std::fclose(file_) != 0)
            failed_ = true;
        file_ = nullptr;
    }
    return !failed_;
}

#endif

bool ReadWholeFile(const std::string& path, std::string& out)
{
    InputFile in;
    if (!in.Open(path) || in.Size() > SIZE_MAX)
        return false;
    out.resize(size_t(in.Size()));
    return out.empty() || in.ReadAt(0, out.data(), out.size());
}

bool WriteWholeFile(const std::string& path, const void* data, size_t size)
{
    OutputFile out;
    return out.Open(path) && out.Write(data, size) && out.Close();
}

} // namespace glint
