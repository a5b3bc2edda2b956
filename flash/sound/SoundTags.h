#pragma once
// The sounds of a movie as its tags describe them: event sounds (DefineSound),
// when they start and stop (StartSound, StartSound2), and the stream sound of
// the main timeline (SoundStreamHead/2, one SoundStreamBlock a frame).
#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

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

class SoundTable {
public:
    // Takes a tag of the main timeline seen before the ShowFrame of `frame`.
    // False when it is not a sound tag; true when it is one.
    bool ReadTag(uint16_t code, const uint8_t* data, size_t size, size_t frame);

    bool Empty() const { return sounds_.empty() && starts_.empty() && blocks_.empty(); }
    const SoundDef* Find(uint16_t id) const;
    // The starts and stops of a frame; null when there are none.
    const std::vector<SoundStart>* Starts(size_t frame) const;
    // The character a start names, through SymbolClass for StartSound2; 0 when unknown.
    uint16_t Resolve(const SoundStart& start) const;
    const StreamHead& Stream() const { return stream_; }
    // The encoded data of a frame's stream block; false when the frame has none.
    bool Block(size_t frame, const uint8_t*& data, size_t& size) const;
    // Sounds and stream blocks in a format that is not decoded, and damaged sound tags.
    size_t Skipped() const { return skipped_; }

    // Encoded sound data kept for one movie; tags beyond it are dropped.
    static constexpr size_t kMaxBytes = size_t(64) << 20;
    static constexpr size_t kMaxEnvelopePoints = 32;

private:
    static bool ReadInfo(const uint8_t* data, size_t size, SoundInfo& info);

    std::unordered_map<uint16_t, SoundDef> sounds_;
    std::unordered_map<size_t, std::vector<SoundStart>> starts_;
    std::unordered_map<std::string, uint16_t> classes_; // SymbolClass: name to character
    StreamHead stream_;
    std::vector<uint8_t> streamData_;
    std::unordered_map<size_t, StreamBlock> blocks_;
    size_t bytes_ = 0;
    size_t skipped_ = 0;
};

} // namespace glint::flash::sound
