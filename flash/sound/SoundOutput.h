#pragma once
// Where the mixed sound goes: the wave output of Windows, nothing natively.
#include <cstddef>
#include <cstdint>
#include <memory>

namespace glint::flash::sound {

enum class OutputState { Opening, Open, Failed };

class SoundOutput {
public:
    virtual ~SoundOutput() = default;
    // A device may take seconds to open (Wine without one probes its drivers
    // first): it opens in the background, and what is written before is dropped.
    virtual OutputState State() const = 0;
    // 44.1 kHz 16-bit stereo frames, interleaved, one frame interval's worth.
    // Never blocks: what the device cannot take now is dropped.
    virtual void Write(const int16_t* frames, size_t count) = 0;
    // Drops what is queued and not played yet (the movie went).
    virtual void Stop() = 0;
};

// Starts opening the device without waiting for it; null where there is no
// wave output at all. A device that does not open ends as Failed, and the
// movie plays on without sound.
std::unique_ptr<SoundOutput> OpenSoundOutput();

} // namespace glint::flash::sound
