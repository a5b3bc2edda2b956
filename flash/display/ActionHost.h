#pragma once
// Runs a movie's actions on its display: the action machine's view of the
// clips (found by target path, their properties and timelines), the frame
// and event actions of sprites, and the buttons under the mouse.
#include "flash/SwfMovie.h"
#include "flash/action/Machine.h"
#include "flash/display/Clip.h"

#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace glint::flash {

// What the host needs of the main timeline, which the player keeps.
struct RootTimeline {
    std::function<int()> frame; // 0-based
    std::function<int()> total;
    std::function<void(int frame, bool play)> gotoFrame;
    std::function<void(bool play)> setPlaying;
    std::function<void(const std::string& url, const std::string& target)> getURL;
};

class ActionHost : public action::Stage {
public:
    ActionHost(const Movie& movie, DisplayList& root, ClipTimeline& clips, RootTimeline timeline);

    // A movie was loaded: actions run from now on, unless it is an ActionScript 3 movie.
    void Start();
    // Drops the machine and every value of the movie.
    void Stop();
    bool Running() const { return machine_ != nullptr; }
    action::Machine* Machine() { return machine_.get(); }

    // A new frame: a fresh step budget.
    void BeginFrame();
    // The main timeline's actions of a frame, its init actions the first time.
    void RunFrame(const FrameData& frame);
    // What sprites have due after a step: their load events and frame actions.
    void RunDue();
    // Each clip's enterFrame event and onEnterFrame function.
    void EnterFrameEvents();
    // Frees what no clip reaches any more, now and then: call it every frame.
    void Collect();
    // Text fields bound to variables: a field just placed sets its variable
    // to its initial text when the variable has no value; every field shows
    // its variable's value, laid out again when it changed. `dropped` hears
    // of each layout let go, before it is freed.
    void UpdateFields(const std::function<void(const Shape*)>& dropped);
    // True when the main timeline has an onEnterFrame function (it runs even
    // while the timeline stands still).
    bool EntersFrames() const;
    // The mouse at (x, y) in stage twips, its button down or up. True when a
    // button changed its state (what is drawn changed).
    bool Mouse(double x, double y, bool down);
    // Increases whenever actions changed what is drawn.
    uint64_t Changes() const { return changes_; }

    // action::Stage
    bool Exists(const std::string& clip) override;
    action::Object* Variables(const std::string& clip, action::Machine& m) override;
    action::Value GetProperty(const std::string& clip, int property) override;
    void SetProperty(const std::string& clip, int property, const action::Value& value) override;
    int FindLabel(const std::string& clip, const std::string& label) override;
    void Goto(const std::string& clip, int frame, bool play) override;
    void SetPlaying(const std::string& clip, bool playing) override;
    void GetURL(const std::string& url, const std::string& target) override;
    double Timer() override;
    void ForEachVariables(const std::function<void(action::Object*)>& f) override;

private:
    // An object on a display list; `obj` null for the main timeline.
    struct Found {
        Placed* obj = nullptr;
    };
    bool Find(const std::string& path, Found& out);
    // Names of clips and labels: exact from SWF 7 on, any case before.
    bool SameName(const std::string& a, const std::string& b) const;
    void RunEvents(const std::shared_ptr<Clip>& clip, uint32_t events);
    // Calls f(object, field, value) for each text field bound to a variable,
    // giving the variable of a field just placed its initial text first.
    template <typename F> void ForEachField(F f);
    void SeedFields();
    // Every clip on the stage, outer ones first.
    std::vector<std::shared_ptr<Clip>> AllClips();
    bool Bounds(const Character& ch, const Clip* clip, const Matrix& m, double box[4], int level);

    const Movie& movie_;
    DisplayList& root_;
    ClipTimeline& clips_;
    RootTimeline timeline_;
    std::unique_ptr<action::Machine> machine_;
    action::Object* rootVars_ = nullptr;
    std::map<std::string, action::Object*> buttonVars_; // named buttons' members (onPress...)
    std::set<const FrameData*> initDone_;
    std::vector<std::shared_ptr<const Shape>> fieldShapes_; // layouts of bound fields, until no field shows them
    std::chrono::steady_clock::time_point start_;
    uint64_t changes_ = 0;
    uint64_t collects_ = 0;
    // The mouse: the button under it, the one pressed, and its button.
    std::string hover_, pressed_;
    bool mouseDown_ = false;
};

} // namespace glint::flash
