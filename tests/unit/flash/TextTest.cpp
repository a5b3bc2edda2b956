// Fonts and text written by the test writer: glyphs land on the pixels their
// outlines, heights and positions give; damaged tags are refused.
#include "flash/SwfPlayer.h"
#include "flash/testing/SwfWriter.h"
#include "tests/unit/flash/FrameBuffer.h"

#include <gtest/gtest.h>

using namespace glint::flash;
using namespace glint::flash::testing;
using namespace glint::flash::test;

namespace {

// A glyph filling the square from (0, -size) to (size / 2, 0) of a font whose em is `size`.
ShapeBuilder HalfSquare(int32_t size)
{
    ShapeBuilder g;
    g.Rect(0, -size, size / 2, size, 1);
    return g;
}

struct Rect {
    int x0, y0, x1, y1; // pixels, end exclusive
    bool Has(int x, int y) const { return x >= x0 && x < x1 && y >= y0 && y < y1; }
};

// Every pixel inside one of `inked` is `ink` and every other one white,
// leaving out the pixels an outline crosses (a pixel of margin).
void ExpectOnly(const FrameBuffer& fb, const std::vector<Rect>& inked, uint32_t ink)
{
    int wrong = 0;
    std::string first;
    for (int y = 0; y < fb.height; ++y)
        for (int x = 0; x < fb.width; ++x) {
            bool in = false, edge = false;
            for (const Rect& r : inked) {
                in |= Rect{r.x0 + 1, r.y0 + 1, r.x1 - 1, r.y1 - 1}.Has(x, y);
                edge |= Rect{r.x0 - 1, r.y0 - 1, r.x1 + 1, r.y1 + 1}.Has(x, y);
            }
            if ((in && fb.Rgb(x, y) != ink) || (!edge && fb.Rgb(x, y) != 0xFFFFFF))
                if (wrong++ == 0)
                    first = std::to_string(x) + ", " + std::to_string(y) + ": " + std::to_string(fb.Rgb(x, y));
        }
    EXPECT_EQ(wrong, 0) << "first wrong pixel " << first;
}

TEST(StaticText, GlyphsCoverTheirOutlineAtTheirHeightAndPlace)
{
    // DefineFont3 draws in units 20 times finer: the same square at the same height.
    struct Case {
        int fontVersion, textVersion;
        Rgba color;
        uint32_t ink; // over white
    } cases[] = {
        {1, 1, {0, 0, 255, 255}, 0x0000FF},
        {2, 1, {0, 128, 0, 255}, 0x008000},
        {3, 2, {255, 0, 0, 128}, 0xFF7F7F}, // half transparent red
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fontVersion);
        const int32_t em = c.fontVersion == 3 ? 20480 : 1024;
        SwfWriter swf = Stage(80, 60, kWhite);
        swf.DefineFont(1, c.fontVersion, {HalfSquare(em)}, {'A'});
        // Height 20 px: the glyph is 10 x 20 px; the second starts 15 px after the first.
        TextRecord r{1, 400, c.color, 100, 500, {{0, 300}, {0, 0}}};
        swf.DefineText(2, c.textVersion, {0, 1600, 0, 1200}, Matrix{1, 0, 0, 1, 100, 100}, {r});
        swf.Place(1, 2, Matrix{1, 0, 0, 1, 200, 0});
        // x: 200 + 100 + 100 twips = 20 px; y: 100 + 500 - 400 = 200 twips = 10 px.
        ExpectOnly(FirstFrame(swf, 80, 60), {{20, 10, 30, 30}, {35, 10, 45, 30}}, c.ink);
    }
}

TEST(StaticText, TextMatrixAndPlacementScaleTheGlyphs)
{
    SwfWriter swf = Stage(80, 60, kWhite);
    swf.DefineFont(1, 2, {HalfSquare(1024)}, {'A'});
    TextRecord r{1, 200, kBlack, 0, 200, {{0, 0}}};
    swf.DefineText(2, 1, {0, 400, 0, 400}, Matrix{2, 0, 0, 1, 0, 0}, {r}); // text twice as wide
    swf.Place(1, 2, Matrix{1, 0, 0, 2, 200, 200});                          // placed twice as tall
    // The glyph: 5 x 10 px, made 10 px wide by the text and 20 px tall by the placement.
    ExpectOnly(FirstFrame(swf, 80, 60), {{10, 10, 20, 30}}, 0x000000);
}

