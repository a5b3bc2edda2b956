#include "flash/display/Clip.h"

namespace glint::flash {

void ClipTimeline::Attach(DisplayList& list, int level)
{
    for (auto& [depth, obj] : list) {
        if (obj.clip)
            continue;
        const Character* ch = movie_.Find(obj.character);
        if (!ch || ch->kind != Character::Kind::Sprite || ch->frames.empty())
            continue;
        if (level + 1 >= kMaxClipNesting || counter_->live >= kMaxLiveClips)
            continue; // shown empty
        obj.clip = std::make_shared<Clip>(counter_);
        ShowFrame(*obj.clip, *ch, 0, level + 1);
    }
}

void ClipTimeline::ShowFrame(Clip& clip, const Character& sprite, int frame, int level)
{
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
    Attach(clip.list, level);
}

bool ClipTimeline::Advance(DisplayList& list, int level)
{
    bool changed = false;
    for (auto& [depth, obj] : list) {
        if (!obj.clip)
            continue;
        const Character* ch = movie_.Find(obj.character);
        if (!ch || ch->kind != Character::Kind::Sprite || ch->frames.empty())
            continue;
        Clip& clip = *obj.clip;
        // The clips inside move first; those the step below adds start at their first frame.
        changed |= Advance(clip.list, level + 1);
        const int total = int(ch->frames.size());
        if (total > 1) {
            ShowFrame(clip, *ch, clip.frame + 1 >= total ? 0 : clip.frame + 1, level + 1);
            changed = true;
        }
    }
    return changed;
}

} // namespace glint::flash
