#include "SourceForm.h"

#include "base/File.h"
#include "base/Text.h"
#include "image/ImageFormat.h"
#include "skin/file/SkinArchive.h"
#include "skin/file/SkinDefinitions.h"
#include "skin/file/SkinObjects.h"
#include "skin/file/SkinTypes.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <type_traits>
#include <vector>

using namespace glint;

namespace skinc {

namespace {

// ---- value spelling shared by both directions ----

std::string ColourText(COLORREF c)
{
    char text[16];
    if (c >> 24)
        std::snprintf(text, sizeof text, "#%02X%02X%02X%02X", unsigned(c >> 24), GetRValue(c), GetGValue(c),
                      GetBValue(c));
    else
        std::snprintf(text, sizeof text, "#%02X%02X%02X", GetRValue(c), GetGValue(c), GetBValue(c));
    return text;
}

bool ParseColour(const std::string& text, COLORREF& out)
{
    if ((text.size() != 7 && text.size() != 9) || text[0] != '#')
        return false;
    uint32_t v = 0;
    for (size_t i = 1; i < text.size(); ++i) {
        const char h = text[i];
        const int d = h >= '0' && h <= '9' ? h - '0' : h >= 'a' && h <= 'f' ? h - 'a' + 10 : h >= 'A' && h <= 'F' ? h - 'A' + 10 : -1;
        if (d < 0)
            return false;
        v = v << 4 | uint32_t(d);
    }
    // "#RRGGBB" or "#XXRRGGBB" to a COLORREF 0xXXBBGGRR.
    out = (v & 0xFF000000) | (v & 0xFF) << 16 | (v & 0xFF00) | (v >> 16 & 0xFF);
    return true;
}

std::string HexText(const uint8_t* data, size_t size)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string text;
    for (size_t i = 0; i < size; ++i) {
        text += digits[data[i] >> 4];
        text += digits[data[i] & 15];
    }
    return text;
}

bool ParseHex(const std::string& text, std::vector<uint8_t>& out)
{
    if (text.size() % 2)
        return false;
    out.clear();
    for (size_t i = 0; i < text.size(); i += 2) {
        int v = 0;
        for (size_t j = i; j < i + 2; ++j) {
            const char h = text[j];
            const int d = h >= '0' && h <= '9' ? h - '0' : h >= 'a' && h <= 'f' ? h - 'a' + 10 : h >= 'A' && h <= 'F' ? h - 'A' + 10 : -1;
            if (d < 0)
                return false;
            v = v * 16 + d;
        }
        out.push_back(uint8_t(v));
    }
    return true;
}

std::string FieldString(const char* field, size_t size) { return std::string(field, strnlen(field, size)); }

JsonValue RectValue(const RECT& r)
{
    JsonValue a = JsonValue::Array();
    for (LONG v : {r.left, r.top, r.right, r.bottom})
        a.items.push_back(JsonValue::Number(v));
    return a;
}

uint32_t FormatFromName(const std::string& name)
{
    for (uint32_t f = 0; f < FORMAT_COUNT; ++f)
        if (name == FormatName(f))
            return f;
    return FORMAT_COUNT;
}

std::unique_ptr<CSkinNode> NewObject(uint32_t code)
{
    if (code == SKIN_IMAGE)
        return std::make_unique<CSkinImage>();
    if (code == SKIN_OBJECT)
        return std::make_unique<CSkinNode>(SKIN_OBJECT);
    if (auto node = CreateChildObject(code))
        return node;
    return CreateTopLevelObject(code);
}

// Drops what equals the default; colours stay (their defaults depend on the system).
void Prune(JsonValue& actual, const JsonValue& defaults)
{
    std::vector<JsonMember> kept;
    for (auto& [key, value] : actual.members) {
        const JsonValue* d = defaults.Find(key);
        const bool colour = value.type == JsonValue::STRING && !value.text.empty() && value.text[0] == '#';
        if (d && value.type == JsonValue::OBJECT && d->type == JsonValue::OBJECT) {
            Prune(value, *d);
            if (value.members.empty())
                continue;
        } else if (d && !colour && value == *d && key != "name") {
            continue;
        }
        kept.push_back({key, std::move(value)});
    }
    actual.members = std::move(kept);
}

// ---- objects to source ----

class SourceWriter : public CSkinArchive {
public:
    SourceWriter(JsonValue& root, DumpPlace* place, std::string& error) : place_(place), error_(error)
    {
        stack_.push_back(&root);
    }

