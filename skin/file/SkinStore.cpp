#include "skin/file/SkinStore.h"

#include "base/ByteOrder.h"
#include "skin/file/SkinObjects.h"
#include "skin/file/SkinStream.h"
#include "skin/file/SkinTypes.h"
#include "skin/file/SkinVersion.h"

#include <cstring>

namespace glint {

namespace {

constexpr size_t kMagicLength = 19;
constexpr size_t kMajorOffset = 20;
constexpr size_t kMinorOffset = 21;
constexpr size_t kCountOffset = 176;

template <class Map, class Node>
void Insert(Map& store, std::unique_ptr<Node> node)
{
    // A later record of the same name takes the entry over; the earlier one is freed.
    std::string key(node->Name());
    store.insert_or_assign(std::move(key), std::move(node));
}

CSkinNode* FindChild(CSkinNode& node, std::string_view name)
{
    auto it = node.children.find(name);
    if (it != node.children.end())
        return it->second.get();
    for (auto& [key, child] : node.children)
        if (CSkinNode* found = FindChild(*child, name))
            return found;
    return nullptr;
}

} // namespace

CSkinStore::CSkinStore() = default;

CSkinStore::~CSkinStore() { Unload(); }

bool CSkinStore::Load(CSkinStream& container)
{
    std::lock_guard guard(lock_);
    UnloadLocked();
    CSkinStream file(SKIN_STREAM_GROW_STEP);
    if (!ExpandContainer(container.Data(), container.Size(), file)) {
        lastError_ = SKIN_ERROR_CONTAINER;
        return false;
    }
    return ParseLocked(file);
}

bool CSkinStore::LoadFile(CSkinStream& file)
{
    std::lock_guard guard(lock_);
    UnloadLocked();
    return ParseLocked(file);
}

bool CSkinStore::ParseLocked(CSkinStream& file)
{
    file.Seek(0, CSkinStream::FROM_START);
    fileSize_ = file.Size();
    if (file.Read(header_.data(), SKIN_HEADER_SIZE) != SKIN_HEADER_SIZE) {
        header_.fill(0);
        lastError_ = SKIN_ERROR_HEADER;
        return false;
    }
    if (std::memcmp(header_.data(), SKIN_MAGIC, kMagicLength) != 0 || header_[kMajorOffset] != 1) {
        header_.fill(0);
        lastError_ = SKIN_ERROR_MAGIC;
        return false;
    }
    {
        std::lock_guard versionGuard(SkinFileVersionLock());
        SetSkinFileVersion({header_[kMajorOffset], header_[kMinorOffset]});
        // Counts are not trusted: every loop also ends with the stream.
        const uint32_t definitionCount = ReadU32LE(header_.data() + kCountOffset);
        for (uint32_t k = 0; k < definitionCount && file.Remaining() > 0; ++k) {
            std::unique_ptr<CSkinNode> node = CreateTopLevelObject(file.ReadU32());
            if (!node)
                continue; // nothing more is read: the next u32 is the next code
            node->Read(file);
            Insert(definitions_, std::move(node));
        }
        const int32_t imageCount = int32_t(file.ReadU32());
        for (int32_t k = 0; k < imageCount && file.Remaining() > 0; ++k) {
            file.ReadU32(); // always 18
            auto image = std::make_unique<CSkinImage>();
            image->Read(file);
            Insert(images_, std::move(image));
        }
        const int32_t objectCount = int32_t(file.ReadU32());
        for (int32_t k = 0; k < objectCount && file.Remaining() > 0; ++k) {
            file.ReadU32(); // always 19
            auto object = std::make_unique<CSkinNode>(SKIN_OBJECT);
            object->Read(file);
            Insert(objects_, std::move(object));
        }
    }
    consumedSize_ = file.Position();
    Prepare();
    return true;
}

void CSkinStore::Unload()
{
    std::lock_guard guard(lock_);
    UnloadLocked();
}

void CSkinStore::UnloadLocked()
{
    definitions_.clear();
    images_.clear();
    objects_.clear();
    header_.fill(0);
    fileSize_ = consumedSize_ = 0;
    std::lock_guard versionGuard(SkinFileVersionLock());
    SetSkinFileVersion(SKIN_WRITER_VERSION);
}

CSkinNode* CSkinStore::FindByName(std::string_view name)
{
    std::lock_guard guard(lock_);
    if (auto it = definitions_.find(name); it != definitions_.end())
        return it->second.get();
    for (auto& [key, definition] : definitions_)
        if (CSkinNode* found = FindChild(*definition, name))
            return found;
    if (auto it = images_.find(name); it != images_.end())
        return it->second.get();
    if (auto it = objects_.find(name); it != objects_.end())
        return it->second.get();
    return nullptr;
}

CSkinNode* CSkinStore::FindByType(uint32_t code)
{
    std::lock_guard guard(lock_);
    if (code == SKIN_CONTROL_BAR)
        code = SKIN_TOOLBAR;
    for (auto& [key, definition] : definitions_)
        if (definition->TypeCode() == code)
            return definition.get();
    return nullptr;
}

CDibImage* CSkinStore::FindImage(std::string_view name)
{
    std::lock_guard guard(lock_);
    auto it = images_.find(name);
    return it == images_.end() ? nullptr : &it->second->image;
}

void CSkinStore::AddDefinition(std::unique_ptr<CSkinNode> node)
{
    std::lock_guard guard(lock_);
    if (node)
        Insert(definitions_, std::move(node));
}

void CSkinStore::AddImage(std::unique_ptr<CSkinImage> image)
{
    std::lock_guard guard(lock_);
    if (image)
        Insert(images_, std::move(image));
}

void CSkinStore::AddObject(std::unique_ptr<CSkinNode> node)
{
    std::lock_guard guard(lock_);
    if (node)
        Insert(objects_, std::move(node));
}

void CSkinStore::Prepare()
{
    std::lock_guard guard(lock_);
    for (auto& [key, definition] : definitions_)
        definition->Prepare(*this);
}

bool CSkinStore::Save(CSkinStream& out)
{
    std::lock_guard guard(lock_);
    std::array<uint8_t, SKIN_HEADER_SIZE> header = header_;
    std::memcpy(header.data(), SKIN_MAGIC, kMagicLength);
    header[kMagicLength] = 0;
    header[kMajorOffset] = SKIN_WRITER_VERSION.major;
    header[kMinorOffset] = SKIN_WRITER_VERSION.minor;
    WriteU32LE(header.data() + kCountOffset, uint32_t(definitions_.size()));
    bool ok = out.Write(header.data(), SKIN_HEADER_SIZE) == SKIN_HEADER_SIZE;
    for (auto& [key, definition] : definitions_)
        ok = definition->Write(out) && ok;
    ok = out.WriteU32(uint32_t(images_.size())) == 4 && ok;
    for (auto& [key, image] : images_)
        ok = image->Write(out) && ok;
    ok = out.WriteU32(uint32_t(objects_.size())) == 4 && ok;
    for (auto& [key, object] : objects_)
        ok = object->Write(out) && ok;
    return ok;
}

} // namespace glint