// A field of font 1 at 20 px in dark blue showing `text`.
EditTextField Field(const std::string& text)
{
    EditTextField f;
    f.font = 1;
    f.height = 400;
    f.color = {0, 0, 160, 255};
    f.text = text;
    return f;
}

// Edit text with a DefineFont2 of one glyph 'A' (advance 768 of 1024), ascent a full em.
SwfWriter FieldMovie(const EditTextField& field, TwipsRect bounds, uint8_t version = 8)
{
    SwfWriter swf(100, 80, 12, version);
    swf.SetBackground(kWhite);
    swf.DefineFont(1, 2, {HalfSquare(1024)}, {'A'}, {768}, 1024, 0);
    swf.DefineEditText(2, bounds, field);
    swf.Place(1, 2);
    return swf;
}

TEST(EditText, InitialTextIsLaidOutWithTheEmbeddedFont)
{
    // Height 20 px: glyphs 10 x 20 px, 15 px apart; lines 20 px + leading 5 px apart;
    // the text starts 2 px inside the field.
    struct Case {
        const char* name;
        std::string text;
        bool html, multiline, wrap, narrow;
        uint8_t align;
        std::vector<Rect> inked;
    } cases[] = {
        {"left", "AA", false, false, false, false, 0, {{12, 12, 22, 32}, {27, 12, 37, 32}}},
        {"right", "A", false, false, false, false, 1, {{73, 12, 83, 32}}},  // the advance ends at the margin
        {"centre", "A", false, false, false, false, 2, {{43, 12, 52, 32}}}, // 42.5 .. 52.5
        {"html paragraphs", "<p align=\"left\"><font size=\"20\">A&amp;</font></p><p>A</p>", true, true, false, false, 0,
         {{12, 12, 22, 32}, {12, 37, 22, 57}}},
        // The space has no glyph; the second word does not fit after it.
        {"wrapped", "AA AA", false, true, true, true, 0, {{12, 12, 22, 32}, {27, 12, 37, 32}, {12, 37, 22, 57}, {27, 37, 37, 57}}},
        // Glyphs starting beyond the field's right side are left out.
        {"too long", "AAAAA", false, false, false, true, 0, {{12, 12, 22, 32}, {27, 12, 37, 32}, {42, 12, 52, 32}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EditTextField f = Field(c.text);
        f.html = c.html;
        f.multiline = c.multiline;
        f.wordWrap = c.wrap;
        f.align = c.align;
        f.leading = 100;
        // The field: x 10..90 px, y 10..70 px; the narrow one is 45 px wide.
        SwfWriter swf = FieldMovie(f, {200, c.narrow ? 1100 : 1800, 200, 1400});
        ExpectOnly(FirstFrame(swf, 100, 80), c.inked, 0x0000A0);
    }
}

TEST(EditText, ABoundFieldShowsItsVariable)
{
    // The field shows "score"; its initial text "A" sets it as it is placed,
    // before the frame's action adds an "A"; frame 1 sets it through a path,
    // frame 2 removes it.
    EditTextField f = Field("A");
    f.variable = "score";
    for (int version : {6, 7}) {
        SCOPED_TRACE(version);
        SwfWriter swf = FieldMovie(f, {200, 1800, 200, 1400}, uint8_t(version));
        swf.DoAction(ActionBuilder().PushString("score").PushString("score").Op(0x1C).PushString("A").Op(0x47).Op(0x1D));
        swf.ShowFrame();
        swf.DoAction(ActionBuilder().PushString("/:score").PushString("AAA").Op(0x1D));
        swf.ShowFrame();
        swf.DoAction(ActionBuilder().PushString("score").Op(0x3B).Op(0x17));
        auto p = Loaded(swf);
        const std::vector<Rect> glyphs = {{12, 12, 22, 32}, {27, 12, 37, 32}, {42, 12, 52, 32}};
        for (size_t shown : {2, 3, 0}) {
            SCOPED_TRACE(shown);
            ExpectOnly(Draw(*p, 100, 80), std::vector<Rect>(glyphs.begin(), glyphs.begin() + std::ptrdiff_t(shown)),
                       0x0000A0);
            p->Advance();
        }
    }
}

TEST(EditText, DeviceFontDrawsDarkPixelsInsideTheFieldOnly)
{
    // The field names the movie's font but not its outlines: the system's font draws it.
    EditTextField f = Field("Hello");
    f.useOutlines = false;
    f.color = kBlack;
    SwfWriter swf = FieldMovie(f, {200, 1800, 200, 1400});
    FrameBuffer fb = FirstFrame(swf, 100, 80);
    int inside = 0, outside = 0;
    for (int y = 0; y < 80; ++y)
        for (int x = 0; x < 100; ++x)
            if (fb.G(x, y) < 128)
                (x >= 10 && x < 90 && y >= 10 && y < 70 ? inside : outside)++;
    // Five letters 20 px tall ink well over a hundred pixels.
    EXPECT_GT(inside, 100);
    EXPECT_EQ(outside, 0);
}

TEST(TextTags, DamagedOrHostileTagsAreRefusedOrBounded)
{
    SwfWriter swf(100, 80, 12);
    swf.DefineFont(1, 2, {HalfSquare(1024)}, {'A'}, {768}, 1024, 0);
    // More glyphs than a text may draw: 120 records of 255 glyphs.
    std::vector<TextRecord> many(120, TextRecord{1, 65535, kBlack, 0, 0, {}});
    for (TextRecord& r : many)
        r.glyphs.assign(255, {0, 10});
    swf.DefineText(2, 1, {0, 100, 0, 100}, Matrix{}, many);
    swf.Tag(11, {3, 0, 0, 0, 40, 8});                          // DefineText with 40-bit glyph indices
    swf.Tag(48, {4, 0, 0x0C, 0, 0, 0xFF, 0xFF, 8, 0, 0, 0});   // DefineFont2 claiming 65535 glyphs
    swf.Tag(37, {5, 0, 0x10});                                 // DefineEditText cut short
    swf.Tag(13, {1, 0, 200});                                  // DefineFontInfo cut short: the font stays
    swf.Place(2, 2, Matrix{1, 0, 0, 1, 0, 65535}); // glyphs reach up to the top of the stage
    for (uint16_t id = 3; id <= 5; ++id)
        swf.Place(id, id);
    swf.ShowFrame();
    std::string bytes = swf.Finish(false);

    Movie movie;
    ASSERT_TRUE(movie.Read(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()));
    EXPECT_TRUE(movie.Damaged());
    const Character* text = movie.Find(2);
    ASSERT_NE(text, nullptr);
    size_t edges = 0;
    for (const ShapeLayer& layer : text->shape.layers)
        for (const auto& e : layer.fillEdges)
            edges += e.size();
    EXPECT_EQ(edges, kMaxTextGlyphs * 4); // a glyph is four edges
    EXPECT_EQ(movie.Find(3), nullptr);
    EXPECT_EQ(movie.Find(5), nullptr);
    const Font* claimed = movie.FindFont(4);
    EXPECT_TRUE(claimed == nullptr || claimed->glyphs.size() <= 2);
    ASSERT_NE(movie.FindFont(1), nullptr);
    EXPECT_EQ(movie.FindFont(1)->IndexOf('A'), 0);

    SwfPlayer p;
    ASSERT_TRUE(p.Load(bytes));
    FrameBuffer fb = Draw(p, 100, 80); // huge glyphs cover the stage
    EXPECT_EQ(fb.Rgb(50, 40), 0x000000u);
}

TEST(TextTags, HtmlToPlainDropsTagsAndDecodesEntities)
{
    EXPECT_EQ(HtmlToPlain(U"<p><b>a</b>&lt;b&gt;</p><P>c<BR/>d&#65;&#x42;&#x2122;&nbsp;</p>"),
              U"a<b>\nc\ndAB\u2122&nbsp;");
    EXPECT_EQ(HtmlToPlain(U"x<font"), U"x");
}

} // namespace