    bool IsReading() const override { return false; }
    void U32(const char* key, uint32_t& v) override { Put(key, JsonValue::Number(v)); }
    void I32(const char* key, int32_t& v) override { Put(key, JsonValue::Number(v)); }
    void Byte(const char* key, uint8_t& v) override { Put(key, JsonValue::Number(v)); }
    void Bool(const char* key, int32_t& v) override
    {
        Put(key, v == 0 || v == 1 ? JsonValue::Bool(v == 1) : JsonValue::Number(v));
    }
    void Colour(const char* key, COLORREF& v) override { Put(key, JsonValue::String(ColourText(v))); }
    void Rect(const char* key, RECT& v) override { Put(key, RectValue(v)); }
    void Text(const char* key, char* text, size_t size) override { Put(key, JsonValue::String(FieldString(text, size))); }
    void Bytes(const char* key, uint8_t* data, size_t size) override { Put(key, JsonValue::String(HexText(data, size))); }
    void Font(const char* key, SkinFont& f) override
    {
        const LOGFONTA l = f.logFont;
        JsonValue o = JsonValue::Object();
        o.Set("face", JsonValue::String(FieldString(l.lfFaceName, sizeof l.lfFaceName)));
        o.Set("height", JsonValue::Number(l.lfHeight));
        o.Set("width", JsonValue::Number(l.lfWidth));
        o.Set("escapement", JsonValue::Number(l.lfEscapement));
        o.Set("orientation", JsonValue::Number(l.lfOrientation));
        o.Set("weight", JsonValue::Number(l.lfWeight));
        o.Set("italic", JsonValue::Number(l.lfItalic));
        o.Set("underline", JsonValue::Number(l.lfUnderline));
        o.Set("strikeOut", JsonValue::Number(l.lfStrikeOut));
        o.Set("charSet", JsonValue::Number(l.lfCharSet));
        o.Set("outPrecision", JsonValue::Number(l.lfOutPrecision));
        o.Set("clipPrecision", JsonValue::Number(l.lfClipPrecision));
        o.Set("quality", JsonValue::Number(l.lfQuality));
        o.Set("pitchAndFamily", JsonValue::Number(l.lfPitchAndFamily));
        o.Set("colour", JsonValue::String(ColourText(f.colour)));
        Put(key, std::move(o));
    }
    void Slice(const char* key, SkinImageRef& s) override
    {
        JsonValue o = JsonValue::Object();
        o.Set("image", JsonValue::String(FieldString(s.image, sizeof s.image)));
        o.Set("rect", RectValue(RECT(s.source)));
        o.Set("mode", JsonValue::Number(s.mode));
        o.Set("filler", JsonValue::Number(s.filler));
        Put(key, std::move(o));
    }
    void Grid(const char* key, SkinGridRef& g) override
    {
        JsonValue o = JsonValue::Object();
        o.Set("image", JsonValue::String(FieldString(g.image, sizeof g.image)));
        o.Set("rect", RectValue(RECT(g.source)));
        o.Set("margins", RectValue(RECT(g.margins)));
        o.Set("mode", JsonValue::Number(g.mode));
        o.Set("filler", JsonValue::Number(g.filler));
        Put(key, std::move(o));
    }
    void Effect(const char* key, SkinTextEffect& e) override
    {
        JsonValue o = JsonValue::Object();
        JsonValue offset = JsonValue::Array();
        offset.items = {JsonValue::Number(e.offsetX), JsonValue::Number(e.offsetY)};
        o.Set("offset", std::move(offset));
        o.Set("colour", JsonValue::String(ColourText(e.TextColour())));
        o.Set("colourFlag", JsonValue::Number(e.colourFlag));
        o.Set("effectColour", JsonValue::String(ColourText(e.EffectColour())));
        o.Set("flags", JsonValue::Number(e.flags));
        o.Set("spare", JsonValue::String(HexText(e.spare1, 2) + HexText(&e.spare2, 1)));
        Put(key, std::move(o));
    }
    void Skip(size_t) override {}
    void BeginGroup(const char* key) override
    {
        JsonValue& group = stack_.back()->Set(key, JsonValue::Object());
        stack_.push_back(&group);
    }
    void EndGroup() override { stack_.pop_back(); }

