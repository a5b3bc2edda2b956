#pragma once
// The sounds of a movie as its tags describe them: event sounds (DefineSound),
// when they start and stop (StartSound, StartSound2), the stream sound of
// each timeline (SoundStreamHead/2, one SoundStreamBlock a frame), main or
// sprite, and the sounds of button transitions (DefineButtonSound).
#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

namespace glint::flash {
class SwfReader;
}

namespace glint::flash::sound {

enum class Codec : uint8_t {
    RawNative = 0, // samples in the byte order of the machine that made the file: taken as little-endian
    Adpcm = 1,
    Mp3 = 2,
    RawLittle = 3,
    Nelly16 = 4,
    Nelly8 = 5,
    Nelly = 6,
    Speex = 11,
};

struct SoundFormat {
    Codec codec = Codec::RawLittle;
    double rate = 5512.5; // 5512.5, 11025, 22050 or 44100
    bool sixteenBit = true;
    bool stereo = false;

    // Read from the four bit fields of the format byte (codec, rate, size, type).
    static SoundFormat FromByte(uint8_t bits);
    // Nellymoser and Speex are not decoded.
    bool Decodable() const;
};

struct EnvelopePoint {
    uint32_t position = 0; // in 44.1 kHz samples from the start of the sound
    uint16_t left = 0;     // 0..32768
    uint16_t right = 0;
};

// How a sound is started (a SOUNDINFO record).
struct SoundInfo {
    bool syncStop = false;       // stop every instance of the sound
    bool syncNoMultiple = false; // do not start it when it already plays
    bool hasIn = false, hasOut = false;
    uint32_t inPoint = 0, outPoint = 0; // 44.1 kHz samples
    uint16_t loops = 1;
    std::vector<EnvelopePoint> envelope;
};

struct SoundDef {
    SoundFormat format;
    uint32_t sampleCount = 0; // as declared, a channel's samples
    // The encoded data (for MP3 without the leading seek count).
    std::vector<uint8_t> data;
};

struct SoundStart {
    uint16_t id = 0;       // 0 when named only and the name is unknown
    std::string className; // StartSound2: the sound's class name
    SoundInfo info;
};

struct StreamHead {
    bool present = false;
    SoundFormat format;
    uint16_t samplesPerBlock = 0;
};

// A stream block: the span of the encoded data of one frame, kept in the table.
struct StreamBlock {
    size_t offset = 0;
    size_t size = 0;
};

// The sound of one timeline: the starts of its frames and its stream.
struct TimelineSounds {
    std::unordered_map<size_t, std::vector<SoundStart>> starts;
    StreamHead stream;
    std::unordered_map<size_t, StreamBlock> blocks; // spans of `data`
    std::vector<uint8_t> data;

    // The starts and stops of a frame; null when there are none.
    const std::vector<SoundStart>* Starts(size_t frame) const;
    // The encoded data of a frame's stream block; false when the frame has none.
    bool Block(size_t frame, const uint8_t*& data, size_t& size) const;
};

// DefineButtonSound's transitions, in the order of the tag.
enum ButtonTransition : int { kOverUpToIdle, kIdleToOverUp, kOverUpToOverDown, kOverDownToOverUp, kTransitions };

class SoundTable {
public:
    // Takes a tag seen before the ShowFrame of `frame`, of the main timeline
    // (`sprite` 0) or of a sprite's. False when it is not a sound tag; true
    // when it is one.
    bool ReadTag(uint16_t code, const uint8_t* data, size_t size, size_t frame, uint16_t sprite = 0);

    bool Empty() const { return sounds_.empty() && main_.starts.empty() && main_.blocks.empty() && sprites_.empty() &&
                                buttons_.empty(); }
    const SoundDef* Find(uint16_t id) const;
    const TimelineSounds& Main() const { return main_; }
    // A sprite's sounds; null when it has none.
    const TimelineSounds* Sprite(uint16_t id) const;
    // What a button plays on a transition; null when nothing.
    const SoundStart* ButtonSound(uint16_t button, int transition) const;
    // The character a start names, through SymbolClass for StartSound2; 0 when unknown.
    uint16_t Resolve(const SoundStart& start) const;
    // Sounds and stream blocks in a format that is not decoded, and damaged sound tags.
    size_t Skipped() const { return skipped_; }

    // Encoded sound data kept for one movie; tags beyond it are dropped.
    static constexpr size_t kMaxBytes = size_t(64) << 20;
    static constexpr size_t kMaxEnvelopePoints = 32;

private:
    static bool ReadInfo(SwfReader& in, SoundInfo& info);

    std::unordered_map<uint16_t, SoundDef> sounds_;
    std::unordered_map<std::string, uint16_t> classes_; // SymbolClass: name to character
    TimelineSounds main_;
    std::unordered_map<uint16_t, TimelineSounds> sprites_;
    std::unordered_map<uint16_t, std::vector<SoundStart>> buttons_; // kTransitions each
    size_t bytes_ = 0;
    size_t skipped_ = 0;
};

} // namespace glint::flash::sound
