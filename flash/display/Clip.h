#pragma once
// Sprites on the stage: each placed sprite gets a clip, its own frame
// counter and display list, that advances one frame whenever the movie does
// and loops at its end, with the sprites inside it doing the same. A placed
// button gets one too, holding the records of the state it shows, so that
// the sprites of a state play.
//
// A hostile movie cannot make this unbounded: clips nest at most
// kMaxClipNesting deep (a sprite that places itself stops there), and at most
// kMaxLiveClips exist at once; a sprite beyond either limit is shown empty.
#include "flash/SwfMovie.h"

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

namespace glint::flash {

namespace action {
struct Object;
}
namespace sound {
class Mixer;
}

constexpr int kMaxClipNesting = 8;
constexpr size_t kMaxLiveClips = 20000;

// Counts the clips alive; shared by every clip of one player so that a clip
// dropped with its display list gives its place back.
struct ClipCounter {
    size_t live = 0;
};

// Placed sprites and buttons have one.
struct Clip {
    explicit Clip(std::shared_ptr<ClipCounter> counter) : counter_(std::move(counter)) { ++counter_->live; }
    ~Clip() { --counter_->live; }
    Clip(const Clip&) = delete;
    Clip& operator=(const Clip&) = delete;

    int frame = -1; // -1 until its first frame is shown
    DisplayList list;
    std::string name;       // instance name; "instanceN" when the movie gave none
    std::string path;       // where actions find it: "_level0.a.b"
    uint16_t character = 0; // its sprite
    int level = 0;
    bool playing = true;            // stop() holds its timeline
    action::Object* vars = nullptr; // its variables, made and freed by the action machine
    std::shared_ptr<const ClipEvents> events;

private:
    std::shared_ptr<ClipCounter> counter_;
};

class ClipTimeline {
public:
    explicit ClipTimeline(const Movie& movie) : movie_(movie), counter_(std::make_shared<ClipCounter>()) {}
    // Where the frames clips show and the transitions of buttons send their sounds.
    void SetSound(sound::Mixer* mixer) { sound_ = mixer; }

    // Gives every sprite on `list` that has none a clip showing its first
    // frame. `level` is the nesting of the list (0 for the main timeline),
    // `path` the target path of the clip it belongs to.
    void Attach(DisplayList& list, int level, const std::string& path = "_level0");
    // Shows a frame (0-based) of a sprite's clip now, as a goto from its actions does.
    void Goto(const std::shared_ptr<Clip>& clip, int frame);
    // A button's clip holds the records of the state it shows (its `frame` is
    // the state), so that sprites in a state play on their own timelines.
    void ShowButtonState(const std::shared_ptr<Clip>& clip, uint8_t state);

    // A frame shown whose actions are due, or a clip just made (`fresh`); the
    // player takes them after each step and runs them.
    struct Due {
        std::weak_ptr<Clip> clip;
        const FrameData* frame = nullptr;
        bool fresh = false;
    };
    std::vector<Due>& DueActions() { return due_; }
    // Moves every clip on `list` (and inside them) on by one frame; true when
    // any of them showed a different frame.
    bool Advance(DisplayList& list, int level);
    size_t Live() const { return counter_->live; }

private:
    void ShowFrame(const std::shared_ptr<Clip>& clip, const Character& sprite, int frame, int level);

    const Movie& movie_;
    std::shared_ptr<ClipCounter> counter_;
    sound::Mixer* sound_ = nullptr;
    std::vector<Due> due_;
    uint32_t instances_ = 0;
};

} // namespace glint::flash
