#include "flash/display/Clip.h"

#include "flash/sound/Mixer.h"

#include <algorithm>

namespace glint::flash {

namespace {

// Due actions kept at most between two steps (a step takes them all).
constexpr size_t kMaxDue = 100000;

// The sound transition of a button going from one state to another.
int Transition(int from, uint8_t to)
{
    if (to == kButtonUp)
        return sound::kOverUpToIdle;
    if (to == kButtonDown)
        return sound::kOverUpToOverDown;
    return from == kButtonDown ? sound::kOverDownToOverUp : sound::kIdleToOverUp;
}

} // namespace

void ClipTimeline::Attach(DisplayList& list, int level, const std::string& path)
{
    for (auto& [depth, obj] : list) {
        if (obj.clip)
            continue;
        const Character* ch = movie_.Find(obj.character);
        const bool button = ch && ch->kind == Character::Kind::Button;
        if (!ch || (!button && (ch->kind != Character::Kind::Sprite || ch->frames.empty())))
            continue;
        if (level + 1 >= kMaxClipNesting || counter_->live >= kMaxLiveClips)
            continue; // shown empty
        obj.clip = std::make_shared<Clip>(counter_);
        Clip& clip = *obj.clip;
        clip.name = obj.name.empty() ? "instance" + std::to_string(++instances_) : obj.name;
        clip.path = path + "." + clip.name;
        clip.character = obj.character;
        clip.level = level + 1;
        clip.events = obj.events;
        if (button) {
            ShowButtonState(obj.clip, obj.buttonState);
            continue;
        }
        if (due_.size() < kMaxDue)
            due_.push_back({obj.clip, nullptr, true});
        ShowFrame(obj.clip, *ch, 0, level + 1);
    }
}

void ClipTimeline::ShowButtonState(const std::shared_ptr<Clip>& clip, uint8_t state)
{
    const Character* ch = clip ? movie_.Find(clip->character) : nullptr;
    if (!ch || ch->kind != Character::Kind::Button || clip->frame == state)
        return;
    if (sound_ && clip->frame >= 0) // not when it appears
        sound_->ButtonTransition(clip->character, Transition(clip->frame, state));
    DisplayList old;
    old.swap(clip->list);
    for (const ButtonRecord* r : ButtonState(ch->button, state)) {
        Placed& p = clip->list[r->depth];
        p.character = r->character;
        p.matrix = r->matrix;
        p.color = r->color;
        p.blendMode = r->blendMode;
        // A sprite in both states plays on.
        if (auto it = old.find(r->depth); it != old.end() && it->second.character == p.character)
            p.clip = std::move(it->second.clip);
    }
    clip->frame = state;
    Attach(clip->list, clip->level, clip->path);
}

void ClipTimeline::Goto(const std::shared_ptr<Clip>& clip, int frame)
{
    const Character* ch = clip ? movie_.Find(clip->character) : nullptr;
    if (!ch || ch->kind != Character::Kind::Sprite || ch->frames.empty())
        return;
    ShowFrame(clip, *ch, std::clamp(frame, 0, int(ch->frames.size()) - 1), clip->level);
}

void ClipTimeline::ShowFrame(const std::shared_ptr<Clip>& shared, const Character& sprite, int frame, int level)
{
    Clip& clip = *shared;
    if (frame == clip.frame)
        return;
    if (frame != clip.frame + 1) {
        // Back to the start: rebuilt from the first frame, as a loop does.
        DisplayList old;
        old.swap(clip.list);
        for (int f = 0; f < frame; ++f)
            for (const DisplayOp& op : sprite.frames[size_t(f)].ops)
                ApplyDisplayOp(clip.list, op);
        for (const DisplayOp& op : sprite.frames[size_t(frame)].ops)
            ApplyDisplayOp(clip.list, op);
        // Objects that stay where they were keep their own clips.
        for (auto& [depth, obj] : clip.list)
            if (auto it = old.find(depth); it != old.end() && it->second.character == obj.character)
                obj.clip = std::move(it->second.clip);
    } else {
        for (const DisplayOp& op : sprite.frames[size_t(frame)].ops)
            ApplyDisplayOp(clip.list, op);
    }
    clip.frame = frame;
    if (sound_)
        sound_->EnterClipFrame(shared, clip.character, frame);
    const FrameData& shown = sprite.frames[size_t(frame)];
    if ((!shown.actions.empty() || !shown.initActions.empty()) && due_.size() < kMaxDue)
        due_.push_back({shared, &shown, false});
    Attach(clip.list, level, clip.path);
}

bool ClipTimeline::Advance(DisplayList& list, int level)
{
    bool changed = false;
    for (auto& [depth, obj] : list) {
        if (!obj.clip)
            continue;
        const Character* ch = movie_.Find(obj.character);
        if (ch && ch->kind == Character::Kind::Button) {
            ShowButtonState(obj.clip, obj.buttonState);
            changed |= Advance(obj.clip->list, level + 1);
            continue;
        }
        if (!ch || ch->kind != Character::Kind::Sprite || ch->frames.empty())
            continue;
        Clip& clip = *obj.clip;
        // The clips inside move first; those the step below adds start at their first frame.
        changed |= Advance(clip.list, level + 1);
        const int total = int(ch->frames.size());
        if (total > 1 && clip.playing) {
            ShowFrame(obj.clip, *ch, clip.frame + 1 >= total ? 0 : clip.frame + 1, level + 1);
            changed = true;
        }
    }
    return changed;
}

} // namespace glint::flash
