#include "skin/file/SkinVersion.h"

#include <atomic>

namespace glint {

namespace {
std::atomic<uint16_t> g_version{uint16_t(SKIN_WRITER_VERSION.major << 8 | SKIN_WRITER_VERSION.minor)};
}

SkinFileVersion CurrentSkinFileVersion()
{
    const uint16_t v = g_version.load(std::memory_order_relaxed);
    return {uint8_t(v >> 8), uint8_t(v)};
}

void SetSkinFileVersion(SkinFileVersion version)
{
    g_version.store(uint16_t(version.major << 8 | version.minor), std::memory_order_relaxed);
}

std::recursive_mutex& SkinFileVersionLock()
{
    static std::recursive_mutex lock;
    return lock;
}

} // namespace glint
