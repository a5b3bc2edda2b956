#include "flash/display/ActionHost.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <limits>

namespace glint::flash {

using action::Value;

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr int kMaxDueRounds = 16; // gotos in due actions that cause more due actions
constexpr size_t kMaxFieldEdges = size_t(1) << 20; // edges of one field's text

bool SameText(const std::string& a, const std::string& b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

// Calls f(object, path of its list's clip, depth, matrix to the stage) for
// every object on the stage, or only those shown (`shownOnly`).
template <typename F>
void ForEachPlaced(DisplayList& list, const std::string& path, const Matrix& m, int level, bool shownOnly, F& f)
{
    if (level >= kMaxClipNesting)
        return;
    for (auto& [depth, obj] : list) {
        if (shownOnly && !obj.visible)
            continue;
        const Matrix om = m * obj.matrix;
        f(obj, path, depth, om);
        if (obj.clip)
            ForEachPlaced(obj.clip->list, obj.clip->path, om, level + 1, shownOnly, f);
    }
}

} // namespace

ActionHost::ActionHost(const Movie& movie, DisplayList& root, ClipTimeline& clips, RootTimeline timeline)
    : movie_(movie), root_(root), clips_(clips), timeline_(std::move(timeline))
{
}

void ActionHost::Start()
{
    Stop();
    start_ = std::chrono::steady_clock::now();
    if (!movie_.ActionScript3())
        machine_ = std::make_unique<action::Machine>(*this, movie_.Header().version);
}

bool ActionHost::SameName(const std::string& a, const std::string& b) const
{
    return movie_.Header().version >= 7 ? a == b : SameText(a, b);
}

void ActionHost::Stop()
{
    for (const auto& clip : AllClips())
        clip->vars = nullptr;
    machine_.reset();
    initDone_.clear();
    clips_.DueActions().clear();
    rootVars_ = nullptr;
    buttonVars_.clear();
    fieldShapes_.clear();
    hover_.clear();
    pressed_.clear();
    mouseDown_ = false;
}

void ActionHost::BeginFrame()
{
    if (machine_)
        machine_->BeginFrame();
}

void ActionHost::RunFrame(const FrameData& frame)
{
    if (!machine_)
        return;
    if (!frame.actions.empty() || !frame.initActions.empty())
        SeedFields();
    if (!frame.initActions.empty() && initDone_.insert(&frame).second)
        for (const auto& code : frame.initActions)
            machine_->Run(code, "_level0");
    for (const auto& code : frame.actions)
        machine_->Run(code, "_level0");
}

void ActionHost::RunEvents(const std::shared_ptr<Clip>& clip, uint32_t events)
{
    if (machine_ && clip->events)
        for (const ClipEvent& e : *clip->events)
            if (e.events & events)
                machine_->Run(e.code, clip->path);
}

void ActionHost::RunDue()
{
    for (int round = 0; round < kMaxDueRounds; ++round) {
        std::vector<ClipTimeline::Due> due;
        due.swap(clips_.DueActions());
        if (due.empty() || !machine_)
            break;
        SeedFields();
        for (const auto& d : due) {
            std::shared_ptr<Clip> clip = d.clip.lock();
            if (!clip)
                continue;
            if (d.fresh) {
                RunEvents(clip, kEventLoad);
                continue;
            }
            for (const auto& code : d.frame->initActions)
                machine_->Run(code, clip->path);
            for (const auto& code : d.frame->actions)
                machine_->Run(code, clip->path);
        }
    }
    clips_.DueActions().clear();
}

void ActionHost::EnterFrameEvents()
{
    if (!machine_)
        return;
    for (const auto& clip : AllClips()) {
        RunEvents(clip, kEventEnterFrame);
        // Straight from the clip: looking each one up by its path would cost a search a clip.
        if (!clip->vars)
            continue;
        auto it = clip->vars->members.find("onEnterFrame");
        if (it == clip->vars->members.end() || it->second.type != Value::Type::Object || !it->second.object->Callable())
            continue;
        const Value handler = it->second; // a copy: the call may delete the member
        machine_->Call(handler, Value::ClipAt(clip->path), {}, clip->path);
    }
    machine_->CallClipMember("_level0", "onEnterFrame");
}

void ActionHost::Collect()
{
    // Every so many frames, or sooner when the objects near their ceiling.
    if (machine_ && (++collects_ % 64 == 0 || machine_->LiveObjects() > action::Machine::kMaxObjects / 2))
        machine_->Collect();
}

bool ActionHost::EntersFrames() const
{
    if (!machine_ || !rootVars_)
        return false;
    auto it = rootVars_->members.find("onEnterFrame");
    return it != rootVars_->members.end() && it->second.type == Value::Type::Object && it->second.object->Callable();
}

template <typename F> void ActionHost::ForEachField(F f)
{
    if (!machine_)
        return;
    auto visit = [&](Placed& obj, const std::string& path, uint16_t, const Matrix&) {
        const Character* ch = movie_.Find(obj.character);
        if (!ch || !ch->field)
            return;
        const EditField& field = *ch->field;
        Value value = machine_->ReadVariable(path, field.variable);
        if (!obj.fieldShape && value.IsUndefined()) {
            value = Value::Str(field.initial);
            machine_->WriteVariable(path, field.variable, value);
        }
        f(obj, field, value);
    };
    ForEachPlaced(root_, "_level0", Matrix{}, 0, false, visit);
}

// Fields placed since the last look give their variables a value before actions read them.
void ActionHost::SeedFields()
{
    ForEachField([](Placed&, const EditField&, const Value&) {});
}

void ActionHost::UpdateFields(const std::function<void(const Shape*)>& dropped)
{
    const int version = movie_.Header().version;
    ForEachField([&](Placed& obj, const EditField& field, const Value& value) {
        // A variable without a value shows nothing.
        std::string text = value.IsUndefined() ? std::string() : action::Machine::Bounded(action::ToString(value, version));
        if (obj.fieldShape && text == obj.fieldText)
            return;
        auto shape = std::make_shared<Shape>();
        size_t budget = kMaxFieldEdges;
        LayoutEditText(field, text, version, DeviceFont::System(), *shape, budget);
        fieldShapes_.push_back(shape);
        obj.fieldShape = std::move(shape);
        obj.fieldText = std::move(text);
        ++changes_;
    });
    // Layouts no field shows any more.
    auto unused = std::stable_partition(fieldShapes_.begin(), fieldShapes_.end(),
                                        [](const std::shared_ptr<const Shape>& s) { return s.use_count() > 1; });
    for (auto it = unused; it != fieldShapes_.end(); ++it)
        dropped(it->get());
    fieldShapes_.erase(unused, fieldShapes_.end());
}

std::vector<std::shared_ptr<Clip>> ActionHost::AllClips()
{
    std::vector<std::shared_ptr<Clip>> out;
    auto add = [&](Placed& obj, const std::string&, uint16_t, const Matrix&) {
        if (obj.clip)
            out.push_back(obj.clip);
    };
    ForEachPlaced(root_, "_level0", Matrix{}, 0, false, add);
    return out;
}

bool ActionHost::Mouse(double x, double y, bool down)
{
    if (machine_)
        machine_->BeginFrame(); // the user's input: a fresh budget
    struct Shown {
        std::string key, parent, name;
        Placed* obj;
        const Button* button;
    };
    std::vector<Shown> buttons;
    int top = -1;
    auto visit = [&](Placed& obj, const std::string& path, uint16_t depth, const Matrix& m) {
        const Character* ch = movie_.Find(obj.character);
        if (!ch || ch->kind != Character::Kind::Button)
            return;
        bool hit = false;
        for (const ButtonRecord* r : ButtonState(ch->button, kButtonHit)) {
            const Character* shape = movie_.Find(r->character);
            Matrix inverse;
            double sx, sy;
            if (!shape || shape->kind != Character::Kind::Shape || !(m * r->matrix).Invert(inverse))
                continue;
            inverse.Apply(x, y, sx, sy);
            hit |= ShapeContains(shape->shape, sx, sy);
        }
        if (hit)
            top = int(buttons.size()); // later ones are drawn above
        buttons.push_back({path + "#" + std::to_string(depth), path, obj.name, &obj, &ch->button});
    };
    ForEachPlaced(root_, "_level0", Matrix{}, 0, true, visit);

    const std::string now = top >= 0 ? buttons[size_t(top)].key : std::string();
    const bool press = down && !mouseDown_, release = !down && mouseDown_;
    const std::string before = hover_;
    const bool releasedOver = release && !pressed_.empty() && pressed_ == now;
    hover_ = now;
    if (press)
        pressed_ = now;
    if (release)
        pressed_.clear();
    mouseDown_ = down;

    bool changed = false;
    // Inner buttons first: a new state of an outer one rebuilds the lists inside it.
    for (auto b = buttons.rbegin(); b != buttons.rend(); ++b) {
        uint8_t state = b->key != now ? kButtonUp : (down && pressed_ == now ? kButtonDown : kButtonOver);
        if (b->obj->buttonState != state) {
            b->obj->buttonState = state;
            clips_.ShowButtonState(b->obj->clip, state);
            changed = true;
        }
    }
    // Actions come last: they may change the lists the buttons are on. An
    // ActionScript 3 movie's buttons change their states, and run nothing.
    if (!machine_)
        return changed;
    struct Run {
        const Shown* button;
        uint16_t condition;
        const char* member;
    };
    std::vector<Run> runs;
    auto find = [&](const std::string& key) -> const Shown* {
        for (const Shown& b : buttons)
            if (b.key == key)
                return &b;
        return nullptr;
    };
    if (now != before) {
        if (const Shown* b = find(before))
            runs.push_back({b, kButtonRollOut, "onRollOut"});
        if (const Shown* b = find(now))
            runs.push_back({b, kButtonRollOver, "onRollOver"});
    }
    if (const Shown* b = find(now); b && press)
        runs.push_back({b, kButtonPress, "onPress"});
    if (const Shown* b = find(now); b && releasedOver)
        runs.push_back({b, kButtonRelease, "onRelease"});
    for (const Run& r : runs) {
        for (const ButtonAction& a : r.button->button->actions)
            if (a.conditions & r.condition)
                machine_->Run(a.code, r.button->parent);
        if (!r.button->name.empty())
            machine_->CallClipMember(r.button->parent + "." + r.button->name, r.member);
    }
    const uint32_t events = kEventMouseMove | (press ? kEventMouseDown : 0) | (release ? kEventMouseUp : 0);
    for (const auto& clip : AllClips())
        RunEvents(clip, events);
    return changed;
}

// The machine's view -------------------------------------------------------

bool ActionHost::Find(const std::string& path, Found& out)
{
    out = Found{};
    if (path.size() < 7 || !SameText(path.substr(0, 7), "_level0"))
        return false;
    if (path.size() == 7)
        return true;
    if (path[7] != '.')
        return false;
    DisplayList* list = &root_;
    for (size_t i = 8;;) {
        size_t j = std::min(path.find('.', i), path.size());
        const std::string name = path.substr(i, j - i);
        Placed* hit = nullptr;
        for (auto& [depth, obj] : *list) {
            const std::string& n = obj.clip ? obj.clip->name : obj.name;
            if (!n.empty() && SameName(n, name)) {
                hit = &obj;
                break;
            }
        }
        if (!hit)
            return false;
        out.obj = hit;
        if (j >= path.size())
            return true;
        if (!hit->clip)
            return false;
        list = &hit->clip->list;
        i = j + 1;
    }
}

bool ActionHost::Exists(const std::string& clip)
{
    Found f;
    return Find(clip, f);
}

action::Object* ActionHost::Variables(const std::string& clip, action::Machine& m)
{
    Found f;
    if (!Find(clip, f))
        return nullptr;
    action::Object** slot = nullptr;
    if (!f.obj) {
        slot = &rootVars_;
    } else if (f.obj->clip) {
        slot = &f.obj->clip->vars;
    } else {
        const Character* ch = movie_.Find(f.obj->character);
        if (!ch || ch->kind != Character::Kind::Button)
            return nullptr;
        slot = &buttonVars_[clip];
    }
    if (!*slot)
        *slot = m.NewObject();
    return *slot;
}

bool ActionHost::Bounds(const Character& ch, const Clip* clip, const Matrix& m, double box[4], int level)
{
    if (level >= kMaxClipNesting)
        return false;
    bool any = false;
    auto add = [&](const TwipsRect& r) {
        if (r.xMax < r.xMin || r.yMax < r.yMin)
            return;
        const double xs[2] = {double(r.xMin), double(r.xMax)}, ys[2] = {double(r.yMin), double(r.yMax)};
        for (double px : xs)
            for (double py : ys) {
                double ox, oy;
                m.Apply(px, py, ox, oy);
                box[0] = std::min(box[0], ox);
                box[1] = std::min(box[1], oy);
                box[2] = std::max(box[2], ox);
                box[3] = std::max(box[3], oy);
            }
        any = true;
    };
    switch (ch.kind) {
    case Character::Kind::Shape: add(ch.shape.bounds); break;
    case Character::Kind::Morph: add(ch.morph.startBounds); break;
    case Character::Kind::Sprite:
        if (clip)
            for (const auto& [depth, obj] : clip->list)
                if (const Character* inner = movie_.Find(obj.character))
                    any |= Bounds(*inner, obj.clip.get(), m * obj.matrix, box, level + 1);
        break;
    case Character::Kind::Button:
        for (const ButtonRecord* r : ButtonState(ch.button, kButtonUp))
            if (const Character* inner = movie_.Find(r->character); inner && inner->kind != Character::Kind::Sprite)
                any |= Bounds(*inner, nullptr, m * r->matrix, box, level + 1);
        break;
    }
    return any;
}

Value ActionHost::GetProperty(const std::string& clip, int property)
{
    Found f;
    if (!Find(clip, f))
        return Value{};
    Placed* o = f.obj;
    const Matrix m = o ? o->matrix : Matrix{};
    const Character* ch = o ? movie_.Find(o->character) : nullptr;
    const bool sprite = ch && ch->kind == Character::Kind::Sprite;
    switch (property) {
    case action::kX: return Value::Num(m.tx / 20);
    case action::kY: return Value::Num(m.ty / 20);
    case action::kXScale: return Value::Num(std::hypot(m.a, m.b) * 100);
    case action::kYScale: return Value::Num(std::hypot(m.c, m.d) * 100);
    case action::kRotation: return Value::Num(std::atan2(m.b, m.a) * 180 / kPi);
    case action::kAlpha: return Value::Num(o ? o->color.mulA * 100.0 / 256 : 100);
    case action::kVisible: return Value::Bool(o ? o->visible : true);
    case action::kCurrentFrame:
        if (!o)
            return Value::Num(timeline_.frame() + 1);
        return Value::Num(o->clip && sprite ? o->clip->frame + 1 : 1);
    case action::kTotalFrames:
    case action::kFramesLoaded:
        if (!o)
            return Value::Num(timeline_.total());
        return Value::Num(sprite ? double(ch->frames.size()) : 1);
    case action::kWidth:
    case action::kHeight: {
        constexpr double inf = std::numeric_limits<double>::infinity();
        double box[4] = {inf, inf, -inf, -inf};
        bool any = false;
        if (o && ch) {
            any = Bounds(*ch, o->clip.get(), o->matrix, box, 0);
        } else if (!o) {
            for (const auto& [depth, obj] : root_)
                if (const Character* inner = movie_.Find(obj.character))
                    any |= Bounds(*inner, obj.clip.get(), obj.matrix, box, 0);
        }
        if (!any)
            return Value::Num(0);
        return Value::Num((property == action::kWidth ? box[2] - box[0] : box[3] - box[1]) / 20);
    }
    case action::kTarget: {
        std::string t = clip.substr(7);
        std::replace(t.begin(), t.end(), '.', '/');
        return Value::Str(t.empty() ? "/" : t);
    }
    case action::kName: return Value::Str(o ? (o->clip ? o->clip->name : o->name) : "");
    case action::kHighQuality:
    case action::kFocusRect: return Value::Num(1);
    case action::kSoundBufTime: return Value::Num(5);
    case action::kQuality: return Value::Str("HIGH");
    case action::kUrl:
    case action::kDropTarget: return Value::Str("");
    case action::kXMouse:
    case action::kYMouse: return Value::Num(0);
    default: return Value{};
    }
}

void ActionHost::SetProperty(const std::string& clip, int property, const Value& value)
{
    Found f;
    if (!machine_ || !Find(clip, f) || !f.obj)
        return; // the main timeline stays where it is
    Placed& o = *f.obj;
    const int version = machine_->Version();
    if (property == action::kVisible) {
        o.visible = action::ToBoolean(value, version);
        ++changes_;
        return;
    }
    const double n = action::ToNumber(value, version);
    if (!std::isfinite(n))
        return;
    Matrix& m = o.matrix;
    switch (property) {
    case action::kX: m.tx = n * 20; break;
    case action::kY: m.ty = n * 20; break;
    case action::kXScale: {
        double s = std::hypot(m.a, m.b), k = n / 100;
        m.a = s > 0 ? m.a / s * k : k;
        m.b = s > 0 ? m.b / s * k : 0;
        break;
    }
    case action::kYScale: {
        double s = std::hypot(m.c, m.d), k = n / 100;
        m.c = s > 0 ? m.c / s * k : 0;
        m.d = s > 0 ? m.d / s * k : k;
        break;
    }
    case action::kRotation: {
        // Both axes turn; their scales and the skew between them stay.
        double xs = std::hypot(m.a, m.b), ys = std::hypot(m.c, m.d);
        double old = std::atan2(m.b, m.a), skew = std::atan2(-m.c, m.d) - old;
        double r = std::fmod(n, 360.0) * kPi / 180;
        m.a = xs * std::cos(r);
        m.b = xs * std::sin(r);
        m.c = -ys * std::sin(r + skew);
        m.d = ys * std::cos(r + skew);
        break;
    }
    case action::kAlpha: o.color.mulA = int32_t(std::clamp(n * 256 / 100, -32768.0, 32768.0)); break;
    case action::kWidth:
    case action::kHeight: {
        const Character* ch = movie_.Find(o.character);
        constexpr double inf = std::numeric_limits<double>::infinity();
        double box[4] = {inf, inf, -inf, -inf};
        if (!ch || !Bounds(*ch, o.clip.get(), m, box, 0))
            return;
        double now = property == action::kWidth ? box[2] - box[0] : box[3] - box[1];
        if (now <= 0)
            return;
        double k = n * 20 / now;
        if (property == action::kWidth) {
            m.a *= k;
            m.c *= k;
        } else {
            m.b *= k;
            m.d *= k;
        }
        break;
    }
    default: return; // read-only or not kept
    }
    ++changes_;
}

int ActionHost::FindLabel(const std::string& clip, const std::string& label)
{
    Found f;
    if (!Find(clip, f))
        return -1;
    const Character* ch = f.obj ? movie_.Find(f.obj->character) : nullptr;
    if (f.obj && (!ch || ch->kind != Character::Kind::Sprite))
        return -1;
    const std::vector<FrameData>& frames = f.obj ? ch->frames : movie_.Frames();
    for (size_t i = 0; i < frames.size(); ++i)
        if (!frames[i].label.empty() && SameName(frames[i].label, label))
            return int(i);
    return -1;
}

void ActionHost::Goto(const std::string& clip, int frame, bool play)
{
    Found f;
    if (!Find(clip, f))
        return;
    if (!f.obj) {
        timeline_.gotoFrame(frame, play);
    } else if (f.obj->clip) {
        std::shared_ptr<Clip> c = f.obj->clip; // the goto may rebuild the list that holds it
        clips_.Goto(c, frame);
        c->playing = play;
    }
    ++changes_;
}

void ActionHost::SetPlaying(const std::string& clip, bool playing)
{
    Found f;
    if (!Find(clip, f))
        return;
    if (!f.obj)
        timeline_.setPlaying(playing);
    else if (f.obj->clip)
        f.obj->clip->playing = playing;
}

void ActionHost::GetURL(const std::string& url, const std::string& target) { timeline_.getURL(url, target); }

double ActionHost::Timer()
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start_).count();
}

void ActionHost::ForEachVariables(const std::function<void(action::Object*)>& f)
{
    if (rootVars_)
        f(rootVars_);
    for (const auto& [path, vars] : buttonVars_)
        f(vars);
    for (const auto& clip : AllClips())
        if (clip->vars)
            f(clip->vars);
}

} // namespace glint::flash
