#include "flash/SwfMovie.h"
#include "flash/SwfReader.h"
#include "flash/testing/SwfWriter.h"

#include <gtest/gtest.h>

using namespace glint::flash;
using namespace glint::flash::testing;

namespace {

TEST(SwfReader, BitFieldsCrossByteBoundaries)
{
    // 101 | 11110 | 0000 0001 1 (then padding)
    const uint8_t data[] = {0xBE, 0x01, 0x80};
    SwfReader in(data, sizeof data);
    EXPECT_EQ(in.UB(3), 5u);
    EXPECT_EQ(in.SB(5), -2); // 11110
    EXPECT_EQ(in.UB(9), 3u); // 0000 0001 1: crosses a byte boundary
    EXPECT_FALSE(in.Failed());
    in.Align();
    EXPECT_TRUE(in.AtEnd());
}

TEST(SwfReader, ReadsPastTheEndGiveZeroAndFail)
{
    const uint8_t data[] = {0x34, 0x12, 0xFF};
    SwfReader in(data, sizeof data);
    EXPECT_EQ(in.U16(), 0x1234);
    EXPECT_EQ(in.U16(), 0xFF); // one byte there, the other missing
    EXPECT_TRUE(in.Failed());
    EXPECT_EQ(in.U32(), 0u);
    EXPECT_EQ(in.UB(7), 0u);
}

TEST(SwfReader, StringWithoutTerminatorStopsAtEnd)
{
    const uint8_t data[] = {'a', 'b', 0, 'c', 'd'};
    SwfReader in(data, sizeof data);
    EXPECT_EQ(in.String(), "ab");
    EXPECT_FALSE(in.Failed());
    EXPECT_EQ(in.String(), "cd");
    EXPECT_TRUE(in.Failed());
}

TEST(SwfReader, OverlongBitCountsAreRejected)
{
    const uint8_t data[8] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
    SwfReader in(data, sizeof data);
    in.UB(40);
    EXPECT_TRUE(in.Failed());
}

TEST(SwfReader, RecordsRoundTripThroughTheWriter)
{
    BitWriter w;
    w.Rect(-40, 11000, 3, -7);
    Matrix m{1.5, -0.25, 0.125, -2.0, 1234, -5678};
    w.MatrixRecord(m);
    ColorTransform cx;
    cx.mulR = 128;
    cx.mulA = -3;
    cx.addG = 255;
    cx.addB = -255;
    w.CxForm(cx, true);
    ColorTransform noAlpha;
    noAlpha.mulG = 512;
    w.CxForm(noAlpha, false);
    w.MatrixRecord(Matrix{});

    SwfReader in(w.Data().data(), w.Data().size());
    TwipsRect r = in.Rect();
    EXPECT_EQ(r.xMin, -40);
    EXPECT_EQ(r.xMax, 11000);
    EXPECT_EQ(r.yMin, 3);
    EXPECT_EQ(r.yMax, -7);
    Matrix got = in.MatrixRecord();
    EXPECT_DOUBLE_EQ(got.a, 1.5);
    EXPECT_DOUBLE_EQ(got.b, -0.25);
    EXPECT_DOUBLE_EQ(got.c, 0.125);
    EXPECT_DOUBLE_EQ(got.d, -2.0);
    EXPECT_DOUBLE_EQ(got.tx, 1234);
    EXPECT_DOUBLE_EQ(got.ty, -5678);
    EXPECT_EQ(in.CxForm(true), cx);
    EXPECT_EQ(in.CxForm(false), noAlpha);
    Matrix identity = in.MatrixRecord();
    EXPECT_DOUBLE_EQ(identity.a, 1);
    EXPECT_DOUBLE_EQ(identity.tx, 0);
    EXPECT_FALSE(in.Failed());
    EXPECT_TRUE(in.AtEnd());
}

TEST(ColorTransform, ClampsAndComposes)
{
    ColorTransform half;
    half.mulR = half.mulG = half.mulB = 128;
    ColorTransform shift;
    shift.addR = 100;
    shift.addB = -300;
    Rgba c{200, 100, 50, 255};
    EXPECT_EQ(half.Apply(c), (Rgba{100, 50, 25, 255}));
    EXPECT_EQ(shift.Apply(c), (Rgba{255, 100, 0, 255}));
    // shift after half
    Rgba both = (shift * half).Apply(c);
    EXPECT_EQ(both, (Rgba{200, 50, 0, 255}));
}

TEST(Matrix, ComposesAndInverts)
{
    Matrix scale{2, 0, 0, 3, 0, 0}, move{1, 0, 0, 1, 10, 20};
    double x, y;
    (move * scale).Apply(1, 1, x, y); // scale first
    EXPECT_DOUBLE_EQ(x, 12);
    EXPECT_DOUBLE_EQ(y, 23);
    Matrix inv;
    ASSERT_TRUE((move * scale).Invert(inv));
    inv.Apply(12, 23, x, y);
    EXPECT_NEAR(x, 1, 1e-12);
    EXPECT_NEAR(y, 1, 1e-12);
    EXPECT_FALSE((Matrix{0, 0, 0, 0, 1, 1}).Invert(inv));
}

// ---- the movie reader

TEST(Movie, ReadsHeaderOfBothSignatures)
{
    SwfWriter w(320, 240, 12.5, 6);
    w.SetBackground({1, 2, 3, 255});
    w.ShowFrame();
    w.ShowFrame();
    for (bool compressed : {false, true}) {
        std::string bytes = w.Finish(compressed);
        EXPECT_EQ(bytes.substr(0, 3), compressed ? "CWS" : "FWS");
        Movie m;
        ASSERT_TRUE(m.Read(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()));
        EXPECT_EQ(m.Header().compressed, compressed);
        EXPECT_EQ(m.Header().version, 6);
        EXPECT_EQ(m.Header().stage.xMax, 6400);
        EXPECT_EQ(m.Header().stage.yMax, 4800);
        EXPECT_DOUBLE_EQ(m.Header().frameRate, 12.5);
        EXPECT_EQ(m.Header().frameCount, 2);
        EXPECT_EQ(m.Frames().size(), 2u);
        EXPECT_TRUE(m.HasBackground());
        EXPECT_EQ(m.Background(), (Rgba{1, 2, 3, 255}));
        EXPECT_FALSE(m.Damaged());
    }
}

// A movie written byte by byte from the file format, not by our writer.
TEST(Movie, HandMadeFileReadsAsItsFields)
{
    const uint8_t file[] = {
        'F', 'W', 'S', 6, 40, 0, 0, 0, // signature, version, length 40
        // Stage: 13-bit fields 0, 4000, 0, 2000 twips.
        // 01101 0000000000000 0111110100000 0000000000000 0011111010000 0000000
        0x68, 0x00, 0x1F, 0x40, 0x00, 0x03, 0xE8, 0x00,
        0x80, 0x0C, 2, 0,                   // 12.5 frames a second (8.8), 2 frames
        0x7F, 0x02, 3, 0, 0, 0, 0x11, 0x22, 0x33, // background colour, long tag header
        0x40, 0x00,                         // show frame
        0xC3, 0x0A, 'G', 'o', 0,            // frame label "Go"
        0x40, 0x00,                         // show frame
        0x00, 0x00};                        // end
    static_assert(sizeof file == 40);
    Movie m;
    ASSERT_TRUE(m.Read(file, sizeof file));
    EXPECT_FALSE(m.Damaged());
    const MovieHeader& h = m.Header();
    EXPECT_FALSE(h.compressed);
    EXPECT_EQ(h.version, 6);
    EXPECT_EQ(h.declaredLength, 40u);
    EXPECT_EQ(h.stage.xMin, 0);
    EXPECT_EQ(h.stage.xMax, 4000);
    EXPECT_EQ(h.stage.yMin, 0);
    EXPECT_EQ(h.stage.yMax, 2000);
    EXPECT_DOUBLE_EQ(h.frameRate, 12.5);
    EXPECT_EQ(h.frameCount, 2);
    ASSERT_TRUE(m.HasBackground());
    EXPECT_EQ(m.Background(), (Rgba{0x11, 0x22, 0x33, 255}));
    EXPECT_EQ(m.Frames().size(), 2u);
    EXPECT_EQ(m.FindLabel("go"), 1);
}

TEST(Movie, RejectsWhatIsNotAMovie)
{
    Movie m;
    EXPECT_FALSE(m.Read(nullptr, 0));
    const std::string cases[] = {"", "FWS", std::string("GIF89a\0\0\0\0\0\0", 12),
                                 std::string("ZWS\x0d\x10\0\0\0", 8) + "xxxxxxxx",
                                 std::string("CWS\x08\x40\0\0\0", 8) + "not zlib at all"};
    for (const std::string& c : cases)
        EXPECT_FALSE(m.Read(reinterpret_cast<const uint8_t*>(c.data()), c.size())) << c;
    // A header cut inside the stage rectangle.
    std::string cut = SwfWriter(100, 100, 10).Finish(false).substr(0, 10);
    EXPECT_FALSE(m.Read(reinterpret_cast<const uint8_t*>(cut.data()), cut.size()));
}

TEST(Movie, KeepsWhatWasReadBeforeATruncation)
{
    SwfWriter w(100, 100, 10);
    w.SetBackground({9, 8, 7, 255});
    ShapeBuilder s;
    s.Rect(0, 0, 200, 200, s.AddSolidFill({255, 0, 0, 255}));
    w.DefineShape(1, s);
    w.Place(1, 1);
    w.ShowFrame();
    w.ShowFrame();
    for (bool compressed : {false, true}) {
        std::string bytes = w.Finish(compressed);
        // Drop the last ShowFrame, the End tag and (compressed) the zlib trailer.
        std::string cut = bytes.substr(0, bytes.size() - (compressed ? 6 : 4));
        Movie m;
        ASSERT_TRUE(m.Read(reinterpret_cast<const uint8_t*>(cut.data()), cut.size()));
        EXPECT_EQ(m.Background(), (Rgba{9, 8, 7, 255}));
        ASSERT_NE(m.Find(1), nullptr);
        EXPECT_GE(m.Frames().size(), 1u);
        EXPECT_EQ(m.Frames()[0].ops.size(), 1u);
    }
}

TEST(Movie, ShapeStylesAndEdgesAreSortedByFillSide)
{
    ShapeBuilder s;
    int red = s.AddSolidFill({255, 0, 0, 255});
    int blue = s.AddSolidFill({0, 0, 255, 128});
    int line = s.AddLineStyle(40, {0, 255, 0, 255});
    s.MoveTo(0, 0);
    s.SetStyles(red, blue, line); // red on one side, blue on the other
    s.LineTo(100, 0);
    s.CurveTo(150, 50, 100, 100);
    for (int version = 1; version <= 4; ++version) {
        BitWriter w;
        s.Write(w, version, {});
        SwfReader in(w.Data().data(), w.Data().size());
        Shape shape;
        size_t budget = 1000;
        ASSERT_TRUE(ReadShape(in, version, shape, budget)) << version;
        EXPECT_FALSE(in.Failed());
        ASSERT_EQ(shape.layers.size(), 1u);
        const ShapeLayer& l = shape.layers[0];
        ASSERT_EQ(l.fills.size(), 2u);
        EXPECT_EQ(l.fills[1].color.a, version >= 3 ? 128 : 255); // RGB before DefineShape3
        ASSERT_EQ(l.lines.size(), 1u);
        EXPECT_EQ(l.lines[0].width, 40u);
        // fillStyle0 side reversed, fillStyle1 side as drawn
        ASSERT_EQ(l.fillEdges[0].size(), 2u);
        ASSERT_EQ(l.fillEdges[1].size(), 2u);
        EXPECT_EQ(l.fillEdges[1][0].x0, 0);
        EXPECT_EQ(l.fillEdges[1][0].x1, 100);
        EXPECT_EQ(l.fillEdges[0][0].x0, 100);
        EXPECT_EQ(l.fillEdges[0][0].x1, 0);
        EXPECT_TRUE(l.fillEdges[1][1].curve);
        EXPECT_EQ(l.fillEdges[1][1].cx, 150);
        EXPECT_EQ(l.fillEdges[1][1].y1, 100);
        ASSERT_EQ(l.strokes.size(), 1u);
        EXPECT_EQ(l.strokes[0].edges.size(), 2u);
        EXPECT_LE(shape.bounds.xMin, -20);
        EXPECT_GE(shape.bounds.xMax, 170);
    }
}

TEST(Movie, ShapeBudgetStopsHugeShapes)
{
    ShapeBuilder s;
    int f = s.AddSolidFill({255, 0, 0, 255});
    s.MoveTo(0, 0);
    s.SetStyles(0, f, 0);
    for (int i = 0; i < 1000; ++i)
        s.LineTo(i % 2 ? 0 : 10, i + 1);
    BitWriter w;
    s.Write(w, 3, {});
    SwfReader in(w.Data().data(), w.Data().size());
    Shape shape;
    size_t budget = 100;
    ReadShape(in, 3, shape, budget);
    ASSERT_EQ(shape.layers.size(), 1u);
    EXPECT_LT(shape.layers[0].fillEdges[0].size(), 40u);
    EXPECT_GT(shape.layers[0].fillEdges[0].size(), 20u);
}

TEST(Movie, UnknownAndLongTagsAreSkipped)
{
    SwfWriter w(100, 100, 10);
    w.Tag(777 & 0x3FF, std::vector<uint8_t>(5, 0xEE));   // unknown, short header
    w.Tag(1000 & 0x3FF, std::vector<uint8_t>(300, 0xAB)); // unknown, long header
    w.SetBackground({0x11, 0x22, 0x33, 255});
    w.FrameLabel("Start");
    w.ShowFrame();
    w.FrameLabel("second");
    w.ShowFrame();
    std::string bytes = w.Finish(false);
    Movie m;
    ASSERT_TRUE(m.Read(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()));
    EXPECT_EQ(m.Background(), (Rgba{0x11, 0x22, 0x33, 255}));
    EXPECT_EQ(m.FindLabel("start"), 0);
    EXPECT_EQ(m.FindLabel("SECOND"), 1);
    EXPECT_EQ(m.FindLabel("third"), -1);
}

TEST(Movie, DisplayOpsFollowPlaceAndMoveRules)
{
    DisplayList list;
    DisplayOp place;
    place.depth = 5;
    place.hasCharacter = true;
    place.character = 7;
    place.hasMatrix = true;
    place.matrix.tx = 100;
    ApplyDisplayOp(list, place);
    ASSERT_EQ(list.count(5), 1u);

    DisplayOp move; // matrix only
    move.move = true;
    move.depth = 5;
    move.hasColor = true;
    move.color.addR = 10;
    ApplyDisplayOp(list, move);
    EXPECT_EQ(list[5].character, 7);
    EXPECT_EQ(list[5].matrix.tx, 100); // kept
    EXPECT_EQ(list[5].color.addR, 10);

    move.depth = 9; // nothing there: ignored
    ApplyDisplayOp(list, move);
    EXPECT_EQ(list.count(9), 0u);

    DisplayOp replace = place;
    replace.hasMatrix = false;
    replace.character = 8; // a fresh placement resets the transform
    ApplyDisplayOp(list, replace);
    EXPECT_EQ(list[5].character, 8);
    EXPECT_EQ(list[5].matrix.tx, 0);
    EXPECT_EQ(list[5].color.addR, 0);

    DisplayOp remove;
    remove.kind = DisplayOp::Kind::Remove;
    remove.depth = 5;
    ApplyDisplayOp(list, remove);
    EXPECT_TRUE(list.empty());
}

} // namespace
