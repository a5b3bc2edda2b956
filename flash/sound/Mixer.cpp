#include "flash/sound/Mixer.h"

#include <algorithm>
#include <cmath>

namespace glint::flash::sound {

namespace {

// In and out points further than this lie beyond any sound a movie may keep.
constexpr uint32_t kMaxPoint = 1u << 28;

int32_t Interpolate(const int16_t* pcm, size_t i, size_t frames, int channels, int c, uint32_t fraction)
{
    int32_t a = pcm[i * size_t(channels) + size_t(c)];
    int32_t b = i + 1 < frames ? pcm[(i + 1) * size_t(channels) + size_t(c)] : a;
    return a + int32_t((int64_t(b - a) * fraction) >> 32);
}

// The envelope's level (0..32768) at a position, straight lines between its points.
int32_t Level(const std::vector<EnvelopePoint>& env, uint32_t pos, bool right)
{
    auto level = [right](const EnvelopePoint& p) { return int32_t(right ? p.right : p.left); };
    if (pos <= env.front().position)
        return level(env.front());
    for (size_t j = 0; j + 1 < env.size(); ++j) {
        const EnvelopePoint &p = env[j], &q = env[j + 1];
        if (pos < q.position && q.position > p.position)
            return level(p) + int32_t(int64_t(level(q) - level(p)) * (pos - p.position) / (q.position - p.position));
    }
    return level(env.back());
}

} // namespace

uint64_t StepFor(double rate)
{
    rate = std::clamp(rate, 1000.0, 192000.0);
    return uint64_t(std::llround(rate / Mixer::kRate * 4294967296.0));
}

Mixer::Mixer() = default;
Mixer::~Mixer() = default;

void Mixer::Load(const SoundTable* table, double frameIntervalMs)
{
    Unload();
    table_ = table && !table->Empty() ? table : nullptr;
    framesPerInterval_ = kRate * std::clamp(frameIntervalMs, 1.0, 10000.0) / 1000.0;
}

void Mixer::Unload()
{
    voices_.clear();
    sources_.clear();
    stream_.reset();
    streamPcm_.clear();
    streamPos_ = 0;
    lastFrame_ = -2;
    cached_ = 0;
    carry_ = 0;
    table_ = nullptr;
    output_.reset();
    outputTried_ = false;
    log_ = SoundLog{};
}

bool Mixer::Busy() const
{
    return !voices_.empty() || (stream_ && (streamPos_ >> 32) < streamPcm_.size() / size_t(stream_->Channels()));
}

void Mixer::EnterFrame(int frame)
{
    if (!table_ || frame < 0)
        return;
    if (const auto* starts = table_->Starts(size_t(frame)))
        for (const SoundStart& s : *starts)
            Start(s);

    if (!table_->Stream().present)
        return;
    if (!stream_)
        stream_ = MakeDecoder(table_->Stream().format);
    if (frame != lastFrame_ + 1) {
        stream_->Reset();
        streamPcm_.clear();
        streamPos_ = 0;
    }
    lastFrame_ = frame;
    const uint8_t* data;
    size_t size;
    if (table_->Block(size_t(frame), data, size)) {
        const size_t perBlock = table_->Stream().samplesPerBlock;
        stream_->Feed(data, size, perBlock ? perBlock : SIZE_MAX);
        log_.decoded += stream_->Decode(streamPcm_, kMaxStreamFrames);
    }
    // A stream that gives more than it plays keeps its newest samples, in time with the frames.
    const size_t ch = size_t(stream_->Channels()), frames = streamPcm_.size() / ch;
    if (frames > kMaxStreamFrames) {
        streamPcm_.erase(streamPcm_.begin(), streamPcm_.begin() + ptrdiff_t((frames - kMaxStreamFrames) * ch));
        streamPos_ = 0;
    }
}

void Mixer::Start(const SoundStart& start)
{
    uint16_t id = table_->Resolve(start);
    const SoundDef* def = id ? table_->Find(id) : nullptr;
    if (!def) {
        ++log_.skipped;
        return;
    }
    if (start.info.syncStop) {
        voices_.erase(std::remove_if(voices_.begin(), voices_.end(), [id](const Voice& v) { return v.id == id; }),
                      voices_.end());
        return;
    }
    if (start.info.syncNoMultiple &&
        std::any_of(voices_.begin(), voices_.end(), [id](const Voice& v) { return v.id == id; }))
        return;
    auto& source = sources_[id];
    if (!source) {
        source = std::make_unique<Source>();
        source->def = def;
        source->decoder = MakeDecoder(def->format);
        if (source->decoder) {
            source->decoder->Feed(def->data.data(), def->data.size(), def->sampleCount ? def->sampleCount : SIZE_MAX);
            source->channels = source->decoder->Channels();
            source->rate = source->decoder->Rate();
        } else
            source->done = true;
    }
    if ((source->done && source->pcm.empty()) || voices_.size() >= kMaxVoices) {
        ++log_.skipped;
        return;
    }
    Voice v;
    v.id = id;
    v.source = source.get();
    v.info = &start.info;
    v.out44 = start.info.hasIn ? std::min(start.info.inPoint, kMaxPoint) : 0;
    v.pos = uint64_t(v.out44) * StepFor(source->rate);
    v.loopsLeft = std::max<uint32_t>(start.info.loops, 1);
    voices_.push_back(v);
    if (log_.started.size() < kMaxLogged)
        log_.started.push_back(id);
}

bool Mixer::Decode(Source& s, size_t frames)
{
    const size_t ch = size_t(s.channels);
    // The declared length bounds the sound unless it says nothing at all.
    const size_t declared = s.def->sampleCount ? s.def->sampleCount : SIZE_MAX;
    while (!s.done && s.Frames() < frames && budget_ > 0) {
        size_t want = std::min({frames - s.Frames(), budget_, declared - s.Frames(), (kMaxCachedSamples - cached_) / ch});
        size_t got = want ? s.decoder->Decode(s.pcm, want) : 0;
        if (s.Frames() >= declared && s.pcm.size() > declared * ch)
            s.pcm.resize(declared * ch);
        s.channels = s.decoder->Channels();
        s.rate = s.decoder->Rate();
        budget_ -= std::min(budget_, got);
        cached_ += got * ch;
        log_.decoded += got;
        if (got < want || want == 0 || s.Frames() >= declared) {
            s.done = true;
            s.decoder.reset(); // its input is used up, or the memory for it
        }
    }
    return s.Frames() >= frames;
}

bool Mixer::MixVoice(Voice& v, int32_t* acc, size_t n)
{
    Source& s = *v.source;
    uint64_t step = StepFor(s.rate);
    if (!s.done)
        Decode(s, size_t(std::min<uint64_t>((v.pos + n * step) >> 32, SIZE_MAX - 2)) + 2);
    step = StepFor(s.rate); // an MP3 sound tells its rate once it decodes
    const SoundInfo& info = *v.info;
    const uint32_t in = info.hasIn ? std::min(info.inPoint, kMaxPoint) : 0;
    for (size_t k = 0; k < n; ++k) {
        const size_t frames = s.Frames();
        size_t i = size_t(v.pos >> 32);
        if ((info.hasOut && v.out44 >= info.outPoint) || (s.done && i >= frames)) {
            // Loops go back to the in point; a loop that would play nothing ends the sound.
            bool empty = (info.hasOut && info.outPoint <= in) || (s.done && ((uint64_t(in) * step) >> 32) >= frames);
            if (v.loopsLeft <= 1 || empty)
                return false;
            --v.loopsLeft;
            v.out44 = in;
            v.pos = uint64_t(in) * step;
            i = size_t(v.pos >> 32);
        }
        if (i < frames) { // else not decoded yet: this frame's budget is spent
            const uint32_t f = uint32_t(v.pos);
            int32_t l = Interpolate(s.pcm.data(), i, frames, s.channels, 0, f);
            int32_t r = s.channels == 2 ? Interpolate(s.pcm.data(), i, frames, 2, 1, f) : l;
            if (!info.envelope.empty()) {
                l = int32_t(int64_t(l) * Level(info.envelope, v.out44, false) / 32768);
                r = int32_t(int64_t(r) * Level(info.envelope, v.out44, true) / 32768);
            }
            acc[2 * k] += l;
            acc[2 * k + 1] += r;
        }
        v.pos += step;
        if (v.out44 < UINT32_MAX)
            ++v.out44;
    }
    // A sound that ended with this interval does not keep the next one busy.
    bool atEnd = (info.hasOut && v.out44 >= info.outPoint) || (s.done && (v.pos >> 32) >= s.Frames());
    return !(atEnd && v.loopsLeft <= 1);
}

void Mixer::MixStream(int32_t* acc, size_t n)
{
    const int ch = stream_->Channels();
    const size_t frames = streamPcm_.size() / size_t(ch);
    const uint64_t step = StepFor(stream_->Rate());
    for (size_t k = 0; k < n; ++k) {
        size_t i = size_t(streamPos_ >> 32);
        if (i >= frames)
            break; // the next block comes with the next frame
        int32_t l = Interpolate(streamPcm_.data(), i, frames, ch, 0, uint32_t(streamPos_));
        acc[2 * k] += l;
        acc[2 * k + 1] += ch == 2 ? Interpolate(streamPcm_.data(), i, frames, 2, 1, uint32_t(streamPos_)) : l;
        streamPos_ += step;
    }
    size_t used = std::min(size_t(streamPos_ >> 32), frames);
    streamPcm_.erase(streamPcm_.begin(), streamPcm_.begin() + ptrdiff_t(used * size_t(ch)));
    streamPos_ -= uint64_t(used) << 32;
}

size_t Mixer::Mix()
{
    if (!table_)
        return 0;
    carry_ += framesPerInterval_;
    const size_t n = size_t(carry_);
    carry_ -= double(n);
    mixed_.clear();
    if (!Busy() || n == 0)
        return 0;
    budget_ = kFrameDecodeBudget;
    acc_.assign(2 * n, 0);
    size_t kept = 0;
    for (Voice& v : voices_)
        if (MixVoice(v, acc_.data(), n))
            voices_[kept++] = v;
    voices_.resize(kept);
    if (stream_)
        MixStream(acc_.data(), n);
    mixed_.resize(2 * n);
    for (size_t i = 0; i < 2 * n; ++i)
        mixed_[i] = int16_t(std::clamp(acc_[i], -32768, 32767));
    log_.frames += n;
    if (!outputTried_) {
        outputTried_ = true;
        output_ = OpenSoundOutput();
    }
    if (output_)
        output_->Write(mixed_.data(), n);
    return n;
}

} // namespace glint::flash::sound
