#pragma once
// Writes skin records byte by byte in any file version, the way files of
// older minor versions laid them out, so that the readers' version variants
// can be checked against files that no current writer produces; and compares
// rectangles with a readable message.
#include "skin/file/SkinRecords.h"
#include "skin/file/SkinStream.h"
#include "skin/file/SkinVersion.h"

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace glint::test {

inline std::string Text(const RECT& r)
{
    return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
           std::to_string(r.bottom);
}
#define EXPECT_RECT(r, l, t, rr, b) EXPECT_EQ(glint::test::Text(r), glint::test::Text(RECT{l, t, rr, b}))

class SkinBytes {
public:
    SkinBytes& U32(uint32_t v)
    {
        for (int i = 0; i < 4; ++i)
            bytes.push_back(uint8_t(v >> (8 * i)));
        return *this;
    }
    SkinBytes& Fill(size_t n, uint8_t value = 0)
    {
        bytes.insert(bytes.end(), n, value);
        return *this;
    }
    SkinBytes& Text(const std::string& text, size_t size)
    {
        std::vector<uint8_t> field(size, 0);
        std::memcpy(field.data(), text.data(), std::min(text.size(), size - 1));
        bytes.insert(bytes.end(), field.begin(), field.end());
        return *this;
    }
    SkinBytes& Rect(int32_t l, int32_t t, int32_t r, int32_t b) { return U32(l).U32(t).U32(r).U32(b); }
    template <class Record>
    SkinBytes& Raw(const Record& record)
    {
        const auto* p = reinterpret_cast<const uint8_t*>(&record);
        bytes.insert(bytes.end(), p, p + sizeof record);
        return *this;
    }
    SkinBytes& Append(const SkinBytes& other)
    {
        bytes.insert(bytes.end(), other.bytes.begin(), other.bytes.end());
        return *this;
    }
    // The common part of a node in a file of minor version `minor`, with no children.
    SkinBytes& Node(const std::string& name, uint8_t minor, uint32_t back = 0x111111, uint32_t text = 0x222222,
                    uint32_t key = 0x333333)
    {
        Text(name, 51).U32(back).U32(text).U32(key).Text("label", 51).U32(77);
        if (minor >= 8)
            Rect(1, 2, 3, 4).U32(1);
        return U32(0); // child count
    }
    // A node of the current version announcing `children` records that follow.
    SkinBytes& Parent(uint32_t code, const std::string& name, uint32_t children)
    {
        return U32(code).Text(name, 51).U32(0).U32(0).U32(0).Text("", 51).U32(0).Rect(0, 0, 1, 1).U32(0).U32(children);
    }
    // The definition part (after Node) for minor version `minor`.
    SkinBytes& Definition(uint8_t minor, const SkinFont& font, int32_t controlId = 42)
    {
        Raw(font).Fill(sizeof(SkinGridRef));
        if (minor >= 4 && minor < 8)
            Rect(9, 9, 99, 99);
        if (minor >= 6)
            U32(uint32_t(controlId));
        if (minor >= 8)
            U32(0xABCD);
        if (minor >= 10)
            U32(1);
        return *this;
    }

    CSkinStream Stream() const { return CSkinStream(bytes.data(), uint32_t(bytes.size()), SKIN_STREAM_GROW_STEP); }

    std::vector<uint8_t> bytes;
};

// A skin file header for (major, minor) announcing `definitions` records.
inline SkinBytes Header(uint8_t major, uint8_t minor, uint32_t definitions)
{
    SkinBytes h;
    h.bytes.assign(188, 0);
    std::memcpy(h.bytes.data(), "GLAZEWORK_SKIN_FILE", 19);
    h.bytes[20] = major;
    h.bytes[21] = minor;
    for (int i = 0; i < 4; ++i)
        h.bytes[176 + i] = uint8_t(definitions >> (8 * i));
    return h;
}

// Sets the process-wide file version for the life of a test step.
class FileVersionScope {
public:
    FileVersionScope(uint8_t major, uint8_t minor) { SetSkinFileVersion({major, minor}); }
    ~FileVersionScope() { SetSkinFileVersion(SKIN_WRITER_VERSION); }
};

inline SkinImageRef Slice(const char* image, RECT source, int32_t mode)
{
    SkinImageRef s{};
    std::strncpy(s.image, image, sizeof s.image - 1);
    s.source = source;
    s.mode = mode;
    return s;
}

inline SkinGridRef Grid(const char* image, RECT source, RECT margins, int32_t mode)
{
    SkinGridRef g{};
    std::strncpy(g.image, image, sizeof g.image - 1);
    g.source = source;
    g.margins = margins;
    g.mode = mode;
    return g;
}

} // namespace glint::test
