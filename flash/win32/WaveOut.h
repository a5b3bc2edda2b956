#pragma once
// The movie's sound on wave-out device 0, the device whose volume the saver
// sets to 0 when the user asked for silence: playing anywhere else would
// break that mute.
#include "flash/sound/SoundOutput.h"

#include <windows.h>
#include <mmsystem.h>

#include <atomic>
#include <memory>
#include <vector>

namespace glint::flash::sound {

class WaveOut : public SoundOutput {
public:
    // The device's volume is never touched here.
    static constexpr UINT kDevice = 0;
    static constexpr size_t kBuffers = 8; // queued frame intervals, a fraction of a second

    // The call that opens the device, made on the opening thread; tests put a
    // held or failing one in before a movie loads.
    using OpenFunction = MMRESULT (*)(HWAVEOUT* device, const WAVEFORMATEX* format);
    static OpenFunction openDevice;

    // Starts opening on a thread of its own.
    WaveOut();
    // Never waits: a device still opening is closed by its opening thread
    // once it opens (the saver must end at once when the mouse moves).
    ~WaveOut() override;
    WaveOut(const WaveOut&) = delete;
    WaveOut& operator=(const WaveOut&) = delete;

    OutputState State() const override;
    void Write(const int16_t* frames, size_t count) override;
    void Stop() override;

private:
    // Shared by the player and the opening thread; whichever is last frees it.
    struct Opening {
        enum Stage { kOpening, kOpen, kFailed, kAbandoned };
        std::atomic<int> stage{kOpening};
        HWAVEOUT device = nullptr; // set before the stage says kOpen
        OpenFunction open = nullptr;
    };
    static DWORD WINAPI Open(LPVOID opening);
    void Queue(const int16_t* frames, size_t count);

    std::shared_ptr<Opening> opening_;
    std::vector<int16_t> silence_;
    WAVEHDR headers_[kBuffers] = {};
    std::vector<int16_t> data_[kBuffers];
};

} // namespace glint::flash::sound
