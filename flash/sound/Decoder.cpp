#include "flash/sound/Decoder.h"

#include <mpg123.h>

#include <algorithm>

namespace glint::flash::sound {

namespace {

const int16_t kSteps[89] = {
    7,     8,     9,     10,    11,    12,    13,    14,    16,    17,    19,    21,    23,    25,    28,
    31,    34,    37,    41,    45,    50,    55,    60,    66,    73,    80,    88,    97,    107,   118,
    130,   143,   157,   173,   190,   209,   230,   253,   279,   307,   337,   371,   408,   449,   494,
    544,   598,   658,   724,   796,   876,   963,   1060,  1166,  1282,  1411,  1552,  1707,  1878,  2066,
    2272,  2499,  2749,  3024,  3327,  3660,  4026,  4428,  4871,  5358,  5894,  6484,  7132,  7845,  8630,
    9493,  10442, 11487, 12635, 13899, 15289, 16818, 18500, 20350, 22385, 24623, 27086, 29794, 32767};

// Step index changes by the code's magnitude bits, for 2, 3, 4 and 5-bit codes.
const int8_t kIndex2[2] = {-1, 2};
const int8_t kIndex3[4] = {-1, -1, 2, 4};
const int8_t kIndex4[8] = {-1, -1, -1, -1, 2, 4, 6, 8};
const int8_t kIndex5[16] = {-1, -1, -1, -1, -1, -1, -1, -1, 1, 2, 4, 6, 8, 10, 13, 16};
const int8_t* const kIndexTables[4] = {kIndex2, kIndex3, kIndex4, kIndex5};

constexpr unsigned kPacketSamples = 4096;
constexpr size_t kMp3FeedChunk = 16384;

} // namespace

void Decoder::Feed(const uint8_t* data, size_t size, size_t frames)
{
    if (data && size && frames)
        pieces_.push_back({data, size, frames});
}

void Decoder::Reset()
{
    pieces_.clear();
    offset_ = 0;
}

std::unique_ptr<Decoder> MakeDecoder(const SoundFormat& f)
{
    switch (f.codec) {
    case Codec::RawNative:
    case Codec::RawLittle:
        return std::make_unique<RawDecoder>(f.sixteenBit, f.stereo, f.rate);
    case Codec::Adpcm:
        return std::make_unique<AdpcmDecoder>(f.stereo, f.rate);
    case Codec::Mp3:
        return std::make_unique<Mp3Decoder>(f.stereo, f.rate);
    default:
        return nullptr;
    }
}

RawDecoder::RawDecoder(bool sixteenBit, bool stereo, double rate) : sixteenBit_(sixteenBit)
{
    channels_ = stereo ? 2 : 1;
    rate_ = rate;
}

// 8-bit samples are unsigned around 128, 16-bit ones signed little-endian.
// A sample split across two pieces is dropped with the piece's last byte.
size_t RawDecoder::Decode(std::vector<int16_t>& out, size_t frames)
{
    const size_t bytes = (sixteenBit_ ? 2 : 1) * size_t(channels_);
    size_t done = 0;
    while (done < frames && !pieces_.empty()) {
        const Piece& p = pieces_.front();
        size_t n = std::min(frames - done, (p.size - offset_) / bytes);
        const uint8_t* s = p.data + offset_;
        for (size_t i = 0; i < n * size_t(channels_); ++i) {
            if (sixteenBit_)
                out.push_back(int16_t(uint16_t(s[2 * i] | (s[2 * i + 1] << 8))));
            else
                out.push_back(int16_t((int(s[i]) - 128) << 8));
        }
        offset_ += n * bytes;
        done += n;
        if (p.size - offset_ < bytes) {
            pieces_.pop_front();
            offset_ = 0;
        }
    }
    return done;
}

AdpcmDecoder::AdpcmDecoder(bool stereo, double rate)
{
    channels_ = stereo ? 2 : 1;
    rate_ = rate;
}

void AdpcmDecoder::Reset()
{
    Decoder::Reset();
    codeBits_ = 0;
    left_ = 0;
    bitPos_ = 0;
    given_ = 0;
    ended_ = false;
}

void AdpcmDecoder::NextPiece()
{
    pieces_.pop_front();
    codeBits_ = 0;
    left_ = 0;
    bitPos_ = 0;
    given_ = 0;
    ended_ = false;
}

// Most significant bit first, as all bit fields of the format.
uint32_t AdpcmDecoder::Bits(unsigned n)
{
    const Piece& p = pieces_.front();
    if (bitPos_ + n > uint64_t(p.size) * 8) {
        ended_ = true;
        return 0;
    }
    uint32_t v = 0;
    for (unsigned i = 0; i < n; ++i, ++bitPos_)
        v = (v << 1) | ((p.data[bitPos_ >> 3] >> (7 - (bitPos_ & 7))) & 1);
    return v;
}

size_t AdpcmDecoder::Decode(std::vector<int16_t>& out, size_t frames)
{
    size_t done = 0;
    while (done < frames && !pieces_.empty()) {
        if (given_ >= pieces_.front().frames) {
            NextPiece();
            continue;
        }
        if (codeBits_ == 0) {
            codeBits_ = Bits(2) + 2;
            if (ended_) {
                NextPiece();
                continue;
            }
        }
        if (left_ == 0) {
            // A new packet: its first samples are given as they are.
            int32_t first[2];
            int index[2];
            for (int c = 0; c < channels_; ++c) {
                first[c] = int16_t(uint16_t(Bits(16)));
                index[c] = int(Bits(6));
            }
            if (ended_) {
                NextPiece();
                continue;
            }
            for (int c = 0; c < channels_; ++c) {
                sample_[c] = first[c];
                index_[c] = std::min(index[c], 88);
                out.push_back(int16_t(sample_[c]));
            }
            left_ = kPacketSamples - 1;
            ++done;
            ++given_;
            continue;
        }
        const unsigned sign = 1u << (codeBits_ - 1);
        const int8_t* table = kIndexTables[codeBits_ - 2];
        int16_t frame[2];
        for (int c = 0; c < channels_; ++c) {
            uint32_t code = Bits(codeBits_);
            int step = kSteps[index_[c]];
            // The magnitude bits add step, step/2, step/4...; half the
            // smallest of them is always added, so that the steps round.
            int32_t diff = step >> (codeBits_ - 1);
            for (unsigned mask = sign >> 1, part = unsigned(step); mask; mask >>= 1, part >>= 1)
                if (code & mask)
                    diff += int32_t(part);
            sample_[c] = std::clamp(code & sign ? sample_[c] - diff : sample_[c] + diff, -32768, 32767);
            index_[c] = std::clamp(index_[c] + table[code & (sign - 1)], 0, 88);
            frame[c] = int16_t(sample_[c]);
        }
        if (ended_) { // codes of a last, partial packet: what is whole was given
            NextPiece();
            continue;
        }
        out.insert(out.end(), frame, frame + channels_);
        --left_;
        ++done;
        ++given_;
    }
    return done;
}

struct Mp3Decoder::Handle {
    mpg123_handle* mh = nullptr;
};

Mp3Decoder::Mp3Decoder(bool stereo, double rate) : stereo_(stereo)
{
    channels_ = stereo ? 2 : 1;
    rate_ = rate;
}

Mp3Decoder::~Mp3Decoder() { Reset(); }

void Mp3Decoder::Reset()
{
    Decoder::Reset();
    if (handle_) {
        mpg123_delete(handle_->mh);
        delete handle_;
        handle_ = nullptr;
    }
    failed_ = false;
}

void Mp3Decoder::Open()
{
#if MPG123_API_VERSION < 46
    static const bool initialised = mpg123_init() == MPG123_OK;
    (void)initialised;
#endif
    int err = 0;
    mpg123_handle* mh = mpg123_new(nullptr, &err);
    if (!mh) {
        failed_ = true;
        return;
    }
    // The channels the movie declares, whatever each frame holds, so that the
    // samples already given stay one layout; the rate is the stream's own.
    mpg123_param(mh, MPG123_ADD_FLAGS, MPG123_QUIET | (stereo_ ? MPG123_FORCE_STEREO : MPG123_MONO_MIX), 0);
    mpg123_format_none(mh);
    const long* rates = nullptr;
    size_t count = 0;
    mpg123_rates(&rates, &count);
    for (size_t i = 0; i < count; ++i)
        mpg123_format(mh, rates[i], stereo_ ? MPG123_STEREO : MPG123_MONO, MPG123_ENC_SIGNED_16);
    if (mpg123_open_feed(mh) != MPG123_OK) {
        mpg123_delete(mh);
        failed_ = true;
        return;
    }
    handle_ = new Handle{mh};
}

size_t Mp3Decoder::Decode(std::vector<int16_t>& out, size_t frames)
{
    if (!handle_ && !failed_)
        Open();
    if (failed_)
        return 0;
    size_t done = 0;
    while (done < frames) {
        const size_t start = out.size();
        out.resize(start + (frames - done) * size_t(channels_));
        size_t got = 0;
        int rc = mpg123_read(handle_->mh, reinterpret_cast<unsigned char*>(out.data() + start),
                             (frames - done) * size_t(channels_) * sizeof(int16_t), &got);
        size_t gotFrames = got / (sizeof(int16_t) * size_t(channels_));
        out.resize(start + gotFrames * size_t(channels_));
        done += gotFrames;
        if (rc == MPG123_OK && got == 0)
            break;
        if (rc == MPG123_NEW_FORMAT) {
            long rate = 0;
            int ch = 0, enc = 0;
            if (mpg123_getformat(handle_->mh, &rate, &ch, &enc) == MPG123_OK && rate > 0)
                rate_ = double(rate);
        } else if (rc == MPG123_NEED_MORE) {
            if (pieces_.empty())
                break;
            // Handed over in small pieces: the library copies what it is fed.
            const Piece& p = pieces_.front();
            size_t n = std::min(kMp3FeedChunk, p.size - offset_);
            if (mpg123_feed(handle_->mh, p.data + offset_, n) != MPG123_OK) {
                failed_ = true;
                break;
            }
            offset_ += n;
            if (offset_ >= p.size) {
                pieces_.pop_front();
                offset_ = 0;
            }
        } else if (rc != MPG123_OK && rc != MPG123_DONE) {
            failed_ = true; // a stream the library gives up on ends here
            break;
        } else if (rc == MPG123_DONE) {
            break;
        }
    }
    return done;
}

} // namespace glint::flash::sound
