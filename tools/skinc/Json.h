#pragma once
// A small JSON reader and writer for skin sources. Numbers are integers (a
// skin has no others). Strings are byte strings: the bytes of the file are
// kept as they are, and \u00XX stands for the byte XX, so any field of a skin
// file, whatever its code page, survives a round trip.
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace skinc {

struct JsonMember;

struct JsonValue {
    enum Type { NUL, BOOL, NUMBER, STRING, ARRAY, OBJECT };

    Type type = NUL;
    bool boolean = false;
    int64_t number = 0;
    std::string text;
    std::vector<JsonValue> items;
    std::vector<JsonMember> members;
    int line = 0; // where it starts in the source, for messages

    static JsonValue Object();
    static JsonValue Array();
    static JsonValue Number(int64_t n);
    static JsonValue String(std::string_view s);
    static JsonValue Bool(bool b);

    const JsonValue* Find(std::string_view key) const;
    JsonValue& Set(std::string_view key, JsonValue value); // replaces or appends
    bool operator==(const JsonValue& other) const;
};

struct JsonMember {
    std::string first; // the key
    JsonValue second;

    bool operator==(const JsonMember& other) const = default;
};

// false with "line N: what" in error.
bool ParseJson(std::string_view source, JsonValue& out, std::string& error);
// Two-space indentation; short records of scalars stay on one line.
std::string WriteJson(const JsonValue& value);

const char* TypeName(JsonValue::Type type);

} // namespace skinc