    void Children(CSkinNode& owner) override
    {
        if (owner.children.empty())
            return;
        JsonValue list = JsonValue::Array();
        for (auto& [name, child] : owner.children) {
            JsonValue item;
            if (!NodeToSource(*child, *place_, item, error_))
                return;
            list.items.push_back(std::move(item));
        }
        Put("children", std::move(list));
    }

    void Picture(CSkinImage& image) override
    {
        Put("format", JsonValue::String(FormatName(image.format)));
        if (!place_ || place_->folder.empty() || !image.image.IsValid())
            return;
        uint8_t* encoded = nullptr;
        uint32_t size = 0;
        if (!image.image.EncodeBuffer(encoded, size, image.format))
            return; // stored empty in the file as well
        const std::string file = FileNameFor(std::string(image.Name()));
        if (!WriteWholeFile(place_->folder + "/" + file, encoded, size) && error_.empty())
            error_ = "image '" + std::string(image.Name()) + "': cannot write " + place_->folder + "/" + file;
        std::free(encoded);
        Put("file", JsonValue::String(file));
    }

    void PropertyList(CCustomDefinition& definition) override
    {
        JsonValue list = JsonValue::Array();
        for (auto& p : definition.list) {
            JsonValue o = JsonValue::Object();
            o.Set("kind", JsonValue::Number(p->kind));
            o.Set("name", JsonValue::String(FieldString(p->name, sizeof p->name)));
            o.Set("description", JsonValue::String(FieldString(p->description, sizeof p->description)));
            o.Set("data", JsonValue::String(HexText(p->data, p->size)));
            if (p->textSize)
                o.Set("text", JsonValue::String(std::string(p->text, p->textSize - 1)));
            list.items.push_back(std::move(o));
        }
        Put("properties", std::move(list));
    }

private:
    void Put(const char* key, JsonValue value)
    {
        if (key)
            stack_.back()->Set(key, std::move(value));
    }
    // A plain file name for the picture, unique in the dump folder.
    std::string FileNameFor(const std::string& name)
    {
        std::string base;
        for (char c : name)
            base += (c == '/' || c == '\\' || c == ':' || static_cast<unsigned char>(c) < 0x20) ? '_' : c;
        if (base.empty() || base == "." || base == "..")
            base = "image";
        if (base.size() < 4 || ToLowerAscii(base.substr(base.size() - 4)) != ".bmp")
            base += ".bmp";
        std::string file = base;
        for (int n = 2; !place_->usedFiles.insert(ToLowerAscii(file)).second; ++n)
            file = std::to_string(n) + "-" + base;
        return file;
    }

    std::vector<JsonValue*> stack_;
    DumpPlace* place_;
    std::string& error_;
};

// ---- source to objects ----

class SourceReader : public CSkinArchive {
public:
    SourceReader(const JsonValue& object, std::string context, const std::string& imageFolder, std::string& error)
        : context_(std::move(context)), imageFolder_(imageFolder), error_(error)
    {
        Enter(object, "");
    }

    bool IsReading() const override { return true; }

