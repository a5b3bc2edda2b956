#include "skin/file/SkinNode.h"

#include "base/SysColors.h"
#include "base/Text.h"
#include "skin/file/SkinArchive.h"
#include "skin/file/SkinStream.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace glint {

namespace {

std::string_view FieldView(const char* field, size_t size) { return {field, strnlen(field, size)}; }

void StoreField(char* field, size_t size, std::string_view text, size_t keep)
{
    std::memset(field, 0, size);
    if (const size_t n = std::min(text.size(), keep))
        std::memcpy(field, text.data(), n);
}

// GetProperty looks at no more than this much of a query.
constexpr size_t kPropertyQueryLength = 98;

} // namespace

// ---- CSkinProperty ----

CSkinProperty::~CSkinProperty()
{
    if (ownsData)
        std::free(data);
    std::free(text);
}

void CSkinProperty::Point(uint32_t k, std::string_view n, void* field, uint32_t s)
{
    kind = k;
    SetName(n);
    if (ownsData)
        std::free(data);
    data = static_cast<uint8_t*>(field);
    size = s;
    ownsData = 0;
}

bool CSkinProperty::SetData(const void* bytes, uint32_t s)
{
    if (ownsData)
        std::free(data);
    data = nullptr;
    size = 0;
    ownsData = 0;
    if (s == 0)
        return true;
    data = static_cast<uint8_t*>(std::malloc(s));
    if (!data)
        return false;
    std::memcpy(data, bytes, s);
    size = s;
    ownsData = 1;
    return true;
}

bool CSkinProperty::SetText(const char* bytes, uint32_t s)
{
    std::free(text);
    text = nullptr;
    textSize = 0;
    if (s == 0)
        return true;
    text = static_cast<char*>(std::malloc(s));
    if (!text)
        return false;
    std::memcpy(text, bytes, s);
    text[s - 1] = 0;
    textSize = s;
    return true;
}

void CSkinProperty::SetName(std::string_view n) { StoreField(name, sizeof name, n, 29); }
void CSkinProperty::SetDescription(std::string_view d) { StoreField(description, sizeof description, d, 49); }

// ---- CSkinNode ----

CSkinNode::CSkinNode(uint32_t typeCode)
    : backColour(SysColor(COLOR_BTNFACE)), textColour(SysColor(COLOR_WINDOWTEXT)), typeCode_(typeCode)
{
    AddProperty(SKIN_PROP_STRING, "NAME", {}, name, sizeof name);
    AddProperty(SKIN_PROP_BOOL, "AUTOPLACE", {}, &autoPlace, sizeof autoPlace);
}

CSkinNode::~CSkinNode() = default;

void CSkinNode::Release()
{
    for (auto& [key, child] : children)
        child->Release();
}

void CSkinNode::Prepare(CSkinStore& store)
{
    for (auto& [key, child] : children)
        child->Prepare(store);
}

CSkinProperty* CSkinNode::GetProperty(std::string_view query)
{
    query = query.substr(0, std::min(query.find('\0'), kPropertyQueryLength));
    auto it = properties_.find(ToUpperAscii(query));
    return it == properties_.end() ? nullptr : it->second.get();
}

void CSkinNode::Serialize(CSkinArchive& ar)
{
    ar.Text("name", name, sizeof name);
    ar.Colour("backColour", backColour);
    ar.Colour("textColour", textColour);
    ar.Colour("keyColour", keyColour);
    ar.Text("label", label, sizeof label);
    ar.U32("tag", tag);
    if (ar.Version().SinceNonZero(8)) {
        ar.Rect("designRect", designRect);
        ar.Bool("autoPlace", autoPlace);
    }
    ar.Children(*this);
}

bool CSkinNode::Write(CSkinStream& stream)
{
    if (stream.WriteU32(typeCode_) != 4)
        return false;
    CSkinStreamWriter writer(stream);
    Serialize(writer);
    return writer.Ok();
}

void CSkinNode::Read(CSkinStream& stream)
{
    CSkinStreamReader reader(stream);
    Serialize(reader);
}

bool CSkinNode::AddChild(std::unique_ptr<CSkinNode> child)
{
    if (!child)
        return false;
    std::string key(child->Name());
    if (children.count(key))
        return false;
    children.emplace(std::move(key), std::move(child));
    return true;
}

CSkinProperty* CSkinNode::AddProperty(uint32_t kind, std::string_view propertyName, std::string_view description,
                                      void* data, uint32_t size)
{
    auto property = std::make_unique<CSkinProperty>();
    property->Point(kind, propertyName, data, size);
    property->SetDescription(description);
    CSkinProperty* raw = property.get();
    properties_.insert_or_assign(ToUpperAscii(propertyName), std::move(property));
    return raw;
}

std::string_view CSkinNode::Name() const { return FieldView(name, sizeof name); }

void CSkinNode::SetName(std::string_view text) { StoreField(name, sizeof name, text, sizeof name - 1); }

// ---- CSkinDefinition ----

CSkinDefinition::CSkinDefinition(uint32_t typeCode, const char* fontProperty, const char* baseImageProperty)
    : CSkinNode(typeCode), font(DefaultSkinFont("MS Sans Serif"))
{
    AddProperty(SKIN_PROP_FONT, fontProperty, {}, &font, sizeof font);
    if (baseImageProperty)
        AddProperty(SKIN_PROP_GRID, baseImageProperty, {}, &baseImage, sizeof baseImage);
    AddProperty(SKIN_PROP_INT, "CONTROLID", {}, &controlId, sizeof controlId);
    AddProperty(SKIN_PROP_BOOL, "AUTOSKINFONT", {}, &autoSkinFont, sizeof autoSkinFont);
}

CSkinDefinition::~CSkinDefinition() { DeleteSkinFont(fontHandle); }

void CSkinDefinition::Release()
{
    DeleteSkinFont(fontHandle);
    CSkinNode::Release();
}

void CSkinDefinition::Prepare(CSkinStore& store)
{
    CSkinNode::Prepare(store);
    DeleteSkinFont(fontHandle);
    const LOGFONTA logFont = font.logFont; // a copy: the font record is packed
    fontHandle = CreateSkinFont(logFont);
}

void CSkinDefinition::Serialize(CSkinArchive& ar)
{
    CSkinNode::Serialize(ar);
    ar.Font("font", font);
    ar.Grid("baseImage", baseImage);
    const SkinFileVersion v = ar.Version();
    if (v.major != 0 && v.minor >= 4 && v.minor < 8) {
        // 1.4 ... 1.7 kept a rectangle here that later files dropped.
        ar.Skip(sizeof(RECT));
        designRect = {0, 0, 60, 30};
    }
    if (v.Since(6)) {
        ar.I32("controlId", controlId);
        if (ar.IsReading() && v.minor == 6)
            controlId = 0; // 1.6 stored an id that meant nothing yet
    }
    if (v.Since(8))
        ar.U32("reserved", reserved);
    if (v.Since(10))
        ar.Bool("autoSkinFont", autoSkinFont);
}

} // namespace glint
