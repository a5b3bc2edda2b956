#include "saver/core/DataFileReader.h"

#include "base/ByteOrder.h"
#include "base/File.h"
#include "base/Text.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace glint::datafile {

bool MemorySource::ReadAt(uint64_t offset, void* out, size_t n)
{
    if (offset > size_ || n > size_ - offset)
        return false;
    std::memcpy(out, data_ + offset, n);
    return true;
}

const char* PayloadKindName(PayloadKind kind)
{
    switch (kind) {
    case PayloadKind::File: return "file";
    case PayloadKind::Preview: return "preview";
    case PayloadKind::DialogPicture: return "dialog picture";
    case PayloadKind::Movie: return "movie";
    }
    return "?";
}

const std::string& Contents::PlayedMovieName() const
{
    for (auto it = payloads.rbegin(); it != payloads.rend(); ++it)
        if (it->kind == PayloadKind::Movie)
            return it->name;
    return mainMovie;
}

bool HasSignature(const uint8_t* header, size_t headerSize)
{
    return headerSize >= header::kSignatureSize && FieldText(header + header::kSignature, header::kSignatureSize) ==
                                                       std::string_view(kSignature);
}

namespace {

// Walks the file front to back; the position may pass the end of the file,
// where fixed blocks read as zeros.
class Cursor {
public:
    explicit Cursor(Source& source) : source_(source), size_(source.Size()) {}

    template <size_t N> std::array<uint8_t, N> Block()
    {
        std::array<uint8_t, N> block{};
        if (position_ < size_) {
            size_t available = size_t(std::min<uint64_t>(N, size_ - position_));
            if (!source_.ReadAt(position_, block.data(), available))
                block.fill(0);
        }
        position_ += N;
        return block;
    }

    uint64_t Left() const { return position_ < size_ ? size_ - position_ : 0; }
    uint64_t Position() const { return position_; }

    // Steps over a payload; false when it is not wholly in the file.
    bool Skip(uint64_t length)
    {
        if (length > Left())
            return false;
        position_ += length;
        return true;
    }

private:
    Source& source_;
    uint64_t size_;
    uint64_t position_ = 0;
};

class Scanner {
public:
    explicit Scanner(Source& source) : cursor_(source) {}

    ScanResult Run()
    {
        if (ReadHeader() && ReadReservedBlock() && ReadMovieBlock() && ReadFileRecords() &&
            ReadSecondReservedBlock() && ReadPreviewBlock() && ReadDialogBlock() && ReadMovieRecords()) {
            result_.contents.title = TrimBlanks(result_.contents.title);
        }
        return std::move(result_);
    }

private:
    bool Fail(ScanError error, std::string detail)
    {
        result_.error = error;
        result_.detail = std::move(detail);
        return false;
    }

    bool CheckName(const std::string& name, const char* what)
    {
        if (!IsSafeEntryName(name))
            return Fail(ScanError::UnsafeName, std::string(what) + " \"" + name + "\" is not a plain file name");
        return true;
    }

    bool AddPayload(PayloadKind kind, std::string name, uint32_t size, const char* what)
    {
        if (!CheckName(name, what))
            return false;
        uint64_t offset = cursor_.Position();
        if (!cursor_.Skip(size))
            return Fail(ScanError::PayloadTooLarge, std::string(what) + " \"" + name + "\" of " + std::to_string(size) +
                                                        " bytes runs past the end of the file");
        result_.contents.payloads.push_back({kind, std::move(name), offset, size});
        return true;
    }

    bool SkipReserved(uint64_t length, const char* what)
    {
        if (!cursor_.Skip(length))
            return Fail(ScanError::PayloadTooLarge,
                        std::string(what) + " of " + std::to_string(length) + " bytes runs past the end of the file");
        return true;
    }

    bool ReadHeader()
    {
        auto h = cursor_.Block<kHeaderSize>();
        Contents& c = result_.contents;
        c.signature = FieldText(&h[header::kSignature], header::kSignatureSize);
        c.tag = FieldText(&h[header::kTag], header::kTagSize);
        c.sealedSignature = FieldText(&h[header::kSealedSignature], header::kSealedSignatureSize);
        c.sealedTag = FieldText(&h[header::kSealedTag], header::kSealedTagSize);
        c.workName = FieldText(&h[header::kWorkName], header::kNameSize);
        c.movieCount = ReadI32LE(&h[header::kMovieCount]);
        if (!HasSignature(h.data(), h.size()))
            return Fail(ScanError::ForeignSignature, "the signature is \"" + c.signature + "\"");
        if (c.signature != Unseal(c.sealedSignature))
            return Fail(ScanError::BadSeal, "the sealed signature does not match");
        if (c.tag != Unseal(c.sealedTag))
            return Fail(ScanError::BadSeal, "the sealed tag does not match");
        return CheckName(c.workName, "work name");
    }

