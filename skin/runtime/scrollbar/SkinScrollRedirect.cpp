// The process-wide redirection of USER32's eight scroll-bar functions (NT
// family): the start of each function is overwritten with a jump to our
// replacement, and a trampoline (the moved first instructions, then a jump
// back) keeps the system's function callable.
//
// How a thread that enters a function while it is patched is kept safe
// (nothing is suspended):
//  - Preferred, the hot-patch area: when the 5 bytes before the function are
//    padding (nop or int3) and its first instruction is at least 2 bytes long,
//    the long jump goes into the padding first (no thread runs there), then
//    one atomic 2-byte store turns the first instruction into a short jump
//    back to it. A thread sees the old first instruction or the short jump.
//  - Otherwise the 5-byte jump is written with one locked 8-byte
//    compare-exchange on the aligned quadword that holds all 5 bytes.
//  - A function that allows neither, or whose first bytes cannot be moved,
//    is left alone (its bars are kept right by the messages the subclass sees).
// Removal restores the start with the same kind of store, then the padding.
// Trampolines stay allocated after removal: a thread may still be inside one.
#include "skin/runtime/scrollbar/SkinScrollBars.h"
#include "skin/runtime/scrollbar/SkinScrollBarState.h"

#include "skin/patch/CodeMover.h"

#include <cstdint>
#include <cstring>
#include <mutex>

