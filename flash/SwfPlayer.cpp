#include "flash/SwfPlayer.h"

#include "flash/PixelRuns.h"
#include "flash/Rounding.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <cstring>
#include <functional>

namespace glint::flash {

namespace {

// Limits that keep a hostile movie from stalling the player.
constexpr int kMaxGotoHops = 16;       // frames entered by goto chains in one step
constexpr int kMaxNesting = 8;         // sprites inside sprites
constexpr int kMaxFramesPerTick = 4;   // a late timer does not make the movie race
constexpr int kMaxObjectsPerFrame = 50000; // placed objects drawn a frame, sprites unfolded
constexpr size_t kGeometryVariants = 4;    // transforms kept a shape
constexpr size_t kMaxGeometryPoints = size_t(4) << 20; // all kept lines, about 32 MB
constexpr size_t kMaxMorphShapes = 256;                // morph ratios kept
constexpr size_t kMaxCovers = 48;          // opaque areas that hide what is under them, a frame
constexpr size_t kLeastCoverPixels = 1024; // and the pixels each must hide at least

// Runs of stroke paths with the same line style, drawn as one outline so that
// their overlaps at joins are not blended twice.
template <typename F> void ForEachStrokeRun(const ShapeLayer& layer, F f)
{
    for (size_t i = 0; i < layer.strokes.size();) {
        size_t j = i;
        while (j < layer.strokes.size() && layer.strokes[j].lineStyle == layer.strokes[i].lineStyle)
            ++j;
        f(layer.strokes.data() + i, layer.strokes.data() + j);
        i = j;
    }
}

// Line half width in twips as drawn.
double StrokeHalf(const LineStyle& ls, double lineScale)
{
    double half = ls.width / 2.0;
    // Hairlines are a pixel wide; lines scaled down below that keep 0.7 of a
    // pixel, which is how thin they look in the reference player's pictures.
    const double least = ls.width == 0 ? 0.5 : 0.35;
    if (half * lineScale < least)
        half = lineScale > 0 ? least / lineScale : 0;
    return half;
}

bool StartsWithNoCase(const std::string& s, const char* prefix)
{
    size_t n = std::strlen(prefix);
    if (s.size() < n)
        return false;
    for (size_t i = 0; i < n; ++i)
        if (std::tolower(static_cast<unsigned char>(s[i])) != std::tolower(static_cast<unsigned char>(prefix[i])))
            return false;
    return true;
}

#include "flash/KernelMath.inl"
#include "flash/CoverRows.inl"

} // namespace

ScaleMode ParseScaleMode(const std::string& text)
{
    std::string t;
    for (char c : text)
        t.push_back(char(std::tolower(static_cast<unsigned char>(c))));
    return t == "noscale" ? ScaleMode::NoScale : ScaleMode::ShowAll;
}

SwfPlayer::SwfPlayer()
{
    std::fill(std::begin(ramp_), std::end(ramp_), 0u);
    RootTimeline root;
    root.frame = [this] { return frame_; };
    root.total = [this] { return TotalFrames(); };
    root.gotoFrame = [this](int frame, bool play) { RequestGoto(frame, play); };
    root.setPlaying = [this](bool play) { playing_ = play; };
    root.getURL = [this](const std::string& url, const std::string& target) { Raise(url, target); };
    host_ = std::make_unique<ActionHost>(movie_, display_, clips_, std::move(root));
    clips_.SetSound(&sound_);
}

bool SwfPlayer::Load(const uint8_t* data, size_t size)
{
    Unload();
    if (!movie_.Read(data, size)) {
        movie_ = Movie{};
        ++generation_;
        return false;
    }
    loaded_ = true;
    playing_ = true;
    sound_.Load(&movie_.Sounds(), FrameInterval());
    frame_ = -1; // so that frame 0 is built from scratch
    host_->Start();
    host_->BeginFrame();
    EnterFrame(0);
    RunScripts(false);
    sound_.Mix(); // frame 0's sound plays while it shows
    return true;
}

void SwfPlayer::Unload()
{
    ClearGeometry(); // keyed by the shapes of this movie
    morphShapes_.clear();
    morphShapeCount_ = 0;
    host_->Stop();
    sound_.Unload();
    display_.clear();
    movie_ = Movie{};
    loaded_ = false;
    playing_ = false;
    frame_ = 0;
    elapsed_ = 0;
    pendingGoto_ = -1;
    ++generation_;
}

int SwfPlayer::StageWidth() const
{
    if (!loaded_)
        return 0;
    const TwipsRect& r = movie_.Header().stage;
    return std::max(0, int((int64_t(r.xMax) - r.xMin + 10) / 20));
}

int SwfPlayer::StageHeight() const
{
    if (!loaded_)
        return 0;
    const TwipsRect& r = movie_.Header().stage;
    return std::max(0, int((int64_t(r.yMax) - r.yMin + 10) / 20));
}

double SwfPlayer::FrameRate() const { return loaded_ ? movie_.Header().frameRate : 0; }

uint32_t SwfPlayer::BackgroundColor() const
{
    Rgba c = movie_.Background(); // white when the movie sets none, as Flash shows it
    return (uint32_t(c.r) << 16) | (uint32_t(c.g) << 8) | c.b;
}

double SwfPlayer::FrameInterval() const
{
    double rate = FrameRate();
    // A rate of 0 in the file is taken as 12 frames a second; very high rates are capped.
    if (!(rate > 0.01))
        rate = 12;
    rate = std::min(rate, 120.0);
    return 1000.0 / rate;
}

void SwfPlayer::Rewind() { GotoFrame(0); }

void SwfPlayer::GotoFrame(int frame)
{
    if (!loaded_)
        return;
    playing_ = false;
    host_->BeginFrame();
    EnterFrame(std::clamp(frame, 0, TotalFrames() - 1));
    RunScripts(false);
}

bool SwfPlayer::Advance()
{
    if (!loaded_)
        return false;
    host_->BeginFrame();
    const uint64_t generation = generation_;
    // Sprites play on while the main timeline stands still.
    bool clipsMoved = clips_.Advance(display_, 0);
    if (clipsMoved)
        ++generation_;
    const int total = TotalFrames(), before = frame_;
    // A one-frame movie loops onto itself: its own frame does not change.
    if (playing_ && total > 1)
        EnterFrame(frame_ + 1 >= total ? 0 : frame_ + 1);
    RunScripts(true);
    sound_.Mix();
    return clipsMoved || frame_ != before || generation_ != generation;
}

void SwfPlayer::RunScripts(bool enterFrame)
{
    if (enterFrame)
        host_->EnterFrameEvents();
    for (int hop = 0; hop < kMaxGotoHops; ++hop) {
        host_->RunDue();
        if (pendingGoto_ < 0 || pendingGoto_ == frame_)
            break;
        EnterFrame(pendingGoto_);
    }
    pendingGoto_ = -1;
    clips_.DueActions().clear(); // what a goto chain left over
    // Text fields show their variables as the actions left them; the lines
    // kept for a layout that goes go with it.
    host_->UpdateFields([this](const Shape* gone) {
        auto it = geometry_.find(gone);
        if (it == geometry_.end())
            return;
        for (const Geometry& g : it->second)
            geometryPoints_ -= g.paths.Points();
        geometry_.erase(it);
    });
    host_->Collect();
    if (host_->Changes() != seenChanges_) {
        seenChanges_ = host_->Changes();
        ++generation_;
    }
}

void SwfPlayer::Mouse(double x, double y, bool down)
{
    Matrix toStage;
    if (!loaded_ || !lastBase_.Invert(toStage))
        return;
    double sx, sy;
    toStage.Apply(x, y, sx, sy);
    if (host_->Mouse(sx, sy, down))
        ++generation_;
    RunScripts(false);
}

bool SwfPlayer::Tick(uint32_t elapsedMs)
{
    // Sounds play on while the timeline stands still.
    if (!loaded_ || !Animating()) {
        elapsed_ = 0;
        return false;
    }
    double interval = FrameInterval();
    elapsed_ += elapsedMs;
    bool changed = false;
    for (int i = 0; elapsed_ >= interval; ++i) {
        if (i == kMaxFramesPerTick) {
            elapsed_ = 0;
            break;
        }
        elapsed_ -= interval;
        changed |= Advance();
        if (!Animating()) {
            elapsed_ = 0;
            break;
        }
    }
    return changed;
}

bool SwfPlayer::Animating() const
{
    return loaded_ && (playing_ || clips_.Live() > 0 || host_->EntersFrames() || sound_.Busy());
}

// Makes the display list that of `frame`: the next frame's changes apply to
// the current list, any other frame is rebuilt from frame 0.
void SwfPlayer::ShowFrame(int frame)
{
    const auto& frames = movie_.Frames();
    if (frame == frame_)
        return;
    if (frame != frame_ + 1) {
        DisplayList old;
        old.swap(display_);
        for (int f = 0; f < frame; ++f)
            for (const DisplayOp& op : frames[size_t(f)].ops)
                ApplyDisplayOp(display_, op);
        for (const DisplayOp& op : frames[size_t(frame)].ops)
            ApplyDisplayOp(display_, op);
        // Sprites that stay where they were play on.
        for (auto& [depth, obj] : display_)
            if (auto it = old.find(depth); it != old.end() && it->second.character == obj.character)
                obj.clip = std::move(it->second.clip);
    } else {
        for (const DisplayOp& op : frames[size_t(frame)].ops)
            ApplyDisplayOp(display_, op);
    }
    clips_.Attach(display_, 0);
    frame_ = frame;
    sound_.EnterFrame(frame);
    ++generation_;
}

// Shows a frame and runs its actions; a goto from them enters the target
// frame in turn (its actions run too, as in the Flash player).
void SwfPlayer::EnterFrame(int frame)
{
    for (int hop = 0; hop < kMaxGotoHops; ++hop) {
        ShowFrame(frame);
        pendingGoto_ = -1;
        host_->RunFrame(movie_.Frames()[size_t(frame)]);
        if (pendingGoto_ < 0 || pendingGoto_ == frame)
            break;
        frame = pendingGoto_;
    }
    pendingGoto_ = -1;
}

void SwfPlayer::RequestGoto(int frame, bool play)
{
    pendingGoto_ = std::clamp(frame, 0, TotalFrames() - 1);
    playing_ = play;
}

// getURL with a URL "FSCommand:<command>" is how a movie calls fscommand():
// the Flash authoring tool puts the command after the prefix in the URL and
// the arguments in the target (window) string. Other URLs are not opened.
void SwfPlayer::Raise(const std::string& url, const std::string& target)
{
    if (StartsWithNoCase(url, "FSCommand:") && fsCommand_)
        fsCommand_(url.substr(10), target);
}

void SwfPlayer::Render(uint32_t* pixels, int width, int height, ptrdiff_t stride, ScaleMode mode)
{
    if (!pixels || width <= 0 || height <= 0 || stride < width)
        return;
    if (!loaded_) {
        for (int y = 0; y < height; ++y)
            FillRun(pixels + ptrdiff_t(y) * stride, width, 0xFF000000u);
        return;
    }

    const TwipsRect& r = movie_.Header().stage;
    double sw = (double(r.xMax) - r.xMin) / 20.0, sh = (double(r.yMax) - r.yMin) / 20.0;
    double scale = 1;
    if (mode == ScaleMode::ShowAll && sw > 0 && sh > 0)
        scale = std::min(width / sw, height / sh);
    // Whole-pixel offsets keep edges that fall on pixel boundaries sharp.
    double ox = std::round((width - sw * scale) / 2), oy = std::round((height - sh * scale) / 2);
    Matrix base{scale / 20, 0, 0, scale / 20, ox - r.xMin * scale / 20, oy - r.yMin * scale / 20};
    lastBase_ = base;

    raster_.Reset(width, height);
    coverIndex_.clear();
    coverOffset_.clear();
    coverAreas_.clear();
    coverRuns_.clear();
    collecting_ = true;
    drawBudget_ = kMaxObjectsPerFrame;
    shapeIndex_ = 0;
    DrawList(display_, base, ColorTransform{}, nullptr, 0);
    KeepLargestCovers();
    for (size_t i = 0; i < coverAreas_.size(); ++i)
        coverAreas_[i].runs = coverRuns_.data() + coverOffset_[i];
    collecting_ = false;
    // The background only where nothing opaque is drawn over it.
    raster_.SetCovered(coverAreas_.data(), coverAreas_.size());
    raster_.Clear(pixels, stride, 0xFF000000u | BackgroundColor());
    raster_.SetCovered(nullptr, 0);
    drawBudget_ = kMaxObjectsPerFrame;
    shapeIndex_ = 0;
    coverNext_ = 0;
    target_ = pixels;
    stride_ = stride;
    DrawList(display_, base, ColorTransform{}, nullptr, 0);
    target_ = nullptr;
    raster_.SetCovered(nullptr, 0);
}

void SwfPlayer::DrawList(const DisplayList& list, const Matrix& m, const ColorTransform& cx, const uint8_t* mask,
                         int level)
{
    if (level >= kMaxNesting)
        return;
    const int w = raster_.Width(), h = raster_.Height();
    const uint8_t* current = mask;
    int clipEnd = -1;
    for (const auto& [depth, obj] : list) {
        if (--drawBudget_ < 0)
            return;
        if (clipEnd >= 0 && depth > clipEnd) {
            current = mask;
            clipEnd = -1;
        }
        const Character* ch = movie_.Find(obj.character);
        Matrix om = m * obj.matrix;
        ColorTransform ocx = cx * obj.color;
        if (obj.clipDepth > 0) {
            // A clip layer: its outline limits the objects up to clipDepth and is not drawn itself.
            clipEnd = obj.clipDepth;
            current = mask;
            if (!ch)
                continue;
            if (collecting_) {
                // Only that there is a mask matters here; the outline still counts against the budget.
                AddOutline(*ch, obj.clip.get(), obj.ratio, om, level);
                static const uint8_t kSomeMask = 0;
                current = &kSomeMask;
                continue;
            }
            if (masks_.size() <= size_t(level))
                masks_.resize(size_t(level) + 1);
            std::vector<uint8_t>& buf = masks_[size_t(level)];
            buf.assign(size_t(w) * size_t(h), 0);
            AddOutline(*ch, obj.clip.get(), obj.ratio, om, level);
            raster_.FillMask(buf.data());
            if (mask)
                for (size_t i = 0; i < buf.size(); ++i)
                    buf[i] = uint8_t((buf[i] * mask[i] + 127) / 255);
            current = buf.data();
            continue;
        }
        if (!ch || !obj.visible)
            continue;
        if (ch->kind == Character::Kind::Button && obj.clip) {
            DrawList(obj.clip->list, om, ocx, current, level + 1); // the state it shows, sprites playing
            continue;
        }
        if (ch->kind == Character::Kind::Button) {
            // The records of the state it is in, drawn as a list of their own.
            DisplayList state;
            for (const ButtonRecord* rec : ButtonState(ch->button, obj.buttonState)) {
                Placed& p = state[rec->depth];
                p.character = rec->character;
                p.matrix = rec->matrix;
                p.color = rec->color;
                p.blendMode = rec->blendMode;
            }
            DrawList(state, om, ocx, current, level + 1);
            continue;
        }
        const BlendMode mode = ModeOf(obj.blendMode);
        if (ch->kind == Character::Kind::Sprite) {
            if (!obj.clip)
                continue;
            if (mode == BlendMode::Normal)
                DrawList(obj.clip->list, om, ocx, current, level + 1);
            else
                DrawLayer(obj.clip->list, om, ocx, current, level + 1, mode);
        } else if (const Shape* shape = obj.fieldShape ? obj.fieldShape.get() : ShapeOf(*ch, obj.ratio)) {
            const BlendMode outer = blend_;
            if (mode != BlendMode::Normal)
                blend_ = mode;
            DrawShape(*shape, om, ocx, current);
            blend_ = outer;
        }
    }
}

BlendMode SwfPlayer::ModeOf(uint8_t value)
{
    // 0 (none given) and the modes not drawn (overlay, hard light, unknown values) are normal.
    return value >= 2 && value <= 12 ? BlendMode(value) : BlendMode::Normal;
}

// A sprite with a blend mode is drawn apart onto a transparent layer, which
// then meets what is behind it in that mode; inside the layer, the alpha and
// erase modes of its objects cut into it.
void SwfPlayer::DrawLayer(const DisplayList& list, const Matrix& m, const ColorTransform& cx, const uint8_t* mask,
                          int level, BlendMode mode)
{
    if (level >= kMaxNesting)
        return;
    if (collecting_) {
        const bool outerLayer = inLayer_;
        inLayer_ = true; // what is drawn in a layer covers nothing of the frame
        DrawList(list, m, cx, nullptr, level);
        inLayer_ = outerLayer;
        return;
    }
    const int w = raster_.Width(), h = raster_.Height();
    if (layers_.size() <= size_t(level))
        layers_.resize(size_t(level) + 1);
    std::vector<uint32_t>& buf = layers_[size_t(level)];
    buf.assign(size_t(w) * size_t(h), 0);
    uint32_t* const outerTarget = target_;
    const ptrdiff_t outerStride = stride_;
    const bool outerLayer = inLayer_;
    const BlendMode outerBlend = blend_;
    target_ = buf.data();
    stride_ = w;
    inLayer_ = true;
    blend_ = BlendMode::Normal;
    DrawList(list, m, cx, nullptr, level);
    target_ = outerTarget;
    stride_ = outerStride;
    inLayer_ = outerLayer;
    blend_ = outerBlend;
    for (int y = 0; y < h; ++y) {
        uint32_t* out = target_ + ptrdiff_t(y) * stride_;
        const uint32_t* in = buf.data() + size_t(y) * size_t(w);
        const uint8_t* maskRow = mask ? mask + size_t(y) * size_t(w) : nullptr;
        for (int x = 0; x < w; ++x) {
            uint32_t src = in[x];
            if (!src)
                continue;
            uint32_t cov = 255;
            if (maskRow) {
                cov = maskRow[x];
                if (!cov)
                    continue;
                src = ScalePremultiplied(src, cov);
            }
            BlendPixel(out[x], src, cov, mode, inLayer_);
        }
    }
}

const Shape* SwfPlayer::ShapeOf(const Character& ch, uint16_t ratio)
{
    if (ch.kind == Character::Kind::Shape)
        return &ch.shape;
    if (ch.kind != Character::Kind::Morph)
        return nullptr;
    auto& byRatio = morphShapes_[&ch];
    if (auto it = byRatio.find(ratio); it != byRatio.end())
        return it->second.get();
    if (morphShapeCount_ >= kMaxMorphShapes) {
        // A long tween: start afresh, dropping the lines kept for the shapes let go.
        for (auto& [morph, shapes] : morphShapes_)
            for (auto& [r, shape] : shapes)
                geometry_.erase(shape.get());
        for (auto& [morph, shapes] : morphShapes_)
            shapes.clear();
        morphShapeCount_ = 0;
    }
    auto shape = std::make_unique<Shape>();
    MorphAt(ch.morph, ratio / 65535.0, *shape);
    ++morphShapeCount_;
    return (byRatio[ratio] = std::move(shape)).get();
}

// Adds the filled area of a character (a shape, or all shapes of a sprite) as one outline.
void SwfPlayer::AddOutline(const Character& ch, const Clip* clip, uint16_t ratio, const Matrix& m, int level)
{
    if (level >= kMaxNesting || --drawBudget_ < 0)
        return;
    if (ch.kind == Character::Kind::Sprite) {
        if (clip)
            for (const auto& [depth, obj] : clip->list)
                if (const Character* inner = movie_.Find(obj.character); inner && obj.clipDepth == 0)
                    AddOutline(*inner, obj.clip.get(), obj.ratio, m * obj.matrix, level + 1);
        return;
    }
    if (collecting_)
        return;
    const Shape* shape = ShapeOf(ch, ratio);
    if (!shape)
        return;
    const Geometry& g = ShapeLines(*shape, m);
    size_t item = 0;
    for (const ShapeLayer& layer : shape->layers) {
        for (size_t i = 0; i < layer.fills.size() && i < layer.fillEdges.size(); ++i, ++item)
            AddPaths(raster_, g.paths, g.itemChains[item], g.itemChains[item + 1], m);
        ForEachStrokeRun(layer, [&](const StrokePath*, const StrokePath*) { ++item; });
    }
}

void SwfPlayer::ClearGeometry()
{
    geometry_.clear();
    geometryPoints_ = 0;
}

const SwfPlayer::Geometry& SwfPlayer::ShapeLines(const Shape& shape, const Matrix& m)
{
    ++useClock_;
    std::vector<Geometry>& variants = geometry_[&shape];
    for (Geometry& g : variants)
        if (g.a == m.a && g.b == m.b && g.c == m.c && g.d == m.d) {
            g.lastUse = useClock_;
            return g;
        }
    if (geometryPoints_ > kMaxGeometryPoints) {
        // Too much kept (a movie that keeps scaling its shapes): start afresh.
        for (auto& [key, list] : geometry_)
            if (&list != &variants)
                list.clear();
        variants.clear();
        geometryPoints_ = 0;
    }
    // Reuse the least recently used slot, and its storage.
    Geometry* slot;
    if (variants.size() < kGeometryVariants) {
        slot = &variants.emplace_back();
    } else {
        slot = &*std::min_element(variants.begin(), variants.end(),
                                  [](const Geometry& x, const Geometry& y) { return x.lastUse < y.lastUse; });
        geometryPoints_ -= slot->paths.Points();
    }
    Geometry& g = *slot;
    g.a = m.a;
    g.b = m.b;
    g.c = m.c;
    g.d = m.d;
    g.lastUse = useClock_;
    g.paths.Clear();
    g.itemChains.clear();
    const Matrix linear{m.a, m.b, m.c, m.d, 0, 0};
    const double lineScale = std::sqrt(std::fabs(m.Det())); // twips to pixels
    for (const ShapeLayer& layer : shape.layers) {
        for (size_t i = 0; i < layer.fills.size() && i < layer.fillEdges.size(); ++i) {
            g.itemChains.push_back(uint32_t(g.paths.Chains()));
            FlattenFill(layer.fillEdges[i], linear, g.paths);
        }
        ForEachStrokeRun(layer, [&](const StrokePath* first, const StrokePath* last) {
            g.itemChains.push_back(uint32_t(g.paths.Chains()));
            OutlineStroke(first, last, StrokeHalf(layer.lines[first->lineStyle], lineScale), linear, g.paths);
        });
    }
    g.itemChains.push_back(uint32_t(g.paths.Chains()));
    geometryPoints_ += g.paths.Points();
    return g;
}

bool SwfPlayer::MakePaint(const FillStyle& fill, const Matrix& m, const ColorTransform& cx, Paint& paint)
{
    if (fill.kind == FillKind::Bitmap) {
        const Bitmap* bm = movie_.FindBitmap(fill.bitmap);
        Matrix inverse;
        if (!bm || bm->pixels.empty() || !(m * fill.matrix).Invert(inverse))
            return false; // a missing picture draws nothing
        paint.kind = Paint::Kind::Bitmap;
        paint.toGradient = inverse;
        paint.bitmap.pixels = bm->pixels.data();
        paint.bitmap.width = bm->width;
        paint.bitmap.height = bm->height;
        paint.bitmap.repeat = fill.repeat;
        paint.bitmap.smooth = fill.smooth;
        paint.bitmap.opaque = bm->opaque;
        paint.bitmap.color = cx == ColorTransform{} ? nullptr : &bitmapColor_;
        bitmapColor_ = cx;
        return true;
    }
    if (fill.kind == FillKind::Solid || fill.stops.empty()) {
        Rgba c = cx.Apply(fill.color);
        if (c.a == 0)
            return false;
        paint.kind = Paint::Kind::Solid;
        paint.color = Premultiply(c);
        return true;
    }
    std::array<GradientStop, 16> stops;
    size_t n = std::min(fill.stops.size(), stops.size());
    for (size_t i = 0; i < n; ++i) {
        stops[i].ratio = fill.stops[i].ratio;
        stops[i].color = cx.Apply(fill.stops[i].color);
    }
    Matrix inverse;
    if (!(m * fill.matrix).Invert(inverse)) {
        paint.kind = Paint::Kind::Solid;
        paint.color = Premultiply(stops[n - 1].color);
        return true;
    }
    BuildRamp(stops.data(), n, ramp_);
    paint.kind = fill.kind == FillKind::Linear ? Paint::Kind::Linear : Paint::Kind::Radial;
    paint.spread = fill.spread;
    paint.focal = fill.focal;
    paint.ramp = ramp_;
    paint.toGradient = inverse;
    return true;
}

// Every shape drawn is checked against the areas above it: with many small
// ones that costs more than it saves. The largest are kept, in their order.
void SwfPlayer::KeepLargestCovers()
{
    std::vector<size_t>& size = coverSize_;
    size.assign(coverAreas_.size(), 0);
    for (size_t i = 0; i < coverAreas_.size(); ++i) {
        const CoveredArea& a = coverAreas_[i];
        for (int y = a.y0; y < a.y1; ++y) {
            const PixelRun& r = coverRuns_[coverOffset_[i] + size_t(y - a.y0)];
            size[i] += size_t(r.x1 - r.x0);
        }
    }
    size_t least = kLeastCoverPixels;
    if (size.size() > kMaxCovers) {
        std::vector<size_t>& sorted = coverSorted_;
        sorted = size;
        std::nth_element(sorted.begin(), sorted.begin() + (kMaxCovers - 1), sorted.end(), std::greater<size_t>());
        least = std::max(least, sorted[kMaxCovers - 1]);
    }
    size_t n = 0;
    for (size_t i = 0; i < coverAreas_.size(); ++i)
        if (size[i] >= least && n < kMaxCovers) {
            coverAreas_[n] = coverAreas_[i];
            coverIndex_[n] = coverIndex_[i];
            coverOffset_[n] = coverOffset_[i];
            ++n;
        }
    coverAreas_.resize(n);
    coverIndex_.resize(n);
    coverOffset_.resize(n);
}

bool SwfPlayer::OpaqueArea(const Shape& shape, const Matrix& m, const ColorTransform& cx, CoveredArea& out)
{
    if (ColorTransform::Channel(255, cx.mulA, cx.addA) != 255)
        return false;
    const Geometry* g = nullptr;
    size_t item = 0;
    for (const ShapeLayer& layer : shape.layers) {
        for (size_t i = 0; i < layer.fills.size() && i < layer.fillEdges.size(); ++i, ++item) {
            const FillStyle& fill = layer.fills[i];
            const Bitmap* bm = nullptr;
            if (layer.fillEdges[i].empty())
                continue;
            if (fill.kind == FillKind::Bitmap) {
                bm = movie_.FindBitmap(fill.bitmap);
                if (!bm || bm->pixels.empty() || bm->opaqueRows.size() != size_t(bm->height))
                    continue;
            } else if (fill.kind != FillKind::Solid && !fill.stops.empty()) {
                continue;
            } else if (cx.Apply(fill.color).a != 255) {
                continue;
            }
            if (!g)
                g = &ShapeLines(shape, m);
            // One closed chain of four corners that turns one way: a convex
            // quadrilateral, inside which the winding is one.
            const uint32_t c = g->itemChains[item];
            if (g->itemChains[item + 1] != c + 1)
                continue;
            const size_t begin = c == 0 ? 0 : g->paths.ends[c - 1], end = g->paths.ends[c];
            const float* xy = g->paths.xy.data();
            if (end - begin != 5 || xy[2 * begin] != xy[2 * end - 2] || xy[2 * begin + 1] != xy[2 * end - 1])
                continue;
            double px[4], py[4];
            for (size_t k = 0; k < 4; ++k)
                m.Apply(xy[2 * (begin + k)], xy[2 * (begin + k) + 1], px[k], py[k]);
            int turns = 0;
            bool far = false;
            for (int k = 0; k < 4; ++k) {
                const int j = (k + 1) % 4, l = (k + 2) % 4;
                const double cross = (px[j] - px[k]) * (py[l] - py[j]) - (py[j] - py[k]) * (px[l] - px[j]);
                turns += cross > 0 ? 1 : cross < 0 ? -1 : 0;
                far = far || !(std::fabs(px[k]) < 1e7 && std::fabs(py[k]) < 1e7);
            }
            if (far || std::abs(turns) != 4)
                continue;
            // The rows of the target the quadrilateral spans.
            const double top = std::min({py[0], py[1], py[2], py[3]}), bottom = std::max({py[0], py[1], py[2], py[3]});
            const double left = std::min({px[0], px[1], px[2], px[3]}), right = std::max({px[0], px[1], px[2], px[3]});
            const int y0 = std::max(0, CeilToInt(top)), y1 = std::min(raster_.Height(), FloorToInt(bottom));
            if (y0 >= y1 || (right - left) * (bottom - top) < double(kLeastCoverPixels))
                continue; // too small to be kept
            // A picture with transparent pixels covers where the pixel centres
            // meet opaque ones: bands of its rows, each with the columns opaque in
            // all of them and the rows either side (filtering reads a row and a
            // column beyond), less a column at each end for rounding.
            std::vector<PictureBand>& bands = coverBands_;
            bands.clear();
            Matrix inv; // the target to the picture
            if (bm) {
                if (!(m * fill.matrix).Invert(inv))
                    continue;
                bool near = true; // within reach of the sampler, which gives up on far-off points
                for (size_t k = 0; k < 4; ++k) {
                    double u, v;
                    inv.Apply(px[k], py[k], u, v);
                    near = near && std::fabs(u) < 1e9 && std::fabs(v) < 1e9;
                }
                if (!near)
                    continue;
                const int h = bm->height, step = bm->opaque ? h : std::max(4, h / 16);
                for (int t = 0; t < h; t += step) {
                    const int e = std::min(h, t + step);
                    int lo = 0, hi = bm->width;
                    if (!bm->opaque) {
                        for (int r = t - 1; r <= e; ++r) {
                            const auto& o = bm->opaqueRows[size_t(BitmapWrap(r, h, fill.repeat))];
                            lo = std::max(lo, o.first + 1);
                            hi = std::min(hi, o.second - 1);
                        }
                    }
                    if (lo < hi)
                        bands.push_back({double(lo), double(hi), double(t), double(e)});
                }
                if (bands.empty())
                    continue;
            }
            out = CoveredArea{y0, y1, raster_.Width(), 0, nullptr};
            const size_t first = coverRuns_.size();
            coverRuns_.resize(first + size_t(y1 - y0));
            const CoverJob job{{px[0], px[1], px[2], px[3]}, {py[0], py[1], py[2], py[3]}, y0, y1, raster_.Width(),
                               bands.data(), bands.size(), inv.c, inv.tx, inv.d, inv.ty, inv.a, inv.b};
            GLINT_KERNEL(CoverRows, job, coverRuns_.data() + first, out.x0, out.x1);
            if (out.x0 < out.x1)
                return true;
            coverRuns_.resize(first);
        }
        ForEachStrokeRun(layer, [&](const StrokePath*, const StrokePath*) { ++item; });
    }
    return false;
}

void SwfPlayer::DrawShape(const Shape& shape, const Matrix& m, const ColorTransform& cx, const uint8_t* mask)
{
    const int index = shapeIndex_++;
    // Skip shapes entirely off the target.
    {
        const TwipsRect& b = shape.bounds;
        double xs[4], ys[4];
        m.Apply(b.xMin, b.yMin, xs[0], ys[0]);
        m.Apply(b.xMax, b.yMin, xs[1], ys[1]);
        m.Apply(b.xMin, b.yMax, xs[2], ys[2]);
        m.Apply(b.xMax, b.yMax, xs[3], ys[3]);
        double x0 = *std::min_element(xs, xs + 4), x1 = *std::max_element(xs, xs + 4);
        double y0 = *std::min_element(ys, ys + 4), y1 = *std::max_element(ys, ys + 4);
        // Bounds may leave out a hairline; a pixel of margin covers it.
        if (x1 < -1 || y1 < -1 || x0 > raster_.Width() + 1 || y0 > raster_.Height() + 1)
            return;
        if (collecting_) {
            const size_t first = coverRuns_.size();
            CoveredArea area;
            if (!inLayer_ && !mask && blend_ == BlendMode::Normal && OpaqueArea(shape, m, cx, area)) {
                coverIndex_.push_back(index);
                coverOffset_.push_back(first);
                coverAreas_.push_back(area);
            }
            return;
        }
        if (inLayer_) {
            raster_.SetCovered(nullptr, 0);
        } else {
            while (coverNext_ < coverIndex_.size() && coverIndex_[coverNext_] <= index)
                ++coverNext_;
            // A shape wholly under one of them is not drawn at all (bounds may
            // leave out a hairline: a margin of two pixels).
            auto pixel = [](double v) { return int(std::clamp(v, -1e6, 1e6)); };
            const int bx0 = pixel(std::floor(x0)) - 2, bx1 = pixel(std::ceil(x1)) + 2;
            const int by0 = pixel(std::floor(y0)) - 2, by1 = pixel(std::ceil(y1)) + 2;
            for (size_t i = coverNext_; i < coverAreas_.size(); ++i) {
                const CoveredArea& a = coverAreas_[i];
                if (bx0 < a.x0 || bx1 >= a.x1 || by0 < a.y0 || by1 >= a.y1)
                    continue;
                int y = by0;
                while (y <= by1 && a.runs[y - a.y0].x0 <= bx0 && bx1 < a.runs[y - a.y0].x1)
                    ++y;
                if (y > by1)
                    return;
            }
            raster_.SetCovered(coverAreas_.data() + coverNext_, coverAreas_.size() - coverNext_);
        }
    }
    const Geometry& g = ShapeLines(shape, m);
    size_t item = 0;
    for (const ShapeLayer& layer : shape.layers) {
        for (size_t i = 0; i < layer.fills.size() && i < layer.fillEdges.size(); ++i, ++item) {
            Paint paint;
            paint.blend = blend_;
            paint.layer = inLayer_;
            if (layer.fillEdges[i].empty() || !MakePaint(layer.fills[i], m, cx, paint))
                continue;
            AddPaths(raster_, g.paths, g.itemChains[item], g.itemChains[item + 1], m);
            raster_.Fill(target_, stride_, paint, mask);
        }
        // Strokes are outlined in shape space and transformed with the shape, so
        // that a stretched shape has stretched lines, as in Flash.
        ForEachStrokeRun(layer, [&](const StrokePath* first, const StrokePath*) {
            const size_t run = item++;
            const LineStyle& ls = layer.lines[first->lineStyle];
            Rgba c = cx.Apply(ls.color);
            if (c.a == 0)
                return;
            AddPaths(raster_, g.paths, g.itemChains[run], g.itemChains[run + 1], m);
            Paint paint;
            paint.blend = blend_;
            paint.layer = inLayer_;
            paint.color = Premultiply(c);
            if (!ls.hasFill || MakePaint(ls.fill, m, cx, paint))
                raster_.Fill(target_, stride_, paint, mask);
            else
                raster_.Reset(raster_.Width(), raster_.Height()); // drops the outline of a fill that cannot be drawn
        });
    }
}

} // namespace glint::flash
