#include "flash/action/Machine.h"

#include "flash/SwfReader.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace glint::flash::action {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr int kMaxProtoChain = 32;  // a prototype loop must not hang a lookup
constexpr size_t kMaxMembers = 1 << 16; // members of one object
constexpr int kMaxPathParts = 32;

const char* const kPropertyNames[kPropertyCount] = {
    "_x", "_y", "_xscale", "_yscale", "_currentframe", "_totalframes", "_alpha", "_visible", "_width", "_height",
    "_rotation", "_target", "_framesloaded", "_name", "_droptarget", "_url", "_highquality", "_focusrect",
    "_soundbuftime", "_quality", "_xmouse", "_ymouse"};

// Characters of a text: code points of UTF-8 from SWF 6 on, bytes before.
std::vector<uint32_t> Chars(const std::string& s, int version)
{
    std::vector<uint32_t> out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size();) {
        uint8_t c = uint8_t(s[i]);
        if (version < 6 || c < 0x80) {
            out.push_back(c);
            ++i;
            continue;
        }
        int extra = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
        uint32_t cp = extra == 3 ? c & 0x07 : extra == 2 ? c & 0x0F : c & 0x1F;
        size_t j = i + 1;
        for (int k = 0; k < extra && j < s.size() && (uint8_t(s[j]) & 0xC0) == 0x80; ++k, ++j)
            cp = (cp << 6) | (uint8_t(s[j]) & 0x3F);
        out.push_back(extra ? cp : c); // a stray continuation byte stands for itself
        i = j;
    }
    return out;
}