namespace glint {

namespace {

constexpr int kWidth = sizeof(void*) * 8;
constexpr size_t kSlotSize = 96;   // relay (14) + trampoline (moved bytes + far jump back)
constexpr size_t kRelaySize = 16;
constexpr int kFunctions = 8;
constexpr size_t kPadding = 5;     // bytes of the hot-patch area before a function

BOOL WINAPI MyEnableScrollBar(HWND, UINT, UINT);
BOOL WINAPI MyGetScrollInfo(HWND, int, LPSCROLLINFO);
int WINAPI MyGetScrollPos(HWND, int);
BOOL WINAPI MyGetScrollRange(HWND, int, LPINT, LPINT);
int WINAPI MySetScrollInfo(HWND, int, LPCSCROLLINFO, BOOL);
int WINAPI MySetScrollPos(HWND, int, int, BOOL);
BOOL WINAPI MySetScrollRange(HWND, int, int, int, BOOL);
BOOL WINAPI MyShowScrollBar(HWND, int, BOOL);

struct Patch {
    const char* name;
    void* replacement;
    void** system; // the slot in SystemScrollFunctions
    uint8_t* entry = nullptr;
    uint8_t* writtenAt = nullptr; // entry, or entry - 5 for the hot-patch area
    uint8_t original[16] = {};    // the bytes at writtenAt before patching
    size_t writtenSize = 0;       // bytes changed from writtenAt
    bool patched = false;
};

struct Redirection {
    std::mutex lock;
    SystemScrollFunctions system = {::EnableScrollBar, ::GetScrollInfo,  ::GetScrollPos,   ::GetScrollRange,
                                    ::SetScrollInfo,   ::SetScrollPos,   ::SetScrollRange, ::ShowScrollBar};
    uint8_t* page = nullptr;
    Patch patches[kFunctions] = {
        {"EnableScrollBar", reinterpret_cast<void*>(MyEnableScrollBar), reinterpret_cast<void**>(&system.enableScrollBar)},
        {"GetScrollInfo", reinterpret_cast<void*>(MyGetScrollInfo), reinterpret_cast<void**>(&system.getScrollInfo)},
        {"GetScrollPos", reinterpret_cast<void*>(MyGetScrollPos), reinterpret_cast<void**>(&system.getScrollPos)},
        {"GetScrollRange", reinterpret_cast<void*>(MyGetScrollRange), reinterpret_cast<void**>(&system.getScrollRange)},
        {"SetScrollInfo", reinterpret_cast<void*>(MySetScrollInfo), reinterpret_cast<void**>(&system.setScrollInfo)},
        {"SetScrollPos", reinterpret_cast<void*>(MySetScrollPos), reinterpret_cast<void**>(&system.setScrollPos)},
        {"SetScrollRange", reinterpret_cast<void*>(MySetScrollRange), reinterpret_cast<void**>(&system.setScrollRange)},
        {"ShowScrollBar", reinterpret_cast<void*>(MyShowScrollBar), reinterpret_cast<void**>(&system.showScrollBar)},
    };
};

Redirection& State()
{
    static Redirection state;
    return state;
}

uint64_t Address(const void* p) { return reinterpret_cast<uintptr_t>(p); }

// Writes size bytes with one locked compare-exchange of the aligned quadword
// that holds them all; false when they straddle two quadwords.
bool AtomicWrite(uint8_t* at, const uint8_t* bytes, size_t size)
{
    const uintptr_t base = reinterpret_cast<uintptr_t>(at) & ~uintptr_t(7);
    const size_t offset = reinterpret_cast<uintptr_t>(at) - base;
    if (offset + size > 8)
        return false;
    auto* word = reinterpret_cast<uint64_t*>(base);
    uint64_t expected = __atomic_load_n(word, __ATOMIC_SEQ_CST);
    uint64_t wanted;
    do {
        wanted = expected;
        std::memcpy(reinterpret_cast<uint8_t*>(&wanted) + offset, bytes, size);
    } while (!__atomic_compare_exchange_n(word, &expected, wanted, false, __ATOMIC_SEQ_CST, __ATOMIC_SEQ_CST));
    return true;
}

// How many bytes from p can be read (at most want).
size_t Readable(const uint8_t* p, size_t want)
{
    MEMORY_BASIC_INFORMATION m;
    if (!VirtualQuery(p, &m, sizeof m) || m.State != MEM_COMMIT || (m.Protect & (PAGE_NOACCESS | PAGE_GUARD)))
        return 0;
    const size_t left = static_cast<size_t>(static_cast<const uint8_t*>(m.BaseAddress) + m.RegionSize - p);
    return left < want ? left : want;
}

// One page of executable memory that 32-bit offsets from entry reach.
uint8_t* AllocateNear(const uint8_t* entry)
{
    if (kWidth == 32)
        return static_cast<uint8_t*>(VirtualAlloc(nullptr, 4096, MEM_COMMIT | MEM_RESERVE, PAGE_EXECUTE_READWRITE));
    SYSTEM_INFO si;
    GetSystemInfo(&si);
    const uint64_t granularity = si.dwAllocationGranularity;
    const uint64_t origin = Address(entry) & ~(granularity - 1);
    const uint64_t reach = 0x70000000; // well inside 2 GB either way
    for (uint64_t step = granularity; step < reach; step += granularity) {
        for (const uint64_t candidate : {origin - step, origin + step}) {
            if (candidate < Address(si.lpMinimumApplicationAddress) ||
                candidate > Address(si.lpMaximumApplicationAddress))
                continue;
            MEMORY_BASIC_INFORMATION m;
            const auto* at = reinterpret_cast<const void*>(static_cast<uintptr_t>(candidate));
            if (!VirtualQuery(at, &m, sizeof m) || m.State != MEM_FREE)
                continue;
            if (void* p = VirtualAlloc(const_cast<void*>(at), 4096, MEM_COMMIT | MEM_RESERVE, PAGE_EXECUTE_READWRITE))
                return static_cast<uint8_t*>(p);
        }
    }
    return nullptr;
}

bool AllPadding(const uint8_t* p, size_t size)
{
    for (size_t i = 0; i < size; ++i)
        if (p[i] != 0x90 && p[i] != 0xCC)
            return false;
    return true;
}

// Patches one function; false (nothing changed) when it cannot be done safely.
bool PatchFunction(Patch& patch, uint8_t* slot)
{
    uint8_t* f = patch.entry;
    uint8_t code[48];
    const size_t size = Readable(f, sizeof code);
    if (size < 16)
        return false;
    std::memcpy(code, f, size);

    // The relay reaches the replacement from anywhere (jmp [rip+0] on x86_64).
    const std::vector<uint8_t> relay = FarJump(Address(slot), Address(patch.replacement), kWidth);
    uint8_t* trampoline = slot + kRelaySize;

    const size_t first = InstructionLength(code, size, kWidth);
    const bool hotPatch = first >= 2 && Readable(f - kPadding, kPadding) == kPadding && AllPadding(f - kPadding, kPadding) &&
                          (reinterpret_cast<uintptr_t>(f) & 7) != 7;
    MovedCode moved;
    if (MoveInstructions(code, size, Address(f), Address(trampoline), kWidth, hotPatch ? 2 : 5, moved) !=
            MoveStatus::OK ||
        moved.trampoline.size() > kSlotSize - kRelaySize)
        return false;

    uint8_t* at = hotPatch ? f - kPadding : f;
    const std::vector<uint8_t> jump = FarJump(Address(at), Address(slot), kWidth); // 5 bytes when it reaches
    if (jump.size() != 5)
        return false;
    if (!hotPatch && (reinterpret_cast<uintptr_t>(f) & 7) > 3)
        return false; // no single aligned store covers the 5 bytes

    std::memcpy(slot, relay.data(), relay.size());
    std::memcpy(trampoline, moved.trampoline.data(), moved.trampoline.size());
    FlushInstructionCache(GetCurrentProcess(), slot, kSlotSize);

    patch.writtenAt = at;
    patch.writtenSize = hotPatch ? kPadding + 2 : 5;
    std::memcpy(patch.original, at, patch.writtenSize);
    DWORD old = 0;
    if (!VirtualProtect(at, patch.writtenSize, PAGE_EXECUTE_READWRITE, &old))
        return false;
    bool ok;
    if (hotPatch) {
        std::memcpy(at, jump.data(), 5); // the padding: no thread runs there
        FlushInstructionCache(GetCurrentProcess(), at, 5);
        const uint8_t shortJump[2] = {0xEB, static_cast<uint8_t>(-static_cast<int>(kPadding + 2))};
        ok = AtomicWrite(f, shortJump, 2);
    } else {
        ok = AtomicWrite(f, jump.data(), 5);
    }
    FlushInstructionCache(GetCurrentProcess(), at, patch.writtenSize);
    VirtualProtect(at, patch.writtenSize, old, &old);
    if (!ok)
        return false;
    *patch.system = trampoline;
    patch.patched = true;
    return true;
}

void RestoreFunction(Patch& patch)
{
    DWORD old = 0;
    if (!VirtualProtect(patch.writtenAt, patch.writtenSize, PAGE_EXECUTE_READWRITE, &old))
        return;
    // The entry first, with one store, then the padding nobody reaches any more.
    const size_t entryOffset = static_cast<size_t>(patch.entry - patch.writtenAt);
    AtomicWrite(patch.entry, patch.original + entryOffset, patch.writtenSize - entryOffset);
    if (entryOffset)
        std::memcpy(patch.writtenAt, patch.original, entryOffset);
    FlushInstructionCache(GetCurrentProcess(), patch.writtenAt, patch.writtenSize);
    VirtualProtect(patch.writtenAt, patch.writtenSize, old, &old);
    *patch.system = reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("user32.dll"), patch.name));
    patch.patched = false;
}

