#include "Json.h"

#include <cstdio>

namespace skinc {

JsonValue JsonValue::Object()
{
    JsonValue v;
    v.type = OBJECT;
    return v;
}

JsonValue JsonValue::Array()
{
    JsonValue v;
    v.type = ARRAY;
    return v;
}

JsonValue JsonValue::Number(int64_t n)
{
    JsonValue v;
    v.type = NUMBER;
    v.number = n;
    return v;
}

JsonValue JsonValue::String(std::string_view s)
{
    JsonValue v;
    v.type = STRING;
    v.text = s;
    return v;
}

JsonValue JsonValue::Bool(bool b)
{
    JsonValue v;
    v.type = BOOL;
    v.boolean = b;
    return v;
}

const JsonValue* JsonValue::Find(std::string_view key) const
{
    for (const auto& [name, value] : members)
        if (name == key)
            return &value;
    return nullptr;
}

JsonValue& JsonValue::Set(std::string_view key, JsonValue value)
{
    for (auto& [name, existing] : members)
        if (name == key)
            return existing = std::move(value);
    members.push_back({std::string(key), std::move(value)});
    return members.back().second;
}

bool JsonValue::operator==(const JsonValue& o) const
{
    return type == o.type && boolean == o.boolean && number == o.number && text == o.text && items == o.items &&
           members == o.members;
}

const char* TypeName(JsonValue::Type type)
{
    switch (type) {
    case JsonValue::NUL: return "null";
    case JsonValue::BOOL: return "true or false";
    case JsonValue::NUMBER: return "a number";
    case JsonValue::STRING: return "a string";
    case JsonValue::ARRAY: return "an array";
    case JsonValue::OBJECT: return "an object";
    }
    return "?";
}

namespace {

// Deep enough for any skin; deeper input is refused before it costs stack.
constexpr int kMaxNesting = 200;

class Parser {
public:
    explicit Parser(std::string_view s) : s_(s) {}

    bool Document(JsonValue& out)
    {
        Blank();
        if (!Value(out, 0))
            return false;
        Blank();
        if (pos_ != s_.size())
            return Fail("unexpected text after the end");
        return true;
    }
    const std::string& Error() const { return error_; }

private:
    bool Fail(const std::string& what)
    {
        if (error_.empty())
            error_ = "line " + std::to_string(line_) + ": " + what;
        return false;
    }
    void Blank()
    {
        while (pos_ < s_.size()) {
            const char c = s_[pos_];
            if (c == '\n')
                ++line_;
            if (c != ' ' && c != '\t' && c != '\r' && c != '\n')
                break;
            ++pos_;
        }
    }
    bool Literal(std::string_view word)
    {
        if (s_.substr(pos_, word.size()) != word)
            return false;
        pos_ += word.size();
        return true;
    }
    bool Value(JsonValue& out, int depth)
    {
        if (depth > kMaxNesting)
            return Fail("nested too deeply");
        out.line = line_;
        if (pos_ >= s_.size())
            return Fail("unexpected end of the text");
        const char c = s_[pos_];
        if (c == '{')
            return ObjectValue(out, depth);
        if (c == '[')
            return ArrayValue(out, depth);
        if (c == '"') {
            out.type = JsonValue::STRING;
            return StringValue(out.text);
        }
        if (c == '-' || (c >= '0' && c <= '9'))
            return NumberValue(out);
        if (Literal("true")) {
            out.type = JsonValue::BOOL;
            out.boolean = true;
            return true;
        }
        if (Literal("false")) {
            out.type = JsonValue::BOOL;
            return true;
        }
        if (Literal("null")) {
            out.type = JsonValue::NUL;
            return true;
        }
        return Fail(std::string("unexpected character '") + c + "'");
    }
    bool NumberValue(JsonValue& out)
    {
        out.type = JsonValue::NUMBER;
        bool negative = false;
        if (s_[pos_] == '-') {
            negative = true;
            ++pos_;
        }
        if (pos_ >= s_.size() || s_[pos_] < '0' || s_[pos_] > '9')
            return Fail("a number needs digits");
        uint64_t n = 0;
        while (pos_ < s_.size() && s_[pos_] >= '0' && s_[pos_] <= '9') {
            n = n * 10 + uint64_t(s_[pos_++] - '0');
            if (n > (uint64_t(1) << 40))
                return Fail("number too large");
        }
        if (pos_ < s_.size() && (s_[pos_] == '.' || s_[pos_] == 'e' || s_[pos_] == 'E'))
            return Fail("only whole numbers are used in a skin");
        out.number = negative ? -int64_t(n) : int64_t(n);
        return true;
    }
    bool StringValue(std::string& out)
    {
        ++pos_; // opening quote
        while (true) {
            if (pos_ >= s_.size())
                return Fail("text not closed with '\"'");
            const char c = s_[pos_++];
            if (c == '"')
                return true;
            if (c == '\n')
                return Fail("line break inside a text");
            if (c != '\\') {
                out += c;
                continue;
            }
            if (pos_ >= s_.size())
                return Fail("text not closed with '\"'");
            const char e = s_[pos_++];
            switch (e) {
            case '"': out += '"'; break;
            case '\\': out += '\\'; break;
            case '/': out += '/'; break;
            case 'b': out += '\b'; break;
            case 'f': out += '\f'; break;
            case 'n': out += '\n'; break;
            case 'r': out += '\r'; break;
            case 't': out += '\t'; break;
            case 'u': {
                unsigned code = 0;
                for (int i = 0; i < 4; ++i) {
                    if (pos_ >= s_.size())
                        return Fail("\\u needs four hex digits");
                    const char h = s_[pos_++];
                    const int digit = h >= '0' && h <= '9'   ? h - '0'
                                      : h >= 'a' && h <= 'f' ? h - 'a' + 10
                                      : h >= 'A' && h <= 'F' ? h - 'A' + 10
                                                             : -1;
                    if (digit < 0)
                        return Fail("\\u needs four hex digits");
                    code = code * 16 + unsigned(digit);
                }
                if (code > 0xFF)
                    return Fail("\\u stands for one byte here: \\u0000 to \\u00FF");
                out += char(code);
                break;
            }
            default: return Fail(std::string("unknown escape \\") + e);
            }
        }
    }
    bool ArrayValue(JsonValue& out, int depth)
    {
        out.type = JsonValue::ARRAY;
        ++pos_;
        Blank();
        if (pos_ < s_.size() && s_[pos_] == ']') {
            ++pos_;
            return true;
        }
        while (true) {
            Blank();
            out.items.emplace_back();
            if (!Value(out.items.back(), depth + 1))
                return false;
            Blank();
            if (pos_ < s_.size() && s_[pos_] == ',') {
                ++pos_;
                continue;
            }
            if (pos_ < s_.size() && s_[pos_] == ']') {
                ++pos_;
                return true;
            }
            return Fail("expected ',' or ']'");
        }
    }
    bool ObjectValue(JsonValue& out, int depth)
    {
        out.type = JsonValue::OBJECT;
        ++pos_;
        Blank();
        if (pos_ < s_.size() && s_[pos_] == '}') {
            ++pos_;
            return true;
        }
        while (true) {
            Blank();
            if (pos_ >= s_.size() || s_[pos_] != '"')
                return Fail("expected a field name in quotes");
            std::string key;
            if (!StringValue(key))
                return false;
            if (out.Find(key))
                return Fail("field \"" + key + "\" given twice");
            Blank();
            if (pos_ >= s_.size() || s_[pos_] != ':')
                return Fail("expected ':' after \"" + key + "\"");
            ++pos_;
            Blank();
            JsonValue value;
            if (!Value(value, depth + 1))
                return false;
            out.members.push_back({std::move(key), std::move(value)});
            Blank();
            if (pos_ < s_.size() && s_[pos_] == ',') {
                ++pos_;
                continue;
            }
            if (pos_ < s_.size() && s_[pos_] == '}') {
                ++pos_;
                return true;
            }
            return Fail("expected ',' or '}'");
        }
    }

