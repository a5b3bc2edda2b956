#include "flash/action/Value.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace glint::flash::action {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
// Arrays inside arrays are written out to this depth (a cycle must not recurse
// for ever), and no further than this length.
constexpr int kMaxJoinDepth = 8;
constexpr size_t kMaxJoinLength = 1 << 20;

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v'; }

double ParseNumber(const std::string& s, int version)
{
    size_t b = 0, e = s.size();
    while (b < e && IsSpace(s[b]))
        ++b;
    while (e > b && IsSpace(s[e - 1]))
        --e;
    if (b == e)
        return version >= 7 ? kNaN : 0;
    std::string t = s.substr(b, e - b);
    char* end = nullptr;
    if (version < 5) {
        // SWF 4 took the number at the start of the text, 0 when there was none.
        double v = std::strtod(t.c_str(), &end);
        return end == t.c_str() || std::isnan(v) ? 0 : v;
    }
    if (t.size() > 2 && t[0] == '0' && (t[1] == 'x' || t[1] == 'X')) {
        long long v = std::strtoll(t.c_str() + 2, &end, 16);
        return *end ? kNaN : double(v);
    }
    // Only decimal forms: strtod would also take "inf", "nan" and hex floats.
    for (char c : t)
        if (!std::strchr("0123456789+-.eE", c))
            return kNaN;
    double v = std::strtod(t.c_str(), &end);
    return end == t.c_str() || *end ? kNaN : v;
}

std::string Join(const Object& o, int version, int depth)
{
    std::string out;
    for (size_t i = 0; i < o.items.size() && out.size() < kMaxJoinLength; ++i) {
        if (i)
            out += ',';
        const Value& v = o.items[i];
        if (v.type == Value::Type::Object && v.object && v.object->isArray) {
            if (depth < kMaxJoinDepth)
                out += Join(*v.object, version, depth + 1);
        } else if (v.type != Value::Type::Undefined) {
            out += ToString(v, version);
        }
    }
    if (out.size() > kMaxJoinLength)
        out.resize(kMaxJoinLength);
    return out;
}

} // namespace

bool NameOrder::operator()(const std::string& a, const std::string& b) const
{
    if (!fold)
        return a < b;
    const size_t n = std::min(a.size(), b.size());
    auto lower = [](char c) {
        unsigned char u = static_cast<unsigned char>(c);
        return u >= 'A' && u <= 'Z' ? u + 32 : int(u);
    };
    for (size_t i = 0; i < n; ++i) {
        const int x = lower(a[i]), y = lower(b[i]);
        if (x != y)
            return x < y;
    }
    return a.size() < b.size();
}

std::string NumberToString(double n)
{
    if (std::isnan(n))
        return "NaN";
    if (std::isinf(n))
        return n > 0 ? "Infinity" : "-Infinity";
    if (n == 0)
        return "0";
    if (std::fabs(n) < 1e15 && n == std::floor(n)) {
        char buf[32];
        std::snprintf(buf, sizeof buf, "%.0f", n);
        return buf;
    }
    // 15 significant digits, exponents written without leading zeros ("1e-7", "1e+21").
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.15g", n);
    std::string s = buf;
    size_t e = s.find('e');
    if (e != std::string::npos) {
        size_t digits = e + 2;
        while (digits + 1 < s.size() && s[digits] == '0')
            s.erase(digits, 1);
    }
    return s;
}

double ToNumber(const Value& v, int version)
{
    switch (v.type) {
    case Value::Type::Undefined:
    case Value::Type::Null: return version >= 7 ? kNaN : 0;
    case Value::Type::Boolean: return v.boolean ? 1 : 0;
    case Value::Type::Number: return v.number;
    case Value::Type::String: return ParseNumber(v.text, version);
    case Value::Type::Object:
        if (v.object && v.object->isArray)
            return ParseNumber(ToString(v, version), version >= 7 ? 7 : 5);
        return kNaN;
    case Value::Type::Clip: return kNaN;
    }
    return kNaN;
}

