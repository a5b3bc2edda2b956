#pragma once
// Moving the first instructions of a function elsewhere, so that its start can
// be overwritten with a jump while the moved copy (a trampoline) still does
// what the original did and then continues behind the overwritten bytes.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace glint {

enum class MoveStatus {
    OK,
    UNDECODABLE,      // bytes that are no instruction, or too few bytes given
    FLOW_ENDS,        // a return or jump ends the function before enough bytes are covered
    BRANCH_INSIDE,    // a branch into the bytes that are overwritten
    UNRELOCATABLE,    // a relative instruction that has no wider form (loop, jecxz, xbegin, 16-bit offsets)
    OUT_OF_RANGE,     // a RIP-relative operand that the trampoline's place cannot reach
};

struct MovedCode {
    std::vector<uint8_t> trampoline; // the moved instructions, then the jump back
    size_t covered = 0;              // bytes of the original that were moved
};

// code: the function's first bytes (as many as are readable, at least
// minimum + 15 to be sure of whole instructions); source: their address;
// destination: where the trampoline will live; width: 32 or 64. Whole
// instructions are moved until at least minimum bytes are covered; relative
// branches and calls are re-aimed at their old targets and RIP-relative
// operands at their old data.
MoveStatus MoveInstructions(const uint8_t* code, size_t size, uint64_t source, uint64_t destination, int width,
                            size_t minimum, MovedCode& out);

// The length of the first instruction, 0 when it cannot be decoded.
size_t InstructionLength(const uint8_t* code, size_t size, int width);

// A jump from `from` to `to` (e9 rel32), or an empty vector when 32 bits of
// offset cannot reach. 5 bytes.
std::vector<uint8_t> NearJump(uint64_t from, uint64_t to);
// A jump that reaches anywhere: the near form when it reaches, else (64-bit)
// jmp [rip+0] followed by the address (14 bytes).
std::vector<uint8_t> FarJump(uint64_t from, uint64_t to, int width);

} // namespace glint