    void U32(const char* key, uint32_t& v) override { Integer(key, v, 0, UINT32_MAX); }
    void I32(const char* key, int32_t& v) override { Integer(key, v, INT32_MIN, INT32_MAX); }
    void Byte(const char* key, uint8_t& v) override { Integer(key, v, 0, 255); }
    void Bool(const char* key, int32_t& v) override
    {
        const JsonValue* j = Take(key);
        if (j && j->type == JsonValue::BOOL)
            v = j->boolean ? 1 : 0;
        else if (j)
            Number(*j, key, v, INT32_MIN, INT32_MAX, "true, false or a number");
    }
    void Colour(const char* key, COLORREF& v) override
    {
        if (const JsonValue* j = Take(key))
            ColourValue(*j, key, v);
    }
    void Rect(const char* key, RECT& v) override
    {
        if (const JsonValue* j = Take(key))
            RectValue(*j, key, v);
    }
    void Text(const char* key, char* text, size_t size) override
    {
        if (const JsonValue* j = Take(key))
            TextValue(*j, key, text, size);
    }
    void Bytes(const char* key, uint8_t* data, size_t size) override
    {
        const JsonValue* j = Take(key);
        if (!j)
            return;
        std::vector<uint8_t> bytes;
        if (j->type != JsonValue::STRING || !ParseHex(j->text, bytes) || bytes.size() != size)
            return Fail(key, "expected " + std::to_string(size * 2) + " hex digits");
        std::memcpy(data, bytes.data(), size);
    }
    void Font(const char* key, SkinFont& f) override
    {
        const JsonValue* j = Record(key);
        if (!j)
            return;
        LOGFONTA l = f.logFont;
        Member(*j, key, "face", [&](const JsonValue& m, const std::string& path) {
            TextValue(m, path, l.lfFaceName, sizeof l.lfFaceName);
        });
        l.lfHeight = IntOf(*j, key, "height", l.lfHeight);
        l.lfWidth = IntOf(*j, key, "width", l.lfWidth);
        l.lfEscapement = IntOf(*j, key, "escapement", l.lfEscapement);
        l.lfOrientation = IntOf(*j, key, "orientation", l.lfOrientation);
        l.lfWeight = IntOf(*j, key, "weight", l.lfWeight);
        l.lfItalic = IntOf(*j, key, "italic", l.lfItalic);
        l.lfUnderline = IntOf(*j, key, "underline", l.lfUnderline);
        l.lfStrikeOut = IntOf(*j, key, "strikeOut", l.lfStrikeOut);
        l.lfCharSet = IntOf(*j, key, "charSet", l.lfCharSet);
        l.lfOutPrecision = IntOf(*j, key, "outPrecision", l.lfOutPrecision);
        l.lfClipPrecision = IntOf(*j, key, "clipPrecision", l.lfClipPrecision);
        l.lfQuality = IntOf(*j, key, "quality", l.lfQuality);
        l.lfPitchAndFamily = IntOf(*j, key, "pitchAndFamily", l.lfPitchAndFamily);
        Member(*j, key, "colour", [&](const JsonValue& m, const std::string& path) {
            COLORREF c = f.colour;
            if (ColourValue(m, path, c))
                f.colour = c;
        });
        f.logFont = l;
        NoOthers(*j, key, {"face", "height", "width", "escapement", "orientation", "weight", "italic", "underline",
                           "strikeOut", "charSet", "outPrecision", "clipPrecision", "quality", "pitchAndFamily",
                           "colour"});
    }
    void Slice(const char* key, SkinImageRef& s) override
    {
        const JsonValue* j = Record(key);
        if (!j)
            return;
        Member(*j, key, "image", [&](const JsonValue& m, const std::string& path) {
            TextValue(m, path, s.image, sizeof s.image);
        });
        Member(*j, key, "rect", [&](const JsonValue& m, const std::string& path) { s.source = RectFrom(m, path, s.source); });
        s.mode = IntOf(*j, key, "mode", s.mode);
        s.filler = IntOf(*j, key, "filler", s.filler);
        NoOthers(*j, key, {"image", "rect", "mode", "filler"});
    }
    void Grid(const char* key, SkinGridRef& g) override
    {
        const JsonValue* j = Record(key);
        if (!j)
            return;
        Member(*j, key, "image", [&](const JsonValue& m, const std::string& path) {
            TextValue(m, path, g.image, sizeof g.image);
        });
        Member(*j, key, "rect", [&](const JsonValue& m, const std::string& path) { g.source = RectFrom(m, path, g.source); });
        Member(*j, key, "margins", [&](const JsonValue& m, const std::string& path) { g.margins = RectFrom(m, path, g.margins); });
        g.mode = IntOf(*j, key, "mode", g.mode);
        g.filler = IntOf(*j, key, "filler", g.filler);
        NoOthers(*j, key, {"image", "rect", "margins", "mode", "filler"});
    }
    void Effect(const char* key, SkinTextEffect& e) override
    {
        const JsonValue* j = Record(key);
        if (!j)
            return;
        Member(*j, key, "offset", [&](const JsonValue& m, const std::string& path) {
            if (m.type != JsonValue::ARRAY || m.items.size() != 2)
                return Fail(path, "expected [x, y]");
            int8_t x = e.offsetX, y = e.offsetY;
            Number(m.items[0], path, x, -128, 127, "a number from -128 to 127");
            Number(m.items[1], path, y, -128, 127, "a number from -128 to 127");
            e.offsetX = x;
            e.offsetY = y;
        });
        Member(*j, key, "colour", [&](const JsonValue& m, const std::string& path) {
            COLORREF c = e.TextColour();
            if (ColourValue(m, path, c))
                e.SetTextColour(c);
        });
        e.colourFlag = IntOf(*j, key, "colourFlag", e.colourFlag);
        Member(*j, key, "effectColour", [&](const JsonValue& m, const std::string& path) {
            COLORREF c = e.EffectColour();
            if (ColourValue(m, path, c))
                e.SetEffectColour(c);
        });
        e.flags = IntOf(*j, key, "flags", e.flags);
        Member(*j, key, "spare", [&](const JsonValue& m, const std::string& path) {
            std::vector<uint8_t> bytes;
            if (m.type != JsonValue::STRING || !ParseHex(m.text, bytes) || bytes.size() != 3)
                return Fail(path, "expected 6 hex digits");
            e.spare1[0] = bytes[0];
            e.spare1[1] = bytes[1];
            e.spare2 = bytes[2];
        });
        NoOthers(*j, key, {"offset", "colour", "colourFlag", "effectColour", "flags", "spare"});
    }
    void Skip(size_t) override {}
    void BeginGroup(const char* key) override
    {
        const JsonValue* j = Take(key);
        static const JsonValue empty = JsonValue::Object();
        if (j && j->type != JsonValue::OBJECT) {
            Fail(key, "expected an object");
            j = nullptr;
        }
        Enter(j ? *j : empty, Path(key) + ".");
    }
    void EndGroup() override { Leave(); }

