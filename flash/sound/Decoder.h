#pragma once
// Decoders of the sound formats of movies: raw 8/16-bit samples and ADPCM by
// us, MP3 through libmpg123. A decoder takes its input in pieces (a whole
// sound, or one stream block a frame) and gives 16-bit samples, interleaved
// when stereo, as many as asked at a time.
#include "flash/sound/SoundTags.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <vector>

namespace glint::flash::sound {

class Decoder {
public:
    virtual ~Decoder() = default;

    // Adds input; the bytes are not copied and must outlive the decoder.
    // Each piece is decoded on its own terms: an ADPCM piece starts with its
    // own header, MP3 pieces continue one stream. `frames` is how many the
    // piece holds where the format cannot tell (ADPCM pads its last byte).
    void Feed(const uint8_t* data, size_t size, size_t frames = SIZE_MAX);
    // Appends up to `frames` sample frames to `out`; fewer when the input runs out.
    virtual size_t Decode(std::vector<int16_t>& out, size_t frames) = 0;
    // Forgets all input and state.
    virtual void Reset();

    int Channels() const { return channels_; }
    // Samples a second and channel; MP3 tells its own once decoding began.
    double Rate() const { return rate_; }

protected:
    struct Piece {
        const uint8_t* data;
        size_t size;
        size_t frames;
    };
    std::deque<Piece> pieces_;
    size_t offset_ = 0; // into the first piece
    int channels_ = 1;
    double rate_ = 44100;
};

// Null for Nellymoser and Speex.
std::unique_ptr<Decoder> MakeDecoder(const SoundFormat& format);

class RawDecoder : public Decoder {
public:
    RawDecoder(bool sixteenBit, bool stereo, double rate);
    size_t Decode(std::vector<int16_t>& out, size_t frames) override;

private:
    bool sixteenBit_;
};

// ADPCM: a 2-bit code size (2 to 5 bits a sample), then packets of 4096
// samples a channel: a 16-bit first sample and a 6-bit step index per
// channel, then 4095 codes per channel, interleaved.
class AdpcmDecoder : public Decoder {
public:
    AdpcmDecoder(bool stereo, double rate);
    size_t Decode(std::vector<int16_t>& out, size_t frames) override;
    void Reset() override;

private:
    uint32_t Bits(unsigned n); // from the current piece; sets ended_ past its end
    void NextPiece();

    unsigned codeBits_ = 0; // 0: the piece's header is still to read
    unsigned left_ = 0;     // codes still due in the packet
    int32_t sample_[2] = {0, 0};
    int index_[2] = {0, 0};
    uint64_t bitPos_ = 0; // in the current piece
    size_t given_ = 0;    // frames of the current piece
    bool ended_ = false;
};

class Mp3Decoder : public Decoder {
public:
    Mp3Decoder(bool stereo, double rate);
    ~Mp3Decoder() override;
    size_t Decode(std::vector<int16_t>& out, size_t frames) override;
    void Reset() override;

private:
    void Open();
    struct Handle;
    Handle* handle_ = nullptr;
    bool stereo_;
    bool failed_ = false;
};

} // namespace glint::flash::sound
