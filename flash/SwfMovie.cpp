#include "flash/SwfMovie.h"

#include "flash/SwfReader.h"
#include "flash/SwfTags.h"

#include <zlib.h>

#include <algorithm>
#include <cctype>

namespace glint::flash {

namespace {

// Frames beyond this are dropped: frame numbers in actions are 16-bit anyway.
constexpr size_t kMaxFrames = 65535;

std::string Lower(std::string s)
{
    for (char& c : s)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

// Inflates as much as the stream gives, up to `limit` bytes. A stream that
// breaks off keeps what came before; false only when nothing came out.
bool Inflate(const uint8_t* data, size_t size, size_t hint, size_t limit, std::vector<uint8_t>& out)
{
    z_stream z{};
    if (inflateInit(&z) != Z_OK)
        return false;
    out.clear();
    out.reserve(std::min(hint, size_t(16) << 20));
    uint8_t chunk[16384];
    z.next_in = const_cast<Bytef*>(data);
    z.avail_in = uInt(std::min<size_t>(size, 0x7FFFFFFF));
    int rc = Z_OK;
    while (rc == Z_OK && out.size() < limit) {
        z.next_out = chunk;
        z.avail_out = sizeof chunk;
        rc = inflate(&z, Z_NO_FLUSH);
        size_t got = sizeof chunk - z.avail_out;
        got = std::min(got, limit - out.size());
        out.insert(out.end(), chunk, chunk + got);
        if (rc == Z_BUF_ERROR && got == 0)
            break;
        if (rc == Z_BUF_ERROR)
            rc = Z_OK;
    }
    inflateEnd(&z);
    return !out.empty();
}

// Passes over PlaceObject3's filter list (drop shadow, blur, glow, bevel,
// gradient glow, convolution, colour matrix, gradient bevel: none is drawn).
bool SkipFilters(SwfReader& in)
{
    unsigned count = in.U8();
    for (unsigned i = 0; i < count && !in.Failed(); ++i) {
        switch (in.U8()) {
        case 0: in.Skip(23); break; // drop shadow
        case 1: in.Skip(9); break;  // blur
        case 2: in.Skip(15); break; // glow
        case 3: in.Skip(27); break; // bevel
        case 4:                     // gradient glow
        case 7: {                   // gradient bevel
            unsigned colors = in.U8();
            in.Skip(size_t(colors) * 5 + 19);
            break;
        }
        case 5: { // convolution
            unsigned mx = in.U8(), my = in.U8();
            in.Skip(8 + size_t(mx) * my * 4 + 5);
            break;
        }
        case 6: in.Skip(80); break; // colour matrix
        default: return false;
        }
    }
    return !in.Failed();
}

// PlaceObject2/3 clip actions: the events each block of actions answers
// (their flags are 16 bits wide before SWF 6, 32 from then on).
std::shared_ptr<const ClipEvents> ReadClipActions(SwfReader& in, int version)
{
    auto out = std::make_shared<ClipEvents>();
    const bool wide = version >= 6;
    in.U16();
    wide ? in.U32() : in.U16(); // all the events used
    while (!in.Failed() && in.Remaining() > 0) {
        uint32_t events = wide ? in.U32() : in.U16();
        uint32_t size = in.U32();
        if (events == 0 || in.Failed() || size > in.Remaining())
            break;
        const uint8_t* body = in.Current();
        size_t n = size;
        if ((events & 0x20000) && n > 0) { // key press: the key code comes first
            ++body;
            --n;
        }
        out->push_back({events, std::vector<uint8_t>(body, body + n)});
        in.Skip(size);
    }
    if (out->empty())
        return nullptr;
    return out;
}

// Reads PlaceObject (1), PlaceObject2 (2) or PlaceObject3 (3).
bool ReadPlace(SwfReader& in, int kind, DisplayOp& op, int version)
{
    op.kind = DisplayOp::Kind::Place;
    if (kind == 1) {
        op.character = in.U16();
        op.depth = in.U16();
        op.hasCharacter = true;
        op.matrix = in.MatrixRecord();
        op.hasMatrix = true;
        if (in.Failed())
            return false;
        if (in.Remaining() > 0) {
            ColorTransform color = in.CxForm(false);
            if (!in.Failed()) { // a damaged colour transform is left out
                op.color = color;
                op.hasColor = true;
            }
        }
        return true;
    }
    uint8_t flags = in.U8();
    uint8_t flags3 = kind == 3 ? in.U8() : 0;
    op.depth = in.U16();
    op.move = flags & 0x01;
    op.hasCharacter = flags & 0x02;
    op.hasMatrix = flags & 0x04;
    op.hasColor = flags & 0x08;
    bool hasRatio = flags & 0x10;
    bool hasName = flags & 0x20;
    op.hasClipDepth = flags & 0x40;
    if (kind == 3 && ((flags3 & 0x08) || ((flags3 & 0x10) && op.hasCharacter)))
        in.String(); // class name: objects made by class are not drawn
    if (op.hasCharacter)
        op.character = in.U16();
    if (op.hasMatrix)
        op.matrix = in.MatrixRecord();
    if (op.hasColor)
        op.color = in.CxForm(true);
    op.hasRatio = hasRatio;
    if (hasRatio)
        op.ratio = in.U16();
    if (hasName)
        op.name = in.String();
    if (op.hasClipDepth)
        op.clipDepth = in.U16();
    if (in.Failed())
        return false;
    if (kind == 3 && (flags3 & 0x02)) {
        // Filters come before the blend mode; they are not drawn, only passed over.
        if ((flags3 & 0x01) && !SkipFilters(in))
            return true; // a damaged filter list: the rest of the record is left out
        uint8_t mode = in.U8();
        if (!in.Failed())
            op.blendMode = mode;
    } else if (kind == 3 && (flags3 & 0x01)) {
        return true; // filters without a blend mode: not passed over, the clip actions are left out
    }
    if (kind == 3) {
        if (flags3 & 0x04)
            in.U8(); // cached as bitmap
        if (flags3 & 0x20)
            in.U8(); // visible
        if (flags3 & 0x40)
            in.RgbaColor(); // background
    }
    if ((flags & 0x80) && !in.Failed())
        op.events = ReadClipActions(in, version);
    return true;
}

} // namespace

void ApplyDisplayOp(DisplayList& list, const DisplayOp& op)
{
    if (op.kind == DisplayOp::Kind::Remove) {
        list.erase(op.depth);
        return;
    }
    auto it = list.find(op.depth);
    Placed* p = nullptr;
    if (op.move) {
        if (it != list.end())
            p = &it->second;
        else if (op.hasCharacter)
            p = &list[op.depth];
        else
            return;
    } else {
        if (!op.hasCharacter)
            return;
        p = &list[op.depth];
        *p = Placed{};
    }
    if (op.hasCharacter && p->character != op.character) {
        p->character = op.character;
        p->clip.reset(); // another character: a sprite starts afresh
        p->fieldShape.reset();
    }
    if (!op.name.empty())
        p->name = op.name;
    if (op.events)
        p->events = op.events;
    if (op.hasRatio)
        p->ratio = op.ratio;
    if (op.blendMode)
        p->blendMode = op.blendMode;
    if (op.hasMatrix)
        p->matrix = op.matrix;
    if (op.hasColor)
        p->color = op.color;
    if (op.hasClipDepth)
        p->clipDepth = op.clipDepth;
}

bool Movie::Read(const uint8_t* data, size_t size)
{
    *this = Movie{};
    if (!data || size < 8)
        return false;
    if (data[1] != 'W' || data[2] != 'S' || (data[0] != 'F' && data[0] != 'C'))
        return false; // "ZWS" (LZMA) is not supported
    header_.compressed = data[0] == 'C';
    header_.version = data[3];
    header_.declaredLength = uint32_t(data[4]) | (uint32_t(data[5]) << 8) | (uint32_t(data[6]) << 16) |
                             (uint32_t(data[7]) << 24);
    std::vector<uint8_t> inflated;
    const uint8_t* body = data + 8;
    size_t bodySize = size - 8;
    if (header_.compressed) {
        size_t hint = header_.declaredLength > 8 ? header_.declaredLength - 8 : 0;
        if (!Inflate(body, bodySize, hint, kMaxBodySize, inflated))
            return false;
        body = inflated.data();
        bodySize = inflated.size();
        if (hint > bodySize)
            damaged_ = true;
    } else {
        bodySize = std::min(bodySize, kMaxBodySize);
    }

    SwfReader in(body, bodySize);
    header_.stage = in.Rect();
    uint16_t rate = in.U16();
    header_.frameRate = (rate >> 8) + (rate & 0xFF) / 256.0;
    header_.frameCount = in.U16();
    if (in.Failed())
        return false;
    ReadTags(in.Current(), in.Remaining());
    if (frames_.empty())
        frames_.emplace_back();
    return true;
}

void Movie::ReadTags(const uint8_t* data, size_t size)
{
    SwfReader in(data, size);
    FrameData current;
    bool pending = false; // tags seen since the last ShowFrame
    while (in.Remaining() >= 2 && frames_.size() < kMaxFrames) {
        uint16_t head = in.U16();
        uint16_t code = head >> 6;
        size_t length = head & 0x3F;
        if (length == 0x3F)
            length = in.U32();
        if (in.Failed())
            break;
        if (length > in.Remaining()) {
            damaged_ = true;
            length = in.Remaining(); // read what there is of the last tag
        }
        const uint8_t* tag = in.Current();
        in.Skip(length);
        SwfReader t(tag, length);
        if (code == kEnd)
            break;
        switch (code) {
        case kShowFrame:
            frames_.push_back(std::move(current));
            current = FrameData{};
            pending = false;
            break;
        case kSetBackgroundColor:
            background_ = t.Rgb();
            hasBackground_ = !t.Failed();
            if (!hasBackground_)
                background_ = Rgba{255, 255, 255, 255};
            break;
        case kDefineShape:
        case kDefineShape2:
        case kDefineShape3:
        case kDefineShape4: {
            int version = code == kDefineShape ? 1 : code == kDefineShape2 ? 2 : code == kDefineShape3 ? 3 : 4;
            uint16_t id = t.U16();
            auto c = std::make_unique<Character>();
            c->kind = Character::Kind::Shape;
            if (budget_ == 0 || t.Failed() || !ReadShape(t, version, c->shape, budget_)) {
                damaged_ = true;
                if (c->shape.layers.empty())
                    break;
            }
            if (t.Failed())
                damaged_ = true;
            if (!dictionary_.count(id))
                dictionary_[id] = std::move(c);
            break;
        }
        case kDefineSprite:
            ReadSprite(tag, length);
            break;
        case kDefineMorphShape:
        case kDefineMorphShape2: {
            uint16_t id = t.U16();
            auto c = std::make_unique<Character>();
            c->kind = Character::Kind::Morph;
            if (t.Failed() || budget_ == 0 ||
                !ReadMorphShape(tag + 2, length - 2, code == kDefineMorphShape ? 1 : 2, c->morph, budget_)) {
                damaged_ = true;
                break;
            }
            if (!dictionary_.count(id))
                dictionary_[id] = std::move(c);
            break;
        }
        case kDefineFont:
        case kDefineFont2:
        case kDefineFont3: {
            uint16_t id = t.U16();
            Font font;
            int version = code == kDefineFont ? 1 : code == kDefineFont2 ? 2 : 3;
            if (t.Failed() || !ReadFont(t, version, font, budget_))
                damaged_ = true;
            else if (!fonts_.count(id))
                fonts_.emplace(id, std::move(font));
            break;
        }
        case kDefineFontInfo:
        case kDefineFontInfo2:
            if (auto it = fonts_.find(t.U16()); it != fonts_.end())
                if (!ReadFontInfo(t, code == kDefineFontInfo ? 1 : 2, it->second))
                    damaged_ = true;
            break;
        case kDefineText:
        case kDefineText2:
        case kDefineEditText: {
            // Text is kept as the shape of its glyphs.
            uint16_t id = t.U16();
            if (t.Failed() || dictionary_.count(id))
                break;
            auto c = std::make_unique<Character>();
            c->kind = Character::Kind::Shape;
            auto field = std::make_shared<EditField>();
            bool ok = code == kDefineEditText ? ReadEditField(t, fonts_, *field)
                                              : ReadStaticText(t, code == kDefineText ? 1 : 2, fonts_, c->shape, budget_);
            if (ok && code == kDefineEditText) {
                LayoutEditText(*field, field->initial, header_.version, DeviceFont::System(), c->shape, budget_);
                if (!field->variable.empty())
                    c->field = std::move(field);
            }
            if (ok)
                dictionary_[id] = std::move(c);
            else
                damaged_ = true;
            break;
        }
        case kJpegTables:
            if (jpegTables_.empty())
                jpegTables_.assign(tag, tag + length);
            break;

        case kPlaceObject:
        case kPlaceObject2:
        case kPlaceObject3: {
            DisplayOp op;
            int kind = code == kPlaceObject ? 1 : code == kPlaceObject2 ? 2 : 3;
            if (ReadPlace(t, kind, op, header_.version) && budget_ > 0) {
                --budget_;
                current.ops.push_back(op);
                pending = true;
            } else {
                damaged_ = true;
            }
            break;
        }
        case kRemoveObject:
        case kRemoveObject2: {
            DisplayOp op;
            op.kind = DisplayOp::Kind::Remove;
            if (code == kRemoveObject)
                t.U16();
            op.depth = t.U16();
            if (!t.Failed() && budget_ > 0) {
                --budget_;
                current.ops.push_back(op);
                pending = true;
            }
            break;
        }
        case kDoAction:
            if (length > 0) {
                current.actions.emplace_back(tag, tag + length);
                pending = true;
            }
            break;
        case kFileAttributes:
            as3_ = (t.U8() & 0x08) != 0;
            break;
        case kDoInitAction: // the sprite id, then the actions
            if (length > 2) {
                current.initActions.emplace_back(tag + 2, tag + length);
                pending = true;
            }
            break;
        case kDefineButton:
        case kDefineButton2: {
            uint16_t id = t.U16();
            auto c = std::make_unique<Character>();
            c->kind = Character::Kind::Button;
            if (t.Failed() || budget_ == 0 || !ReadButton(t, code == kDefineButton ? 1 : 2, c->button)) {
                damaged_ = true;
                break;
            }
            budget_ -= std::min(budget_, c->button.records.size() + c->button.actions.size());
            if (!dictionary_.count(id))
                dictionary_[id] = std::move(c);
            break;
        }
        case kDefineButtonCxform: {
            uint16_t id = t.U16();
            ColorTransform color = t.CxForm(false);
            auto it = dictionary_.find(id);
            if (!t.Failed() && it != dictionary_.end() && it->second->kind == Character::Kind::Button)
                SetButtonColor(it->second->button, color);
            break;
        }
        case kFrameLabel: {
            current.label = t.String();
            std::string name = Lower(current.label);
            if (!name.empty() && !labels_.count(name))
                labels_[name] = int(frames_.size());
            break;
        }
        default:
            if (IsBitmapTag(code))
                ReadBitmap(code, tag, length);
            else if (sounds_.ReadTag(code, tag, length, frames_.size()))
                pending = true;
            break; // other tags are not drawn: sounds, fonts, scripts of later versions...
        }
    }
    if (in.Remaining() > 0 && in.Remaining() < 2)
        damaged_ = true;
    // A last frame without its ShowFrame is still shown.
    if (pending && frames_.size() < kMaxFrames)
        frames_.push_back(std::move(current));
}

void Movie::ReadSprite(const uint8_t* data, size_t size)
{
    SwfReader in(data, size);
    uint16_t id = in.U16();
    in.U16(); // frame count
    if (in.Failed() || dictionary_.count(id))
        return;
    auto c = std::make_unique<Character>();
    c->kind = Character::Kind::Sprite;
    FrameData current;
    bool pending = false;
    while (in.Remaining() >= 2 && budget_ > 0 && c->frames.size() < kMaxFrames) {
        --budget_;
        uint16_t head = in.U16();
        uint16_t code = head >> 6;
        size_t length = head & 0x3F;
        if (length == 0x3F)
            length = in.U32();
        if (in.Failed())
            break;
        length = std::min(length, in.Remaining());
        SwfReader t(in.Current(), length);
        in.Skip(length);
        if (code == kEnd)
            break;
        DisplayOp op;
        if (code == kShowFrame) {
            c->frames.push_back(std::move(current));
            current = FrameData{};
            pending = false;
        } else if (code == kPlaceObject || code == kPlaceObject2 || code == kPlaceObject3) {
            int kind = code == kPlaceObject ? 1 : code == kPlaceObject2 ? 2 : 3;
            if (ReadPlace(t, kind, op, header_.version)) {
                current.ops.push_back(op);
                pending = true;
            }
        } else if (code == kRemoveObject || code == kRemoveObject2) {
            op.kind = DisplayOp::Kind::Remove;
            if (code == kRemoveObject)
                t.U16();
            op.depth = t.U16();
            if (!t.Failed()) {
                current.ops.push_back(op);
                pending = true;
            }
        } else if (code == kDoAction && length > 0) {
            current.actions.emplace_back(t.Current(), t.Current() + length);
            pending = true;
        } else if (code == kFrameLabel) {
            current.label = t.String();
        } else if (sounds_.ReadTag(code, t.Current(), length, c->frames.size(), id)) {
            pending = true;
        }
    }
    if (pending || c->frames.empty())
        c->frames.push_back(std::move(current));
    dictionary_[id] = std::move(c);
}

void Movie::ReadBitmap(uint16_t code, const uint8_t* data, size_t size)
{
    SwfReader in(data, size);
    uint16_t id = in.U16();
    if (in.Failed() || bitmaps_.count(id) || bitmapPixels_ >= kMaxMoviePixels)
        return;
    Bitmap bm;
    if (!DecodeBitmapTag(code, data + 2, size - 2, jpegTables_, bm)) {
        damaged_ = true;
        return;
    }
    uint64_t pixels = uint64_t(bm.width) * uint64_t(bm.height);
    if (pixels > kMaxMoviePixels - bitmapPixels_)
        return;
    bitmapPixels_ += pixels;
    bitmaps_[id] = std::move(bm);
}

const Font* Movie::FindFont(uint16_t id) const
{
    auto it = fonts_.find(id);
    return it == fonts_.end() ? nullptr : &it->second;
}

const Bitmap* Movie::FindBitmap(uint16_t id) const
{
    auto it = bitmaps_.find(id);
    return it == bitmaps_.end() ? nullptr : &it->second;
}

int Movie::FindLabel(const std::string& label) const
{
    auto it = labels_.find(Lower(label));
    return it == labels_.end() ? -1 : it->second;
}

const Character* Movie::Find(uint16_t id) const
{
    auto it = dictionary_.find(id);
    return it == dictionary_.end() ? nullptr : it->second.get();
}

} // namespace glint::flash
