// The reader against bytes written by hand from the file format, each with the
// values it must read as; not against our own writer, which could share a fault.
#include "flash/SwfMovie.h"
#include "flash/SwfReader.h"
#include "flash/testing/SwfWriter.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <sstream>

using namespace glint::flash;
using namespace glint::flash::testing;

namespace {

using Bytes = std::vector<uint8_t>;

Bytes operator+(Bytes a, const Bytes& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

std::vector<int32_t> Corners(const TwipsRect& r) { return {r.xMin, r.xMax, r.yMin, r.yMax}; }

TEST(SwfReader, PrimitivesFailStickilyAtTheEnd)
{
    // 101 | 11110 | 0000 0001 1 (then padding)
    const uint8_t bits[] = {0xBE, 0x01, 0x80};
    SwfReader in(bits, sizeof bits);
    EXPECT_EQ(in.UB(3), 5u);
    EXPECT_EQ(in.SB(5), -2);
    EXPECT_EQ(in.UB(9), 3u); // crosses a byte boundary
    EXPECT_FALSE(in.Failed());
    in.Align();
    EXPECT_TRUE(in.AtEnd());
    EXPECT_EQ(in.UB(40), 0u); // more bits than a field has
    EXPECT_TRUE(in.Failed());

    const uint8_t words[] = {0x34, 0x12, 0xFF};
    SwfReader w(words, sizeof words);
    EXPECT_EQ(w.U16(), 0x1234);
    EXPECT_EQ(w.U16(), 0xFF); // one byte there, the other missing
    EXPECT_TRUE(w.Failed());
    EXPECT_EQ(w.U32(), 0u);
    EXPECT_EQ(w.UB(7), 0u);

    const uint8_t text[] = {'a', 'b', 0, 'c', 'd'};
    SwfReader s(text, sizeof text);
    EXPECT_EQ(s.String(), "ab");
    EXPECT_FALSE(s.Failed());
    EXPECT_EQ(s.String(), "cd"); // no terminator: stops at the end
    EXPECT_TRUE(s.Failed());
}

TEST(SwfReader, RecordsReadAsTheirFields)
{
    const uint8_t data[] = {
        // RECT, 15-bit fields: -40, 11000, 3, -7
        0x7F, 0xFD, 0x85, 0x5F, 0x00, 0x00, 0xFF, 0xFC, 0x80,
        // MATRIX: scale 18 bits 1.5, -2.0; rotate 16 bits -0.25, 0.125; translate 14 bits 1234, -5678
        0xC9, 0x80, 0x00, 0x80, 0x00, 0x30, 0xC0, 0x00, 0x20, 0x00, 0x70, 0x9A, 0x54, 0xE9, 0x00,
        // CXFORMWITHALPHA, 12 bits: multiply 128 256 256 -3, add 0 255 -255 0
        0xF0, 0x20, 0x04, 0x00, 0x40, 0x3F, 0xF4, 0x00, 0x03, 0xFF, 0xC0, 0x40, 0x00,
        // CXFORM, multiply terms only, 11 bits: 256 512 256
        0x6C, 0x80, 0x20, 0x02, 0x00,
        // MATRIX with neither scale nor rotation and 0-bit translation
        0x00};
    SwfReader in(data, sizeof data);
    EXPECT_EQ(Corners(in.Rect()), (std::vector<int32_t>{-40, 11000, 3, -7}));
    const Matrix m = in.MatrixRecord();
    EXPECT_EQ((std::vector<double>{m.a, m.b, m.c, m.d, m.tx, m.ty}),
              (std::vector<double>{1.5, -0.25, 0.125, -2.0, 1234, -5678}));
    ColorTransform withAlpha;
    withAlpha.mulR = 128;
    withAlpha.mulA = -3;
    withAlpha.addG = 255;
    withAlpha.addB = -255;
    EXPECT_EQ(in.CxForm(true), withAlpha);
    ColorTransform noAlpha;
    noAlpha.mulG = 512;
    EXPECT_EQ(in.CxForm(false), noAlpha);
    const Matrix identity = in.MatrixRecord();
    EXPECT_EQ((std::vector<double>{identity.a, identity.b, identity.c, identity.d, identity.tx, identity.ty}),
              (std::vector<double>{1, 0, 0, 1, 0, 0}));
    EXPECT_FALSE(in.Failed());
    EXPECT_TRUE(in.AtEnd());
}

TEST(SwfReader, TransformsClampComposeAndInvert)
{
    ColorTransform half, shift;
    half.mulR = half.mulG = half.mulB = 128;
    shift.addR = 100;
    shift.addB = -300;
    const Rgba c{200, 100, 50, 255};
    EXPECT_EQ(half.Apply(c), (Rgba{100, 50, 25, 255}));
    EXPECT_EQ(shift.Apply(c), (Rgba{255, 100, 0, 255}));
    EXPECT_EQ((shift * half).Apply(c), (Rgba{200, 50, 0, 255})); // shift after half

    const Matrix scale{2, 0, 0, 3, 0, 0}, move{1, 0, 0, 1, 10, 20};
    double x, y;
    (move * scale).Apply(1, 1, x, y); // scale first
    EXPECT_EQ(std::make_pair(x, y), std::make_pair(12.0, 23.0));
    Matrix inv;
    ASSERT_TRUE((move * scale).Invert(inv));
    inv.Apply(12, 23, x, y);
    EXPECT_NEAR(x, 1, 1e-12);
    EXPECT_NEAR(y, 1, 1e-12);
    EXPECT_FALSE((Matrix{0, 0, 0, 0, 1, 1}).Invert(inv));
}

// A movie of two frames: header, background, two tags the player does not
// know (their bodies hold ShowFrame tags, which must not be read as such),
// a frame label on the second frame.
const Bytes kBody = {
    // Stage 13-bit fields 0, 4000, 0, 2000 twips; 12.5 frames a second (8.8); 2 frames
    0x68, 0x00, 0x1F, 0x40, 0x00, 0x03, 0xE8, 0x00, 0x80, 0x0C, 2, 0,
    0x7F, 0x02, 3, 0, 0, 0, 0x11, 0x22, 0x33,     // background colour, long tag header
    0x42, 0xC2, 0x40, 0x00,                       // tag 777, short header, 2 bytes
    0x3F, 0xFA, 4, 0, 0, 0, 0x40, 0x00, 0x40, 0x00, // tag 1000, long header, 4 bytes
    0x40, 0x00,                                   // show frame
    0xC3, 0x0A, 'G', 'o', 0,                      // frame label "Go"
    0x40, 0x00,                                   // show frame
    0x00, 0x00};                                  // end

// The file with its 8-byte header; compressed, the body goes through zlib.
std::string HandMadeFile(bool compressed, size_t cutFromEnd = 0)
{
    Bytes body = kBody;
    if (compressed) {
        uLongf size = compressBound(uLong(kBody.size()));
        body.resize(size);
        EXPECT_EQ(compress2(body.data(), &size, kBody.data(), uLong(kBody.size()), 9), Z_OK);
        body.resize(size);
    }
    const uint32_t length = uint32_t(8 + kBody.size());
    std::string file = {compressed ? 'C' : 'F', 'W', 'S', 6, char(length), char(length >> 8), 0, 0};
    file.append(body.begin(), body.end() - long(cutFromEnd));
    return file;
}

bool Read(Movie& m, const std::string& bytes)
{
    return m.Read(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}

TEST(Movie, HandMadeFileReadsAsItsFieldsInBothSignatures)
{
    for (bool compressed : {false, true}) {
        SCOPED_TRACE(compressed ? "CWS" : "FWS");
        Movie m;
        ASSERT_TRUE(Read(m, HandMadeFile(compressed)));
        EXPECT_FALSE(m.Damaged());
        const MovieHeader& h = m.Header();
        EXPECT_EQ(h.compressed, compressed);
        EXPECT_EQ(h.version, 6);
        EXPECT_EQ(h.declaredLength, 54u);
        EXPECT_EQ(Corners(h.stage), (std::vector<int32_t>{0, 4000, 0, 2000}));
        EXPECT_DOUBLE_EQ(h.frameRate, 12.5);
        EXPECT_EQ(h.frameCount, 2);
        EXPECT_EQ(m.Frames().size(), 2u);
        ASSERT_TRUE(m.HasBackground());
        EXPECT_EQ(m.Background(), (Rgba{0x11, 0x22, 0x33, 255}));
        EXPECT_EQ(m.FindLabel("gO"), 1); // labels compare without regard to case
        EXPECT_EQ(m.FindLabel("nowhere"), -1);
        // Cut before the last ShowFrame and End (and, compressed, zlib's trailer): what was read stays.
        Movie cut;
        ASSERT_TRUE(Read(cut, HandMadeFile(compressed, compressed ? 6 : 4)));
        EXPECT_EQ(cut.Background(), (Rgba{0x11, 0x22, 0x33, 255}));
        EXPECT_GE(cut.Frames().size(), 1u);
    }
}

TEST(Movie, RejectsWhatIsNotAMovie)
{
    Movie m;
    EXPECT_FALSE(m.Read(nullptr, 0));
    const std::string cases[] = {"", "FWS", std::string("GIF89a\0\0\0\0\0\0", 12),
                                 std::string("ZWS\x0d\x10\0\0\0", 8) + "xxxxxxxx",
                                 std::string("CWS\x08\x40\0\0\0", 8) + "not zlib at all",
                                 HandMadeFile(false).substr(0, 10)}; // cut inside the stage rectangle
    for (const std::string& c : cases)
        EXPECT_FALSE(Read(m, c)) << c;
}

// "x0,y0-x1,y1 " for a line, "x0,y0~cx,cy~x1,y1 " for a curve.
std::string Edges(const std::vector<Edge>& edges)
{
    std::ostringstream out;
    for (const Edge& e : edges) {
        out << e.x0 << ',' << e.y0;
        if (e.curve)
            out << '~' << e.cx << ',' << e.cy;
        out << (e.curve ? '~' : '-') << e.x1 << ',' << e.y1 << ' ';
    }
    return out.str();
}

TEST(Movie, ShapeStylesAndEdgesAreFiledByFillSide)
{
    // Bounds -20, 170, -20, 120 (9-bit fields), then the styles: red and
    // translucent blue fills, a green line 40 twips wide (RGB before DefineShape3).
    const Bytes bounds = {0x4F, 0xB1, 0x55, 0xEC, 0x3C, 0x00};
    const Bytes stylesRgb = {2, 0, 255, 0, 0, 0, 0, 0, 255, 1, 40, 0, 0, 255, 0};
    const Bytes stylesRgba = {2, 0, 255, 0, 0, 255, 0, 0, 0, 255, 128, 1, 40, 0, 0, 255, 0, 255};
    // 2 fill bits, 1 line bit; move to (0, 0) with fill0 1, fill1 2, line 1;
    // a line by (100, 0); a curve by control (50, 50), anchor (-50, 50); end.
    const Bytes records = {0x21, 0x3C, 0x23, 0x76, 0x19, 0x25, 0x64, 0xCA, 0x73, 0x20, 0x00};
    for (int version : {1, 3}) {
        SCOPED_TRACE(version);
        const Bytes data = bounds + (version == 3 ? stylesRgba : stylesRgb) + records;
        SwfReader in(data.data(), data.size());
        Shape shape;
        size_t budget = 1000;
        ASSERT_TRUE(ReadShape(in, version, shape, budget));
        EXPECT_FALSE(in.Failed());
        in.Align();
        EXPECT_TRUE(in.AtEnd()); // stopped at the end record
        EXPECT_EQ(Corners(shape.bounds), (std::vector<int32_t>{-20, 170, -20, 120}));
        ASSERT_EQ(shape.layers.size(), 1u);
        const ShapeLayer& l = shape.layers[0];
        ASSERT_EQ(l.fills.size(), 2u);
        EXPECT_EQ(l.fills[0].color, (Rgba{255, 0, 0, 255}));
        EXPECT_EQ(l.fills[1].color, (Rgba{0, 0, 255, uint8_t(version == 3 ? 128 : 255)}));
        ASSERT_EQ(l.lines.size(), 1u);
        EXPECT_EQ(l.lines[0].width, 40u);
        EXPECT_EQ(l.lines[0].color, (Rgba{0, 255, 0, 255}));
        // fillStyle1's side as drawn, fillStyle0's reversed
        EXPECT_EQ(Edges(l.fillEdges[1]), "0,0-100,0 100,0~150,50~100,100 ");
        EXPECT_EQ(Edges(l.fillEdges[0]), "100,0-0,0 100,100~150,50~100,0 ");
        ASSERT_EQ(l.strokes.size(), 1u);
        EXPECT_EQ(Edges(l.strokes[0].edges), Edges(l.fillEdges[1]));
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

TEST(Movie, DisplayOpsFollowPlaceAndMoveRules)
{
    auto op = [](uint16_t depth, const auto& set) {
        DisplayOp o;
        o.depth = depth;
        set(o);
        return o;
    };
    // Each operation in turn and the list after it: "depth:character tx addR".
    const std::pair<DisplayOp, const char*> steps[] = {
        {op(5, [](DisplayOp& o) { o.hasCharacter = o.hasMatrix = true; o.character = 7; o.matrix.tx = 100; }),
         "5:7 100 0 "},
        {op(5, [](DisplayOp& o) { o.move = o.hasColor = true; o.color.addR = 10; }), "5:7 100 10 "}, // matrix kept
        {op(9, [](DisplayOp& o) { o.move = o.hasColor = true; o.color.addR = 20; }), "5:7 100 10 "}, // nothing there
        // A fresh placement resets the transform.
        {op(5, [](DisplayOp& o) { o.hasCharacter = true; o.character = 8; }), "5:8 0 0 "},
        {op(5, [](DisplayOp& o) { o.kind = DisplayOp::Kind::Remove; }), ""},
    };
    DisplayList list;
    for (const auto& [step, want] : steps) {
        ApplyDisplayOp(list, step);
        std::ostringstream got;
        for (const auto& [depth, placed] : list)
            got << depth << ':' << placed.character << ' ' << placed.matrix.tx << ' ' << placed.color.addR << ' ';
        EXPECT_EQ(got.str(), want);
    }
}

} // namespace