    void Children(CSkinNode& owner) override
    {
        const JsonValue* j = Take("children");
        if (!j)
            return;
        if (j->type != JsonValue::ARRAY)
            return Fail("children", "expected an array of objects");
        for (size_t i = 0; i < j->items.size() && error_.empty(); ++i) {
            const JsonValue& item = j->items[i];
            std::string name = ObjectName(item, i);
            auto child = FromSource(item, context_ + ", child " + name, false);
            if (!child)
                return;
            if (!owner.AddChild(std::move(child)))
                return Fail("children", "two children named " + name);
        }
    }

    void Picture(CSkinImage& image) override
    {
        if (const JsonValue* j = Take("format")) {
            uint32_t format = FORMAT_COUNT;
            if (j->type == JsonValue::STRING)
                format = FormatFromName(j->text);
            else if (j->type == JsonValue::NUMBER && j->number >= 0 && j->number <= UINT32_MAX)
                format = uint32_t(j->number);
            if (format == FORMAT_COUNT)
                return Fail("format", "expected an image format such as \"BMP\"");
            image.format = format;
        }
        const JsonValue* file = Take("file");
        if (!file)
            return;
        if (file->type != JsonValue::STRING || file->text.empty())
            return Fail("file", "expected a file name");
        if (image.format != FORMAT_BMP)
            return Fail("format", "pictures are stored as BMP; give \"BMP\" or leave the format out");
        std::string why;
        if (!LoadPicture(imageFolder_ + "/" + file->text, image.image, why))
            return Fail("file", why);
    }

    void PropertyList(CCustomDefinition& definition) override
    {
        const JsonValue* j = Take("properties");
        if (!j)
            return;
        if (j->type != JsonValue::ARRAY)
            return Fail("properties", "expected an array of objects");
        for (size_t i = 0; i < j->items.size() && error_.empty(); ++i) {
            const JsonValue& o = j->items[i];
            const std::string path = "properties[" + std::to_string(i) + "]";
            if (o.type != JsonValue::OBJECT)
                return Fail(path, "expected an object");
            auto p = std::make_unique<CSkinProperty>();
            p->kind = IntOf(o, path.c_str(), "kind", p->kind);
            Member(o, path.c_str(), "name", [&](const JsonValue& m, const std::string& at) {
                TextValue(m, at, p->name, sizeof p->name);
            });
            Member(o, path.c_str(), "description", [&](const JsonValue& m, const std::string& at) {
                TextValue(m, at, p->description, sizeof p->description);
            });
            Member(o, path.c_str(), "data", [&](const JsonValue& m, const std::string& at) {
                std::vector<uint8_t> bytes;
                if (m.type != JsonValue::STRING || !ParseHex(m.text, bytes))
                    return Fail(at, "expected hex digits");
                p->SetData(bytes.data(), uint32_t(bytes.size()));
            });
            Member(o, path.c_str(), "text", [&](const JsonValue& m, const std::string& at) {
                if (m.type != JsonValue::STRING)
                    return Fail(at, "expected a string");
                std::string text = m.text;
                text += '\0';
                p->SetText(text.data(), uint32_t(text.size()));
            });
            NoOthers(o, path.c_str(), {"kind", "name", "description", "data", "text"});
            definition.list.push_back(std::move(p));
        }
    }

