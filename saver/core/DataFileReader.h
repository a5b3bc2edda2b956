#pragma once
// Reading a data file: a scan that checks everything before anything is
// written, then the extraction of the payloads into the work folder.
#include "base/File.h"
#include "saver/core/DataFileFormat.h"

#include <cstdint>
#include <string>
#include <vector>

namespace glint::datafile {

// Random access to the bytes of a data file.
class Source {
public:
    virtual ~Source() = default;
    virtual uint64_t Size() const = 0;
    // Reads exactly n bytes at offset; false when they are not all there.
    virtual bool ReadAt(uint64_t offset, void* out, size_t n) = 0;
};

class FileSource : public Source {
public:
    bool Open(const std::string& path) { return file_.Open(path); }
    uint64_t Size() const override { return file_.Size(); }
    bool ReadAt(uint64_t offset, void* out, size_t n) override { return file_.ReadAt(offset, out, n); }

private:
    InputFile file_;
};

class MemorySource : public Source {
public:
    MemorySource(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    uint64_t Size() const override { return size_; }
    bool ReadAt(uint64_t offset, void* out, size_t n) override;

private:
    const uint8_t* data_;
    size_t size_;
};

enum class PayloadKind { File, Preview, DialogPicture, Movie };
const char* PayloadKindName(PayloadKind kind);

struct Payload {
    PayloadKind kind;
    std::string name;
    uint64_t offset;
    uint32_t size;
};

struct Contents {
    // Header
    std::string signature, tag, sealedSignature, sealedTag, workName;
    int32_t movieCount = 0;
    // Movie block
    std::string mainMovie, title;
    uint32_t scaleToFit = 0, exitOnMouse = 0, exitOnKey = 0, fileCount = 0;
    // Preview block
    uint32_t previewKind = 0;
    std::string previewName;
    // Dialog block
    uint32_t pictureKind = 0;
    std::string pictureName;
    uint32_t allowExitOptions = 0, allowMute = 0, showSiteButton = 0;
    std::string siteCaption, siteAddress;
    // Reserved parts, read past; kept for listing.
    uint32_t reservedTextLength = 0, reservedTextReads = 0;
    uint32_t reservedPayloads = 0;
    // Every embedded file, in file order.
    std::vector<Payload> payloads;

    // The movie that plays: the last movie record's, else the movie block's.
    const std::string& PlayedMovieName() const;
};

enum class ScanError {
    None,
    ForeignSignature, // not one of our files at all
    BadSeal,          // the sealed header texts do not match
    UnsafeName,       // a name would lead outside the work folder
    PayloadTooLarge,  // a payload runs past the end of the file
};

struct ScanResult {
    ScanError error = ScanError::None;
    std::string detail; // which field or name, for tools and tests
    Contents contents;
};

// True when the zero-ended text at the start of the header is our signature.
bool HasSignature(const uint8_t* header, size_t headerSize);

// Walks the whole file without reading the payloads. Fixed blocks cut short by
// the end of the file read as zeros; payloads must be wholly present.
ScanResult Scan(Source& source);

// Writes one payload to a file, streaming in chunks. False when the source
// cannot be read or the file cannot be written.
bool ExtractPayload(Source& source, const Payload& payload, const std::string& path);

} // namespace glint::datafile
