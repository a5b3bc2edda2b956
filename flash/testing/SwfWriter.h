#pragma once
// Writes small SWF movies: used by the tests and by the demo tool. It covers
// what the player reads, in the plainest encoding of each record.
#include "flash/SwfShape.h"
#include "flash/SwfTypes.h"
#include "flash/display/Button.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace glint::flash::testing {

class BitWriter {
public:
    void UB(uint32_t value, unsigned bits);
    void SB(int32_t value, unsigned bits) { UB(uint32_t(value), bits); }
    void Align() { used_ = 8; }
    void U8(uint8_t v);
    void U16(uint16_t v);
    void U32(uint32_t v);
    void Bytes(const void* p, size_t n);
    void String(const std::string& s);
    void Color(Rgba c, bool withAlpha);
    void Rect(const TwipsRect& r);
    void MatrixRecord(const Matrix& m);
    void CxForm(const ColorTransform& t, bool withAlpha);

    // Bits a signed field needs for these values.
    static unsigned SignedBits(std::initializer_list<int32_t> values);
    const std::vector<uint8_t>& Data() const { return data_; }

private:
    std::vector<uint8_t> data_;
    unsigned used_ = 8; // bits used in the last byte
};

// Builds the shape records of a DefineShape tag. Coordinates are twips.
class ShapeBuilder {
public:
    // 1-based style indices, as the shape records use them.
    int AddSolidFill(Rgba c);
    int AddLinearFill(const Matrix& m, std::vector<GradientStop> stops);
    int AddRadialFill(const Matrix& m, std::vector<GradientStop> stops);
    // Sets how the last gradient fill added goes on beyond its ends.
    void SetSpread(GradientSpread spread) { fills_.back().spread = spread; }
    // Gives the last radial fill added a focal point (-1..1; DefineShape4 only).
    void SetFocal(float focal) { fills_.back().focal = focal; }
    int AddLineStyle(uint16_t widthTwips, Rgba c);
    // `m` maps picture pixels to shape twips (20 0 0 20 shows a pixel per pixel).
    int AddBitmapFill(uint16_t bitmap, const Matrix& m, bool repeat, bool smooth);

    void SetStyles(int fill0, int fill1, int line);
    void MoveTo(int32_t x, int32_t y);
    void LineTo(int32_t x, int32_t y);
    void CurveTo(int32_t cx, int32_t cy, int32_t x, int32_t y);

    // Closed outlines, fill on the right-hand side (fillStyle1).
    void Rect(int32_t x, int32_t y, int32_t w, int32_t h, int fill, int line = 0);
    // A circle of four quadratic curves per quarter (8 segments).
    void Circle(int32_t cx, int32_t cy, int32_t r, int fill, int line = 0);

    // The tag body after the character id, for DefineShape version 1..4.
    void Write(BitWriter& out, int version, TwipsRect bounds) const;
    // The records alone, as a font's glyph (fill style 1, no lines).
    void WriteGlyph(BitWriter& out) const;

private:
    FillStyle& NewFill(FillKind kind, const Matrix& m);
    void WriteRecords(BitWriter& out, unsigned fillBits, unsigned lineBits) const;
    // Moves the pen there, widening the bounds (a curve's control point counts too).
    void Reach(int32_t x, int32_t y);
    struct Record {
        enum Kind { Styles, Move, Line, Curve } kind;
        int32_t a = 0, b = 0, c = 0, d = 0;
    };
    std::vector<FillStyle> fills_;
    std::vector<LineStyle> lines_;
    std::vector<Record> records_;
    int32_t x_ = 0, y_ = 0;
    TwipsRect reached_{INT32_MAX, INT32_MIN, INT32_MAX, INT32_MIN};
};

