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
    streamBudget_ = kFrameDecodeBudget;
    // Opened with the first movie that has sound, in the background where the
    // device is slow to come: the first sounds are dropped rather than waited
    // for. It stays open for the movies after it, whose loads do not wait either.
    if (table_ && !output_)
        output_ = OpenSoundOutput();
}

void Mixer::Unload()
{
    voices_.clear();
    sources_.clear();
    streams_.clear();
    cached_ = 0;
    carry_ = 0;
    table_ = nullptr;
    if (output_)
        output_->Stop();
    log_ = SoundLog{};
}

// The stream of a clip that is gone stops with it.
void Mixer::DropEndedStreams()
{
    streams_.erase(std::remove_if(streams_.begin(), streams_.end(),
                                  [](const Stream& s) { return !s.decoder || (!s.main && s.owner.expired()); }),
                   streams_.end());
}

bool Mixer::Stream::Pending() const
{
    return decoder && (main || !owner.expired()) && (pos >> 32) < pcm.size() / size_t(decoder->Channels());
}

bool Mixer::Busy() const
{
    return !voices_.empty() || std::any_of(streams_.begin(), streams_.end(), [](const Stream& s) { return s.Pending(); });
}

void Mixer::EnterFrame(int frame)
{
    if (!table_ || frame < 0)
        return;
    Stream* stream = nullptr;
    for (Stream& s : streams_)
        if (s.main)
            stream = &s;
    if (!stream && table_->Main().stream.present && streams_.size() < kMaxStreams) {
        stream = &streams_.emplace_back();
        stream->main = true;
    }
    EnterTimeline(table_->Main(), stream, frame);
}

void Mixer::EnterClipFrame(const std::shared_ptr<const void>& clip, uint16_t sprite, int frame)
{
    const TimelineSounds* sounds = table_ ? table_->Sprite(sprite) : nullptr;
    if (!sounds || !clip || frame < 0)
        return;
    Stream* stream = nullptr;
    if (sounds->stream.present) {
        DropEndedStreams(); // those of clips gone make room
        for (Stream& s : streams_)
            if (!s.main && !s.owner.owner_before(clip) && !clip.owner_before(s.owner))
                stream = &s;
        if (!stream && streams_.size() < kMaxStreams) {
            stream = &streams_.emplace_back();
            stream->owner = clip;
        }
    }
    EnterTimeline(*sounds, stream, frame);
}

void Mixer::ButtonTransition(uint16_t button, int transition)
{
    if (const SoundStart* start = table_ ? table_->ButtonSound(button, transition) : nullptr)
        Start(*start);
}

void Mixer::EnterTimeline(const TimelineSounds& sounds, Stream* stream, int frame)
{
    if (const auto* starts = sounds.Starts(size_t(frame)))
        for (const SoundStart& s : *starts)
            Start(s);
    if (!stream)
        return;
    Stream& st = *stream;
    if (!st.decoder) {
        st.head = &sounds.stream;
        st.decoder = MakeDecoder(st.head->format);
        if (!st.decoder)
            return;
    }
    if (frame != st.lastFrame + 1) {
        st.decoder->Reset();
        st.pcm.clear();
        st.pos = 0;
    }
    st.lastFrame = frame;
    const uint8_t* data;
    size_t size;
    if (sounds.Block(size_t(frame), data, size)) {
        const size_t perBlock = st.head->samplesPerBlock;
        st.decoder->Feed(data, size, perBlock ? perBlock : SIZE_MAX);
        // Several streams share one interval's decoding; what is left waits for the next.
        const size_t got = st.decoder->Decode(st.pcm, std::min(kMaxStreamFrames, streamBudget_));
        streamBudget_ -= std::min(streamBudget_, got);
        log_.decoded += got;
    }
    // A stream that gives more than it plays keeps its newest samples, in time with the frames.
    const size_t ch = size_t(st.decoder->Channels()), frames = st.pcm.size() / ch;
    if (frames > kMaxStreamFrames) {
        st.pcm.erase(st.pcm.begin(), st.pcm.begin() + ptrdiff_t((frames - kMaxStreamFrames) * ch));
        st.pos = 0;
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

void Mixer::MixStream(Stream& s, int32_t* acc, size_t n)
{
    const int ch = s.decoder->Channels();
    const size_t frames = s.pcm.size() / size_t(ch);
    const uint64_t step = StepFor(s.decoder->Rate());
    for (size_t k = 0; k < n; ++k) {
        size_t i = size_t(s.pos >> 32);
        if (i >= frames)
            break; // the next block comes with the next frame
        int32_t l = Interpolate(s.pcm.data(), i, frames, ch, 0, uint32_t(s.pos));
        acc[2 * k] += l;
        acc[2 * k + 1] += ch == 2 ? Interpolate(s.pcm.data(), i, frames, 2, 1, uint32_t(s.pos)) : l;
        s.pos += step;
    }
    size_t used = std::min(size_t(s.pos >> 32), frames);
    s.pcm.erase(s.pcm.begin(), s.pcm.begin() + ptrdiff_t(used * size_t(ch)));
    s.pos -= uint64_t(used) << 32;
}

size_t Mixer::Mix()
{
    if (!table_)
        return 0;
    carry_ += framesPerInterval_;
    const size_t n = size_t(carry_);
    carry_ -= double(n);
    mixed_.clear();
    streamBudget_ = kFrameDecodeBudget;
    if (!Busy() || n == 0)
        return 0;
    budget_ = kFrameDecodeBudget;
    acc_.assign(2 * n, 0);
    size_t kept = 0;
    for (Voice& v : voices_)
        if (MixVoice(v, acc_.data(), n))
            voices_[kept++] = v;
    voices_.resize(kept);
    DropEndedStreams();
    for (Stream& s : streams_)
        MixStream(s, acc_.data(), n);
    mixed_.resize(2 * n);
    for (size_t i = 0; i < 2 * n; ++i)
        mixed_[i] = int16_t(std::clamp(acc_[i], -32768, 32767));
    log_.frames += n;
    if (output_)
        output_->Write(mixed_.data(), n);
    return n;
}

} // namespace glint::flash::sound
