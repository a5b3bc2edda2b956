#pragma once
// The movie's sound on wave-out device 0, the device whose volume the saver
// sets to 0 when the user asked for silence: playing anywhere else would
// break that mute.
#include "flash/sound/SoundOutput.h"

#include <windows.h>
#include <mmsystem.h>

#include <vector>

namespace glint::flash::sound {

class WaveOut : public SoundOutput {
public:
    // The device's volume is never touched here.
    static constexpr UINT kDevice = 0;
    static constexpr size_t kBuffers = 8; // queued frame intervals, a fraction of a second

    ~WaveOut() override;
    // False when the device does not open (none there, or busy).
    bool Open();
    void Write(const int16_t* frames, size_t count) override;

private:
    void Queue(const int16_t* frames, size_t count);

    HWAVEOUT device_ = nullptr;
    std::vector<int16_t> silence_;
    WAVEHDR headers_[kBuffers] = {};
    std::vector<int16_t> data_[kBuffers];
};

} // namespace glint::flash::sound