// Builds DefineMorphShape records: each outline is given as its start and
// end points, which must have the same kinds of edges. Coordinates are twips.
class MorphBuilder {
public:
    int AddSolidFill(Rgba start, Rgba end);
    int AddLinearFill(const Matrix& start, const Matrix& end, std::vector<GradientStop> startStops,
                      std::vector<GradientStop> endStops);
    int AddLineStyle(uint16_t startWidth, uint16_t endWidth, Rgba start, Rgba end);
    // A closed four-sided outline, from its corners at the start and at the end, filled on its right-hand side.
    void Quad(const std::array<int32_t, 8>& start, const std::array<int32_t, 8>& end, int fill, int line = 0);
    // The tag body after the character id, for DefineMorphShape (1) or DefineMorphShape2 (2).
    void Write(BitWriter& out, int version) const;

private:
    struct Style {
        FillStyle start, end;
    };
    struct Line {
        uint16_t startWidth, endWidth;
        Rgba start, end;
    };
    struct Outline {
        std::array<int32_t, 8> start, end;
        int fill, line;
    };
    std::vector<Style> fills_;
    std::vector<Line> lines_;
    std::vector<Outline> outlines_;
};

// ActionScript bytes for DoAction.
class ActionBuilder {
public:
    ActionBuilder& Stop() { return Op(0x07); }
    ActionBuilder& Play() { return Op(0x06); }
    ActionBuilder& NextFrame() { return Op(0x04); }
    ActionBuilder& PrevFrame() { return Op(0x05); }
    ActionBuilder& GotoFrame(uint16_t frame); // 0-based
    ActionBuilder& GotoLabel(const std::string& label);
    ActionBuilder& GetURL(const std::string& url, const std::string& target);
    ActionBuilder& FSCommand(const std::string& command, const std::string& args)
    {
        return GetURL("FSCommand:" + command, args);
    }
    ActionBuilder& PushString(const std::string& s);
    ActionBuilder& PushNumber(int32_t n);
    ActionBuilder& GotoFrame2(bool play);
    ActionBuilder& GetURL2();
    ActionBuilder& Jump(int16_t offset);
    ActionBuilder& If(int16_t offset);
    ActionBuilder& PushDouble(double d);
    ActionBuilder& PushBool(bool b);
    ActionBuilder& PushNull() { return Raw(0x96, {2}); }
    ActionBuilder& PushUndefined() { return Raw(0x96, {3}); }
    ActionBuilder& PushRegister(uint8_t r) { return Raw(0x96, {4, r}); }
    // DefineFunction with its body.
    ActionBuilder& Function(const std::string& name, const std::vector<std::string>& params, const ActionBuilder& body);
    // The other's actions, without an end action.
    ActionBuilder& Append(const ActionBuilder& more);
    size_t Size() const { return code_.size(); }
    ActionBuilder& Op(uint8_t code);
    ActionBuilder& Raw(uint8_t code, const std::vector<uint8_t>& args);
    std::vector<uint8_t> Bytes() const; // with the end action

private:
    std::vector<uint8_t> code_;
};

// One record of DefineText: a font, colour, start and the glyph indices with their advances.
struct TextRecord {
    uint16_t font = 0;
    uint16_t height = 0; // twips
    Rgba color;
    int16_t x = 0, y = 0;
    std::vector<std::pair<uint16_t, int16_t>> glyphs;
};

// What DefineEditText carries; font 0 is a field without a font.
struct EditTextField {
    uint16_t font = 0;
    uint16_t height = 240;
    Rgba color;
    bool multiline = false, wordWrap = false, html = false, border = false, useOutlines = true;
    uint8_t align = 0; // 0 left, 1 right, 2 centre
    uint16_t leftMargin = 0, rightMargin = 0;
    int16_t leading = 0;
    std::string text;
    std::string variable; // the variable the field shows, "" for none
};

// A button record showing `character` in the states given (kButtonUp ...).
inline ButtonRecord ButtonShows(int states, uint16_t character)
{
    ButtonRecord r;
    r.states = uint8_t(states);
    r.character = character;
    return r;
}

class SwfWriter {
public:
    SwfWriter(int widthPx, int heightPx, double frameRate, uint8_t version = 8);

