#pragma once
// Values of the ActionScript 1/2 machine and the conversions between them.
// The rules differ with the movie's version (an SWF 6 movie sees undefined
// as 0 and "" in arithmetic and text, an SWF 7 one as NaN and "undefined"),
// so every conversion takes the version.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace glint::flash::action {

struct Object;

struct Value {
    enum class Type : uint8_t { Undefined, Null, Boolean, Number, String, Object, Clip };
    Type type = Type::Undefined;
    bool boolean = false;
    double number = 0;
    std::string text;         // strings; for clips, the absolute target path ("_level0.a.b")
    Object* object = nullptr; // objects, arrays and functions; owned by the machine

    static Value Null() { return Of(Type::Null); }
    static Value Bool(bool b) { return Of(Type::Boolean, b); }
    static Value Num(double n) { return Of(Type::Number, false, n); }
    static Value Str(std::string s) { return Of(Type::String, false, 0, std::move(s)); }
    static Value Obj(Object* o) { return Of(o ? Type::Object : Type::Undefined, false, 0, {}, o); }
    static Value ClipAt(std::string path) { return Of(Type::Clip, false, 0, std::move(path)); }
    static Value Of(Type t, bool b = false, double n = 0, std::string s = {}, Object* o = nullptr)
    {
        Value v;
        v.type = t;
        v.boolean = b;
        v.number = n;
        v.text = std::move(s);
        v.object = o;
        return v;
    }

    bool IsUndefined() const { return type == Type::Undefined; }
    bool IsString() const { return type == Type::String; }
};

class Machine;
// A built-in function: `self` is the object it is called on (undefined when none).
using NativeFunction = std::function<Value(Machine& m, const Value& self, const std::vector<Value>& args)>;

// A function defined by the movie: its code and what it closes over.
struct Function {
    std::shared_ptr<const std::vector<uint8_t>> code; // the whole action block it came from
    size_t begin = 0, end = 0;                         // its body within `code`
    std::vector<std::string> params;
    std::vector<uint8_t> paramRegisters; // DefineFunction2: register of each parameter, 0 for none
    bool v2 = false;                     // DefineFunction2
    uint8_t registers = 0;               // DefineFunction2's register count
    uint16_t flags = 0;                  // DefineFunction2's preload and suppress flags
    std::vector<Object*> scope;          // the activation objects around the definition
    std::string target;                  // the timeline it was defined on
    std::shared_ptr<const std::vector<std::string>> pool; // the constant pool at its definition
};

// Member and variable names: exact from SWF 7 on, without regard to ASCII
// case in older movies (the first spelling set is the one kept).
struct NameOrder {
    bool fold = false;
    bool operator()(const std::string& a, const std::string& b) const;
};
using Members = std::map<std::string, Value, NameOrder>;

struct Object {
    // Members by name. Arrays keep their elements apart, in `items`.
    Members members;
    std::vector<Value> items;
    bool isArray = false;
    Object* proto = nullptr;
    std::unique_ptr<Function> function; // set for functions of the movie
    NativeFunction native;              // set for built-in functions
    bool marked = false;                // for the collector

    bool Callable() const { return function || native; }
};

// Conversions, for a movie of `version`.
double ToNumber(const Value& v, int version);
bool ToBoolean(const Value& v, int version);
std::string ToString(const Value& v, int version);
std::string NumberToString(double n);
int32_t ToInt32(double n);
// "undefined", "null", "boolean", "number", "string", "object", "function" or "movieclip".
const char* TypeOf(const Value& v);
// Loose equality (==) and strict equality (===).
bool LooseEquals(const Value& a, const Value& b, int version);
bool StrictEquals(const Value& a, const Value& b);
// a < b: true, false, or undefined when either side is NaN.
Value LessThan(const Value& a, const Value& b, int version);

} // namespace glint::flash::action
