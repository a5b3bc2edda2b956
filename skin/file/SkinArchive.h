#pragma once
// CSkinArchive: one walk over an object's fields in file order serves every
// direction. Each class lists its layout once, in Serialize; an archive reads
// it from a skin stream, writes it to one, or (in skinc) turns it into the
// readable source form and back. Keys name the fields in the source form;
// a null key marks a field that exists only in the file.
#include "base/Win32Layouts.h"
#include "skin/file/SkinRecords.h"
#include "skin/file/SkinVersion.h"

#include <cstddef>
#include <cstdint>

namespace glint {

class CSkinNode;
class CSkinImage;
class CCustomDefinition;
class CSkinStream;

class CSkinArchive {
public:
    virtual ~CSkinArchive() = default;

    virtual bool IsReading() const = 0;
    // The layout version of what is read; writers always use the current one.
    virtual SkinFileVersion Version() const { return SKIN_WRITER_VERSION; }

    virtual void U32(const char* key, uint32_t& value) = 0;
    virtual void I32(const char* key, int32_t& value) = 0;
    virtual void Byte(const char* key, uint8_t& value) = 0;
    virtual void Bool(const char* key, int32_t& value) = 0;
    virtual void Colour(const char* key, COLORREF& value) = 0;
    virtual void Rect(const char* key, RECT& value) = 0;
    // A zero-ended text in a field of size bytes.
    virtual void Text(const char* key, char* text, size_t size) = 0;
    // Bytes that nothing interprets.
    virtual void Bytes(const char* key, uint8_t* data, size_t size) = 0;
    virtual void Font(const char* key, SkinFont& value) = 0;
    virtual void Slice(const char* key, SkinImageRef& value) = 0;
    virtual void Grid(const char* key, SkinGridRef& value) = 0;
    virtual void Effect(const char* key, SkinTextEffect& value) = 0;

    // Bytes of an old layout that are read and thrown away.
    virtual void Skip(size_t size) = 0;
    // Fields that belong together in the source form (a state, an embedded record).
    virtual void BeginGroup(const char* key) {}
    virtual void EndGroup() {}

    // The child list of a node: count, then type code and record of each.
    virtual void Children(CSkinNode& owner) = 0;
    // An image object's encoded picture: size, format code, bytes.
    virtual void Picture(CSkinImage& image) = 0;
    // A custom definition's stored property list.
    virtual void PropertyList(CCustomDefinition& definition) = 0;
};

// Reads a stream with the process-wide file version. Every count and size
// is bounded by what is left of the stream, and children nest at most
// SKIN_MAX_DEPTH deep: deeper nesting is taken as the end of the file.
class CSkinStreamReader : public CSkinArchive {
public:
    explicit CSkinStreamReader(CSkinStream& stream);

    bool IsReading() const override { return true; }
    SkinFileVersion Version() const override { return version_; }
    void U32(const char* key, uint32_t& value) override;
    void I32(const char* key, int32_t& value) override;
    void Byte(const char* key, uint8_t& value) override;
    void Bool(const char* key, int32_t& value) override;
    void Colour(const char* key, COLORREF& value) override;
    void Rect(const char* key, RECT& value) override;
    void Text(const char* key, char* text, size_t size) override;
    void Bytes(const char* key, uint8_t* data, size_t size) override;
    void Font(const char* key, SkinFont& value) override;
    void Slice(const char* key, SkinImageRef& value) override;
    void Grid(const char* key, SkinGridRef& value) override;
    void Effect(const char* key, SkinTextEffect& value) override;
    void Skip(size_t size) override;
    void Children(CSkinNode& owner) override;
    void Picture(CSkinImage& image) override;
    void PropertyList(CCustomDefinition& definition) override;

private:
    // A field is taken only when all its bytes are there; a short read keeps the default.
    void Field(void* value, size_t size);

    CSkinStream& stream_;
    SkinFileVersion version_;
    int depth_ = 0;
};

class CSkinStreamWriter : public CSkinArchive {
public:
    explicit CSkinStreamWriter(CSkinStream& stream) : stream_(stream) {}

    bool IsReading() const override { return false; }
    void U32(const char* key, uint32_t& value) override { Field(&value, 4); }
    void I32(const char* key, int32_t& value) override { Field(&value, 4); }
    void Byte(const char* key, uint8_t& value) override { Field(&value, 1); }
    void Bool(const char* key, int32_t& value) override { Field(&value, 4); }
    void Colour(const char* key, COLORREF& value) override { Field(&value, 4); }
    void Rect(const char* key, RECT& value) override { Field(&value, sizeof value); }
    void Text(const char* key, char* text, size_t size) override { Field(text, size); }
    void Bytes(const char* key, uint8_t* data, size_t size) override { Field(data, size); }
    void Font(const char* key, SkinFont& value) override { Field(&value, sizeof value); }
    void Slice(const char* key, SkinImageRef& value) override { Field(&value, sizeof value); }
    void Grid(const char* key, SkinGridRef& value) override { Field(&value, sizeof value); }
    void Effect(const char* key, SkinTextEffect& value) override { Field(&value, sizeof value); }
    void Skip(size_t size) override {}
    void Children(CSkinNode& owner) override;
    void Picture(CSkinImage& image) override;
    void PropertyList(CCustomDefinition& definition) override;

    // False once a write could not grow the stream.
    bool Ok() const { return ok_; }

private:
    void Field(const void* value, size_t size);

    CSkinStream& stream_;
    bool ok_ = true;
};

// Children nested deeper than this end the reading of a file.
constexpr int SKIN_MAX_DEPTH = 16;

} // namespace glint