    // Reports the fields that no part of the layout took.
    void Finish() { Leave(); }

    // An object (and all it holds) from a source object.
    std::unique_ptr<CSkinNode> FromSource(const JsonValue& item, const std::string& context, bool topLevel)
    {
        if (item.type != JsonValue::OBJECT) {
            SetError(context + ": expected an object");
            return nullptr;
        }
        uint32_t code = 0;
        const JsonValue* type = item.Find("type");
        if (type && type->type == JsonValue::STRING)
            code = SkinTypeFromName(type->text);
        else if (type && type->type == JsonValue::NUMBER && type->number > 0 && type->number <= 100)
            code = uint32_t(type->number);
        if (!type || code == 0) {
            SetError(context + ": field 'type': expected a type name such as \"Frame\" or \"Edit\"");
            return nullptr;
        }
        auto node = topLevel ? CreateTopLevelObject(code) : CreateChildObject(code);
        if (!node) {
            SetError(context + ": field 'type': " + (SkinTypeName(code) ? SkinTypeName(code) : std::to_string(code)) +
                     (topLevel ? " cannot be a definition of its own" : " cannot be a child"));
            return nullptr;
        }
        SourceReader reader(item, context, imageFolder_, error_);
        node->Serialize(reader);
        reader.Finish();
        return error_.empty() ? std::move(node) : nullptr;
    }

private:
    struct Level {
        const JsonValue* object;
        std::vector<bool> used;
        std::string prefix;
    };

    void Enter(const JsonValue& object, std::string prefix)
    {
        levels_.push_back({&object, std::vector<bool>(object.members.size(), false), std::move(prefix)});
    }
    void Leave()
    {
        const Level& level = levels_.back();
        for (size_t i = 0; i < level.used.size() && error_.empty(); ++i) {
            const std::string& key = level.object->members[i].first;
            if (!level.used[i] && !(levels_.size() == 1 && key == "type"))
                SetError(context_ + ": unknown field '" + level.prefix + key + "'");
        }
        levels_.pop_back();
    }
    const JsonValue* Take(const char* key)
    {
        if (!key || !error_.empty())
            return nullptr;
        Level& level = levels_.back();
        for (size_t i = 0; i < level.object->members.size(); ++i) {
            if (level.object->members[i].first == key) {
                level.used[i] = true;
                return &level.object->members[i].second;
            }
        }
        return nullptr;
    }
    const JsonValue* Record(const char* key)
    {
        const JsonValue* j = Take(key);
        if (j && j->type != JsonValue::OBJECT) {
            Fail(key, "expected an object");
            return nullptr;
        }
        return j;
    }
    std::string Path(const std::string& key) const { return levels_.back().prefix + key; }
    void SetError(const std::string& text)
    {
        if (error_.empty())
            error_ = text;
    }
    void Fail(const std::string& key, const std::string& what)
    {
        SetError(context_ + ": field '" + Path(key) + "': " + what);
    }

