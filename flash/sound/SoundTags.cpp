#include "flash/sound/SoundTags.h"

#include "flash/SwfReader.h"
#include "flash/SwfTags.h"

#include <algorithm>

namespace glint::flash::sound {

SoundFormat SoundFormat::FromByte(uint8_t bits)
{
    static const double kRates[4] = {5512.5, 11025, 22050, 44100};
    SoundFormat f;
    f.codec = Codec(bits >> 4);
    f.rate = kRates[(bits >> 2) & 3];
    f.sixteenBit = (bits & 2) != 0;
    f.stereo = (bits & 1) != 0;
    // These are 16-bit whatever the size bit says.
    if (f.codec == Codec::Adpcm || f.codec == Codec::Mp3)
        f.sixteenBit = true;
    return f;
}

bool SoundFormat::Decodable() const
{
    return codec == Codec::RawNative || codec == Codec::RawLittle || codec == Codec::Adpcm || codec == Codec::Mp3;
}

bool SoundTable::ReadInfo(SwfReader& in, SoundInfo& info)
{
    in.UB(2); // reserved
    info.syncStop = in.UB(1) != 0;
    info.syncNoMultiple = in.UB(1) != 0;
    bool hasEnvelope = in.UB(1) != 0;
    bool hasLoops = in.UB(1) != 0;
    info.hasOut = in.UB(1) != 0;
    info.hasIn = in.UB(1) != 0;
    if (info.hasIn)
        info.inPoint = in.U32();
    if (info.hasOut)
        info.outPoint = in.U32();
    if (hasLoops)
        info.loops = in.U16();
    if (hasEnvelope) {
        unsigned count = in.U8();
        for (unsigned i = 0; i < count && !in.Failed(); ++i) {
            EnvelopePoint p;
            p.position = in.U32();
            p.left = std::min<uint16_t>(in.U16(), 32768);
            p.right = std::min<uint16_t>(in.U16(), 32768);
            if (!in.Failed() && info.envelope.size() < kMaxEnvelopePoints)
                info.envelope.push_back(p);
        }
    }
    return !in.Failed();
}

bool SoundTable::ReadTag(uint16_t code, const uint8_t* data, size_t size, size_t frame, uint16_t sprite)
{
    SwfReader in(data, size);
    const bool timelineTag = code == kStartSound || code == kStartSound2 || code == kSoundStreamHead ||
                             code == kSoundStreamHead2 || code == kSoundStreamBlock;
    if (sprite && !timelineTag)
        return false; // definitions belong to the main timeline
    TimelineSounds* timeline = &main_;
    if (sprite && timelineTag)
        timeline = &sprites_[sprite];
    switch (code) {
    case kDefineSound: {
        uint16_t id = in.U16();
        SoundDef def;
        def.format = SoundFormat::FromByte(in.U8());
        def.sampleCount = in.U32();
        if (def.format.codec == Codec::Mp3)
            in.S16(); // samples to skip at the start: the decoder's delay, ignored
        if (in.Failed() || sounds_.count(id) || bytes_ + in.Remaining() > kMaxBytes || !def.format.Decodable()) {
            ++skipped_;
            return true;
        }
        def.data.assign(in.Current(), in.Current() + in.Remaining());
        bytes_ += def.data.size();
        sounds_[id] = std::move(def);
        return true;
    }
    case kStartSound:
    case kStartSound2: {
        SoundStart start;
        if (code == kStartSound)
            start.id = in.U16();
        else
            start.className = in.String();
        if (in.Failed() || !ReadInfo(in, start.info)) {
            ++skipped_;
            return true;
        }
        auto& list = timeline->starts[frame];
        if (list.size() < 64)
            list.push_back(std::move(start));
        return true;
    }
    case kSoundStreamHead:
    case kSoundStreamHead2: {
        in.U8(); // the format the author asked to play at: the stream's own is used
        StreamHead head;
        head.format = SoundFormat::FromByte(in.U8());
        head.samplesPerBlock = in.U16();
        if (in.Failed())
            return true;
        head.present = head.format.Decodable();
        if (!head.present)
            ++skipped_;
        if (!timeline->stream.present)
            timeline->stream = head;
        return true;
    }
    case kSoundStreamBlock: {
        TimelineSounds& t = *timeline;
        if (!t.stream.present || t.blocks.count(frame) || bytes_ + size > kMaxBytes) {
            ++skipped_;
            return true;
        }
        // MP3 blocks start with the frame's sample count and a seek count.
        size_t skip = t.stream.format.codec == Codec::Mp3 ? 4 : 0;
        if (size <= skip)
            return true;
        t.blocks[frame] = StreamBlock{t.data.size(), size - skip};
        t.data.insert(t.data.end(), data + skip, data + size);
        bytes_ += size - skip;
        return true;
    }
    case kDefineButtonSound: {
        uint16_t button = in.U16();
        std::vector<SoundStart> sounds(kTransitions);
        for (SoundStart& s : sounds) {
            s.id = in.U16();
            if (s.id && !ReadInfo(in, s.info))
                break;
        }
        if (in.Failed() || buttons_.count(button)) {
            ++skipped_;
            return true;
        }
        buttons_[button] = std::move(sounds);
        return true;
    }
    case kSymbolClass: {
        unsigned count = in.U16();
        for (unsigned i = 0; i < count && !in.Failed(); ++i) {
            uint16_t id = in.U16();
            std::string name = in.String();
            if (!in.Failed() && sounds_.count(id))
                classes_[name] = id;
        }
        return false; // other parts of the player may want it too
    }
    default:
        return false;
    }
}

const SoundDef* SoundTable::Find(uint16_t id) const
{
    auto it = sounds_.find(id);
    return it == sounds_.end() ? nullptr : &it->second;
}

const std::vector<SoundStart>* TimelineSounds::Starts(size_t frame) const
{
    auto it = starts.find(frame);
    return it == starts.end() ? nullptr : &it->second;
}

const TimelineSounds* SoundTable::Sprite(uint16_t id) const
{
    auto it = sprites_.find(id);
    return it == sprites_.end() ? nullptr : &it->second;
}

const SoundStart* SoundTable::ButtonSound(uint16_t button, int transition) const
{
    auto it = buttons_.find(button);
    if (it == buttons_.end() || transition < 0 || transition >= kTransitions || !it->second[size_t(transition)].id)
        return nullptr;
    return &it->second[size_t(transition)];
}

uint16_t SoundTable::Resolve(const SoundStart& start) const
{
    if (start.className.empty())
        return start.id;
    auto it = classes_.find(start.className);
    return it == classes_.end() ? 0 : it->second;
}

bool TimelineSounds::Block(size_t frame, const uint8_t*& out, size_t& size) const
{
    auto it = blocks.find(frame);
    if (it == blocks.end())
        return false;
    out = data.data() + it->second.offset;
    size = it->second.size;
    return true;
}

} // namespace glint::flash::sound
