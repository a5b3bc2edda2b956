#include "skin/patch/CodeMover.h"

#include <Zydis/Zydis.h>

#include <cstring>

namespace glint {

namespace {

struct Decoded {
    ZydisDecodedInstruction instruction;
    ZydisDecodedOperand operands[ZYDIS_MAX_OPERAND_COUNT];
    uint64_t address;
    size_t offset; // in the code given
};

bool InitDecoder(ZydisDecoder& decoder, int width)
{
    if (width == 64)
        return ZYAN_SUCCESS(ZydisDecoderInit(&decoder, ZYDIS_MACHINE_MODE_LONG_64, ZYDIS_STACK_WIDTH_64));
    if (width == 32)
        return ZYAN_SUCCESS(ZydisDecoderInit(&decoder, ZYDIS_MACHINE_MODE_LEGACY_32, ZYDIS_STACK_WIDTH_32));
    return false;
}

// The rel32 of an instruction of `length` bytes at `from` that lands on `to`;
// false when the offset does not fit (a 32-bit address space wraps around).
bool Rel32(uint64_t from, size_t length, uint64_t to, int width, int32_t& rel)
{
    const uint64_t next = from + length;
    if (width == 32) {
        rel = static_cast<int32_t>(static_cast<uint32_t>(to) - static_cast<uint32_t>(next));
        return true;
    }
    const int64_t delta = static_cast<int64_t>(to - next);
    if (delta < INT32_MIN || delta > INT32_MAX)
        return false;
    rel = static_cast<int32_t>(delta);
    return true;
}

void Put32(std::vector<uint8_t>& out, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

void Put64(std::vector<uint8_t>& out, uint64_t value)
{
    Put32(out, static_cast<uint32_t>(value));
    Put32(out, static_cast<uint32_t>(value >> 32));
}

bool RelativeTarget(const Decoded& d, uint64_t& target)
{
    for (int i = 0; i < d.instruction.operand_count; ++i) {
        const ZydisDecodedOperand& op = d.operands[i];
        const bool relativeImmediate = op.type == ZYDIS_OPERAND_TYPE_IMMEDIATE && op.imm.is_relative;
        const bool ripMemory = op.type == ZYDIS_OPERAND_TYPE_MEMORY && op.mem.base == ZYDIS_REGISTER_RIP;
        if ((relativeImmediate || ripMemory) &&
            ZYAN_SUCCESS(ZydisCalcAbsoluteAddress(&d.instruction, &op, d.address, &target)))
            return true;
    }
    return false;
}

bool IsRipMemory(const Decoded& d)
{
    for (int i = 0; i < d.instruction.operand_count; ++i)
        if (d.operands[i].type == ZYDIS_OPERAND_TYPE_MEMORY && d.operands[i].mem.base == ZYDIS_REGISTER_RIP)
            return true;
    return false;
}

// One moved instruction appended to out, placed at `at`.
MoveStatus Emit(const Decoded& d, const uint8_t* code, uint64_t at, int width, std::vector<uint8_t>& out)
{
    const ZydisDecodedInstruction& in = d.instruction;
    const uint8_t* bytes = code + d.offset;
    if (!(in.attributes & ZYDIS_ATTRIB_IS_RELATIVE)) {
        out.insert(out.end(), bytes, bytes + in.length);
        return MoveStatus::OK;
    }
    uint64_t target = 0;
    if (!RelativeTarget(d, target))
        return MoveStatus::UNRELOCATABLE;
    if (IsRipMemory(d)) {
        // Same instruction, displacement re-aimed at the same data.
        int32_t rel = 0;
        if (in.raw.disp.size != 32 || !Rel32(at, in.length, target, width, rel))
            return MoveStatus::OUT_OF_RANGE;
        const size_t start = out.size();
        out.insert(out.end(), bytes, bytes + in.length);
        std::memcpy(out.data() + start + in.raw.disp.offset, &rel, 4);
        return MoveStatus::OK;
    }
    // A relative branch: only the forms with a 32-bit variant can be re-aimed.
    if (in.operand_width == 16)
        return MoveStatus::UNRELOCATABLE;
    int32_t rel = 0;
    switch (in.meta.category) {
    case ZYDIS_CATEGORY_UNCOND_BR: {
        const std::vector<uint8_t> jump = FarJump(at, target, width);
        out.insert(out.end(), jump.begin(), jump.end());
        return MoveStatus::OK;
    }
    case ZYDIS_CATEGORY_CALL:
        if (Rel32(at, 5, target, width, rel)) {
            out.push_back(0xE8);
            Put32(out, static_cast<uint32_t>(rel));
        } else {
            // call [rip+2]; jmp over the address; the address.
            const uint8_t far[] = {0xFF, 0x15, 0x02, 0x00, 0x00, 0x00, 0xEB, 0x08};
            out.insert(out.end(), far, far + sizeof far);
            Put64(out, target);
        }
        return MoveStatus::OK;
    case ZYDIS_CATEGORY_COND_BR: {
        // jcc: 70+cc rel8 or 0F 80+cc rel32. loop, loope, loopne and j*cxz
        // are conditional branches too but have no rel32 form.
        const bool jcc = in.opcode_map == ZYDIS_OPCODE_MAP_0F ? (in.opcode & 0xF0) == 0x80
                                                              : (in.opcode & 0xF0) == 0x70;
        if (!jcc)
            return MoveStatus::UNRELOCATABLE;
        const uint8_t condition = in.opcode & 0x0F;
        if (Rel32(at, 6, target, width, rel)) {
            out.push_back(0x0F);
            out.push_back(static_cast<uint8_t>(0x80 | condition));
            Put32(out, static_cast<uint32_t>(rel));
        } else {
            // The opposite condition skips an absolute jump to the target.
            out.push_back(static_cast<uint8_t>(0x70 | (condition ^ 1)));
            out.push_back(14);
            const std::vector<uint8_t> jump = FarJump(at + 2, target, width);
            if (jump.size() != 14)
                return MoveStatus::OUT_OF_RANGE;
            out.insert(out.end(), jump.begin(), jump.end());
        }
        return MoveStatus::OK;
    }
    default:
        return MoveStatus::UNRELOCATABLE;
    }
}

} // namespace

size_t InstructionLength(const uint8_t* code, size_t size, int width)
{
    ZydisDecoder decoder;
    ZydisDecodedInstruction instruction;
    if (!InitDecoder(decoder, width) ||
        !ZYAN_SUCCESS(ZydisDecoderDecodeInstruction(&decoder, nullptr, code, size, &instruction)))
        return 0;
    return instruction.length;
}

std::vector<uint8_t> NearJump(uint64_t from, uint64_t to)
{
    const int64_t delta = static_cast<int64_t>(to - (from + 5));
    if (delta < INT32_MIN || delta > INT32_MAX)
        return {};
    std::vector<uint8_t> out{0xE9};
    Put32(out, static_cast<uint32_t>(delta));
    return out;
}

std::vector<uint8_t> FarJump(uint64_t from, uint64_t to, int width)
{
    int32_t rel = 0;
    std::vector<uint8_t> out;
    if (Rel32(from, 5, to, width, rel)) {
        out.push_back(0xE9);
        Put32(out, static_cast<uint32_t>(rel));
        return out;
    }
    const uint8_t indirect[] = {0xFF, 0x25, 0x00, 0x00, 0x00, 0x00}; // jmp [rip+0]
    out.assign(indirect, indirect + sizeof indirect);
    Put64(out, to);
    return out;
}

MoveStatus MoveInstructions(const uint8_t* code, size_t size, uint64_t source, uint64_t destination, int width,
                            size_t minimum, MovedCode& out)
{
    out = {};
    ZydisDecoder decoder;
    if (!InitDecoder(decoder, width))
        return MoveStatus::UNDECODABLE;

    std::vector<Decoded> moved;
    size_t covered = 0;
    while (covered < minimum) {
        Decoded d = {};
        d.address = source + covered;
        d.offset = covered;
        if (!ZYAN_SUCCESS(
                ZydisDecoderDecodeFull(&decoder, code + covered, size - covered, &d.instruction, d.operands)))
            return MoveStatus::UNDECODABLE;
        covered += d.instruction.length;
        moved.push_back(d);
        const ZydisInstructionCategory category = d.instruction.meta.category;
        const bool endsFlow = category == ZYDIS_CATEGORY_RET || category == ZYDIS_CATEGORY_UNCOND_BR;
        if (endsFlow && covered < minimum)
            return MoveStatus::FLOW_ENDS;
    }
    // A branch back into what is overwritten would land on the new jump's bytes.
    for (const Decoded& d : moved) {
        uint64_t target = 0;
        if ((d.instruction.attributes & ZYDIS_ATTRIB_IS_RELATIVE) && !IsRipMemory(d) && RelativeTarget(d, target) &&
            target - source < covered)
            return MoveStatus::BRANCH_INSIDE;
    }
    std::vector<uint8_t> bytes;
    for (const Decoded& d : moved) {
        const MoveStatus status = Emit(d, code, destination + bytes.size(), width, bytes);
        if (status != MoveStatus::OK)
            return status;
    }
    const std::vector<uint8_t> back = FarJump(destination + bytes.size(), source + covered, width);
    bytes.insert(bytes.end(), back.begin(), back.end());
    out.trampoline = std::move(bytes);
    out.covered = covered;
    return MoveStatus::OK;
}

} // namespace glint
