// The action machine: each operation's results by the ActionScript 1/2
// rules, names with paths, functions, objects, and the limits that keep a
// hostile movie from hanging or exhausting the player.
#include "flash/action/Machine.h"
#include "flash/testing/SwfWriter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <string>

using namespace glint::flash;
using namespace glint::flash::action;
using glint::flash::testing::ActionBuilder;

namespace {

// Three clips, "_level0" holding "a" holding "b"; records what actions ask of them.
class FakeStage : public Stage {
public:
    std::map<std::string, Object*> vars;
    std::map<std::string, double> x; // _x of each clip
    std::map<std::string, bool> playing;
    std::map<std::string, int> gotoFrame;

    bool Exists(const std::string& c) override { return c == "_level0" || c == "_level0.a" || c == "_level0.a.b"; }
    Object* Variables(const std::string& c, Machine& m) override
    {
        if (!Exists(c))
            return nullptr;
        Object*& v = vars[c];
        if (!v)
            v = m.NewObject();
        return v;
    }
    Value GetProperty(const std::string& c, int p) override
    {
        if (p == kCurrentFrame)
            return Value::Num(3);
        return p == kX ? Value::Num(x[c]) : Value{};
    }
    void SetProperty(const std::string& c, int p, const Value& v) override
    {
        if (p == kX)
            x[c] = ToNumber(v, 8);
    }
    int FindLabel(const std::string&, const std::string& label) override { return label == "intro" ? 7 : -1; }
    void Goto(const std::string& c, int frame, bool play) override
    {
        gotoFrame[c] = frame;
        playing[c] = play;
    }
    void SetPlaying(const std::string& c, bool p) override { playing[c] = p; }
    void GetURL(const std::string&, const std::string&) override {}
    double Timer() override { return 1234.5; }
    void ForEachVariables(const std::function<void(Object*)>& f) override
    {
        for (auto& [path, v] : vars)
            if (v)
                f(v);
    }
};

struct Sandbox {
    FakeStage stage;
    Machine machine;
    explicit Sandbox(int version = 8) : machine(stage, version) {}
    void Run(const ActionBuilder& code, const std::string& clip = "_level0") { machine.Run(code.Bytes(), clip); }
    Value Get(const std::string& name, const std::string& clip = "_level0")
    {
        return machine.GetMember(Value::ClipAt(clip), name);
    }
    // Runs the code on the main timeline and gives its variable "r".
    Value Result(const ActionBuilder& code)
    {
        Run(code);
        return Get("r");
    }
};

// r = <the value the code leaves>
ActionBuilder R(const ActionBuilder& value) { return ActionBuilder().PushString("r").Append(value).Op(0x1D); }
// r = <two values> <op>
ActionBuilder Binary(ActionBuilder lhs, const ActionBuilder& rhs, uint8_t op) { return R(lhs.Append(rhs).Op(op)); }
// r = <value> <op>
ActionBuilder Unary(ActionBuilder x, uint8_t op) { return R(x.Op(op)); }
ActionBuilder S(const std::string& s) { return ActionBuilder().PushString(s); }
ActionBuilder N(double n) { return ActionBuilder().PushDouble(n); }
ActionBuilder U() { return ActionBuilder().PushUndefined(); }

std::string Show(const Value& v) { return std::string(TypeOf(v)) + ":" + ToString(v, 8); }

TEST(Action, OperatorsFollowTheConversionRules)
{
    struct Case {
        const char* what;
        int version;
        ActionBuilder code;
        std::string expected; // type:text
    };
    const Case cases[] = {
        {"Add2 string + number joins", 8, Binary(S("5"), N(3), 0x47), "string:53"},
        {"legacy Add takes numbers", 8, Binary(S("5"), N(3), 0x0A), "number:8"},
        {"Add2 undefined + number (SWF 7)", 7, Binary(U(), N(1), 0x47), "number:NaN"},
        {"Add2 undefined + number (SWF 6)", 6, Binary(U(), N(1), 0x47), "number:1"},
        {"legacy Add undefined counts 0", 8, Binary(U(), N(1), 0x0A), "number:1"},
        {"legacy Add in SWF 4: text without digits is 0", 4, Binary(S("abc"), N(2), 0x0A), "number:2"},
        {"Add2 undefined + string (SWF 6)", 6, Binary(U(), S("x"), 0x47), "string:x"},
        {"Add2 undefined + string (SWF 7)", 7, Binary(U(), S("x"), 0x47), "string:undefinedx"},
        {"Subtract converts text", 8, Binary(S("10"), S("4"), 0x0B), "number:6"},
        {"Less2 of two strings compares text", 8, Binary(S("10"), S("9"), 0x48), "boolean:true"},
        {"Less2 of string and number compares numbers", 8, Binary(S("10"), N(9), 0x48), "boolean:false"},
        {"Less2 with NaN is undefined", 8, Binary(S("a"), N(1), 0x48), "undefined:undefined"},
        {"Greater", 8, Binary(N(2), S("1.5"), 0x67), "boolean:true"},
        {"Equals2 string and number", 8, Binary(S("5"), N(5), 0x49), "boolean:true"},
        {"Equals2 null and undefined", 8, Binary(ActionBuilder().PushNull(), U(), 0x49), "boolean:true"},
        {"Equals2 null and 0", 8, Binary(ActionBuilder().PushNull(), N(0), 0x49), "boolean:false"},
        {"Equals2 boolean and number", 8, Binary(ActionBuilder().PushBool(true), N(1), 0x49), "boolean:true"},
        {"Equals2 NaN and NaN", 8, Binary(N(NAN), N(NAN), 0x49), "boolean:false"},
        {"StrictEquals string and number", 8, Binary(S("5"), N(5), 0x66), "boolean:false"},
        {"legacy Equals in SWF 4 gives a number", 4, Binary(S("2"), N(2), 0x0E), "number:1"},
        {"StringEquals", 8, Binary(S("ab"), S("ab"), 0x13), "boolean:true"},
        {"StringLess", 8, Binary(S("B"), S("a"), 0x29), "boolean:true"},
        {"StringAdd", 8, Binary(S("ab"), N(1), 0x21), "string:ab1"},
        {"Modulo", 8, Binary(N(-7), N(3), 0x3F), "number:-1"},
        {"Divide by zero", 8, Binary(N(1), N(0), 0x0D), "number:Infinity"},
        {"BitURShift", 8, Binary(N(-1), N(28), 0x65), "number:15"},
        {"BitLShift wraps to 32 bits", 8, Binary(N(1), N(31), 0x63), "number:-2147483648"},
        {"BitAnd of fractions", 8, Binary(N(7.9), S("3"), 0x60), "number:3"},
        {"15 significant digits", 8, Binary(N(0.1), N(0.2), 0x47), "number:0.3"},
        {"big numbers in exponent form", 8, Binary(N(1e20), N(10), 0x0C), "number:1e+21"},
        {"small numbers in exponent form", 8, Binary(N(1e-6), N(10), 0x0D), "number:1e-7"},
        {"hex text as a number", 8, Binary(S("0x10"), N(1), 0x0B), "number:15"},
        {"text with trailing letters is NaN", 8, Binary(S("12px"), N(1), 0x0B), "number:NaN"},
        {"ToInteger truncates", 8, Unary(N(-2.7), 0x18), "number:-2"},
        {"Not of a text (SWF 7)", 7, Unary(S("0"), 0x12), "boolean:false"},
        {"Not of a text (SWF 6 reads it as a number)", 6, Unary(S("0"), 0x12), "boolean:true"},
        {"StringLength counts characters", 8, Unary(S("h\xC3\xA9llo"), 0x14), "number:5"},
        {"StringLength counts bytes in SWF 5", 5, Unary(S("h\xC3\xA9llo"), 0x14), "number:6"},
        {"StringExtract is 1-based", 8, R(S("abcdef").PushNumber(2).PushNumber(3).Op(0x15)), "string:bcd"},
        {"StringExtract past the end", 8, R(S("abc").PushNumber(3).PushNumber(10).Op(0x15)), "string:c"},
        {"MBStringExtract of a multi-byte text", 5, R(S("\xC3\xA9t\xC3\xA9").PushNumber(2).PushNumber(2).Op(0x35)),
         "string:t\xC3\xA9"},
        {"CharToAscii", 8, Unary(S("A"), 0x32), "number:65"},
        {"MBAsciiToChar", 8, Unary(N(233), 0x37), "string:\xC3\xA9"},
        {"typeof null", 8, Unary(ActionBuilder().PushNull(), 0x44), "string:null"},
        {"typeof a clip", 8, Unary(S("a").Op(0x1C), 0x44), "string:movieclip"},
        {"typeof a function", 8, Unary(ActionBuilder().Function("", {}, ActionBuilder()), 0x44), "string:function"},
        {"typeof a missing variable", 8, Unary(S("nope").Op(0x1C), 0x44), "string:undefined"},
        {"String methods", 8,
         R(ActionBuilder().PushNumber(3).PushNumber(1).PushNumber(2).PushString("abcdef").PushString("substr")
               .Op(0x52)),
         "string:bcd"},
        {"String length", 8, R(S("abc").PushString("length").Op(0x4E)), "number:3"},
    };
    for (const Case& c : cases) {
        Sandbox run(c.version);
        EXPECT_EQ(Show(run.Result(c.code)), c.expected) << c.what;
    }
}

TEST(Action, BranchesAndRegisters)
{
    // r = 0; i = 5; while (i > 0) { r = r + i; i = i - 1 } with i kept in register 1.
    ActionBuilder body;
    body.PushString("r").PushString("r").Op(0x1C).PushRegister(1).Op(0x47).Op(0x1D);
    body.PushRegister(1).PushNumber(1).Op(0x0B).Raw(0x87, {1}).Op(0x17);
    ActionBuilder loop;
    loop.PushString("r").PushNumber(0).Op(0x1D).PushNumber(5).Raw(0x87, {1}).Op(0x17);
    const size_t top = loop.Size();
    loop.PushNumber(0).PushRegister(1).Op(0x48).Op(0x12); // !(0 < i)
    loop.If(int16_t(body.Size() + 5));
    loop.Append(body);
    loop.Jump(int16_t(int(top) - int(loop.Size() + 5)));
    Sandbox run;
    EXPECT_EQ(Show(run.Result(loop)), "number:15");
}

TEST(Action, VariablesWithPathsAndTargets)
{
    Sandbox run;
    EXPECT_EQ(Show(run.Result(ActionBuilder()
                                  .PushString("/a/b:v").PushNumber(1).Op(0x1D)           // slash path
                                  .PushString("_root.a.w").PushNumber(2).Op(0x1D)        // dot path
                                  .PushString("a").PushNumber(0).PushNumber(42).Op(0x23) // setProperty(a, _x, 42)
                                  .Raw(0x8B, {'a', '/', 'b', 0}).Op(0x07)                // tellTarget("a/b") stop()
                                  .Raw(0x8B, {0}).Op(0x06) // back on the main timeline: play()
                                  .PushString("r").PushString("/a:w").Op(0x1C).PushString("_level0.a.b.v").Op(0x1C)
                                  .Op(0x47).Op(0x1D))),
              "number:3");
    EXPECT_EQ(run.stage.x["_level0.a"], 42);
    EXPECT_EQ(run.stage.playing, (std::map<std::string, bool>{{"_level0", true}, {"_level0.a.b", false}}));
    // A variable seen from inside a clip, _parent and a missing clip.
    run.Run(Unary(S("_parent.w"), 0x1C).PushString("/nowhere:x").PushNumber(5).Op(0x1D), "_level0.a.b");
    EXPECT_EQ(Show(run.Get("r", "_level0.a.b")), "number:2");
}

TEST(Action, TimelineActions)
{
    Sandbox run;
    // gotoAndStop("intro") on a; gotoAndPlay(2) through GotoFrame2; nextFrame from frame 3.
    run.Run(ActionBuilder().PushString("a:intro").GotoFrame2(false).PushNumber(2).GotoFrame2(true));
    EXPECT_EQ(run.stage.gotoFrame["_level0.a"], 7);
    EXPECT_FALSE(run.stage.playing["_level0.a"]);
    EXPECT_EQ(run.stage.gotoFrame["_level0"], 1);
    EXPECT_TRUE(run.stage.playing["_level0"]);
    run.Run(ActionBuilder().NextFrame(), "_level0.a.b");
    EXPECT_EQ(run.stage.gotoFrame["_level0.a.b"], 3); // 0-based frame after frame 3
    EXPECT_EQ(Show(run.Result(ActionBuilder().PushString("r").Op(0x34).Op(0x1D))), "number:1234");
}

TEST(Action, FunctionsObjectsAndArrays)
{
    Sandbox run;
    // function add(a, b) { return a + b }  r = add(2, 3) * 10
    ActionBuilder add;
    add.PushString("a").Op(0x1C).PushString("b").Op(0x1C).Op(0x47).Op(0x3E);
    ActionBuilder code;
    code.Function("add", {"a", "b"}, add);
    code.PushString("r").PushNumber(3).PushNumber(2).PushNumber(2).PushString("add").Op(0x3D).PushNumber(10).Op(0x0C)
        .Op(0x1D);
    EXPECT_EQ(Show(run.Result(code)), "number:50");

    // o = {k: 6}; o.m = function(a) { return this.k * a } as DefineFunction2
    // with this preloaded in register 1 and a in register 2; r = o.m(4).
    ActionBuilder body;
    body.PushRegister(1).PushString("k").Op(0x4E).PushRegister(2).Op(0x0C).Op(0x3E);
    const std::vector<uint8_t> def{0, 1, 0, 3, 0x01, 0x00, 2, 'a', 0, uint8_t(body.Size()), 0};
    ActionBuilder objects;
    objects.PushString("o").PushString("k").PushNumber(6).PushNumber(1).Op(0x43).Op(0x1D);
    objects.PushString("o").Op(0x1C).PushString("m").Raw(0x8E, def).Append(body).Op(0x4F);
    objects.PushString("r").PushNumber(4).PushNumber(1).PushString("o").Op(0x1C).PushString("m").Op(0x52).Op(0x1D);
    EXPECT_EQ(Show(run.Result(objects)), "number:24");

    // a = [1, "x", 3]; a[5] = 9; r = a.length + ":" + a.join("-")
    ActionBuilder arrays;
    arrays.PushString("a").PushNumber(3).PushString("x").PushNumber(1).PushNumber(3).Op(0x42).Op(0x1D);
    arrays.PushString("a").Op(0x1C).PushNumber(5).PushNumber(9).Op(0x4F);
    arrays.PushString("r").PushString("a").Op(0x1C).PushString("length").Op(0x4E).PushString(":").Op(0x47);
    arrays.PushString("-").PushNumber(1).PushString("a").Op(0x1C).PushString("join").Op(0x52).Op(0x47).Op(0x1D);
    EXPECT_EQ(Show(run.Result(arrays)), "string:6:1-x-3---9");

    // new Array(4).length, an index beyond the ceiling is refused, Math.floor(-1.5)
    ActionBuilder more;
    more.PushString("b").PushNumber(4).PushNumber(1).PushString("Array").Op(0x40).Op(0x1D);
    more.PushString("b").Op(0x1C).PushNumber(int32_t(Machine::kMaxArrayLength)).PushNumber(1).Op(0x4F);
    more.PushString("r").PushString("b").Op(0x1C).PushString("length").Op(0x4E);
    more.PushDouble(-1.5).PushNumber(1).PushString("Math").Op(0x1C).PushString("floor").Op(0x52).Op(0x47).Op(0x1D);
    EXPECT_EQ(Show(run.Result(more)), "number:2");
}

TEST(Action, LimitsStopHostileCode)
{
    // An endless loop stops at the step budget; the next frame runs again.
    Sandbox run;
    run.Run(ActionBuilder().Jump(-5));
    EXPECT_EQ(run.machine.BudgetStops(), 1);
    run.machine.BeginFrame();
    EXPECT_EQ(Show(run.Result(ActionBuilder().PushString("r").PushNumber(1).Op(0x1D))), "number:1");

    // function f() { n = n + 1; f() } stops at the call depth.
    ActionBuilder f;
    f.PushString("n").PushString("n").Op(0x1C).PushNumber(1).Op(0x47).Op(0x1D);
    f.PushNumber(0).PushString("f").Op(0x3D).Op(0x17);
    run.Run(ActionBuilder().PushString("n").PushNumber(0).Op(0x1D).Function("f", {}, f).PushNumber(0).PushString("f")
                .Op(0x3D));
    EXPECT_EQ(run.machine.DepthStops(), 1);
    EXPECT_EQ(Show(run.Get("n")), "number:" + std::to_string(Machine::kMaxCallDepth));

    // s = "ab"; doubled 21 times stays within the text ceiling.
    ActionBuilder grow;
    grow.PushString("s").PushString("ab").Op(0x1D);
    for (int i = 0; i < 21; ++i)
        grow.PushString("s").PushString("s").Op(0x1C).PushString("s").Op(0x1C).Op(0x47).Op(0x1D);
    run.machine.BeginFrame();
    run.Run(grow);
    EXPECT_EQ(run.Get("s").text.size(), Machine::kMaxStringLength);
    // Copying the longest texts for ever costs steps by their length: it ends soon, not after
    // a budget's worth of megabyte copies.
    ActionBuilder copying;
    copying.PushString("s").PushString("s").Op(0x1C).PushString("s").Op(0x1C).Op(0x47).Op(0x1D);
    copying.Jump(int16_t(-int(copying.Size()) - 5));
    run.machine.BeginFrame();
    run.Run(copying);
    EXPECT_EQ(run.machine.BudgetStops(), 2);

    // Objects no clip reaches are freed; those a clip keeps stay.
    ActionBuilder garbage;
    garbage.PushString("kept").PushNumber(0).Op(0x43).Op(0x1D);
    for (int i = 0; i < 100; ++i)
        garbage.PushNumber(0).Op(0x43).Op(0x17);
    run.machine.BeginFrame();
    run.Run(garbage);
    const size_t before = run.machine.LiveObjects();
    run.machine.Collect();
    EXPECT_LE(run.machine.LiveObjects(), before - 100);
    EXPECT_EQ(TypeOf(run.Get("kept")), std::string("object"));
}

// try { body } catch (name or register) { onCatch } finally { onFinally }; a
// part left out is not written (its size 0, its flag clear).
ActionBuilder Try(const ActionBuilder& body, const ActionBuilder* onCatch, const ActionBuilder* onFinally,
                  const std::string& name = "e", int reg = -1)
{
    const size_t c = onCatch ? onCatch->Size() : 0, f = onFinally ? onFinally->Size() : 0;
    std::vector<uint8_t> a{uint8_t((onCatch ? 1 : 0) | (onFinally ? 2 : 0) | (reg >= 0 ? 4 : 0)),
                           uint8_t(body.Size()), uint8_t(body.Size() >> 8), uint8_t(c), uint8_t(c >> 8),
                           uint8_t(f), uint8_t(f >> 8)};
    const std::string where = reg >= 0 ? std::string(1, char(reg)) : name + '\0'; // register, or name
    a.insert(a.end(), where.begin(), where.end());
    ActionBuilder out;
    out.Raw(0x8F, a).Append(body);
    if (onCatch)
        out.Append(*onCatch);
    if (onFinally)
        out.Append(*onFinally);
    return out;
}

// r = r + <value pushed by `v`>
ActionBuilder AddToR(const ActionBuilder& v) { return Binary(S("r").Op(0x1C), v, 0x47); }

TEST(Action, ThrowsUnwindToTheNearestTryAcrossCalls)
{
    const ActionBuilder throwX = S("x").Op(0x2A);
    const ActionBuilder catchE = AddToR(S("e").Op(0x1C)), fin = AddToR(S("f"));
    const ActionBuilder catchReg = AddToR(ActionBuilder().PushRegister(3));
    const ActionBuilder body = AddToR(S("b"));
    // function thrower() { throw "x" }
    const ActionBuilder callThrower = ActionBuilder().Function("thrower", {}, throwX).PushNumber(0)
                                          .PushString("thrower").Op(0x3D).Op(0x17);
    const ActionBuilder inner = Try(throwX, nullptr, &fin);
    struct Case {
        const char* name;
        ActionBuilder code;
        const char* want; // r, which starts as ""; "!" is added after the try
    } cases[] = {
        {"caught by name", Try(ActionBuilder(body).Append(throwX).Append(body), &catchE, nullptr), "bx!"},
        {"caught in a register", Try(throwX, &catchReg, nullptr, "", 3), "x!"},
        {"no throw: the catch part is passed over, finally runs", Try(body, &catchE, &fin), "bf!"},
        {"thrown inside a called function", Try(ActionBuilder(callThrower).Append(body), &catchE, &fin), "xf!"},
        {"finally, then on to the outer catch", Try(ActionBuilder(inner).Append(body), &catchE, nullptr), "fx!"},
        {"a throw in the catch part goes through finally", Try(throwX, &throwX, &fin), "f"},
    };
    for (const Case& c : cases) {
        Sandbox run;
        run.Run(ActionBuilder().PushString("r").PushString("").Op(0x1D).Append(c.code).Append(AddToR(S("!"))));
        EXPECT_EQ(ToString(run.Get("r"), 8), c.want) << c.name;
        // An uncaught throw ends its action list only: the next one runs.
        EXPECT_EQ(Show(run.Result(ActionBuilder().PushString("r").PushNumber(1).Op(0x1D))), "number:1") << c.name;
    }
}

TEST(Action, NamesIgnoreCaseBeforeVersion7)
{
    // Score = 1; o = {}; o.Key = 2; r = score + ":" + o.key
    ActionBuilder code;
    code.PushString("Score").PushNumber(1).Op(0x1D);
    code.PushString("o").PushNumber(0).Op(0x43).Op(0x1D);
    code.PushString("o").Op(0x1C).PushString("Key").PushNumber(2).Op(0x4F);
    code.PushString("r").PushString("score").Op(0x1C).PushString(":").Op(0x47);
    code.PushString("o").Op(0x1C).PushString("key").Op(0x4E).Op(0x47).Op(0x1D);
    EXPECT_EQ(Show(Sandbox(6).Result(code)), "string:1:2");
    EXPECT_EQ(Show(Sandbox(7).Result(code)), "string:undefined:undefined");
}

TEST(Action, DamagedCodeEndsQuietly)
{
    const std::vector<std::vector<uint8_t>> damaged = {
        {0x96, 0x09, 0x00, 0x00, 'a'},        // a record longer than the block
        {0x99, 0x02, 0x00, 0x00, 0x80},       // a jump out of the block
        {0x9B, 0x05, 0x00, 'f', 0, 0, 0, 50}, // a function longer than the block
        {0x96, 0x02, 0x00, 0x08, 0x07},       // a constant that is not in the pool
        {0x3D, 0x52, 0x4F, 0x43, 0x42, 0x15}, // operations on an empty stack
        {0x8F, 0x08, 0x00, 0x01, 0x40, 0x00, 0x00, 0x00, 0x00, 0x00}, // a try longer than the block
    };
    for (const auto& code : damaged) {
        Sandbox run;
        run.machine.Run(code, "_level0");
        EXPECT_EQ(Show(run.Result(ActionBuilder().PushString("r").PushNumber(1).Op(0x1D))), "number:1");
    }
}

} // namespace
