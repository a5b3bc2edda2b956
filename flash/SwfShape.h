#pragma once
// Shapes of the DefineShape tags, kept in the file's twips and grouped the
// way they are drawn: each fill style gets the edges that bound it (edges
// with the style on their other side are reversed, so every style's edges
// form closed outlines), each line style its stroked paths.
#include "flash/SwfReader.h"
#include "flash/SwfTypes.h"

#include <cstdint>
#include <vector>

namespace glint::flash {

struct GradientStop {
    uint8_t ratio = 0;
    Rgba color;
};

enum class FillKind : uint8_t { Solid, Linear, Radial, Bitmap };
// What a gradient shows beyond its ends: the end colours, or itself again (repeated or mirrored).
enum class GradientSpread : uint8_t { Pad, Reflect, Repeat };

struct FillStyle {
    FillKind kind = FillKind::Solid;
    Rgba color;                      // solid colour; fallback colour of the other kinds
    Matrix matrix;                   // gradient square / bitmap space to shape space
    std::vector<GradientStop> stops; // 1..15 stops for the gradient kinds
    GradientSpread spread = GradientSpread::Pad;
    float focal = 0;                 // radial gradients: the focal point on the circle's x axis, -1..1
    uint16_t bitmap = 0;             // bitmap fills: the picture's character id
    bool repeat = false;             // bitmap fills: tiled, else the edge pixels extend
    bool smooth = false;             // bitmap fills: filtered, else nearest pixel
};

struct LineStyle {
    uint32_t width = 0; // twips; 0 is a hairline
    Rgba color;
    bool hasFill = false; // DefineShape4 lines may be painted with a fill style
    FillStyle fill;
};

// One edge in twips: a line (curve == false) or a quadratic curve through the control point.
struct Edge {
    float x0, y0, cx, cy, x1, y1;
    bool curve;
};

struct StrokePath {
    uint32_t lineStyle = 0; // index into ShapeLayer::lines
    std::vector<Edge> edges;
};

// The styles of one style table (a shape starts a new layer at every new-styles record).
struct ShapeLayer {
    std::vector<FillStyle> fills;
    std::vector<LineStyle> lines;
    std::vector<std::vector<Edge>> fillEdges; // one list per fill style
    std::vector<StrokePath> strokes;
};

struct Shape {
    TwipsRect bounds;
    std::vector<ShapeLayer> layers;
};

// Files an edge under the styles on its sides (reversed for the style on its
// left) and under its line style, continuing `stroke` while the line goes on.
void AddShapeEdge(ShapeLayer& layer, const Edge& e, uint32_t fill0, uint32_t fill1, uint32_t line, StrokePath*& stroke);

// Puts the strokes of a layer in the order of their line styles, each drawn
// above the lower-numbered ones, whatever the order of the edges was.
void OrderStrokes(ShapeLayer& layer);

// Reads an edge record after its first bit (1 for edges) from the pen at
// (x, y), moving the pen. A straight edge has its control point at its end.
// False when the record is cut short.
bool ReadEdgeRecord(SwfReader& in, int64_t& x, int64_t& y, Edge& e);

// Reads the body of DefineShape (version 1), DefineShape2, 3 or 4 after the character id.
// Gives what could be read; false only when nothing usable was found.
// `budget` counts the styles and edges still allowed in this movie and is
// decreased by what the shape keeps, which bounds the memory a file can claim.
bool ReadShape(SwfReader& in, int version, Shape& out, size_t& budget);

} // namespace glint::flash
