// The sound of movies: decoders checked against values worked out from the
// formats by hand, an MP3 made by an independent encoder, and the mixer as the
// player drives it frame by frame.
#include "flash/SwfPlayer.h"
#include "flash/sound/Decoder.h"
#include "flash/testing/SwfWriter.h"
#include "tests/unit/flash/FrameBuffer.h"

#include "SoundTone.h"

#include <gtest/gtest.h>

#ifdef _WIN32
#include "flash/win32/WaveOut.h"

#include <windows.h>
#include <mmsystem.h>
#endif

#include <algorithm>
#include <cstdlib>
#include <vector>

using namespace glint::flash;
using namespace glint::flash::sound;
using namespace glint::flash::testing;

namespace {

enum : uint16_t { kDefineSound = 14, kStartSound = 15, kButtonSound = 17, kStreamHead = 18, kStreamBlock = 19 };

// The format byte: codec, rate code (0 = 5.5 kHz ... 3 = 44 kHz), 16-bit, stereo.
uint8_t Format(Codec codec, int rate, bool sixteen = true, bool stereo = false)
{
    return uint8_t((int(codec) << 4) | (rate << 2) | (sixteen ? 2 : 0) | (stereo ? 1 : 0));
}

std::vector<uint8_t> Pcm16(const std::vector<int16_t>& samples)
{
    std::vector<uint8_t> b;
    for (int16_t s : samples) {
        b.push_back(uint8_t(s & 0xFF));
        b.push_back(uint8_t(uint16_t(s) >> 8));
    }
    return b;
}

// `frames`: what the piece holds, as a sound or stream head declares it.
std::vector<int16_t> DecodeAll(const SoundFormat& f, const std::vector<uint8_t>& data, size_t frames = SIZE_MAX)
{
    auto d = MakeDecoder(f);
    std::vector<int16_t> out;
    d->Feed(data.data(), data.size(), frames);
    d->Decode(out, 1 << 20);
    return out;
}

struct Info {
    bool stop = false, noMultiple = false;
    int in = -1, out = -1, loops = -1;
    std::vector<EnvelopePoint> envelope = {};
};

std::vector<uint8_t> StartSound(uint16_t id, const Info& i)
{
    BitWriter w;
    w.U16(id);
    w.U8(uint8_t((i.stop ? 0x20 : 0) | (i.noMultiple ? 0x10 : 0) | (i.envelope.empty() ? 0 : 0x08) |
                 (i.loops >= 0 ? 0x04 : 0) | (i.out >= 0 ? 0x02 : 0) | (i.in >= 0 ? 0x01 : 0)));
    if (i.in >= 0)
        w.U32(uint32_t(i.in));
    if (i.out >= 0)
        w.U32(uint32_t(i.out));
    if (i.loops >= 0)
        w.U16(uint16_t(i.loops));
    if (!i.envelope.empty()) {
        w.U8(uint8_t(i.envelope.size()));
        for (const auto& p : i.envelope) {
            w.U32(p.position);
            w.U16(p.left);
            w.U16(p.right);
        }
    }
    return w.Data();
}

std::vector<uint8_t> DefineSound(uint16_t id, uint8_t format, uint32_t count, const std::vector<uint8_t>& data)
{
    BitWriter w;
    w.U16(id);
    w.U8(format);
    w.U32(count);
    w.Bytes(data.data(), data.size());
    return w.Data();
}

// Loads the movie and collects what the mixer gives for frame 0 and `advances` more.
struct Played {
    std::vector<int16_t> left, right;
    SoundLog log;
};
Played Play(const std::string& swf, int advances)
{
    SwfPlayer p;
    EXPECT_TRUE(p.Load(swf));
    Played r;
    for (int f = 0; f <= advances; ++f) {
        if (f > 0)
            p.Advance();
        const auto& m = p.Sound().Mixed();
        for (size_t i = 0; i + 1 < m.size(); i += 2) {
            r.left.push_back(m[i]);
            r.right.push_back(m[i + 1]);
        }
    }
    r.log = p.Sound().Log();
    return r;
}

size_t CountOf(const std::vector<int16_t>& v, int16_t value) { return size_t(std::count(v.begin(), v.end(), value)); }

// A movie that starts sound 1 (`count` frames of `data` in `format`) in its only frame.
std::string OneSound(uint8_t format, uint32_t count, const std::vector<uint8_t>& data)
{
    SwfWriter swf(20, 20, 12);
    swf.Tag(kDefineSound, DefineSound(1, format, count, data));
    swf.Tag(kStartSound, StartSound(1, {}));
    swf.ShowFrame();
    return swf.Finish(false);
}

// A movie at `rate` frames a second: sound 1 (`samples` of raw 16-bit mono at
// 44.1 kHz) and the starts of frames 0 and 1.
std::string SoundMovie(double rate, const std::vector<int16_t>& samples, const std::vector<Info>& frame0,
                       const std::vector<Info>& frame1 = {}, int frames = 4)
{
    SwfWriter swf(20, 20, rate);
    swf.Tag(kDefineSound, DefineSound(1, Format(Codec::RawLittle, 3), uint32_t(samples.size()), Pcm16(samples)));
    for (int f = 0; f < frames; ++f) {
        for (const Info& i : f == 0 ? frame0 : f == 1 ? frame1 : std::vector<Info>{})
            swf.Tag(kStartSound, StartSound(1, i));
        swf.ShowFrame();
    }
    return swf.Finish(false);
}

TEST(SoundDecode, AdpcmKnownAnswers)
{
    // Worked out from the step and index tables: first sample, first index, codes.
    struct Case {
        unsigned bits;
        int16_t first;
        unsigned index;
        std::vector<uint32_t> codes;
        std::vector<int16_t> expect;
    };
    const Case cases[] = {
        {2, 100, 10, {1, 2}, {100, 128, 117}},        // step 19, then 23
        {3, 0, 0, {3, 7}, {0, 11, -7}},               // step 7, then 11
        {4, 0, 0, {7, 15, 0}, {0, 11, -19, -15}},     // step 7, 16, 34 (then 31)
        {5, 0, 0, {15, 24}, {0, 11, -25}},            // step 7, then 34
        {4, 32760, 88, {7, 0}, {32760, 32767, 32767}}, // clamps at the top
    };
    for (const Case& c : cases) {
        BitWriter w;
        w.UB(c.bits - 2, 2);
        w.SB(c.first, 16);
        w.UB(c.index, 6);
        for (uint32_t code : c.codes)
            w.UB(code, c.bits);
        // The last byte's padding would read as codes: the declared count ends it.
        EXPECT_EQ(DecodeAll(SoundFormat::FromByte(Format(Codec::Adpcm, 3)), w.Data(), c.expect.size()), c.expect)
            << c.bits << " bits";
    }
}

TEST(SoundDecode, AdpcmStereoPacketsAndTruncation)
{
    // Two stereo packets: 4096 frames each, the second starting from its own header.
    BitWriter w;
    w.UB(2, 2); // 4-bit codes
    w.SB(1000, 16);
    w.UB(0, 6);
    w.SB(-1000, 16);
    w.UB(0, 6);
    for (int i = 0; i < 4095 * 2; ++i)
        w.UB(0, 4); // code 0: +step/8, which is 0 at index 0; the index stays 0
    w.SB(1234, 16);
    w.UB(0, 6);
    w.SB(-4321, 16);
    w.UB(0, 6);
    w.UB(7, 4);
    w.UB(0, 3); // a last code cut short is not a sample
    auto out = DecodeAll(SoundFormat::FromByte(Format(Codec::Adpcm, 3, true, true)), w.Data());
    ASSERT_EQ(out.size(), 2u * 4098);
    // Left and right of frames 0, 4095 (the first packet's last), 4096 and 4097.
    const std::vector<int16_t> got{out[0], out[1], out[8190], out[8191], out[8192], out[8193], out[8194], out[8195]};
    EXPECT_EQ(got, (std::vector<int16_t>{1000, -1000, 1000, -1000, 1234, -4321, 1234 + 11, -4321})); // right: code 0
}

TEST(SoundDecode, RawEightAndSixteenBit)
{
    EXPECT_EQ(DecodeAll(SoundFormat::FromByte(Format(Codec::RawLittle, 0, false)), {0, 128, 255}),
              (std::vector<int16_t>{-32768, 0, 32512}));
    EXPECT_EQ(DecodeAll(SoundFormat::FromByte(Format(Codec::RawNative, 0)), {0x34, 0x12, 0xFF, 0xFF, 0x00, 0x80}),
              (std::vector<int16_t>{0x1234, -1, -32768}));
    // Stereo keeps its pairs; an odd byte at the end is no sample.
    EXPECT_EQ(DecodeAll(SoundFormat::FromByte(Format(Codec::RawLittle, 0, true, true)), {1, 0, 2, 0, 3, 0, 4}),
              (std::vector<int16_t>{1, 2}));
}

TEST(SoundDecode, Mp3FromAnIndependentEncoder)
{
    // 0.5 s of a 1 kHz tone, amplitude 16000, 22.05 kHz mono, made by lame.
    auto d = MakeDecoder(SoundFormat::FromByte(Format(Codec::Mp3, 2)));
    std::vector<int16_t> out;
    d->Feed(kTone, sizeof kTone);
    d->Decode(out, 1 << 20);
    EXPECT_EQ(d->Rate(), 22050.0);
    // The encoder's delay and padding add at most two frames of 1152 samples.
    ASSERT_GE(out.size(), 11025u);
    EXPECT_LE(out.size(), 11025u + 2304);
    int peak = 0, crossings = 0;
    for (size_t i = 3000; i < 9000; ++i) {
        peak = std::max(peak, std::abs(int(out[i])));
        crossings += (out[i - 1] < 0) != (out[i] < 0);
    }
    EXPECT_NEAR(peak, 16000, 2000);
    EXPECT_NEAR(crossings, 2 * 1000 * 6000 / 22050, 4);

    // In a movie (after its seek count) it plays at its own rate: 0.5 s at 44.1 kHz.
    std::vector<uint8_t> data{0, 0};
    data.insert(data.end(), kTone, kTone + sizeof kTone);
    Played r = Play(OneSound(Format(Codec::Mp3, 2), 11025, data), 8);
    size_t last = 0;
    for (size_t i = 0; i < r.left.size(); ++i)
        if (r.left[i] != 0)
            last = i;
    EXPECT_NEAR(double(last), 22050, 40);
    EXPECT_EQ(r.right, r.left);
}

TEST(SoundMixer, ResamplesEachRateToStereo44k)
{
    // 100 samples of 1000 last 800, 400, 200 and 100 frames at 44.1 kHz.
    for (int rate = 0; rate < 4; ++rate) {
        Played r = Play(OneSound(Format(Codec::RawLittle, rate), 100, Pcm16(std::vector<int16_t>(100, 1000))), 1);
        EXPECT_EQ(CountOf(r.left, 1000), size_t(800 >> rate)) << rate;
        EXPECT_EQ(r.right, r.left) << "mono plays on both sides";
        EXPECT_EQ(r.left.size(), 3675u) << "one frame interval: the sound ended with frame 0";
        EXPECT_EQ(r.log.started, std::vector<uint16_t>{1});
    }
    Played r = Play(OneSound(Format(Codec::RawLittle, 3, true, true), 2, Pcm16({1000, -1000, 1000, -1000})), 0);
    EXPECT_EQ(CountOf(r.left, 1000), 2u);
    EXPECT_EQ(CountOf(r.right, -1000), 2u);
}

TEST(SoundMixer, SoundInfoRecords)
{
    // 441 samples of 1000; at 120 frames a second an interval is 367 or 368 frames.
    const std::vector<int16_t> tone(441, 1000);
    struct Case {
        const char* name;
        std::vector<Info> frame0, frame1;
        size_t left1000, right1000, left2000;
    };
    EnvelopePoint half{0, 16384, 32768};
    const Case cases[] = {
        {"once", {Info{}}, {}, 441, 441, 0},
        {"three loops", {Info{.loops = 3}}, {}, 1323, 1323, 0},
        {"in and out points", {Info{.in = 100, .out = 300}}, {}, 200, 200, 0},
        {"loops from the in point", {Info{.in = 341, .loops = 2}}, {}, 200, 200, 0},
        {"envelope", {Info{.envelope = {half}}}, {}, 0, 441, 0},
        {"stopped in frame 1", {Info{}}, {Info{.stop = true}}, 367, 367, 0},
        {"started twice", {Info{}}, {Info{}}, 367 + 367, 367 + 367, 441 - 367},
        {"no multiple", {Info{}}, {Info{.noMultiple = true}}, 441, 441, 0},
    };
    for (const Case& c : cases) {
        Played r = Play(SoundMovie(120, tone, c.frame0, c.frame1, 8), 7);
        EXPECT_EQ(CountOf(r.left, 1000), c.left1000) << c.name;
        EXPECT_EQ(CountOf(r.right, 1000), c.right1000) << c.name;
        EXPECT_EQ(CountOf(r.left, 2000), c.left2000) << c.name;
    }
    Played r = Play(SoundMovie(120, tone, {Info{.envelope = {half}}}), 3);
    EXPECT_EQ(CountOf(r.left, 500), 441u);
}

std::vector<uint8_t> StreamHead(uint8_t format, uint16_t perBlock)
{
    BitWriter head;
    head.U8(format);
    head.U8(format);
    head.U16(perBlock);
    return head.Data();
}

// A stream of 44.1 kHz raw mono at 12 frames a second, one block of 3675
// samples of `base` * (N + 1) in each frame N.
void StreamFrames(SwfWriter& timeline, int frames, int base)
{
    timeline.Tag(kStreamHead, StreamHead(Format(Codec::RawLittle, 3), 3675));
    for (int f = 0; f < frames; ++f) {
        timeline.Tag(kStreamBlock, Pcm16(std::vector<int16_t>(3675, int16_t(base * (f + 1)))));
        timeline.ShowFrame();
    }
}

TEST(SoundStream, BlockOfFrameNPlaysWithFrameN)
{
    SwfWriter swf(20, 20, 12);
    StreamFrames(swf, 3, 100);
    SwfPlayer p;
    ASSERT_TRUE(p.Load(swf.Finish(false)));
    for (int step = 0; step < 5; ++step) { // the loop back to frame 0 starts the stream again
        if (step)
            p.Advance();
        const auto& m = p.Sound().Mixed();
        ASSERT_EQ(m.size(), 2u * 3675) << step;
        EXPECT_EQ(CountOf(m, int16_t(100 * (p.FrameNum() + 1))), m.size()) << "frame " << p.FrameNum();
    }
    p.GotoFrame(0); // stopped there: the block plays on the next interval
    p.Advance();
    EXPECT_EQ(p.FrameNum(), 0);
    EXPECT_EQ(CountOf(p.Sound().Mixed(), 100), 2u * 3675);
}

TEST(SoundStream, SpriteStreamsFollowTheirOwnFrames)
{
    // Sprite 10 (blocks of 100, 200, 300) is there in main frames 0-3, removed
    // in frame 4 in the middle of its stream; sprite 11 (1000, 2000, 3000)
    // is placed in frame 2. Each sprite's block N plays while it shows frame N.
    SwfWriter swf(20, 20, 12);
    SwfWriter a(0, 0, 0), b(0, 0, 0);
    StreamFrames(a, 3, 100);
    StreamFrames(b, 3, 1000);
    swf.DefineSprite(10, a);
    swf.DefineSprite(11, b);
    for (int f = 0; f < 6; ++f) {
        if (f == 0)
            swf.Place(1, 10);
        if (f == 2)
            swf.Place(2, 11);
        if (f == 4)
            swf.Remove(1);
        swf.ShowFrame();
    }
    SwfPlayer p;
    ASSERT_TRUE(p.Load(swf.Finish(false)));
    for (int k = 0; k < 6; ++k) {
        if (k)
            p.Advance();
        ASSERT_EQ(p.FrameNum(), k);
        const int want = (k < 4 ? 100 * (k % 3 + 1) : 0) + (k >= 2 ? 1000 * ((k - 2) % 3 + 1) : 0);
        const auto& m = p.Sound().Mixed();
        ASSERT_EQ(m.size(), 2u * 3675) << k;
        EXPECT_EQ(CountOf(m, int16_t(want)), m.size()) << "main frame " << k;
    }
}

TEST(SoundStream, SpriteAndButtonEventSounds)
{
    // Sprite 10 starts sound 1 in its second frame; button 20 plays sound 3
    // when the mouse comes over it and sound 2 when it is pressed.
    SwfWriter swf(100, 20, 12);
    for (uint16_t id : {1, 2, 3})
        swf.Tag(kDefineSound, DefineSound(id, Format(Codec::RawLittle, 3), 100, Pcm16(std::vector<int16_t>(100, 10))));
    test::Square(swf, 4, test::kRed);
    SwfWriter sprite(0, 0, 0);
    sprite.ShowFrame();
    sprite.Tag(kStartSound, StartSound(1, {}));
    sprite.ShowFrame();
    swf.DefineSprite(10, sprite);
    swf.DefineButton(20, {ButtonShows(kButtonUp | kButtonOver | kButtonDown | kButtonHit, 4)}, {});
    BitWriter sounds;
    sounds.U16(20);
    for (uint16_t id : {0, 3, 2, 0}) { // to idle, to over, pressed, released
        sounds.U16(id);
        if (id)
            sounds.U8(0); // a sound-info record that asks for nothing
    }
    swf.Tag(kButtonSound, sounds.Data());
    swf.Place(1, 10);
    swf.Place(2, 20, test::At(20, 5));
    auto p = test::Loaded(swf);
    EXPECT_TRUE(p->Sound().Log().started.empty());
    p->Advance();
    EXPECT_EQ(p->Sound().Log().started, std::vector<uint16_t>{1}) << "started by the sprite's frame 1";
    EXPECT_EQ(CountOf(p->Sound().Mixed(), 10), 2u * 100);
    test::Draw(*p, 100, 20);
    p->Mouse(60, 10, false); // not over it
    p->Mouse(25, 10, false);
    p->Mouse(25, 10, true);
    EXPECT_EQ(p->Sound().Log().started, (std::vector<uint16_t>{1, 3, 2}));
}

TEST(SoundBounds, HostileLengthsAndFormats)
{
    // A declared length longer than the data plays what is there; a shorter one cuts it.
    SwfWriter swf(20, 20, 12);
    swf.Tag(kDefineSound, DefineSound(1, Format(Codec::RawLittle, 3), 0xFFFFFFFFu, Pcm16(std::vector<int16_t>(100, 7))));
    swf.Tag(kDefineSound, DefineSound(2, Format(Codec::RawLittle, 3), 50, Pcm16(std::vector<int16_t>(100, 9))));
    swf.Tag(kDefineSound, DefineSound(3, Format(Codec::Nelly, 3), 100, std::vector<uint8_t>(100, 1)));
    swf.Tag(kDefineSound, DefineSound(4, Format(Codec::Mp3, 3), 100000, {0, 0, 0xFF, 0xFB, 1, 2, 3})); // no real frame
    for (uint16_t id : {1, 2, 3, 4, 5})
        swf.Tag(kStartSound, StartSound(id, {}));
    swf.ShowFrame();
    Played r = Play(swf.Finish(false), 1);
    EXPECT_EQ(CountOf(r.left, 7 + 9), 50u);
    EXPECT_EQ(CountOf(r.left, 7), 50u);
    EXPECT_EQ(r.log.started, (std::vector<uint16_t>{1, 2, 4}));
    EXPECT_EQ(r.log.skipped, 2u); // the Nellymoser sound was never defined, 5 does not exist

    // A long sound started far in: decoding goes at a bounded pace per frame.
    SwfWriter big(20, 20, 12);
    big.Tag(kDefineSound, DefineSound(1, Format(Codec::RawLittle, 3, false), 1 << 20, std::vector<uint8_t>(1 << 20, 200)));
    big.Tag(kStartSound, StartSound(1, Info{.in = 1 << 19}));
    auto p = test::Loaded(big);
    EXPECT_LE(p->Sound().Log().decoded, Mixer::kFrameDecodeBudget);
    for (int f = 0; f < 4; ++f)
        p->Advance();
    EXPECT_GT(CountOf(p->Sound().Mixed(), int16_t(72 << 8)), 3000u) << "caught up with the in point";

    // Twenty sprites with a stream each: at most kMaxStreams of them play, and
    // blocks of 1 M samples share one interval's decoding.
    for (const size_t block : {size_t(3675), size_t(1) << 20}) {
        SwfWriter many(20, 20, 12), loud(0, 0, 0);
        loud.Tag(kStreamHead, StreamHead(Format(Codec::RawLittle, 3, false), 0));
        for (int f = 0; f < 2; ++f) {
            loud.Tag(kStreamBlock, std::vector<uint8_t>(block, 129)); // 256 in 16 bits
            loud.ShowFrame();
        }
        many.DefineSprite(10, loud);
        for (uint16_t depth = 1; depth <= 20; ++depth)
            many.Place(depth, 10);
        auto q = test::Loaded(many);
        if (block == 3675) {
            EXPECT_EQ(q->Sound().Log().decoded, Mixer::kMaxStreams * block);
            EXPECT_EQ(CountOf(q->Sound().Mixed(), int16_t(Mixer::kMaxStreams << 8)), 2u * 3675);
        } else {
            EXPECT_EQ(q->Sound().Log().decoded, Mixer::kFrameDecodeBudget);
        }
    }
}

#ifdef _WIN32
// Waits (bounded) for the device to open or fail; its state at the end.
OutputState Settled(const SoundOutput& out)
{
    for (int i = 0; i < 60000 && out.State() == OutputState::Opening; ++i)
        Sleep(1);
    return out.State();
}

// While it lives, the device's opening waits for Release (or its end) and then fails.
struct HeldOpen {
    static inline HANDLE gate = nullptr;
    WaveOut::OpenFunction saved = WaveOut::openDevice;
    HeldOpen()
    {
        gate = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        WaveOut::openDevice = [](HWAVEOUT*, const WAVEFORMATEX*) -> MMRESULT {
            WaitForSingleObject(gate, INFINITE);
            return MMSYSERR_NODRIVER;
        };
    }
    ~HeldOpen()
    {
        Release();
        WaveOut::openDevice = saved;
        CloseHandle(gate); // a wait in progress keeps the signalled event; a later one fails at once
    }
    void Release() const { SetEvent(gate); }
};
#endif

TEST(SoundOutput, MoviePlaysOnWithOrWithoutADevice)
{
    // Natively there is no device; under Windows wave-out device 0 where one
    // exists (Wine under Xvfb has none, and the movie must not mind).
    SwfPlayer p;
    ASSERT_TRUE(p.Load(SoundMovie(12, std::vector<int16_t>(44100, 1000), {Info{}}, {}, 1)));
#ifdef _WIN32
    ASSERT_NE(p.Sound().Output(), nullptr);
    EXPECT_EQ(Settled(*p.Sound().Output()) == OutputState::Open, waveOutGetNumDevs() > 0);
#else
    EXPECT_EQ(p.Sound().Output(), nullptr);
#endif
    for (int tick = 0; tick < 20; ++tick)
        p.Tick(84);
    EXPECT_EQ(p.Sound().Log().frames, 44100u) << "one second, then nothing";
    EXPECT_FALSE(p.Sound().Busy());
    EXPECT_EQ(p.Sound().Log().started, std::vector<uint16_t>{1});
}

#ifdef _WIN32
TEST(SoundOutput, FramesGoOnWhileTheDeviceOpens)
{
    SwfPlayer p;
    HeldOpen held;
    ASSERT_NE(HeldOpen::gate, nullptr);
    ASSERT_TRUE(p.Load(SoundMovie(12, std::vector<int16_t>(44100, 1000), {Info{}}, {}, 8)));
    for (int tick = 0; tick < 5; ++tick)
        p.Tick(84);
    EXPECT_EQ(p.FrameNum(), 5);
    EXPECT_EQ(p.Sound().Log().frames, 6u * 3675);
    ASSERT_NE(p.Sound().Output(), nullptr);
    EXPECT_EQ(p.Sound().Output()->State(), OutputState::Opening);
    held.Release();
    EXPECT_EQ(Settled(*p.Sound().Output()), OutputState::Failed);
    p.Tick(84);
    EXPECT_EQ(p.FrameNum(), 6);
}

TEST(SoundOutput, APlayerGoesAtOnceWhileItsDeviceStillOpens)
{
    HeldOpen held; // outlives the player: its device is still opening when it goes
    {
        SwfPlayer p;
        ASSERT_TRUE(p.Load(SoundMovie(12, std::vector<int16_t>(44100, 1000), {Info{}}, {}, 8)));
        p.Tick(84);
        ASSERT_NE(p.Sound().Output(), nullptr);
        EXPECT_EQ(p.Sound().Output()->State(), OutputState::Opening);
    } // would hang here for good if the player waited for the opening
    held.Release();
}
#endif

} // namespace
