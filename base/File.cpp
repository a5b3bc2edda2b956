#include "base/File.h"

namespace glint {

static int Seek(std::FILE* f, uint64_t offset)
{
#ifdef _WIN32
    return _fseeki64(f, int64_t(offset), SEEK_SET);
#else
    return fseeko(f, off_t(offset), SEEK_SET);
#endif
}

static int64_t Tell(std::FILE* f)
{
#ifdef _WIN32
    return _ftelli64(f);
#else
    return ftello(f);
#endif
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
