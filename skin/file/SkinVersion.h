#pragma once
// The process-wide file version that every object reader consults: a load
// sets it from the file header before reading objects; an unload (and start-up)
// sets it back to the version that the writers produce.
#include <cstdint>
#include <mutex>

namespace glint {

struct SkinFileVersion {
    uint8_t major;
    uint8_t minor;

    // "major version 1 before 1.<m>": the old layouts that upgrades apply to.
    bool Before(uint8_t m) const { return major == 1 && minor < m; }
    // Fields added in 1.<m>.
    bool Since(uint8_t m) const { return minor >= m; }
    // Fields added in 1.<m> that files of major version 0 never had.
    bool SinceNonZero(uint8_t m) const { return major != 0 && minor >= m; }
};

constexpr SkinFileVersion SKIN_WRITER_VERSION{1, 11};

SkinFileVersion CurrentSkinFileVersion();
void SetSkinFileVersion(SkinFileVersion version);

// Held by a load while it reads objects, so that two stores loading at the
// same time on two threads never read with each other's version.
std::recursive_mutex& SkinFileVersionLock();

} // namespace glint
