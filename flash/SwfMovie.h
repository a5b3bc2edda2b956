#pragma once
// A movie as read from an SWF file: header, dictionary of characters and the
// per-frame display-list changes and actions of the main timeline.
#include "flash/SwfShape.h"
#include "flash/SwfTypes.h"
#include "flash/bitmap/Bitmap.h"
#include "flash/display/Button.h"
#include "flash/display/MorphShape.h"
#include "flash/sound/SoundTags.h"
#include "flash/text/Text.h"

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace glint::flash {

// Actions a placed clip runs on its events (PlaceObject2/3 clip actions).
struct ClipEvent {
    uint32_t events = 0; // kEventLoad...
    std::vector<uint8_t> code;
};
using ClipEvents = std::vector<ClipEvent>;
constexpr uint32_t kEventLoad = 0x01, kEventEnterFrame = 0x02, kEventMouseMove = 0x08, kEventMouseDown = 0x10,
                   kEventMouseUp = 0x20;

// One change of a display list (PlaceObject 1/2/3, RemoveObject 1/2).
struct DisplayOp {
    enum class Kind : uint8_t { Place, Remove };
    Kind kind = Kind::Place;
    bool move = false; // modifies the object already at the depth
    bool hasCharacter = false;
    bool hasMatrix = false;
    bool hasColor = false;
    bool hasClipDepth = false;
    bool hasRatio = false;
    uint16_t depth = 0;
    uint16_t character = 0;
    uint16_t clipDepth = 0;
    uint16_t ratio = 0;    // morph position, 0..65535
    uint8_t blendMode = 0; // PlaceObject3's blend mode; 0 when it has none
    Matrix matrix;
    ColorTransform color;
    std::string name; // instance name, "" when none
    std::shared_ptr<const ClipEvents> events;
};

struct FrameData {
    std::vector<DisplayOp> ops;
    std::vector<std::vector<uint8_t>> actions; // DoAction bodies, in file order
    std::vector<std::vector<uint8_t>> initActions; // DoInitAction bodies: run once, before `actions`
    std::string label; // the frame's label as written, "" when none
};

struct Clip;

// An object on a display list.
struct Placed {
    uint16_t character = 0;
    uint16_t clipDepth = 0;
    uint16_t ratio = 0;
    uint8_t blendMode = 0; // 0 and 1 are normal
    Matrix matrix;
    ColorTransform color;
    // A sprite's own timeline and display list, made when the player shows it.
    std::shared_ptr<Clip> clip;
    std::string name;
    std::shared_ptr<const ClipEvents> events;
    bool visible = true;
    uint8_t buttonState = kButtonUp; // buttons: the state shown
    // A text field bound to a variable: the text shown and its glyphs, laid
    // out again when the variable changes; null until the actions set it.
    std::shared_ptr<const Shape> fieldShape;
    std::string fieldText;
};
using DisplayList = std::map<uint16_t, Placed>; // by depth, drawn from low to high

// Applies one change to a display list.
void ApplyDisplayOp(DisplayList& list, const DisplayOp& op);

struct Character {
    enum class Kind : uint8_t { Shape, Sprite, Morph, Button };
    Kind kind = Kind::Shape;
    Shape shape;
    // A sprite's own timeline: its display-list changes frame by frame.
    std::vector<FrameData> frames;
    MorphShape morph;
    Button button;
    // An edit text that shows a variable (its initial layout is `shape`).
    std::shared_ptr<const EditField> field;
};

struct MovieHeader {
    bool compressed = false;
    uint8_t version = 0;
    uint32_t declaredLength = 0;
    TwipsRect stage;
    double frameRate = 0; // frames a second, as stored (8.8)
    uint16_t frameCount = 0;
};

class Movie {
public:
    // Reads the file. False when it is not an SWF file at all (bad signature,
    // unreadable header or compressed data that does not inflate); a file that
    // breaks off later keeps what was read up to there.
    bool Read(const uint8_t* data, size_t size);

    const MovieHeader& Header() const { return header_; }
    bool HasBackground() const { return hasBackground_; }
    Rgba Background() const { return background_; }
    const std::vector<FrameData>& Frames() const { return frames_; }
    // Frame index of a label; -1 when missing. Labels compare without regard to case.
    int FindLabel(const std::string& label) const;
    const Character* Find(uint16_t id) const;
    // The decoded picture of a bitmap tag; null when missing or undecodable.
    const Bitmap* FindBitmap(uint16_t id) const;
    // A font of the movie; null when missing.
    const Font* FindFont(uint16_t id) const;
    // True when the tag stream ended early or a tag was damaged.
    bool Damaged() const { return damaged_; }
    // Event sounds, their starts and the stream of the main timeline.
    const sound::SoundTable& Sounds() const { return sounds_; }
    // True when the file says its code is ActionScript 3, which is never run.
    bool ActionScript3() const { return as3_; }

    // Largest uncompressed size accepted; bigger files are read up to it.
    static constexpr size_t kMaxBodySize = 64u << 20;
    // Pixels of all pictures of a movie together; later ones are left out.
    static constexpr uint64_t kMaxMoviePixels = uint64_t(48) << 20;

private:
    void ReadTags(const uint8_t* data, size_t size);
    void ReadSprite(const uint8_t* data, size_t size);
    void ReadBitmap(uint16_t code, const uint8_t* data, size_t size);

    MovieHeader header_;
    bool hasBackground_ = false;
    Rgba background_{255, 255, 255, 255};
    std::vector<FrameData> frames_;
    std::map<std::string, int> labels_;
    std::unordered_map<uint16_t, std::unique_ptr<Character>> dictionary_;
    std::unordered_map<uint16_t, Bitmap> bitmaps_;
    FontTable fonts_;
    sound::SoundTable sounds_;
    std::vector<uint8_t> jpegTables_;
    uint64_t bitmapPixels_ = 0;
    bool damaged_ = false;
    bool as3_ = false;
    // Styles, edges and display-list changes still allowed (bounds the memory a hostile file can claim).
    size_t budget_ = size_t(6) << 20;
};

} // namespace glint::flash