bool NinetyFive() { return (GetVersion() & 0x80000000u) != 0; }

bool IsBar(int bar) { return bar == SB_HORZ || bar == SB_VERT; }

// ---- the replacements ----

BOOL WINAPI MyGetScrollInfo(HWND window, int bar, LPSCROLLINFO info)
{
    ScrollBarRecord* r = IsBar(bar) && info ? FindScrollBarRecord(window) : nullptr;
    if (!r)
        return SystemScroll().getScrollInfo(window, bar, info);
    const BarState& b = r->bars[bar];
    if (info->fMask & SIF_RANGE)
        info->nMin = b.min, info->nMax = b.max;
    if (info->fMask & SIF_PAGE)
        info->nPage = b.page;
    if (info->fMask & SIF_POS)
        info->nPos = b.pos;
    if (info->fMask & SIF_TRACKPOS)
        info->nTrackPos = r->tracking ? b.trackPos : b.pos;
    return (info->fMask & (SIF_RANGE | SIF_PAGE | SIF_POS | SIF_TRACKPOS)) != 0;
}

int WINAPI MyGetScrollPos(HWND window, int bar)
{
    ScrollBarRecord* r = IsBar(bar) ? FindScrollBarRecord(window) : nullptr;
    return r ? r->bars[bar].pos : SystemScroll().getScrollPos(window, bar);
}

BOOL WINAPI MyGetScrollRange(HWND window, int bar, LPINT min, LPINT max)
{
    ScrollBarRecord* r = IsBar(bar) && min && max ? FindScrollBarRecord(window) : nullptr;
    if (!r)
        return SystemScroll().getScrollRange(window, bar, min, max);
    *min = r->bars[bar].min;
    *max = r->bars[bar].max;
    return TRUE;
}