    std::string_view s_;
    size_t pos_ = 0;
    int line_ = 1;
    std::string error_;
};

void WriteString(std::string& out, std::string_view text)
{
    out += '"';
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += char(c);
        } else if (c >= 0x20 && c < 0x7F) {
            out += char(c);
        } else {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04X", c);
            out += escape;
        }
    }
    out += '"';
}

bool IsScalar(const JsonValue& v) { return v.type != JsonValue::ARRAY && v.type != JsonValue::OBJECT; }

// Arrays of scalars and objects of scalars or such arrays fit on one line.
bool IsFlat(const JsonValue& v)
{
    if (IsScalar(v))
        return true;
    for (const JsonValue& item : v.items)
        if (!IsScalar(item))
            return false;
    for (const auto& [key, member] : v.members)
        if (!IsScalar(member) && (member.type == JsonValue::OBJECT || !IsFlat(member)))
            return false;
    return true;
}

void Write(std::string& out, const JsonValue& v, int indent)
{
    switch (v.type) {
    case JsonValue::NUL: out += "null"; return;
    case JsonValue::BOOL: out += v.boolean ? "true" : "false"; return;
    case JsonValue::NUMBER: out += std::to_string(v.number); return;
    case JsonValue::STRING: WriteString(out, v.text); return;
    default: break;
    }
    const bool isArray = v.type == JsonValue::ARRAY;
    const size_t count = isArray ? v.items.size() : v.members.size();
    out += isArray ? '[' : '{';
    if (count == 0) {
        out += isArray ? ']' : '}';
        return;
    }
    bool flat = IsFlat(v);
    if (flat) {
        // A record that would make a very long line is spread out after all.
        std::string line;
        for (const auto& [key, member] : v.members) {
            line += key;
            Write(line, member, 0);
        }
        for (const JsonValue& item : v.items)
            Write(line, item, 0);
        flat = line.size() < 90;
    }
    const std::string pad(size_t(indent + 2), ' ');
    for (size_t i = 0; i < count; ++i) {
        if (flat)
            out += i ? ", " : (isArray ? "" : " ");
        else
            out += (i ? ",\n" : "\n") + pad;
        if (!isArray) {
            WriteString(out, v.members[i].first);
            out += ": ";
        }
        Write(out, isArray ? v.items[i] : v.members[i].second, indent + 2);
    }
    if (flat)
        out += isArray ? "]" : " }";
    else {
        out += '\n';
        out.append(size_t(indent), ' ');
        out += isArray ? ']' : '}';
    }
}

} // namespace

bool ParseJson(std::string_view source, JsonValue& out, std::string& error)
{
    Parser parser(source);
    out = JsonValue{};
    if (parser.Document(out))
        return true;
    error = parser.Error();
    return false;
}

std::string WriteJson(const JsonValue& value)
{
    std::string out;
    Write(out, value, 0);
    out += '\n';
    return out;
}

} // namespace skinc
