#include "skin/file/SkinArchive.h"

#include "skin/file/SkinDefinitions.h"
#include "skin/file/SkinObjects.h"
#include "skin/file/SkinStream.h"
#include "skin/file/SkinTypes.h"

#include <cstdlib>
#include <cstring>

namespace glint {

// ---- reading ----

CSkinStreamReader::CSkinStreamReader(CSkinStream& stream) : stream_(stream), version_(CurrentSkinFileVersion()) {}

void CSkinStreamReader::Field(void* value, size_t size)
{
    if (stream_.Remaining() < size) {
        stream_.Seek(0, CSkinStream::FROM_END);
        return;
    }
    stream_.Read(value, uint32_t(size));
}

void CSkinStreamReader::U32(const char*, uint32_t& value) { Field(&value, sizeof value); }
void CSkinStreamReader::I32(const char*, int32_t& value) { Field(&value, sizeof value); }
void CSkinStreamReader::Byte(const char*, uint8_t& value) { Field(&value, sizeof value); }
void CSkinStreamReader::Bool(const char*, int32_t& value) { Field(&value, sizeof value); }
void CSkinStreamReader::Colour(const char*, COLORREF& value) { Field(&value, sizeof value); }
void CSkinStreamReader::Rect(const char*, RECT& value) { Field(&value, sizeof value); }
void CSkinStreamReader::Text(const char*, char* text, size_t size) { Field(text, size); }
void CSkinStreamReader::Bytes(const char*, uint8_t* data, size_t size) { Field(data, size); }
void CSkinStreamReader::Font(const char*, SkinFont& value) { Field(&value, sizeof value); }
void CSkinStreamReader::Slice(const char*, SkinImageRef& value) { Field(&value, sizeof value); }
void CSkinStreamReader::Grid(const char*, SkinGridRef& value) { Field(&value, sizeof value); }
void CSkinStreamReader::Effect(const char*, SkinTextEffect& value) { Field(&value, sizeof value); }

void CSkinStreamReader::Skip(size_t size)
{
    stream_.Seek(int32_t(size < stream_.Remaining() ? size : stream_.Remaining()), CSkinStream::FROM_CURRENT);
}

void CSkinStreamReader::Children(CSkinNode& owner)
{
    int32_t count = 0;
    Field(&count, sizeof count);
    if (count <= 0)
        return;
    if (depth_ >= SKIN_MAX_DEPTH) {
        // Only a hostile file nests this deep; reading on would only risk the stack.
        stream_.Seek(0, CSkinStream::FROM_END);
        return;
    }
    ++depth_;
    // Every record takes at least its type code, so the stream bounds the loop.
    for (int32_t i = 0; i < count && stream_.Remaining() > 0; ++i) {
        std::unique_ptr<CSkinNode> child = CreateChildObject(stream_.ReadU32());
        if (!child)
            continue; // an unknown code reads nothing more
        child->Serialize(*this);
        owner.AddChild(std::move(child));
    }
    --depth_;
}

void CSkinStreamReader::Picture(CSkinImage& image)
{
    uint32_t size = 0;
    Field(&size, sizeof size);
    Field(&image.format, sizeof image.format);
    if (size == 0)
        return;
    if (size > stream_.Remaining()) {
        stream_.Seek(0, CSkinStream::FROM_END); // a picture cut short is no picture
        return;
    }
    image.image.DecodeBuffer(stream_.Data() + stream_.Position(), size, image.format);
    stream_.Seek(int32_t(size), CSkinStream::FROM_CURRENT);
}

void CSkinStreamReader::PropertyList(CCustomDefinition& definition)
{
    uint32_t count = 0;
    Field(&count, sizeof count);
    for (uint32_t i = 0; i < count && stream_.Remaining() > 0; ++i) {
        auto property = std::make_unique<CSkinProperty>();
        Field(&property->kind, sizeof property->kind);
        Field(property->name, sizeof property->name);
        Field(property->description, sizeof property->description);
        // A block that is not all there is skipped: what is left is too short for it.
        uint32_t size = 0;
        Field(&size, sizeof size);
        if (size <= stream_.Remaining()) {
            property->SetData(stream_.Data() + stream_.Position(), size);
            stream_.Seek(int32_t(size), CSkinStream::FROM_CURRENT);
        } else {
            stream_.Seek(0, CSkinStream::FROM_END);
        }
        uint32_t textSize = 0;
        Field(&textSize, sizeof textSize);
        if (textSize <= stream_.Remaining()) {
            property->SetText(reinterpret_cast<const char*>(stream_.Data() + stream_.Position()), textSize);
            stream_.Seek(int32_t(textSize), CSkinStream::FROM_CURRENT);
        } else {
            stream_.Seek(0, CSkinStream::FROM_END);
        }
        definition.list.push_back(std::move(property));
    }
}

// ---- writing ----

void CSkinStreamWriter::Field(const void* value, size_t size)
{
    if (size && stream_.Write(value, uint32_t(size)) != size)
        ok_ = false;
}

void CSkinStreamWriter::Children(CSkinNode& owner)
{
    uint32_t count = uint32_t(owner.children.size());
    Field(&count, sizeof count);
    for (auto& [key, child] : owner.children) {
        uint32_t code = child->TypeCode();
        Field(&code, sizeof code);
        child->Serialize(*this);
    }
}

void CSkinStreamWriter::Picture(CSkinImage& image)
{
    uint8_t* encoded = nullptr;
    uint32_t size = 0;
    if (!image.image.IsValid() || !image.image.EncodeBuffer(encoded, size, image.format))
        size = 0; // a picture that cannot be encoded is stored empty
    Field(&size, sizeof size);
    Field(&image.format, sizeof image.format);
    Field(encoded, size);
    std::free(encoded);
}

void CSkinStreamWriter::PropertyList(CCustomDefinition& definition)
{
    uint32_t count = uint32_t(definition.list.size());
    Field(&count, sizeof count);
    for (auto& property : definition.list) {
        Field(&property->kind, sizeof property->kind);
        Field(property->name, sizeof property->name);
        Field(property->description, sizeof property->description);
        Field(&property->size, sizeof property->size);
        Field(property->data, property->size);
        Field(&property->textSize, sizeof property->textSize);
        Field(property->text, property->textSize);
    }
}

} // namespace glint
