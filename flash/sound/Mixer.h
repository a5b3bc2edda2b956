#pragma once
// Plays the sounds of a movie frame by frame: each frame a timeline enters
// (the main one's or a sprite's) starts and stops event sounds and adds the
// frame's stream block to that timeline's stream; button transitions start
// their sounds; each frame interval the mixer gives 44.1 kHz 16-bit stereo
// samples of all of them to the output.
#include "flash/sound/Decoder.h"
#include "flash/sound/SoundOutput.h"
#include "flash/sound/SoundTags.h"

#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>

namespace glint::flash::sound {

// What the mixer did, for hosts and tests.
struct SoundLog {
    std::vector<uint16_t> started; // ids of the event sounds started, in order (the first kMaxLogged)
    uint64_t frames = 0;           // stereo frames mixed while something played
    uint64_t decoded = 0;          // source sample frames decoded
    uint64_t skipped = 0;          // starts of sounds missing, not decodable or over the voice limit
};

class Mixer {
public:
    static constexpr int kRate = 44100;
    static constexpr size_t kMaxVoices = 32;
    static constexpr size_t kMaxLogged = 4096;
    // Decoded samples (all channels) kept for the event sounds of a movie; a
    // sound is cut where the limit is reached.
    static constexpr size_t kMaxCachedSamples = size_t(16) << 20;
    // Source frames decoded in one frame interval, for all event sounds
    // together and for all streams together.
    static constexpr size_t kFrameDecodeBudget = 4 * 44100;
    // Stream samples waiting to play: older ones are dropped beyond it.
    static constexpr size_t kMaxStreamFrames = 4 * 44100;
    // Streams playing at once (the main timeline's and sprites'); more are not played.
    static constexpr size_t kMaxStreams = 16;

    Mixer();
    ~Mixer();
    // The table must outlive the mixer's use of it (until Unload).
    void Load(const SoundTable* table, double frameIntervalMs);
    void Unload();

    // The frame the main timeline shows now: its sound events and stream block.
    // A frame that does not follow the last one restarts the stream there.
    void EnterFrame(int frame);
    // The same for the timeline of sprite `sprite` placed as `clip`: its
    // stream lives while the clip does.
    void EnterClipFrame(const std::shared_ptr<const void>& clip, uint16_t sprite, int frame);
    // A button changed state: the sound of the transition (ButtonTransition) starts.
    void ButtonTransition(uint16_t button, int transition);
    // Mixes one frame interval and sends it to the output; the frames mixed,
    // 0 when nothing plays.
    size_t Mix();
    bool Busy() const;
    const std::vector<int16_t>& Mixed() const { return mixed_; }
    const SoundLog& Log() const { return log_; }
    // The device the sound goes to; null natively, or before a movie with sound loaded.
    const SoundOutput* Output() const { return output_.get(); }

private:
    struct Source {
        const SoundDef* def = nullptr;
        std::unique_ptr<Decoder> decoder;
        std::vector<int16_t> pcm;
        int channels = 1;
        double rate = kRate;
        bool done = false; // all there is of it is in pcm (the decoder is gone)
        size_t Frames() const { return pcm.size() / size_t(channels); }
    };
    struct Voice {
        uint16_t id = 0;
        Source* source = nullptr;
        const SoundInfo* info = nullptr;
        uint64_t pos = 0;   // source frames, 32.32 fixed point
        uint32_t out44 = 0; // 44.1 kHz frames since the start of the sound
        uint32_t loopsLeft = 1;
    };

    // The stream of one timeline instance.
    struct Stream {
        const StreamHead* head = nullptr;
        std::weak_ptr<const void> owner; // the sprite's clip; empty for the main timeline
        bool main = false;
        std::unique_ptr<Decoder> decoder;
        std::vector<int16_t> pcm;
        uint64_t pos = 0; // into pcm, 32.32 fixed point
        int lastFrame = -2;
        bool Pending() const;
    };

    void DropEndedStreams();
    void EnterTimeline(const TimelineSounds& sounds, Stream* stream, int frame);
    void Start(const SoundStart& start);
    bool Decode(Source& s, size_t frames); // until `frames` are there; false when it cannot
    bool MixVoice(Voice& v, int32_t* acc, size_t n); // false when the voice ended
    void MixStream(Stream& s, int32_t* acc, size_t n);

    const SoundTable* table_ = nullptr;
    double framesPerInterval_ = 0, carry_ = 0;
    std::unordered_map<uint16_t, std::unique_ptr<Source>> sources_;
    std::vector<Voice> voices_;
    size_t cached_ = 0;
    size_t budget_ = 0;

    std::vector<Stream> streams_;
    size_t streamBudget_ = 0; // source frames the streams may still decode before the next interval

    std::vector<int32_t> acc_;
    std::vector<int16_t> mixed_;
    std::unique_ptr<SoundOutput> output_;
    SoundLog log_;
};

// 32.32 step through a source at `rate` for each 44.1 kHz frame.
uint64_t StepFor(double rate);

} // namespace glint::flash::sound