    template <class T>
    void Number(const JsonValue& j, const std::string& key, T& out, int64_t low, int64_t high, const char* expected)
    {
        if (j.type != JsonValue::NUMBER || j.number < low || j.number > high)
            return Fail(key, std::string("expected ") + expected);
        out = T(j.number);
    }
    template <class T>
    void Integer(const char* key, T& out, int64_t low, int64_t high)
    {
        if (const JsonValue* j = Take(key))
            Number(*j, key, out, low, high, ("a number from " + std::to_string(low) + " to " + std::to_string(high)).c_str());
    }
    template <class F>
    void Member(const JsonValue& record, const std::string& key, const char* member, F&& take)
    {
        if (!error_.empty())
            return;
        if (const JsonValue* m = record.Find(member))
            take(*m, key + "." + member);
    }
    // By value: record fields are packed and may not be bound to references.
    template <class T>
    T IntOf(const JsonValue& record, const std::string& key, const char* member, T current)
    {
        constexpr int64_t low = std::is_signed_v<T> ? int64_t(std::numeric_limits<T>::min()) : 0;
        constexpr int64_t high = int64_t(std::numeric_limits<T>::max());
        Member(record, key, member, [&](const JsonValue& m, const std::string& path) {
            Number(m, path, current, low, high, ("a number from " + std::to_string(low) + " to " + std::to_string(high)).c_str());
        });
        return current;
    }
    void NoOthers(const JsonValue& record, const std::string& key, std::initializer_list<const char*> known)
    {
        for (const auto& [name, value] : record.members) {
            bool ok = false;
            for (const char* k : known)
                ok = ok || name == k;
            if (!ok)
                return Fail(key + "." + name, "unknown field");
        }
    }
    bool ColourValue(const JsonValue& j, const std::string& key, COLORREF& out)
    {
        if (j.type != JsonValue::STRING || !ParseColour(j.text, out)) {
            Fail(key, "expected a colour \"#RRGGBB\"");
            return false;
        }
        return true;
    }
    void RectValue(const JsonValue& j, const std::string& key, RECT& out)
    {
        if (j.type != JsonValue::ARRAY || j.items.size() != 4)
            return Fail(key, "expected [left, top, right, bottom]");
        LONG* fields[4] = {&out.left, &out.top, &out.right, &out.bottom};
        for (int i = 0; i < 4; ++i)
            Number(j.items[size_t(i)], key, *fields[i], INT32_MIN, INT32_MAX, "[left, top, right, bottom]");
    }
    // Records are packed: their rectangles are taken by value, never by reference.
    RECT RectFrom(const JsonValue& j, const std::string& key, RECT current)
    {
        RectValue(j, key, current);
        return current;
    }
    void TextValue(const JsonValue& j, const std::string& key, char* field, size_t size)
    {
        if (j.type != JsonValue::STRING)
            return Fail(key, "expected a string");
        if (!StoreFieldText(reinterpret_cast<uint8_t*>(field), size, j.text))
            return Fail(key, "longer than " + std::to_string(size - 1) + " bytes");
    }
    static std::string ObjectName(const JsonValue& item, size_t index)
    {
        const JsonValue* name = item.type == JsonValue::OBJECT ? item.Find("name") : nullptr;
        std::string text = "'";
        if (name && name->type == JsonValue::STRING)
            return text.append(name->text).append("'");
        return std::string("#").append(std::to_string(index + 1));
    }

    std::vector<Level> levels_;
    std::string context_;
    const std::string& imageFolder_;
    std::string& error_;
};

} // namespace

bool NodeToSource(CSkinNode& node, DumpPlace& place, JsonValue& out, std::string& error)
{
    out = JsonValue::Object();
    const char* typeName = SkinTypeName(node.TypeCode());
    out.Set("type", typeName ? JsonValue::String(typeName) : JsonValue::Number(node.TypeCode()));
    SourceWriter writer(out, &place, error);
    node.Serialize(writer);
    if (auto blank = NewObject(node.TypeCode())) {
        JsonValue defaults = JsonValue::Object();
        DumpPlace nowhere;
        std::string ignored;
        SourceWriter defaultWriter(defaults, &nowhere, ignored);
        blank->Serialize(defaultWriter);
        Prune(out, defaults);
    }
    return error.empty();
}

std::unique_ptr<CSkinNode> NodeFromSource(const JsonValue& source, SourceRole role, const std::string& context,
                                          const std::string& imageFolder, std::string& error)
{
    if (role == SourceRole::DEFINITION) {
        static const JsonValue none = JsonValue::Object();
        SourceReader outer(none, context, imageFolder, error);
        return outer.FromSource(source, context, true);
    }
    if (source.type != JsonValue::OBJECT) {
        error = context + ": expected an object";
        return nullptr;
    }
    const uint32_t expected = role == SourceRole::IMAGE ? SKIN_IMAGE : SKIN_OBJECT;
    if (const JsonValue* type = source.Find("type");
        type && !(type->type == JsonValue::STRING && type->text == SkinTypeName(expected))) {
        error = context + ": field 'type': expected \"" + SkinTypeName(expected) + "\" or nothing";
        return nullptr;
    }
    std::unique_ptr<CSkinNode> node;
    if (role == SourceRole::IMAGE)
        node = std::make_unique<CSkinImage>();
    else
        node = std::make_unique<CSkinNode>(SKIN_OBJECT);
    SourceReader reader(source, context, imageFolder, error);
    node->Serialize(reader);
    reader.Finish();
    return error.empty() ? std::move(node) : nullptr;
}

} // namespace skinc
