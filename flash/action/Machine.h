#pragma once
// The ActionScript 1/2 stack machine: runs the action records of DoAction,
// DoInitAction, button and clip events. It knows nothing of pixels: it reaches
// the clips through a Stage, by absolute target paths ("_level0" for the main
// timeline, "_level0.a.b" for clip b inside clip a).
//
// A hostile movie cannot hang or exhaust the player through it: the actions
// run a frame are bounded (kStepsPerFrame), calls nest at most kMaxCallDepth
// deep, and objects, arrays and strings have ceilings.
#include "flash/action/Value.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace glint::flash::action {

// Clip properties by their GetProperty/SetProperty index.
enum Property : int {
    kX = 0, kY, kXScale, kYScale, kCurrentFrame, kTotalFrames, kAlpha, kVisible, kWidth, kHeight, kRotation,
    kTarget, kFramesLoaded, kName, kDropTarget, kUrl, kHighQuality, kFocusRect, kSoundBufTime, kQuality,
    kXMouse, kYMouse, kPropertyCount
};
// The index of a property name such as "_x"; -1 when it is none.
int PropertyIndex(const std::string& name);

// What the machine asks of the display.
class Stage {
public:
    virtual ~Stage() = default;
    virtual bool Exists(const std::string& clip) = 0;
    // The clip's own variables, made with `m` on first use; null when the clip does not exist.
    virtual Object* Variables(const std::string& clip, Machine& m) = 0;
    virtual Value GetProperty(const std::string& clip, int property) = 0;
    virtual void SetProperty(const std::string& clip, int property, const Value& value) = 0;
    // 0-based frame of a label on the clip's timeline, -1 when missing.
    virtual int FindLabel(const std::string& clip, const std::string& label) = 0;
    virtual void Goto(const std::string& clip, int frame, bool play) = 0; // 0-based
    virtual void SetPlaying(const std::string& clip, bool playing) = 0;
    virtual void GetURL(const std::string& url, const std::string& target) = 0;
    virtual double Timer() = 0; // milliseconds since the movie started
    // Calls `f` with the variables of every clip that has them (the collector's roots).
    virtual void ForEachVariables(const std::function<void(Object*)>& f) = 0;
};

class Machine {
public:
    Machine(Stage& stage, int version);
    ~Machine();
    Machine(const Machine&) = delete;
    Machine& operator=(const Machine&) = delete;

    static constexpr int kStepsPerFrame = 200000;
    static constexpr int kMaxCallDepth = 64;
    static constexpr size_t kMaxObjects = 200000;
    static constexpr size_t kMaxArrayLength = 1 << 16;
    static constexpr size_t kMaxStringLength = 1 << 20;
    static constexpr size_t kMaxStack = 4096;

    int Version() const { return version_; }
    // Gives the next frame its full step budget.
    void BeginFrame()
    {
        steps_ = kStepsPerFrame;
        outOfSteps_ = false;
    }
    // Runs an action block on the timeline `target`.
    void Run(const std::vector<uint8_t>& code, const std::string& target);
    // Calls a function value with `self` as this, on the timeline `target`.
    Value Call(const Value& function, const Value& self, const std::vector<Value>& args, const std::string& target);
    // Calls the clip's member `name` when it is a function (onEnterFrame and the like).
    void CallClipMember(const std::string& clip, const std::string& name);
    // A variable by name or path ("score", "/a:score", "_root.a.score") as
    // actions on the timeline `target` see it; text fields bound to one use these.
    Value ReadVariable(const std::string& target, const std::string& name);
    void WriteVariable(const std::string& target, const std::string& name, const Value& value);
    // Frees the objects no clip, global or stack reaches. Only between runs.
    void Collect();

    // Null when the ceiling of live objects is reached.
    Object* NewObject();
    Object* NewArray();
    Object* NewNative(NativeFunction f);
    Object* Global() { return global_; }
    size_t LiveObjects() const { return objects_.size(); }
    // Counts of runs cut short by the step budget and of calls refused for depth (for tests and diagnostics).
    int BudgetStops() const { return budgetStops_; }
    int DepthStops() const { return depthStops_; }

    // Members of any value: objects, arrays, strings, clips.
    Value GetMember(const Value& object, const std::string& name);
    void SetMember(const Value& object, const std::string& name, const Value& value);
    // Absolute path of the clip `path` names, seen from the clip `base`; "" when there is none.
    std::string ResolveClip(const std::string& base, const std::string& path);
    // Text no longer than the ceiling.
    static std::string Bounded(std::string s);

private:
    struct Frame;
    Value Execute(Frame& f);
    Value Invoke(const Value& function, const Value& self, const std::vector<Value>& args, const std::string& target,
                 Object* constructing);
    Value Construct(const Value& constructor, const std::vector<Value>& args, const std::string& target);
    Value GetVariable(Frame& f, const std::string& name);
    void SetVariable(Frame& f, const std::string& name, const Value& value);
    Object* PrototypeOf(Object* function);
    // A throw unwinds to the nearest try of the call chain; one nobody
    // catches ends the action list it came from.
    void EndUncaught()
    {
        if (depth_ == 0) {
            throwing_ = false;
            thrown_ = Value{};
        }
    }
    // Long texts cost steps by their length, so that copying them cannot stall a frame.
    void Charge(size_t bytes) { steps_ -= int(std::min<size_t>(bytes / 256, kStepsPerFrame)); }
    void InstallGlobals();

    Stage& stage_;
    int version_;
    std::vector<std::unique_ptr<Object>> objects_;
    Object* global_ = nullptr;
    Object* objectProto_ = nullptr;
    int steps_ = kStepsPerFrame;
    bool outOfSteps_ = false;
    int depth_ = 0;
    bool throwing_ = false;
    Value thrown_;
    int budgetStops_ = 0;
    int depthStops_ = 0;
    uint64_t random_ = 0x9E3779B97F4A7C15ull;
    // Values of runs in progress; roots for a collection started inside a call (none is).
    std::vector<std::vector<Value>*> stacks_;
};

} // namespace glint::flash::action