bool ToBoolean(const Value& v, int version)
{
    switch (v.type) {
    case Value::Type::Undefined:
    case Value::Type::Null: return false;
    case Value::Type::Boolean: return v.boolean;
    case Value::Type::Number: return v.number != 0 && !std::isnan(v.number);
    case Value::Type::String:
        if (version >= 7)
            return !v.text.empty();
        {
            // Older movies took a text as the number it spells.
            double n = ParseNumber(v.text, 5);
            return n != 0 && !std::isnan(n);
        }
    case Value::Type::Object:
    case Value::Type::Clip: return true;
    }
    return false;
}

std::string ToString(const Value& v, int version)
{
    switch (v.type) {
    case Value::Type::Undefined: return version >= 7 ? "undefined" : "";
    case Value::Type::Null: return "null";
    case Value::Type::Boolean: return v.boolean ? "true" : "false";
    case Value::Type::Number: return NumberToString(v.number);
    case Value::Type::String:
    case Value::Type::Clip: return v.text;
    case Value::Type::Object:
        if (!v.object)
            return "";
        if (v.object->isArray)
            return Join(*v.object, version, 0);
        if (v.object->Callable())
            return "[type Function]";
        return "[object Object]";
    }
    return "";
}

int32_t ToInt32(double n)
{
    if (!std::isfinite(n))
        return 0;
    double t = std::trunc(n);
    double m = std::fmod(t, 4294967296.0);
    if (m < 0)
        m += 4294967296.0;
    return int32_t(uint32_t(m));
}

const char* TypeOf(const Value& v)
{
    switch (v.type) {
    case Value::Type::Undefined: return "undefined";
    case Value::Type::Null: return "null";
    case Value::Type::Boolean: return "boolean";
    case Value::Type::Number: return "number";
    case Value::Type::String: return "string";
    case Value::Type::Object: return v.object && v.object->Callable() ? "function" : "object";
    case Value::Type::Clip: return "movieclip";
    }
    return "undefined";
}

bool StrictEquals(const Value& a, const Value& b)
{
    if (a.type != b.type)
        return false;
    switch (a.type) {
    case Value::Type::Undefined:
    case Value::Type::Null: return true;
    case Value::Type::Boolean: return a.boolean == b.boolean;
    case Value::Type::Number: return a.number == b.number;
    case Value::Type::String:
    case Value::Type::Clip: return a.text == b.text;
    case Value::Type::Object: return a.object == b.object;
    }
    return false;
}

bool LooseEquals(const Value& a, const Value& b, int version)
{
    using T = Value::Type;
    auto nullish = [](const Value& v) { return v.type == T::Undefined || v.type == T::Null; };
    if (a.type == b.type)
        return StrictEquals(a, b);
    if (nullish(a) || nullish(b))
        return nullish(a) && nullish(b);
    // Booleans meet the other side as numbers; objects as their primitive value.
    if (a.type == T::Boolean)
        return LooseEquals(Value::Num(a.boolean ? 1 : 0), b, version);
    if (b.type == T::Boolean)
        return LooseEquals(a, Value::Num(b.boolean ? 1 : 0), version);
    auto primitive = [](const Value& v) { return v.type == T::Number || v.type == T::String; };
    if (primitive(a) && primitive(b))
        return ToNumber(a, version) == ToNumber(b, version);
    if ((a.type == T::Object || a.type == T::Clip) && primitive(b))
        return LooseEquals(Value::Str(ToString(a, version)), b, version);
    if ((b.type == T::Object || b.type == T::Clip) && primitive(a))
        return LooseEquals(a, Value::Str(ToString(b, version)), version);
    return false;
}

Value LessThan(const Value& a, const Value& b, int version)
{
    auto primitive = [&](const Value& v) {
        return v.type == Value::Type::Object || v.type == Value::Type::Clip ? Value::Str(ToString(v, version)) : v;
    };
    Value pa = primitive(a), pb = primitive(b);
    if (pa.IsString() && pb.IsString())
        return Value::Bool(pa.text < pb.text);
    double x = ToNumber(pa, version), y = ToNumber(pb, version);
    if (std::isnan(x) || std::isnan(y))
        return Value{};
    return Value::Bool(x < y);
}

} // namespace glint::flash::action
