#include "flash/win32/WaveOut.h"

#include <algorithm>
#include <cstring>

namespace glint::flash::sound {

std::unique_ptr<SoundOutput> OpenSoundOutput()
{
    auto out = std::make_unique<WaveOut>();
    if (!out->Open())
        return nullptr;
    return out;
}

bool WaveOut::Open()
{
    WAVEFORMATEX format = {};
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = 2;
    format.nSamplesPerSec = 44100;
    format.wBitsPerSample = 16;
    format.nBlockAlign = 4;
    format.nAvgBytesPerSec = 44100 * 4;
    // No callback: finished buffers are found by their done flag on the next write.
    return waveOutOpen(&device_, kDevice, &format, 0, 0, CALLBACK_NULL) == MMSYSERR_NOERROR;
}

WaveOut::~WaveOut()
{
    if (!device_)
        return;
    waveOutReset(device_);
    for (WAVEHDR& h : headers_)
        if (h.dwFlags & WHDR_PREPARED)
            waveOutUnprepareHeader(device_, &h, sizeof h);
    waveOutClose(device_);
}

void WaveOut::Write(const int16_t* frames, size_t count)
{
    if (!device_ || count == 0)
        return;
    // Intervals come at the pace the device plays them: with nothing queued,
    // one of silence first leaves room for a late timer.
    bool idle = std::none_of(std::begin(headers_), std::end(headers_), [](const WAVEHDR& h) {
        return (h.dwFlags & WHDR_PREPARED) && !(h.dwFlags & WHDR_DONE);
    });
    if (idle) {
        silence_.assign(2 * count, 0);
        Queue(silence_.data(), count);
    }
    Queue(frames, count);
}

void WaveOut::Queue(const int16_t* frames, size_t count)
{
    for (size_t i = 0; i < kBuffers; ++i) {
        WAVEHDR& h = headers_[i];
        if ((h.dwFlags & WHDR_PREPARED) && !(h.dwFlags & WHDR_DONE))
            continue; // still playing
        if (h.dwFlags & WHDR_PREPARED)
            waveOutUnprepareHeader(device_, &h, sizeof h);
        data_[i].assign(frames, frames + 2 * count);
        h = WAVEHDR{};
        h.lpData = reinterpret_cast<LPSTR>(data_[i].data());
        h.dwBufferLength = DWORD(count * 4);
        if (waveOutPrepareHeader(device_, &h, sizeof h) != MMSYSERR_NOERROR)
            return;
        if (waveOutWrite(device_, &h, sizeof h) != MMSYSERR_NOERROR)
            waveOutUnprepareHeader(device_, &h, sizeof h);
        return;
    }
    // Every buffer is queued: the device is behind, this interval is dropped.
}

} // namespace glint::flash::sound