int WINAPI MySetScrollInfo(HWND window, int bar, LPCSCROLLINFO info, BOOL redraw)
{
    ScrollBarRecord* r = IsBar(bar) && info ? FindScrollBarRecord(window) : nullptr;
    return r ? SetBarInfo(window, *r, bar, *info, redraw) : SystemScroll().setScrollInfo(window, bar, info, redraw);
}

int WINAPI MySetScrollPos(HWND window, int bar, int pos, BOOL redraw)
{
    ScrollBarRecord* r = IsBar(bar) ? FindScrollBarRecord(window) : nullptr;
    if (!r)
        return SystemScroll().setScrollPos(window, bar, pos, redraw);
    const int previous = r->bars[bar].pos;
    SCROLLINFO info = {sizeof info, SIF_POS, 0, 0, 0, pos, 0};
    SetBarInfo(window, *r, bar, info, redraw);
    return previous;
}

BOOL WINAPI MySetScrollRange(HWND window, int bar, int min, int max, BOOL redraw)
{
    ScrollBarRecord* r = IsBar(bar) ? FindScrollBarRecord(window) : nullptr;
    if (!r)
        return SystemScroll().setScrollRange(window, bar, min, max, redraw);
    if (r->tracking)
        return r->bars[bar].pos;
    SCROLLINFO info = {sizeof info, SIF_RANGE, min, max, 0, 0, 0};
    SetBarInfo(window, *r, bar, info, redraw);
    return TRUE;
}

BOOL WINAPI MyEnableScrollBar(HWND window, UINT which, UINT arrows)
{
    ScrollBarRecord* r = which == SB_HORZ || which == SB_VERT || which == SB_BOTH ? FindScrollBarRecord(window) : nullptr;
    if (!r)
        return SystemScroll().enableScrollBar(window, which, arrows);
    bool allChanged = true;
    for (int bar = SB_HORZ; bar <= SB_VERT; ++bar) {
        if (which != SB_BOTH && which != UINT(bar))
            continue;
        BarState& b = r->bars[bar];
        const UINT flags = (b.flags & ~BAR_ARROWS_DISABLED) | (arrows & BAR_ARROWS_DISABLED);
        allChanged = allChanged && flags != b.flags;
        b.flags = flags;
    }
    return allChanged;
}

BOOL WINAPI MyShowScrollBar(HWND window, int which, BOOL show)
{
    ScrollBarRecord* r = which == SB_HORZ || which == SB_VERT || which == SB_BOTH ? FindScrollBarRecord(window) : nullptr;
    if (!r)
        return SystemScroll().showScrollBar(window, which, show);
    LONG_PTR style = GetWindowLongPtrA(window, GWL_STYLE);
    for (int bar = SB_HORZ; bar <= SB_VERT; ++bar) {
        if (which != SB_BOTH && which != bar)
            continue;
        const LONG_PTR bit = bar == SB_HORZ ? WS_HSCROLL : WS_VSCROLL;
        r->bars[bar].flags = show ? r->bars[bar].flags | BAR_VISIBLE : r->bars[bar].flags & ~BAR_VISIBLE;
        style = show ? style | bit : style & ~bit;
    }
    SetWindowLongPtrA(window, GWL_STYLE, style);
    RecomputeFrame(window);
    return TRUE;
}

} // namespace

const SystemScrollFunctions& SystemScroll() { return State().system; }

int InstallScrollBarRedirection()
{
    if (NinetyFive())
        return 0;
    Redirection& s = State();
    std::lock_guard guard(s.lock);
    HMODULE user32 = GetModuleHandleA("user32.dll");
    for (int i = 0; i < kFunctions; ++i) {
        Patch& patch = s.patches[i];
        if (patch.patched)
            continue;
        patch.entry = reinterpret_cast<uint8_t*>(GetProcAddress(user32, patch.name));
        if (!patch.entry)
            continue;
        if (!s.page && !(s.page = AllocateNear(patch.entry)))
            break;
        PatchFunction(patch, s.page + i * kSlotSize);
    }
    return 1;
}

int RemoveScrollBarRedirection()
{
    if (NinetyFive())
        return 0;
    Redirection& s = State();
    std::lock_guard guard(s.lock);
    for (Patch& patch : s.patches)
        if (patch.patched)
            RestoreFunction(patch);
    return 1;
}

int RedirectedScrollBarFunctions()
{
    Redirection& s = State();
    std::lock_guard guard(s.lock);
    int count = 0;
    for (const Patch& patch : s.patches)
        count += patch.patched;
    return count;
}

} // namespace glint
