#pragma once
// Buttons (DefineButton, DefineButton2): the characters each state shows,
// the area that takes the mouse, and the actions run on mouse transitions.
#include "flash/SwfReader.h"
#include "flash/SwfShape.h"
#include "flash/SwfTypes.h"

#include <cstdint>
#include <vector>

namespace glint::flash {

// The states a button record belongs to, as the record's flags give them.
enum ButtonStateFlags : uint8_t { kButtonUp = 0x01, kButtonOver = 0x02, kButtonDown = 0x04, kButtonHit = 0x08 };

// Transition conditions of DefineButton2's actions (DefineButton's run on release).
constexpr uint16_t kButtonPress = 0x0004;   // over and up -> over and down
constexpr uint16_t kButtonRelease = 0x0008; // over and down -> over and up
constexpr uint16_t kButtonRollOver = 0x0001;
constexpr uint16_t kButtonRollOut = 0x0002;

struct ButtonRecord {
    uint8_t states = 0;
    uint16_t character = 0;
    uint16_t depth = 0;
    uint8_t blendMode = 0;
    Matrix matrix;
    ColorTransform color;
};

struct ButtonAction {
    uint16_t conditions = 0;
    std::vector<uint8_t> code;
};

struct Button {
    std::vector<ButtonRecord> records;
    std::vector<ButtonAction> actions;
};

// Reads DefineButton (version 1) or DefineButton2 (2) after the character id.
// False when no record could be read.
bool ReadButton(SwfReader& in, int version, Button& out);
// DefineButtonCxform: one colour transform for every record of a version 1 button.
void SetButtonColor(Button& button, const ColorTransform& color);
// The records of a state (kButtonUp ...), in depth order.
std::vector<const ButtonRecord*> ButtonState(const Button& button, uint8_t state);

// True when the point (in the shape's twips) lies inside one of its fills or on one of its lines.
bool ShapeContains(const Shape& shape, double x, double y);

} // namespace glint::flash