    bool ReadReservedBlock()
    {
        auto r = cursor_.Block<kReservedBlockSize>();
        Contents& c = result_.contents;
        c.reservedTextLength = ReadU32LE(&r[reserved::kTextLength]);
        if (c.reservedTextLength == 0)
            return true;
        ++c.reservedTextReads;
        return SkipReserved(c.reservedTextLength, "reserved text");
    }

    bool ReadMovieBlock()
    {
        auto m = cursor_.Block<kMovieBlockSize>();
        Contents& c = result_.contents;
        c.mainMovie = FieldText(&m[movie::kMainMovie], header::kNameSize);
        c.title = FieldText(&m[movie::kTitle], header::kNameSize);
        c.scaleToFit = ReadU32LE(&m[movie::kScaleToFit]);
        c.exitOnMouse = ReadU32LE(&m[movie::kExitOnMouse]);
        c.exitOnKey = ReadU32LE(&m[movie::kExitOnKey]);
        c.fileCount = ReadU32LE(&m[movie::kFileCount]);
        return true;
    }

    // Records past the end of the file read as zeros and so have empty names,
    // which stops a hostile count at the first missing record.
    bool ReadFileRecords()
    {
        for (uint32_t i = 0; i < result_.contents.fileCount; ++i) {
            auto r = cursor_.Block<kFileRecordSize>();
            if (!AddPayload(PayloadKind::File, FieldText(&r[record::kName], header::kNameSize),
                            ReadU32LE(&r[record::kSize]), "file"))
                return false;
        }
        return true;
    }

    bool ReadSecondReservedBlock()
    {
        auto r = cursor_.Block<kSecondReservedBlockSize>();
        Contents& c = result_.contents;
        if (ReadU32LE(&r[reserved::kPayloadFlag]) == 1) {
            ++c.reservedPayloads;
            if (!SkipReserved(ReadU32LE(&r[reserved::kPayloadLength]), "reserved payload"))
                return false;
        }
        if (ReadU32LE(&r[reserved::kTextAgainFlag]) != 0) {
            // The length of the first reserved text is consumed once more.
            ++c.reservedTextReads;
            return SkipReserved(c.reservedTextLength, "reserved text");
        }
        return true;
    }

    bool ReadPreviewBlock()
    {
        auto p = cursor_.Block<kPreviewBlockSize>();
        Contents& c = result_.contents;
        c.previewKind = ReadU32LE(&p[preview::kKind]);
        c.previewName = FieldText(&p[preview::kName], header::kNameSize);
        if (c.previewKind == 1 &&
            !AddPayload(PayloadKind::Preview, c.previewName, ReadU32LE(&p[preview::kSize]), "preview"))
            return false;
        if (ReadU32LE(&p[preview::kReservedFlag]) == 1) {
            ++c.reservedPayloads;
            return SkipReserved(ReadU32LE(&p[preview::kReservedLength]), "reserved preview payload");
        }
        return true;
    }

    bool ReadDialogBlock()
    {
        auto d = cursor_.Block<kDialogBlockSize>();
        Contents& c = result_.contents;
        c.pictureKind = ReadU32LE(&d[dialog::kKind]);
        c.pictureName = FieldText(&d[dialog::kName], header::kNameSize);
        c.allowExitOptions = ReadU32LE(&d[dialog::kAllowExitOptions]);
        c.allowMute = ReadU32LE(&d[dialog::kAllowMute]);
        c.showSiteButton = ReadU32LE(&d[dialog::kShowSiteButton]);
        c.siteCaption = FieldText(&d[dialog::kSiteCaption], dialog::kTextSize);
        c.siteAddress = FieldText(&d[dialog::kSiteAddress], dialog::kTextSize);
        if (c.pictureKind == 1)
            return AddPayload(PayloadKind::DialogPicture, c.pictureName, ReadU32LE(&d[dialog::kSize]),
                              "dialog picture");
        return true;
    }

    bool ReadMovieRecords()
    {
        for (int32_t i = 0; i < result_.contents.movieCount; ++i) {
            auto r = cursor_.Block<kMovieRecordSize>();
            if (!AddPayload(PayloadKind::Movie, FieldText(&r[record::kName], header::kNameSize),
                            ReadU32LE(&r[record::kSize]), "movie"))
                return false;
        }
        return true;
    }

    Cursor cursor_;
    ScanResult result_;
};

} // namespace

ScanResult Scan(Source& source) { return Scanner(source).Run(); }

bool ExtractPayload(Source& source, const Payload& payload, const std::string& path)
{
    OutputFile out;
    if (!out.Open(path))
        return false;
    constexpr size_t kChunk = 4 << 20; // few system calls, bounded memory
    std::vector<uint8_t> buffer(std::min<size_t>(kChunk, payload.size));
    uint64_t done = 0;
    while (done < payload.size) {
        size_t n = size_t(std::min<uint64_t>(buffer.size(), payload.size - done));
        if (!source.ReadAt(payload.offset + done, buffer.data(), n) || !out.Write(buffer.data(), n))
            return false;
        done += n;
    }
    return out.Close();
}

} // namespace glint::datafile