void AppendChar(std::string& out, uint32_t cp, int version)
{
    if (version < 6 || cp < 0x80) {
        out.push_back(char(cp & 0xFF));
    } else if (cp < 0x800) {
        out.push_back(char(0xC0 | (cp >> 6)));
        out.push_back(char(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(char(0xE0 | (cp >> 12)));
        out.push_back(char(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(char(0x80 | (cp & 0x3F)));
    } else {
        cp = std::min<uint32_t>(cp, 0x10FFFF);
        out.push_back(char(0xF0 | (cp >> 18)));
        out.push_back(char(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(char(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(char(0x80 | (cp & 0x3F)));
    }
}

std::string Substring(const std::string& s, int64_t start, int64_t count, int version)
{
    std::vector<uint32_t> c = Chars(s, version);
    const int64_t n = int64_t(c.size());
    start = std::clamp<int64_t>(start, 0, n);
    count = count < 0 ? n - start : std::min(count, n - start);
    std::string out;
    for (int64_t i = start; i < start + count; ++i)
        AppendChar(out, c[size_t(i)], version);
    return out;
}

bool IsIndex(const std::string& name, size_t& index)
{
    if (name.empty() || name.size() > 9)
        return false;
    index = 0;
    for (char ch : name) {
        if (ch < '0' || ch > '9')
            return false;
        index = index * 10 + size_t(ch - '0');
    }
    return true;
}

std::string Lower(std::string s)
{
    for (char& c : s)
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
    return s;
}

double Arg(const std::vector<Value>& args, size_t i, int version)
{
    return i < args.size() ? ToNumber(args[i], version) : kNaN;
}

} // namespace

int PropertyIndex(const std::string& name)
{
    std::string n = Lower(name);
    for (int i = 0; i < kPropertyCount; ++i)
        if (n == kPropertyNames[i])
            return i;
    return -1;
}

struct Machine::Frame {
    std::shared_ptr<const std::vector<uint8_t>> code;
    size_t begin = 0, end = 0;
    std::string origin; // the timeline the block belongs to
    std::string target; // where SetTarget points; `origin` when it points nowhere
    Value self;
    std::vector<Object*> scope; // activation and with objects, innermost last
    std::vector<Value> registers;
    std::shared_ptr<const std::vector<std::string>> pool;
    Object* locals = nullptr; // the function's activation, null on a timeline
};

Machine::Machine(Stage& stage, int version) : stage_(stage), version_(version) { InstallGlobals(); }

Machine::~Machine() = default;

std::string Machine::Bounded(std::string s)
{
    if (s.size() > kMaxStringLength)
        s.resize(kMaxStringLength);
    return s;
}

Object* Machine::NewObject()
{
    if (objects_.size() >= kMaxObjects)
        return nullptr;
    objects_.push_back(std::make_unique<Object>());
    Object* o = objects_.back().get();
    o->proto = objectProto_;
    o->members = Members(NameOrder{version_ < 7});
    return o;
}

Object* Machine::NewArray()
{
    Object* o = NewObject();
    if (o)
        o->isArray = true;
    return o;
}

Object* Machine::NewNative(NativeFunction f)
{
    Object* o = NewObject();
    if (o)
        o->native = std::move(f);
    return o;
}

void Machine::InstallGlobals()
{
    objectProto_ = NewObject();
    objectProto_->proto = nullptr;
    global_ = NewObject();
    auto fn = [&](Object* on, const char* name, NativeFunction f) {
        on->members[name] = Value::Obj(NewNative(std::move(f)));
    };
    const int v = version_;

    Object* math = NewObject();
    global_->members["Math"] = Value::Obj(math);
    fn(math, "random", [](Machine& m, const Value&, const std::vector<Value>&) {
        m.random_ ^= m.random_ << 13;
        m.random_ ^= m.random_ >> 7;
        m.random_ ^= m.random_ << 17;
        return Value::Num(double(m.random_ >> 11) / 9007199254740992.0);
    });
    auto unary = [&](const char* name, double (*f)(double)) {
        fn(math, name,
           [f, v](Machine&, const Value&, const std::vector<Value>& a) { return Value::Num(f(Arg(a, 0, v))); });
    };
    unary("floor", [](double x) { return std::floor(x); });
    unary("ceil", [](double x) { return std::ceil(x); });
    unary("round", [](double x) { return std::floor(x + 0.5); });
    unary("abs", [](double x) { return std::fabs(x); });
    unary("sqrt", [](double x) { return std::sqrt(x); });
    unary("sin", [](double x) { return std::sin(x); });
    unary("cos", [](double x) { return std::cos(x); });
    fn(math, "atan2", [v](Machine&, const Value&, const std::vector<Value>& a) {
        return Value::Num(std::atan2(Arg(a, 0, v), Arg(a, 1, v)));
    });
    fn(math, "pow", [v](Machine&, const Value&, const std::vector<Value>& a) {
        return Value::Num(std::pow(Arg(a, 0, v), Arg(a, 1, v)));
    });
    fn(math, "min", [v](Machine&, const Value&, const std::vector<Value>& a) {
        return Value::Num(std::fmin(Arg(a, 0, v), Arg(a, 1, v)));
    });
    fn(math, "max", [v](Machine&, const Value&, const std::vector<Value>& a) {
        return Value::Num(std::fmax(Arg(a, 0, v), Arg(a, 1, v)));
    });
    math->members["PI"] = Value::Num(3.141592653589793);

    fn(global_, "getTimer", [](Machine& m, const Value&, const std::vector<Value>&) {
        return Value::Num(std::floor(m.stage_.Timer()));
    });
    fn(global_, "isNaN", [v](Machine&, const Value&, const std::vector<Value>& a) {
        return Value::Bool(std::isnan(Arg(a, 0, v)));
    });
    fn(global_, "Number", [v](Machine&, const Value&, const std::vector<Value>& a) {
        return Value::Num(a.empty() ? 0 : Arg(a, 0, v));
    });
    fn(global_, "String", [v](Machine&, const Value&, const std::vector<Value>& a) {
        return Value::Str(a.empty() ? std::string() : ToString(a[0], v));
    });
    // Object and Array as functions; NewObject builds them itself.
    fn(global_, "Object",
       [](Machine& m, const Value&, const std::vector<Value>&) { return Value::Obj(m.NewObject()); });
    fn(global_, "Array", [](Machine& m, const Value&, const std::vector<Value>& a) {
        Object* o = m.NewArray();
        if (o)
            o->items.assign(a.begin(), a.begin() + std::min(a.size(), kMaxArrayLength));
        return Value::Obj(o);
    });
}

// Names and members -----------------------------------------------------------

std::string Machine::ResolveClip(const std::string& base, const std::string& path)
{
    if (path.empty())
        return base;
    std::string at = base;
    std::vector<std::string> parts;
    const bool slash = path.find('/') != std::string::npos;
    const char sep = slash ? '/' : '.';
    size_t i = 0;
    if (slash && path[0] == '/') {
        at = "_level0";
        i = 1;
    }
    while (i <= path.size() && parts.size() < size_t(kMaxPathParts)) {
        size_t j = path.find(sep, i);
        if (j == std::string::npos)
            j = path.size();
        parts.push_back(path.substr(i, j - i));
        i = j + 1;
    }
    for (const std::string& part : parts) {
        if (part.empty())
            continue;
        std::string lower = Lower(part);
        if (lower == "_root" || lower == "_level0") {
            at = "_level0";
        } else if (lower == "_parent" || lower == "..") {
            size_t dot = at.rfind('.');
            if (dot == std::string::npos)
                return "";
            at.resize(dot);
        } else if (lower == "this" || lower == ".") {
        } else {
            at += "." + part;
        }
        if (!stage_.Exists(at))
            return "";
    }
    return at;
}

Object* Machine::PrototypeOf(Object* function)
{
    auto it = function->members.find("prototype");
    if (it != function->members.end())
        return it->second.type == Value::Type::Object ? it->second.object : nullptr;
    Object* proto = NewObject();
    if (proto) {
        proto->members["constructor"] = Value::Obj(function);
        function->members["prototype"] = Value::Obj(proto);
    }
    return proto;
}

Value Machine::GetMember(const Value& object, const std::string& name)
{
    const int v = version_;
    switch (object.type) {
    case Value::Type::String: {
        const std::string s = object.text;
        Charge(s.size());
        if (name == "length")
            return Value::Num(double(Chars(s, v).size()));
        NativeFunction f;
        if (name == "charAt")
            f = [s, v](Machine&, const Value&, const std::vector<Value>& a) {
                double i = Arg(a, 0, v);
                return Value::Str(std::isnan(i) || i < 0 ? "" : Substring(s, int64_t(i), 1, v));
            };
        else if (name == "charCodeAt")
            f = [s, v](Machine&, const Value&, const std::vector<Value>& a) {
                double i = Arg(a, 0, v);
                std::vector<uint32_t> c = Chars(s, v);
                return i >= 0 && i < double(c.size()) ? Value::Num(c[size_t(i)]) : Value::Num(kNaN);
            };
        else if (name == "substr")
            f = [s, v](Machine&, const Value&, const std::vector<Value>& a) {
                double start = Arg(a, 0, v), count = a.size() > 1 ? Arg(a, 1, v) : -1;
                int64_t n = int64_t(Chars(s, v).size());
                int64_t b = std::isnan(start) ? 0
                            : start < 0       ? std::max<int64_t>(0, n + int64_t(start))
                                              : int64_t(std::min(start, 1e9));
                return Value::Str(Substring(s, b, std::isnan(count) ? 0 : int64_t(std::clamp(count, -1.0, 1e9)), v));
            };
        else if (name == "substring")
            f = [s, v](Machine&, const Value&, const std::vector<Value>& a) {
                double x = Arg(a, 0, v), y = a.size() > 1 ? Arg(a, 1, v) : 1e9;
                int64_t b = std::isnan(x) ? 0 : int64_t(std::clamp(x, 0.0, 1e9));
                int64_t e = std::isnan(y) ? 0 : int64_t(std::clamp(y, 0.0, 1e9));
                if (b > e)
                    std::swap(b, e);
                return Value::Str(Substring(s, b, e - b, v));
            };
        else if (name == "indexOf")
            f = [s, v](Machine&, const Value&, const std::vector<Value>& a) {
                std::string needle = a.empty() ? "undefined" : ToString(a[0], v);
                size_t at = s.find(needle);
                return Value::Num(at == std::string::npos ? -1 : double(Chars(s.substr(0, at), v).size()));
            };
        else if (name == "toUpperCase" || name == "toLowerCase")
            f = [s, up = name == "toUpperCase"](Machine&, const Value&, const std::vector<Value>&) {
                std::string t = s;
                for (char& c : t)
                    c = char(up ? std::toupper(static_cast<unsigned char>(c))
                                : std::tolower(static_cast<unsigned char>(c)));
                return Value::Str(t);
            };
        return f ? Value::Obj(NewNative(std::move(f))) : Value{};
    }
    case Value::Type::Clip: {
        int p = PropertyIndex(name);
        if (p >= 0)
            return stage_.GetProperty(object.text, p);
        if (Object* vars = stage_.Variables(object.text, *this)) {
            Value found = GetMember(Value::Obj(vars), name);
            if (!found.IsUndefined())
                return found;
        }
        std::string child = ResolveClip(object.text, name);
        if (!child.empty() && name.find_first_of("./") == std::string::npos)
            return Value::ClipAt(child);
        // The timeline methods of a clip.
        const std::string clip = object.text;
        NativeFunction f;
        std::string n = Lower(name);
        if (n == "play" || n == "stop")
            f = [clip, play = n == "play"](Machine& m, const Value&, const std::vector<Value>&) {
                m.stage_.SetPlaying(clip, play);
                return Value{};
            };
        else if (n == "gotoandplay" || n == "gotoandstop")
            f = [clip, play = n == "gotoandplay"](Machine& m, const Value&, const std::vector<Value>& a) {
                if (a.empty())
                    return Value{};
                int frame = a[0].IsString() ? m.stage_.FindLabel(clip, a[0].text) : -1;
                if (frame < 0) {
                    double n = ToNumber(a[0], m.version_);
                    if (std::isfinite(n) && n >= 1 && n < 65536)
                        frame = int(n) - 1;
                }
                if (frame >= 0)
                    m.stage_.Goto(clip, frame, play);
                return Value{};
            };
        else if (n == "nextframe" || n == "prevframe")
            f = [clip, step = n == "nextframe" ? 0 : -2](Machine& m, const Value&, const std::vector<Value>&) {
                double current = ToNumber(m.stage_.GetProperty(clip, kCurrentFrame), 7);
                if (std::isfinite(current) && current + step >= 0)
                    m.stage_.Goto(clip, int(current) + step, false);
                return Value{};
            };
        return f ? Value::Obj(NewNative(std::move(f))) : Value{};
    }
    case Value::Type::Object: {
        Object* o = object.object;
        if (o->isArray) {
            size_t index;
            if (name == "length")
                return Value::Num(double(o->items.size()));
            if (IsIndex(name, index))
                return index < o->items.size() ? o->items[index] : Value{};
            if (name == "push")
                return Value::Obj(NewNative([](Machine&, const Value& self, const std::vector<Value>& a) {
                    if (self.type != Value::Type::Object || !self.object)
                        return Value{};
                    auto& items = self.object->items;
                    for (const Value& x : a)
                        if (items.size() < kMaxArrayLength)
                            items.push_back(x);
                    return Value::Num(double(items.size()));
                }));
            if (name == "pop")
                return Value::Obj(NewNative([](Machine&, const Value& self, const std::vector<Value>&) {
                    if (self.type != Value::Type::Object || !self.object || self.object->items.empty())
                        return Value{};
                    Value last = self.object->items.back();
                    self.object->items.pop_back();
                    return last;
                }));
            if (name == "join")
                return Value::Obj(NewNative([](Machine& m, const Value& self, const std::vector<Value>& a) {
                    if (self.type != Value::Type::Object || !self.object)
                        return Value{};
                    std::string sep = a.empty() ? "," : ToString(a[0], m.version_), out;
                    for (size_t i = 0; i < self.object->items.size() && out.size() < kMaxStringLength; ++i) {
                        const Value& item = self.object->items[i];
                        bool empty = item.IsUndefined() || item.type == Value::Type::Null;
                        out += (i ? sep : "") + (empty ? std::string() : ToString(item, m.version_));
                    }
                    return Value::Str(Bounded(out));
                }));
        }
        if (name == "prototype" && o->Callable())
            return Value::Obj(PrototypeOf(o));
        Object* at = o;
        for (int i = 0; at && i < kMaxProtoChain; ++i, at = at->proto) {
            auto it = at->members.find(name);
            if (it != at->members.end())
                return it->second;
        }
        if (name == "__proto__")
            return Value::Obj(o->proto);
        return Value{};
    }
    default: return Value{};
    }
}

void Machine::SetMember(const Value& object, const std::string& name, const Value& value)
{
    if (object.type == Value::Type::Clip) {
        int p = PropertyIndex(name);
        if (p >= 0)
            stage_.SetProperty(object.text, p, value);
        else if (Object* vars = stage_.Variables(object.text, *this))
            SetMember(Value::Obj(vars), name, value);
        return;
    }
    if (object.type != Value::Type::Object)
        return;
    Object* o = object.object;
    size_t index;
    if (o->isArray && name == "length") {
        double n = ToNumber(value, version_);
        if (std::isfinite(n) && n >= 0)
            o->items.resize(std::min(size_t(n), kMaxArrayLength));
        return;
    }
    if (o->isArray && IsIndex(name, index)) {
        if (index >= kMaxArrayLength)
            return;
        if (index >= o->items.size())
            o->items.resize(index + 1);
        o->items[index] = value;
        return;
    }
    if (name == "__proto__") {
        o->proto = value.type == Value::Type::Object ? value.object : nullptr;
        return;
    }
    if (o->members.size() < kMaxMembers || o->members.count(name))
        o->members[name] = value;
}

Value Machine::GetVariable(Frame& f, const std::string& name)
{
    // "/a/b:x" and "a.b.x" name a variable of a clip; "/a/b" a clip.
    size_t colon = name.rfind(':');
    if (colon != std::string::npos) {
        std::string clip = ResolveClip(f.target, name.substr(0, colon));
        return clip.empty() ? Value{} : GetMember(Value::ClipAt(clip), name.substr(colon + 1));
    }
    if (name.find('/') != std::string::npos) {
        std::string clip = ResolveClip(f.target, name);
        return clip.empty() ? Value{} : Value::ClipAt(clip);
    }
    size_t dot = name.find('.');
    if (dot != std::string::npos && dot > 0) {
        Value at = GetVariable(f, name.substr(0, dot));
        for (size_t i = dot + 1; i <= name.size() && !at.IsUndefined();) {
            size_t j = std::min(name.find('.', i), name.size());
            at = GetMember(at, name.substr(i, j - i));
            i = j + 1;
        }
        return at;
    }
    std::string lower = Lower(name);
    if (lower == "this")
        return f.self.IsUndefined() ? Value::ClipAt(f.target) : f.self;
    if (lower == "_root" || lower == "_level0")
        return Value::ClipAt("_level0");
    if (lower == "_global")
        return Value::Obj(global_);
    if (lower == "_parent") {
        std::string p = ResolveClip(f.target, "_parent");
        return p.empty() ? Value{} : Value::ClipAt(p);
    }
    for (size_t i = f.scope.size(); i-- > 0;) {
        Object* s = f.scope[i];
        if (s->members.count(name))
            return s->members[name];
        if (s != f.locals && !s->isArray && !GetMember(Value::Obj(s), name).IsUndefined())
            return GetMember(Value::Obj(s), name); // a with-object's members, inherited ones too
    }
    if (Object* vars = stage_.Variables(f.target, *this)) {
        auto it = vars->members.find(name);
        if (it != vars->members.end())
            return it->second;
    }
    std::string child = ResolveClip(f.target, name);
    if (!child.empty())
        return Value::ClipAt(child);
    if (int p = PropertyIndex(name); p >= 0)
        return stage_.GetProperty(f.target, p);
    auto it = global_->members.find(name);
    return it == global_->members.end() ? Value{} : it->second;
}

void Machine::SetVariable(Frame& f, const std::string& name, const Value& value)
{
    size_t colon = name.rfind(':');
    if (colon != std::string::npos) {
        std::string clip = ResolveClip(f.target, name.substr(0, colon));
        if (!clip.empty())
            SetMember(Value::ClipAt(clip), name.substr(colon + 1), value);
        return;
    }
    size_t dot = name.rfind('.');
    if (dot != std::string::npos && dot > 0) {
        Value owner = GetVariable(f, name.substr(0, dot));
        SetMember(owner, name.substr(dot + 1), value);
        return;
    }
    for (size_t i = f.scope.size(); i-- > 0;)
        if (f.scope[i]->members.count(name)) {
            f.scope[i]->members[name] = value;
            return;
        }
    if (int p = PropertyIndex(name); p >= 0) {
        stage_.SetProperty(f.target, p, value);
        return;
    }
    if (Object* vars = stage_.Variables(f.target, *this))
        SetMember(Value::Obj(vars), name, value);
}

// Calls ------------------------------------------------------------------------

Value Machine::Call(const Value& function, const Value& self, const std::vector<Value>& args, const std::string& target)
{
    Value r = Invoke(function, self, args, target, nullptr);
    EndUncaught();
    return r;
}

void Machine::CallClipMember(const std::string& clip, const std::string& name)
{
    Object* vars = stage_.Variables(clip, *this);
    if (!vars)
        return;
    auto it = vars->members.find(name);
    if (it != vars->members.end() && it->second.type == Value::Type::Object && it->second.object->Callable())
        Invoke(Value(it->second), Value::ClipAt(clip), {}, clip, nullptr); // a copy: the call may delete the member
    EndUncaught();
}

Value Machine::ReadVariable(const std::string& target, const std::string& name)
{
    Frame f;
    f.origin = f.target = target;
    return GetVariable(f, name);
}

void Machine::WriteVariable(const std::string& target, const std::string& name, const Value& value)
{
    Frame f;
    f.origin = f.target = target;
    SetVariable(f, name, value);
}

Value Machine::Invoke(const Value& function, const Value& self, const std::vector<Value>& args,
                      const std::string& target, Object* constructing)
{
    if (function.type != Value::Type::Object || !function.object->Callable() || steps_ <= 0)
        return Value{};
    if (depth_ >= kMaxCallDepth) {
        ++depthStops_;
        return Value{};
    }
    Object* fo = function.object;
    if (fo->native) {
        ++depth_;
        Value r = fo->native(*this, self, args);
        --depth_;
        return r;
    }
    const Function& fn = *fo->function;
    Object* locals = NewObject();
    if (!locals)
        return Value{};
    Frame f;
    f.code = fn.code;
    f.begin = fn.begin;
    f.end = fn.end;
    f.origin = f.target = stage_.Exists(fn.target) ? fn.target : (target.empty() ? "_level0" : target);
    f.self = self;
    f.scope = fn.scope;
    f.scope.push_back(locals);
    f.locals = locals;
    f.pool = fn.pool;
    f.registers.resize(fn.v2 ? std::max<size_t>(fn.registers, 1) : 4);
    Object* arguments = NewArray();
    if (arguments)
        arguments->items.assign(args.begin(), args.begin() + std::min(args.size(), kMaxArrayLength));
    const Value thisValue = self.IsUndefined() ? Value::ClipAt(f.target) : self;
    if (fn.v2) {
        // Preloaded registers, from 1 in this order: this, arguments, super, _root, _parent, _global.
        size_t r = 1;
        auto preload = [&](bool on, const Value& v) {
            if (on && r < f.registers.size())
                f.registers[r] = v;
            r += on;
        };
        // Flags: this 0x01, arguments 0x04 (0x08 leaves them out), super 0x10, _root 0x40, _parent 0x80, _global 0x100.
        const uint16_t fl = fn.flags;
        preload(fl & 0x0001, thisValue);
        preload(fl & 0x0004, Value::Obj(arguments));
        preload(fl & 0x0010, Value{});
        preload(fl & 0x0040, Value::ClipAt("_level0"));
        preload(fl & 0x0080, Value::ClipAt(ResolveClip(f.target, "_parent")));
        preload(fl & 0x0100, Value::Obj(global_));
        if (!(fl & 0x0008) && arguments)
            locals->members["arguments"] = Value::Obj(arguments);
    } else if (arguments) {
        locals->members["arguments"] = Value::Obj(arguments);
    }
    for (size_t i = 0; i < fn.params.size(); ++i) {
        Value a = i < args.size() ? args[i] : Value{};
        uint8_t reg = i < fn.paramRegisters.size() ? fn.paramRegisters[i] : 0;
        if (reg && reg < f.registers.size())
            f.registers[reg] = a;
        else if (!reg)
            locals->members[fn.params[i]] = a;
    }
    if (constructing)
        f.self = Value::Obj(constructing);
    ++depth_;
    Value r = Execute(f);
    --depth_;
    return r;
}

Value Machine::Construct(const Value& constructor, const std::vector<Value>& args, const std::string& target)
{
    if (constructor.type != Value::Type::Object || !constructor.object->Callable())
        return Value{};
    Object* ctor = constructor.object;
    if (ctor == global_->members["Array"].object) {
        Object* a = NewArray();
        if (!a)
            return Value{};
        if (args.size() == 1 && args[0].type == Value::Type::Number) {
            double n = args[0].number;
            if (std::isfinite(n) && n >= 0)
                a->items.resize(std::min(size_t(n), kMaxArrayLength));
        } else {
            a->items.assign(args.begin(), args.begin() + std::min(args.size(), kMaxArrayLength));
        }
        return Value::Obj(a);
    }
    if (ctor->native)
        return Invoke(constructor, Value{}, args, target, nullptr);
    Object* o = NewObject();
    if (!o)
        return Value{};
    o->proto = PrototypeOf(ctor);
    o->members["__constructor__"] = constructor;
    Value r = Invoke(constructor, Value::Obj(o), args, target, o);
    return r.type == Value::Type::Object ? r : Value::Obj(o);
}

void Machine::Run(const std::vector<uint8_t>& code, const std::string& target)
{
    if (code.empty() || steps_ <= 0)
        return;
    Frame f;
    f.code = std::make_shared<const std::vector<uint8_t>>(code);
    f.begin = 0;
    f.end = code.size();
    f.origin = f.target = target;
    f.registers.resize(4);
    Execute(f);
    EndUncaught();
}

// The collector --------------------------------------------------------------

void Machine::Collect()
{
    if (depth_ > 0 || !stacks_.empty())
        return;
    for (auto& o : objects_)
        o->marked = false;
    std::vector<Object*> work{global_, objectProto_};
    stage_.ForEachVariables([&](Object* o) { work.push_back(o); });
    auto markValue = [&](const Value& v) {
        if (v.type == Value::Type::Object && v.object && !v.object->marked)
            work.push_back(v.object);
    };
    while (!work.empty()) {
        Object* o = work.back();
        work.pop_back();
        if (!o || o->marked)
            continue;
        o->marked = true;
        for (const auto& [k, v] : o->members)
            markValue(v);
        for (const Value& v : o->items)
            markValue(v);
        work.push_back(o->proto);
        if (o->function)
            for (Object* s : o->function->scope)
                work.push_back(s);
    }
    objects_.erase(std::remove_if(objects_.begin(), objects_.end(), [](const auto& o) { return !o->marked; }),
                   objects_.end());
}

// The interpreter ------------------------------------------------------------

Value Machine::Execute(Frame& f)
{
    const int v = version_;
    std::vector<Value> stack;
    stacks_.push_back(&stack);
    struct Guard {
        std::vector<std::vector<Value>*>& s;
        ~Guard() { s.pop_back(); }
    } guard{stacks_};
    // With blocks (their object leaves the scope at their end) and try
    // blocks: [begin, end) is the part running now, the try, catch or finally part.
    struct Block {
        size_t begin = 0, end = 0;
        bool with = false;
        enum Part : uint8_t { Try, Catch, Finally } part = Try;
        bool hasCatch = false, catchInRegister = false;
        uint8_t catchRegister = 0;
        std::string catchName;
        size_t catchBegin = 0, finallyBegin = 0, finallyEnd = 0;
        bool rethrow = false; // a throw waits for the finally part to end
        Value pending;
    };
    std::vector<Block> blocks;

    auto pop = [&]() {
        if (stack.empty())
            return Value{};
        Value x = std::move(stack.back());
        stack.pop_back();
        return x;
    };
    auto push = [&](Value x) {
        if (x.IsString())
            Charge(x.text.size());
        if (stack.size() < kMaxStack)
            stack.push_back(std::move(x));
    };
    auto num = [&](const Value& x) { return ToNumber(x, v); };
    auto str = [&](const Value& x) {
        std::string s = ToString(x, v);
        Charge(s.size());
        return s;
    };
    // SWF 4's operators: undefined and null count 0.
    auto legacyNum = [&](const Value& x) { return ToNumber(x, std::min(v, 6)); };
    auto legacyBool = [&](bool b) { return v >= 5 ? Value::Bool(b) : Value::Num(b ? 1 : 0); };
    auto popArgs = [&]() {
        double n = num(pop());
        size_t count = std::isfinite(n) && n > 0 ? size_t(std::min(n, double(kMaxStack))) : 0;
        std::vector<Value> args;
        for (size_t i = 0; i < count && !stack.empty(); ++i)
            args.push_back(pop());
        return args;
    };
    auto frameOf = [&](const Value& x, const std::string& clip) {
        if (x.IsString()) {
            // "label", "12" or "/clip:label".
            std::string s = x.text;
            int label = stage_.FindLabel(clip, s);
            if (label >= 0)
                return label;
            double n = ToNumber(Value::Str(s), 7);
            return std::isfinite(n) && n >= 1 && n < 65536 ? int(n) - 1 : -1;
        }
        double n = num(x);
        return std::isfinite(n) && n >= 1 && n < 65536 ? int(n) - 1 : -1;
    };

    const uint8_t* data = f.code->data();
    size_t pc = f.begin;
    auto leave = [&]() {
        if (blocks.back().with && !f.scope.empty())
            f.scope.pop_back();
        blocks.pop_back();
    };
    auto enter = [&](Block& b, Block::Part part, size_t begin, size_t end) {
        b.part = part;
        b.begin = pc = begin;
        b.end = end;
    };
    // A throw goes to the catch part of the innermost try around it, else
    // through its finally part; false when no try of this code takes it.
    auto unwind = [&]() {
        while (!blocks.empty()) {
            Block& b = blocks.back();
            if (!b.with && b.part == Block::Try && b.hasCatch) {
                Value caught = std::move(thrown_);
                throwing_ = false;
                thrown_ = Value{};
                enter(b, Block::Catch, b.catchBegin, b.finallyBegin);
                if (b.catchInRegister) {
                    if (b.catchRegister < f.registers.size())
                        f.registers[b.catchRegister] = caught;
                } else if (f.locals) {
                    f.locals->members[b.catchName] = caught;
                } else {
                    SetVariable(f, b.catchName, caught);
                }
                return true;
            }
            if (!b.with && b.part != Block::Finally && b.finallyEnd > b.finallyBegin) {
                b.rethrow = true;
                b.pending = std::move(thrown_);
                throwing_ = false;
                thrown_ = Value{};
                enter(b, Block::Finally, b.finallyBegin, b.finallyEnd);
                return true;
            }
            leave();
        }
        return false;
    };
    for (;;) {
        if (throwing_ && !unwind())
            return Value{};
        while (!blocks.empty() && !throwing_ && (pc >= blocks.back().end || pc < blocks.back().begin)) {
            Block& b = blocks.back();
            if (b.with || pc != b.end) {
                leave(); // a with block's end, or a jump out of a block
            } else if (b.part != Block::Finally && b.finallyEnd > b.finallyBegin) {
                enter(b, Block::Finally, b.finallyBegin, b.finallyEnd);
            } else {
                pc = b.finallyEnd; // past the catch part the try part did not need
                if (b.rethrow) {
                    throwing_ = true;
                    thrown_ = std::move(b.pending);
                }
                leave();
            }
        }
        if (throwing_)
            continue;
        if (pc >= f.end)
            break;
        if (--steps_ < 0) {
            budgetStops_ += !outOfSteps_;
            outOfSteps_ = true;
            return Value{};
        }
        const uint8_t op = data[pc++];
        if (op == 0)
            break;
        const uint8_t* arg = nullptr;
        size_t len = 0;
        if (op >= 0x80) {
            if (f.end - pc < 2)
                break;
            len = size_t(data[pc]) | (size_t(data[pc + 1]) << 8);
            pc += 2;
            if (len > f.end - pc)
                break;
            arg = data + pc;
            pc += len;
        }
        SwfReader a(arg, len);
        switch (op) {
        // Timeline.
        case 0x04:   // NextFrame
        case 0x05: { // PreviousFrame
            double current = ToNumber(stage_.GetProperty(f.target, kCurrentFrame), 7);
            if (std::isfinite(current) && current >= 1)
                stage_.Goto(f.target, int(current) - 1 + (op == 0x04 ? 1 : -1), false);
            break;
        }
        case 0x06: stage_.SetPlaying(f.target, true); break;
        case 0x07: stage_.SetPlaying(f.target, false); break;
        case 0x81: { // GotoFrame, 0-based
            int frame = a.U16();
            if (!a.Failed())
                stage_.Goto(f.target, frame, false);
            break;
        }
        case 0x8C: { // GoToLabel
            int frame = stage_.FindLabel(f.target, a.String());
            if (frame >= 0)
                stage_.Goto(f.target, frame, false);
            break;
        }
        case 0x9F: { // GotoFrame2
            uint8_t flags = a.U8();
            int bias = (flags & 0x02) ? a.U16() : 0;
            Value x = pop();
            std::string clip = f.target;
            if (x.IsString() && x.text.find(':') != std::string::npos) {
                size_t colon = x.text.rfind(':');
                clip = ResolveClip(f.target, x.text.substr(0, colon));
                x = Value::Str(x.text.substr(colon + 1));
            }
            int frame = clip.empty() ? -1 : frameOf(x, clip);
            if (frame >= 0)
                stage_.Goto(clip, frame + bias, flags & 0x01);
            break;
        }
        case 0x8B: { // SetTarget
            std::string t = a.String();
            std::string clip = t.empty() ? f.origin : ResolveClip(f.origin, t);
            f.target = clip.empty() ? f.origin : clip; // a missing target acts on the timeline itself
            break;
        }
        case 0x20: { // SetTarget2
            Value t = pop();
            const std::string name = t.type == Value::Type::Clip ? t.text : str(t);
            std::string clip = t.type == Value::Type::Clip ? name
                               : name.empty()                ? f.origin
                                                             : ResolveClip(f.origin, name);
            f.target = clip.empty() ? f.origin : clip;
            break;
        }
        case 0x83: { // GetURL
            std::string url = a.String();
            stage_.GetURL(url, a.String());
            break;
        }
        case 0x9A: { // GetURL2
            Value target = pop();
            Value url = pop();
            stage_.GetURL(str(url), str(target));
            break;
        }
        case 0x8A: // WaitForFrame: every frame is loaded
            break;
        case 0x8D: // WaitForFrame2
            pop();
            break;
        case 0x22: { // GetProperty
            double index = num(pop());
            Value t = pop();
            std::string clip = t.type == Value::Type::Clip ? t.text : ResolveClip(f.target, str(t));
            const bool known = !clip.empty() && index >= 0 && index < double(kPropertyCount);
            push(known ? stage_.GetProperty(clip, int(index)) : Value{});
            break;
        }
        case 0x23: { // SetProperty
            Value value = pop();
            double index = num(pop());
            Value t = pop();
            std::string clip = t.type == Value::Type::Clip ? t.text : ResolveClip(f.target, str(t));
            if (!clip.empty() && index >= 0 && index < double(kPropertyCount))
                stage_.SetProperty(clip, int(index), value);
            break;
        }
        case 0x45: { // TargetPath
            Value x = pop();
            push(x.type == Value::Type::Clip ? Value::Str(x.text) : Value{});
            break;
        }

        // The stack and constants.
        case 0x88: { // ConstantPool
            auto pool = std::make_shared<std::vector<std::string>>();
            unsigned n = a.U16();
            for (unsigned i = 0; i < n && !a.Failed() && a.Remaining() > 0; ++i)
                pool->push_back(a.String());
            f.pool = std::move(pool);
            break;
        }
        case 0x96: // Push
            while (!a.Failed() && a.Remaining() > 0) {
                Value x;
                const uint8_t type = a.U8();
                switch (type) {
                case 0: x = Value::Str(a.String()); break;
                case 1: {
                    uint32_t bits = a.U32();
                    float fl;
                    std::memcpy(&fl, &bits, 4);
                    x = Value::Num(fl);
                    break;
                }
                case 2: x = Value::Null(); break;
                case 3: break;
                case 4: {
                    unsigned r = a.U8();
                    if (r < f.registers.size())
                        x = f.registers[r];
                    break;
                }
                case 5: x = Value::Bool(a.U8() != 0); break;
                case 6: { // double: the high word first
                    uint64_t hi = a.U32(), lo = a.U32();
                    uint64_t bits = (hi << 32) | lo;
                    double d;
                    std::memcpy(&d, &bits, 8);
                    x = Value::Num(d);
                    break;
                }
                case 7: x = Value::Num(int32_t(a.U32())); break;
                case 8:
                case 9: {
                    unsigned i = type == 8 ? a.U8() : a.U16();
                    x = f.pool && i < f.pool->size() ? Value::Str((*f.pool)[i]) : Value{};
                    break;
                }
                default: a.Skip(a.Remaining()); continue; // an unknown type ends the record
                }
                if (!a.Failed())
                    push(std::move(x));
            }
            break;
        case 0x17: pop(); break;
        case 0x4C: { // PushDuplicate
            Value x = stack.empty() ? Value{} : stack.back();
            push(x);
            break;
        }
        case 0x4D: // StackSwap
            if (stack.size() >= 2)
                std::swap(stack[stack.size() - 1], stack[stack.size() - 2]);
            break;
        case 0x87: { // StoreRegister: the top stays
            unsigned r = a.U8();
            if (!a.Failed() && r < f.registers.size())
                f.registers[r] = stack.empty() ? Value{} : stack.back();
            break;
        }

        // SWF 4 arithmetic, comparison and logic: numbers only.
        case 0x0A:
        case 0x0B:
        case 0x0C:
        case 0x0D: {
            double y = legacyNum(pop()), x = legacyNum(pop());
            double r = op == 0x0A ? x + y : op == 0x0B ? x - y : op == 0x0C ? x * y : x / y;
            if (op == 0x0D && y == 0 && v < 5)
                push(Value::Str("#ERROR#"));
            else
                push(Value::Num(r));
            break;
        }
        case 0x0E: { // Equals
            double y = legacyNum(pop()), x = legacyNum(pop());
            push(legacyBool(x == y));
            break;
        }
        case 0x0F: { // Less
            double y = legacyNum(pop()), x = legacyNum(pop());
            push(legacyBool(x < y));
            break;
        }
        case 0x10:
        case 0x11: { // And, Or
            bool y = ToBoolean(pop(), v), x = ToBoolean(pop(), v);
            push(legacyBool(op == 0x10 ? x && y : x || y));
            break;
        }
        case 0x12: push(legacyBool(!ToBoolean(pop(), v))); break; // Not
        case 0x18: { // ToInteger
            double x = num(pop());
            push(Value::Num(std::isnan(x) ? 0 : std::trunc(x)));
            break;
        }

        // Strings.
        case 0x13: { // StringEquals
            std::string y = str(pop()), x = str(pop());
            push(legacyBool(x == y));
            break;
        }
        case 0x29:   // StringLess
        case 0x68: { // StringGreater
            std::string y = str(pop()), x = str(pop());
            push(legacyBool(op == 0x29 ? x < y : x > y));
            break;
        }
        case 0x21: { // StringAdd
            std::string y = str(pop()), x = str(pop());
            push(Value::Str(Bounded(x + y)));
            break;
        }
        case 0x14:   // StringLength
        case 0x31: { // MBStringLength
            std::string s = str(pop());
            push(Value::Num(double(op == 0x14 && v < 6 ? s.size() : Chars(s, std::max(v, 6)).size())));
            break;
        }
        case 0x15:   // StringExtract: string, 1-based index, count
        case 0x35: { // MBStringExtract
            double count = num(pop()), index = num(pop());
            std::string s = str(pop());
            int cv = op == 0x35 ? std::max(v, 6) : v;
            int64_t start = std::isnan(index) ? 0 : int64_t(std::clamp(index, 1.0, 1e9)) - 1;
            int64_t n = std::isnan(count) ? 0 : count < 0 ? -1 : int64_t(std::min(count, 1e9));
            push(Value::Str(Substring(s, start, n, cv)));
            break;
        }
        case 0x32:   // CharToAscii
        case 0x36: { // MBCharToAscii
            std::vector<uint32_t> c = Chars(str(pop()), op == 0x36 ? std::max(v, 6) : v);
            push(c.empty() ? Value::Num(kNaN) : Value::Num(c[0]));
            break;
        }
        case 0x33:   // AsciiToChar
        case 0x37: { // MBAsciiToChar
            double x = num(pop());
            std::string s;
            if (std::isfinite(x) && x > 0)
                AppendChar(s, uint32_t(std::min(x, 1114111.0)), op == 0x37 ? std::max(v, 6) : v);
            push(Value::Str(s));
            break;
        }

        // SWF 5 operators: the types decide.
        case 0x47: { // Add2
            Value y = pop(), x = pop();
            auto prim = [&](const Value& z) {
                return z.type == Value::Type::Object || z.type == Value::Type::Clip ? Value::Str(str(z)) : z;
            };
            Value px = prim(x), py = prim(y);
            if (px.IsString() || py.IsString())
                push(Value::Str(Bounded(str(px) + str(py))));
            else
                push(Value::Num(num(px) + num(py)));
            break;
        }
        case 0x48: { // Less2
            Value y = pop(), x = pop();
            push(LessThan(x, y, v));
            break;
        }
        case 0x67: { // Greater
            Value y = pop(), x = pop();
            push(LessThan(y, x, v));
            break;
        }
        case 0x49: { // Equals2
            Value y = pop(), x = pop();
            push(Value::Bool(LooseEquals(x, y, v)));
            break;
        }
        case 0x66: { // StrictEquals
            Value y = pop(), x = pop();
            push(Value::Bool(StrictEquals(x, y)));
            break;
        }
        case 0x3F: { // Modulo
            double y = num(pop()), x = num(pop());
            push(Value::Num(std::fmod(x, y)));
            break;
        }
        case 0x50: push(Value::Num(num(pop()) + 1)); break; // Increment
        case 0x51: push(Value::Num(num(pop()) - 1)); break; // Decrement
        case 0x60:
        case 0x61:
        case 0x62:
        case 0x63:
        case 0x64:
        case 0x65: {
            int32_t y = ToInt32(num(pop())), x = ToInt32(num(pop()));
            uint32_t shift = uint32_t(y) & 31;
            double r = op == 0x60   ? double(x & y)
                       : op == 0x61 ? double(x | y)
                       : op == 0x62 ? double(x ^ y)
                       : op == 0x63 ? double(int32_t(uint32_t(x) << shift))
                       : op == 0x64 ? double(x >> shift)
                                    : double(uint32_t(x) >> shift);
            push(Value::Num(r));
            break;
        }
        case 0x4A: push(Value::Num(num(pop()))); break;  // ToNumber
        case 0x4B: push(Value::Str(str(pop()))); break;  // ToString
        case 0x44: push(Value::Str(TypeOf(pop()))); break; // TypeOf
        case 0x30: { // RandomNumber: an integer below the maximum
            double max = num(pop());
            random_ ^= random_ << 13;
            random_ ^= random_ >> 7;
            random_ ^= random_ << 17;
            double unit = double(random_ >> 11) / 9007199254740992.0;
            push(Value::Num(std::isfinite(max) && max > 0 ? std::floor(unit * std::floor(max)) : 0));
            break;
        }
        case 0x34: push(Value::Num(std::floor(stage_.Timer()))); break; // GetTime

        // Variables.
        case 0x1C: push(GetVariable(f, str(pop()))); break;
        case 0x1D: {
            Value value = pop();
            SetVariable(f, str(pop()), value);
            break;
        }
        case 0x3C: { // DefineLocal
            Value value = pop();
            std::string name = str(pop());
            if (f.locals)
                f.locals->members[name] = value;
            else
                SetVariable(f, name, value);
            break;
        }
        case 0x41: { // DefineLocal2
            std::string name = str(pop());
            if (f.locals && !f.locals->members.count(name))
                f.locals->members[name] = Value{};
            break;
        }
        case 0x3A: { // Delete
            std::string name = str(pop());
            Value o = pop();
            bool done = o.type == Value::Type::Object && o.object->members.erase(name) > 0;
            push(Value::Bool(done));
            break;
        }
        case 0x3B: { // Delete2
            std::string name = str(pop());
            bool done = false;
            for (size_t i = f.scope.size(); i-- > 0 && !done;)
                done = f.scope[i]->members.erase(name) > 0;
            if (!done)
                if (Object* vars = stage_.Variables(f.target, *this))
                    done = vars->members.erase(name) > 0;
            push(Value::Bool(done));
            break;
        }

        // Objects and arrays.
        case 0x4E: { // GetMember
            std::string name = str(pop());
            Value o = pop();
            push(GetMember(o, name));
            break;
        }
        case 0x4F: { // SetMember
            Value value = pop();
            std::string name = str(pop());
            Value o = pop();
            SetMember(o, name, value);
            break;
        }
        case 0x42: { // InitArray: the first element is on top
            std::vector<Value> items = popArgs();
            Object* o = NewArray();
            if (o)
                o->items.assign(items.begin(), items.begin() + std::min(items.size(), kMaxArrayLength));
            push(Value::Obj(o));
            break;
        }
        case 0x43: { // InitObject: value above name, for each member
            double n = num(pop());
            size_t count = std::isfinite(n) && n > 0 ? size_t(std::min(n, double(kMaxStack))) : 0;
            Object* o = NewObject();
            for (size_t i = 0; i < count && !stack.empty(); ++i) {
                Value value = pop();
                std::string name = str(pop());
                if (o)
                    SetMember(Value::Obj(o), name, value);
            }
            push(Value::Obj(o));
            break;
        }
        case 0x40: { // NewObject
            std::string name = str(pop());
            std::vector<Value> args = popArgs();
            Value ctor = GetVariable(f, name);
            if (name == "Object" || (name != "Array" && ctor.IsUndefined()))
                push(name == "Object" ? Value::Obj(NewObject()) : Value{});
            else
                push(Construct(ctor, args, f.target));
            break;
        }
        case 0x53: { // NewMethod
            Value name = pop();
            Value o = pop();
            std::vector<Value> args = popArgs();
            std::string n = str(name);
            push(Construct(n.empty() ? o : GetMember(o, n), args, f.target));
            break;
        }
        case 0x46:   // Enumerate
        case 0x55: { // Enumerate2
            Value o = op == 0x46 ? GetVariable(f, str(pop())) : pop();
            push(Value::Null());
            if (o.type == Value::Type::Clip)
                if (Object* vars = stage_.Variables(o.text, *this))
                    o = Value::Obj(vars);
            if (o.type == Value::Type::Object) {
                for (size_t i = o.object->items.size(); i-- > 0;)
                    push(Value::Str(NumberToString(double(i))));
                for (const auto& [k, x] : o.object->members)
                    push(Value::Str(k));
            }
            break;
        }
        case 0x54: { // InstanceOf
            Value ctor = pop();
            Value o = pop();
            bool is = false;
            if (ctor.type == Value::Type::Object && o.type == Value::Type::Object && ctor.object->Callable()) {
                Object* proto = PrototypeOf(ctor.object);
                Object* at = o.object->proto;
                for (int i = 0; at && i < kMaxProtoChain && !is; ++i, at = at->proto)
                    is = at == proto;
            }
            push(Value::Bool(is));
            break;
        }
        case 0x69: { // Extends
            Value super = pop();
            Value sub = pop();
            if (super.type == Value::Type::Object && sub.type == Value::Type::Object && super.object->Callable() &&
                sub.object->Callable()) {
                Object* proto = NewObject();
                if (proto) {
                    proto->proto = PrototypeOf(super.object);
                    proto->members["__constructor__"] = super;
                    sub.object->members["prototype"] = Value::Obj(proto);
                }
            }
            break;
        }
        case 0x2B: { // CastOp
            Value o = pop();
            pop();
            push(o);
            break;
        }
        case 0x2C: { // ImplementsOp
            pop();
            popArgs();
            break;
        }

        // Functions.
        case 0x9B:   // DefineFunction
        case 0x8E: { // DefineFunction2
            auto fn = std::make_unique<Function>();
            std::string name = a.String();
            unsigned params = a.U16();
            fn->v2 = op == 0x8E;
            if (fn->v2) {
                fn->registers = a.U8();
                fn->flags = a.U16(); // the first byte holds the low bits
            }
            for (unsigned i = 0; i < params && !a.Failed(); ++i) {
                fn->paramRegisters.push_back(fn->v2 ? a.U8() : 0);
                fn->params.push_back(a.String());
            }
            size_t size = a.U16();
            if (a.Failed() || size > f.end - pc)
                return Value{}; // a damaged definition: its body cannot be found
            fn->code = f.code;
            fn->begin = pc;
            fn->end = pc + size;
            fn->scope = f.scope;
            fn->target = f.target;
            fn->pool = f.pool;
            pc += size;
            Object* o = NewObject();
            if (o) {
                o->function = std::move(fn);
                PrototypeOf(o);
            }
            if (name.empty())
                push(Value::Obj(o));
            else if (o)
                SetVariable(f, name, Value::Obj(o));
            break;
        }
        case 0x3D: { // CallFunction
            std::string name = str(pop());
            std::vector<Value> args = popArgs();
            push(Invoke(GetVariable(f, name), Value{}, args, f.target, nullptr));
            break;
        }
        case 0x52: { // CallMethod
            Value name = pop();
            Value o = pop();
            std::vector<Value> args = popArgs();
            std::string n = str(name);
            if (n.empty() || name.IsUndefined())
                push(Invoke(o, Value{}, args, f.target, nullptr));
            else
                push(Invoke(GetMember(o, n), o, args, f.target, nullptr));
            break;
        }
        case 0x3E: return pop(); // Return
        case 0x94: { // With
            size_t size = a.U16();
            Value o = pop();
            if (o.type == Value::Type::Clip)
                if (Object* vars = stage_.Variables(o.text, *this))
                    o = Value::Obj(vars);
            if (!a.Failed() && size <= f.end - pc && o.type == Value::Type::Object) {
                f.scope.push_back(o.object);
                Block b;
                b.begin = pc;
                b.end = pc + size;
                b.with = true;
                blocks.push_back(std::move(b));
            }
            break;
        }
        case 0x8F: { // Try: flags, the sizes of the try, catch and finally parts, where the catch puts its value
            Block b;
            const uint8_t flags = a.U8();
            const size_t trySize = a.U16(), catchSize = a.U16(), finallySize = a.U16();
            b.hasCatch = flags & 0x01;
            b.catchInRegister = flags & 0x04;
            if (b.catchInRegister)
                b.catchRegister = a.U8();
            else
                b.catchName = a.String();
            if (a.Failed() || trySize + catchSize + finallySize > f.end - pc)
                return Value{}; // parts that do not fit: where the code goes on is unknown
            b.begin = pc;
            b.end = b.catchBegin = pc + trySize;
            b.finallyBegin = b.catchBegin + catchSize;
            b.finallyEnd = b.finallyBegin + finallySize;
            blocks.push_back(std::move(b));
            break;
        }
        case 0x2A: // Throw
            thrown_ = pop();
            throwing_ = true;
            break;

        // Jumps.
        case 0x99:   // Jump
        case 0x9D: { // If
            int16_t offset = a.S16();
            bool take = op == 0x99 || ToBoolean(pop(), v);
            if (a.Failed() || !take)
                break;
            int64_t to = int64_t(pc) + offset;
            if (to < int64_t(f.begin) || to > int64_t(f.end))
                return Value{}; // out of the block: it ends
            pc = size_t(to);
            break;
        }

        // Passed over, with their operands.
        case 0x26: pop(); break; // Trace
        case 0x9E: pop(); break; // Call
        case 0x24: pop(); pop(); pop(); break; // CloneSprite
        case 0x25: pop(); break; // RemoveSprite
        case 0x27: { // StartDrag
            pop();
            pop();
            if (ToBoolean(pop(), v))
                for (int i = 0; i < 4; ++i)
                    pop();
            break;
        }
        default: break; // sounds, quality, drag end and what later versions added
        }
    }
    return Value{};
}

} // namespace glint::flash::action
