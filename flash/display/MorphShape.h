#pragma once
// Shapes of DefineMorphShape and DefineMorphShape2: a start and an end
// outline with the same records, and styles with a start and an end value.
// A placed morph is drawn as the shape between them at its ratio.
#include "flash/SwfShape.h"
#include "flash/SwfTypes.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace glint::flash {

struct MorphFill {
    FillStyle start, end; // same kind, same number of stops
};

struct MorphLine {
    uint16_t startWidth = 0, endWidth = 0;
    Rgba startColor, endColor;
    bool hasFill = false;
    MorphFill fill;
};

// A record of the start outline: a change of styles and position, or an
// edge (in absolute twips), paired with the end outline's edge of the same index.
struct MorphStep {
    bool isEdge = false;
    bool move = false;
    bool setFill0 = false, setFill1 = false, setLine = false;
    uint32_t fill0 = 0, fill1 = 0, line = 0;
    Edge start{}, end{};
};

struct MorphShape {
    TwipsRect startBounds, endBounds;
    std::vector<MorphFill> fills;
    std::vector<MorphLine> lines;
    std::vector<MorphStep> steps;
};

// Reads a morph tag's body after the character id (version 1 or 2). Gives
// what could be read; false when nothing usable was found. `budget` as for ReadShape.
bool ReadMorphShape(const uint8_t* data, size_t size, int version, MorphShape& out, size_t& budget);

// The shape at `t` between start (0) and end (1).
void MorphAt(const MorphShape& morph, double t, Shape& out);

} // namespace glint::flash