    void SetBackground(Rgba c);
    // version 1..4 selects DefineShape, DefineShape2, 3 or 4.
    void DefineShape(uint16_t id, const ShapeBuilder& shape, int version = 3, TwipsRect bounds = {});
    // PlaceObject2 of a new character at a depth.
    void Place(uint16_t depth, uint16_t id, const Matrix& m = {}, const ColorTransform* cx = nullptr,
               uint16_t clipDepth = 0);
    void Move(uint16_t depth, const Matrix& m, const ColorTransform* cx = nullptr);
    // PlaceObject2 of a new character with an instance name and, for a sprite,
    // actions on its events (kEventLoad...; written for SWF 6 and later).
    void PlaceNamed(uint16_t depth, uint16_t id, const std::string& name, const Matrix& m = {},
                    const std::vector<std::pair<uint32_t, ActionBuilder>>& events = {});
    // DefineButton (version 1: the actions of the first entry run on release) or DefineButton2.
    void DefineButton(uint16_t id, const std::vector<ButtonRecord>& records, const std::vector<ButtonAction>& actions,
                      int version = 2);
    void PlaceObject1(uint16_t id, uint16_t depth, const Matrix& m, const ColorTransform* cx = nullptr);
    void Remove(uint16_t depth);                         // RemoveObject2
    void RemoveObject1(uint16_t id, uint16_t depth);     // RemoveObject
    void DefineSprite(uint16_t id, const std::vector<std::pair<uint16_t, uint16_t>>& depthAndCharacter);
    // A sprite whose timeline is `timeline`'s tags and frames (its size and rate are not used).
    void DefineSprite(uint16_t id, const SwfWriter& timeline);
    // PlaceObject3 of a new character; ratio < 0 and blendMode 0 leave them out; `blur` adds a blur filter before the blend mode.
    void Place3(uint16_t depth, uint16_t id, const Matrix& m, const ColorTransform* cx, int ratio, uint8_t blendMode,
                bool blur = false);
    void MoveRatio(uint16_t depth, uint16_t ratio); // PlaceObject2 changing only the ratio
    void DefineMorphShape(uint16_t id, const MorphBuilder& morph, int version = 1);
    // Bitmap tags. The lossless ones take the uncompressed payload (palette,
    // then rows) and compress it; `colors` is the palette size of format 3.
    void DefineBitsLossless(uint16_t id, uint8_t format, uint16_t width, uint16_t height,
                            const std::vector<uint8_t>& payload, bool withAlpha, int colors = 0);
    void JpegTables(const std::vector<uint8_t>& tables);
    void DefineBits(uint16_t id, const std::vector<uint8_t>& jpeg);      // uses the movie's JPEGTables
    void DefineBitsJpeg2(uint16_t id, const std::vector<uint8_t>& jpeg); // JPEG, PNG or GIF bytes
    // DefineBitsJPEG3 (or 4 with `deblock` >= 0) with an alpha plane of a byte a pixel, compressed here.
    void DefineBitsJpeg3(uint16_t id, const std::vector<uint8_t>& jpeg, const std::vector<uint8_t>& alpha,
                         int deblock = -1);
    // DefineFont (1), DefineFont2 (2) or DefineFont3 (3); advances given add the layout.
    void DefineFont(uint16_t id, int version, const std::vector<ShapeBuilder>& glyphs,
                    const std::vector<uint16_t>& codes, const std::vector<int16_t>& advances = {},
                    uint16_t ascent = 0, uint16_t descent = 0);
    void DefineText(uint16_t id, int version, TwipsRect bounds, const Matrix& m, const std::vector<TextRecord>& records);
    void DefineEditText(uint16_t id, TwipsRect bounds, const EditTextField& field);
    void FrameLabel(const std::string& name);
    void DoAction(const ActionBuilder& actions);
    void ShowFrame();
    void Tag(uint16_t code, const std::vector<uint8_t>& body);

    // The whole file; the frame count is the number of ShowFrame tags.
    std::string Finish(bool compressed) const;

private:
    int32_t width_, height_;
    double rate_;
    uint8_t version_;
    uint16_t frames_ = 0;
    std::vector<uint8_t> tags_;
};

} // namespace glint::flash::testing
