#pragma once
// Where the mixed sound goes: the wave output of Windows, nothing natively.
#include <cstddef>
#include <cstdint>
#include <memory>

namespace glint::flash::sound {

class SoundOutput {
public:
    virtual ~SoundOutput() = default;
    // 44.1 kHz 16-bit stereo frames, interleaved, one frame interval's worth.
    // Never blocks: what the device cannot take now is dropped.
    virtual void Write(const int16_t* frames, size_t count) = 0;
};

// Null when there is no device to play on; the movie plays on without sound.
std::unique_ptr<SoundOutput> OpenSoundOutput();

} // namespace glint::flash::sound
