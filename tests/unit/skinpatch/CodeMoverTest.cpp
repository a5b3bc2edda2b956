// The code mover on the starts of real functions and on the usual prologues.
// Expected lengths and re-aimed offsets are worked out from the instruction
// set reference by hand.
#include "skin/patch/CodeMover.h"

#include "base/ByteOrder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace glint {
namespace {

using Bytes = std::vector<uint8_t>;

struct Start {
    const char* name;
    int width;
    Bytes code;
    size_t minimum;
    size_t covered;
};

// The first bytes of the eight scroll-bar functions of Wine 8.0's user32.dll
// (Debian 8.0~repack-4; i386-windows and x86_64-windows), read at the export
// table's addresses with our own disassembly (one of each shape: the others
// begin with the same bytes), and common Windows prologues.
const Start kStarts[] = {
    // i386: mov edi,edi; push ebp; mov ebp,esp | pop ebp; jmp [abs32]
    {"wine32 EnableScrollBar", 32, {0x8b, 0xff, 0x55, 0x8b, 0xec, 0x5d, 0xff, 0x25, 0x54, 0x4f, 0x94, 0x68}, 5, 5},
    // ... | pop ebp; lea ecx,[esp+4]; and esp,-16
    {"wine32 GetScrollInfo", 32, {0x8b, 0xff, 0x55, 0x8b, 0xec, 0x5d, 0x8d, 0x4c, 0x24, 0x04, 0x83, 0xe4, 0xf0}, 5, 5},
    {"wine32 GetScrollRange", 32, {0x8b, 0xff, 0x55, 0x8b, 0xec, 0x5d, 0x8d, 0x4c, 0x24, 0x04, 0x83, 0xe4}, 5, 5},
    // jmp [abs32] (6 bytes), then padding
    {"wine32 ShowScrollBar", 32, {0xff, 0x25, 0x9c, 0x51, 0x94, 0x68, 0x90, 0x90}, 5, 6},
    // the hot-patch start alone
    {"wine32 EnableScrollBar first", 32, {0x8b, 0xff, 0x55, 0x8b, 0xec}, 2, 2},
    // x86_64: lea rsp,[rsp+0] (8 bytes) | jmp [rip+rel32]
    {"wine64 EnableScrollBar", 64, {0x48, 0x8d, 0xa4, 0x24, 0, 0, 0, 0, 0xff, 0x25, 0xc6, 0xbb, 0x0a, 0x00}, 5, 8},
    // ... | push rdi; push rsi; push rbx; sub rsp,0x50
    {"wine64 GetScrollInfo", 64, {0x48, 0x8d, 0xa4, 0x24, 0, 0, 0, 0, 0x57, 0x56, 0x53, 0x48, 0x83, 0xec, 0x50}, 5, 8},
    {"wine64 GetScrollPos", 64, {0x48, 0x8d, 0xa4, 0x24, 0, 0, 0, 0, 0x56, 0x53, 0x48, 0x83, 0xec, 0x58}, 5, 8},
    {"wine64 GetScrollRange", 64, {0x48, 0x8d, 0xa4, 0x24, 0, 0, 0, 0, 0x55, 0x57, 0x56, 0x53}, 5, 8},
    {"wine64 SetScrollPos", 64, {0x48, 0x8d, 0xa4, 0x24, 0, 0, 0, 0, 0x48, 0x83, 0xec, 0x48}, 5, 8},
    // jmp [rip+rel32]
    {"wine64 ShowScrollBar", 64, {0xff, 0x25, 0x3a, 0x1d, 0x03, 0x00, 0x90, 0x90}, 5, 6},
    // lea; push rsi; push rbx; sub rsp,0x58 (4)
    {"wine64 GetScrollPos deeper", 64, {0x48, 0x8d, 0xa4, 0x24, 0, 0, 0, 0, 0x56, 0x53, 0x48, 0x83, 0xec, 0x58}, 11, 14},
    // mov edi,edi; push ebp; mov ebp,esp; sub esp,0x10 (83 /5 ib)
    {"hot-patch frame", 32, {0x8b, 0xff, 0x55, 0x8b, 0xec, 0x83, 0xec, 0x10}, 6, 8},
    // push ebp; mov ebp,esp; sub esp,0x100 (81 /5 id)
    {"frame, sub esp imm32", 32, {0x55, 0x8b, 0xec, 0x81, 0xec, 0x00, 0x01, 0x00, 0x00}, 5, 9},
    // mov [rsp+8],rbx; mov [rsp+16],rsi; push rdi; sub rsp,0x20
    {"x64 register saves", 64,
     {0x48, 0x89, 0x5c, 0x24, 0x08, 0x48, 0x89, 0x74, 0x24, 0x10, 0x57, 0x48, 0x83, 0xec, 0x20}, 12, 15},
    // mov r11,rsp; mov [r11+8],rbx
    {"x64 r11 frame", 64, {0x4c, 0x8b, 0xdc, 0x49, 0x89, 0x5b, 0x08}, 5, 7},
    // push rbx (REX form); sub rsp,0x20
    {"x64 rex push", 64, {0x40, 0x53, 0x48, 0x83, 0xec, 0x20}, 5, 6},
};

TEST(CodeMover, CoversWholeInstructionsOfKnownStarts)
{
    for (const Start& s : kStarts) {
        SCOPED_TRACE(s.name);
        MovedCode moved;
        ASSERT_EQ(MoveStatus::OK, MoveInstructions(s.code.data(), s.code.size(), 0x10000000, 0x10200000, s.width,
                                                   s.minimum, moved));
        EXPECT_EQ(s.covered, moved.covered);
        // Plain instructions are copied as they are (the RIP-relative jump is
        // re-aimed, below), then e9 back to source + covered.
        ASSERT_EQ(s.covered + 5, moved.trampoline.size());
        if (std::string(s.name) != "wine64 ShowScrollBar") {
            EXPECT_EQ(Bytes(s.code.begin(), s.code.begin() + s.covered),
                      Bytes(moved.trampoline.begin(), moved.trampoline.begin() + s.covered));
        }
        const size_t jump = moved.trampoline.size() - 5;
        EXPECT_EQ(0xe9, moved.trampoline[jump]);
        const int64_t back = ReadI32LE(&moved.trampoline[jump + 1]);
        EXPECT_EQ(0x10000000 + s.covered, 0x10200000 + jump + 5 + back);
    }
}

TEST(CodeMover, ReaimsRelativeOperands)
{
    const uint64_t src = 0x7ff800001000, near = src + 0x100000, far = src + 0x100000000;
    struct Case {
        const char* name;
        int width;
        Bytes code;
        uint64_t source, destination;
        size_t minimum;
        Bytes expected; // the trampoline without the jump back
    } cases[] = {
        // mov rax,[rip+0x10]: the data stays at src+7+0x10
        {"rip load", 64, {0x48, 0x8b, 0x05, 0x10, 0, 0, 0}, src, near, 5, {0x48, 0x8b, 0x05, 0x10, 0x00, 0xf0, 0xff}},
        // wine64 ShowScrollBar: jmp [rip+0x31d3a]
        {"rip jump", 64, {0xff, 0x25, 0x3a, 0x1d, 0x03, 0x00}, src, near, 5, {0xff, 0x25, 0x3a, 0x1d, 0xf3, 0xff}},
        // call rel32 to 0x1105, moved to 0x2000
        {"call", 32, {0xe8, 0x00, 0x01, 0x00, 0x00}, 0x1000, 0x2000, 5, {0xe8, 0x00, 0xf1, 0xff, 0xff}},
        // call rel32 out of reach: call [rip+2]; jmp +8; the target
        {"far call", 64, {0xe8, 0x00, 0x01, 0x00, 0x00}, src, far, 5,
         {0xff, 0x15, 0x02, 0, 0, 0, 0xeb, 0x08, 0x05, 0x11, 0x00, 0x00, 0xf8, 0x7f, 0x00, 0x00}},
        // test rcx,rcx; je +0x20 (rel8 becomes 0f 84 rel32)
        {"jcc", 64, {0x48, 0x85, 0xc9, 0x74, 0x20}, src, near, 5,
         {0x48, 0x85, 0xc9, 0x0f, 0x84, 0x1c, 0x00, 0xf0, 0xff}},
        // the same out of reach: jne over jmp [rip+0]; the target src+0x25
        {"far jcc", 64, {0x48, 0x85, 0xc9, 0x74, 0x20}, src, far, 5,
         {0x48, 0x85, 0xc9, 0x75, 0x0e, 0xff, 0x25, 0, 0, 0, 0, 0x25, 0x10, 0x00, 0x00, 0xf8, 0x7f, 0x00, 0x00}},
        // jmp rel8 +0x10 is re-aimed with e9
        {"short jmp", 32, {0xeb, 0x10, 0x90, 0x90, 0x90}, 0x1000, 0x2000, 2, {0xe9, 0x0d, 0xf0, 0xff, 0xff}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MovedCode moved;
        ASSERT_EQ(MoveStatus::OK,
                  MoveInstructions(c.code.data(), c.code.size(), c.source, c.destination, c.width, c.minimum, moved));
        ASSERT_GE(moved.trampoline.size(), c.expected.size());
        EXPECT_EQ(c.expected, Bytes(moved.trampoline.begin(), moved.trampoline.begin() + c.expected.size()));
    }
    // Jump back out of reach: jmp [rip+0] and the address after the moved bytes.
    MovedCode moved;
    const Bytes saves = {0x48, 0x89, 0x5c, 0x24, 0x08};
    ASSERT_EQ(MoveStatus::OK, MoveInstructions(saves.data(), saves.size(), src, far, 64, 5, moved));
    EXPECT_EQ((Bytes{0x48, 0x89, 0x5c, 0x24, 0x08, 0xff, 0x25, 0, 0, 0, 0, 0x05, 0x10, 0, 0, 0xf8, 0x7f, 0, 0}),
              moved.trampoline);
}

TEST(CodeMover, RefusesWhatItCannotMove)
{
    const uint64_t src = 0x7ff800001000;
    struct Case {
        const char* name;
        int width;
        Bytes code;
        uint64_t destination;
        MoveStatus status;
    } cases[] = {
        {"ret before 5 bytes", 32, {0xc3, 0x90, 0x90, 0x90, 0x90}, src + 0x1000, MoveStatus::FLOW_ENDS},
        {"ret 8 before 5 bytes", 32, {0xc2, 0x08, 0x00, 0xcc, 0xcc}, src + 0x1000, MoveStatus::FLOW_ENDS},
        {"jmp rel8 before 5 bytes", 64, {0xeb, 0x10, 0xcc, 0xcc, 0xcc}, src + 0x1000, MoveStatus::FLOW_ENDS},
        {"branch into the moved bytes", 32, {0x74, 0x01, 0x90, 0x90, 0x90, 0x90}, src + 0x1000,
         MoveStatus::BRANCH_INSIDE},
        {"jecxz", 32, {0xe3, 0x10, 0x90, 0x90, 0x90}, src + 0x1000, MoveStatus::UNRELOCATABLE},
        {"loop", 64, {0xe2, 0x10, 0x90, 0x90, 0x90}, src + 0x1000, MoveStatus::UNRELOCATABLE},
        {"16-bit call", 32, {0x66, 0xe8, 0x10, 0x00, 0x90}, src + 0x1000, MoveStatus::UNRELOCATABLE},
        {"rip data out of reach", 64, {0x48, 0x8b, 0x05, 0x10, 0, 0, 0}, src + 0x100000000,
         MoveStatus::OUT_OF_RANGE},
        {"invalid opcode", 64, {0xff, 0xff, 0x90, 0x90, 0x90}, src + 0x1000, MoveStatus::UNDECODABLE},
        {"cut-off instruction", 64, {0x48, 0x89, 0x5c}, src + 0x1000, MoveStatus::UNDECODABLE},
        {"unknown width", 16, {0x90, 0x90, 0x90, 0x90, 0x90}, src + 0x1000, MoveStatus::UNDECODABLE},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // 32-bit code lives below 4 GB.
        const uint64_t source = c.width == 64 ? src : 0x401000;
        const uint64_t destination = c.width == 64 ? c.destination : source + 0x1000;
        MovedCode moved;
        EXPECT_EQ(c.status, MoveInstructions(c.code.data(), c.code.size(), source, destination, c.width, 5, moved));
        EXPECT_TRUE(moved.trampoline.empty());
    }
    EXPECT_EQ(2u, InstructionLength(kStarts[0].code.data(), kStarts[0].code.size(), 32));
    EXPECT_EQ(8u, InstructionLength(kStarts[5].code.data(), kStarts[5].code.size(), 64));
    EXPECT_EQ(0u, InstructionLength(cases[8].code.data(), cases[8].code.size(), 64));
    EXPECT_TRUE(NearJump(src, src + 0x100000000).empty());
    EXPECT_EQ((Bytes{0xe9, 0xfb, 0x0f, 0x00, 0x00}), NearJump(src, src + 0x1000));
}

} // namespace
} // namespace glint
