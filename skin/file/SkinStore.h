#pragma once
// CSkinStore: one loaded skin. It expands and parses a skin file into three
// stores keyed by name (definitions, images, plain objects), prepares the
// definitions, and answers the runtime's lookups. The builder's side (Add...,
// Save) writes a skin file from objects.
#include "skin/file/SkinNode.h"

#include <array>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

namespace glint {

class CDibImage;
class CSkinImage;
class CSkinStream;

constexpr size_t SKIN_HEADER_SIZE = 188;
constexpr char SKIN_MAGIC[] = "GLAZEWORK_SKIN_FILE"; // 19 bytes, then a zero

enum SkinLoadError : uint32_t {
    SKIN_ERROR_NONE = 0,
    SKIN_ERROR_CONTAINER = 5, // the container cannot be expanded
    SKIN_ERROR_HEADER = 6,    // fewer than 188 header bytes
    SKIN_ERROR_MAGIC = 7,     // magic mismatch or major version other than 1
};

using SkinNodeMap = std::map<std::string, std::unique_ptr<CSkinNode>, std::less<>>;
using SkinImageMap = std::map<std::string, std::unique_ptr<CSkinImage>, std::less<>>;

class CSkinStore {
public:
    CSkinStore();
    ~CSkinStore();
    CSkinStore(const CSkinStore&) = delete;
    CSkinStore& operator=(const CSkinStore&) = delete;

    // Expands the compressed container and loads the skin it holds.
    bool Load(CSkinStream& container);
    // Loads an already expanded skin file (the stream is rewound first).
    bool LoadFile(CSkinStream& file);
    void Unload();

    CSkinNode* FindByName(std::string_view name);
    // First definition in key order with that code; 24 is answered as 23.
    CSkinNode* FindByType(uint32_t code);
    CDibImage* FindImage(std::string_view name);

    uint32_t LastError() const { return lastError_; }
    const std::array<uint8_t, SKIN_HEADER_SIZE>& Header() const { return header_; }
    // Bytes of the expanded file, and how many of them the last load read.
    uint32_t FileSize() const { return fileSize_; }
    uint32_t ConsumedSize() const { return consumedSize_; }

    // Read access for tools; the caller must not load or unload meanwhile.
    const SkinNodeMap& Definitions() const { return definitions_; }
    const SkinImageMap& Images() const { return images_; }
    const SkinNodeMap& Objects() const { return objects_; }

    // ---- building ----
    // Each takes the object over; a name already present is replaced.
    void AddDefinition(std::unique_ptr<CSkinNode> node);
    void AddImage(std::unique_ptr<CSkinImage> image);
    void AddObject(std::unique_ptr<CSkinNode> node);
    // The uninterpreted header bytes (22 ... 175 and 180 ... 187) to keep.
    void SetHeader(const std::array<uint8_t, SKIN_HEADER_SIZE>& header) { header_ = header; }
    void Prepare();
    // Writes the uncompressed skin file in the current layout, every store in
    // key order; false when the stream cannot grow.
    bool Save(CSkinStream& out);

private:
    bool ParseLocked(CSkinStream& file);
    void UnloadLocked();

    uint32_t lastError_ = SKIN_ERROR_NONE;
    SkinImageMap images_;
    SkinNodeMap objects_;
    std::array<uint8_t, SKIN_HEADER_SIZE> header_ = {};
    SkinNodeMap definitions_;
    std::recursive_mutex lock_;
    uint32_t fileSize_ = 0;
    uint32_t consumedSize_ = 0;
};

} // namespace glint
