#include "flash/win32/WaveOut.h"

#include <algorithm>
#include <cstring>

namespace glint::flash::sound {

namespace {

MMRESULT OpenDevice(HWAVEOUT* device, const WAVEFORMATEX* format)
{
    // No callback: finished buffers are found by their done flag on the next write.
    return waveOutOpen(device, WaveOut::kDevice, format, 0, 0, CALLBACK_NULL);
}

} // namespace

WaveOut::OpenFunction WaveOut::openDevice = OpenDevice;

std::unique_ptr<SoundOutput> OpenSoundOutput() { return std::make_unique<WaveOut>(); }

WaveOut::WaveOut() : opening_(std::make_shared<Opening>())
{
    opening_->open = openDevice;
    auto* shared = new std::shared_ptr<Opening>(opening_);
    HANDLE thread = CreateThread(nullptr, 0, Open, shared, 0, nullptr);
    if (thread) {
        CloseHandle(thread);
    } else {
        delete shared;
        opening_->stage.store(Opening::kFailed, std::memory_order_release);
    }
}

DWORD WINAPI WaveOut::Open(LPVOID param)
{
    std::unique_ptr<std::shared_ptr<Opening>> shared(static_cast<std::shared_ptr<Opening>*>(param));
    Opening& opening = **shared;
    WAVEFORMATEX format = {};
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = 2;
    format.nSamplesPerSec = 44100;
    format.wBitsPerSample = 16;
    format.nBlockAlign = 4;
    format.nAvgBytesPerSec = 44100 * 4;
    HWAVEOUT device = nullptr;
    bool ok = opening.open(&device, &format) == MMSYSERR_NOERROR && device;
    opening.device = ok ? device : nullptr;
    int expected = Opening::kOpening;
    if (!opening.stage.compare_exchange_strong(expected, ok ? Opening::kOpen : Opening::kFailed,
                                               std::memory_order_acq_rel) &&
        ok)
        waveOutClose(device); // the player went while the device opened
    return 0;
}

OutputState WaveOut::State() const
{
    switch (opening_->stage.load(std::memory_order_acquire)) {
    case Opening::kOpening: return OutputState::Opening;
    case Opening::kOpen: return OutputState::Open;
    default: return OutputState::Failed;
    }
}

WaveOut::~WaveOut()
{
    int expected = Opening::kOpening;
    if (opening_->stage.compare_exchange_strong(expected, Opening::kAbandoned, std::memory_order_acq_rel) ||
        expected != Opening::kOpen)
        return; // still opening (its thread closes it) or failed: nothing queued
    HWAVEOUT device = opening_->device;
    waveOutReset(device);
    for (WAVEHDR& h : headers_)
        if (h.dwFlags & WHDR_PREPARED)
            waveOutUnprepareHeader(device, &h, sizeof h);
    waveOutClose(device);
}

void WaveOut::Stop()
{
    if (State() == OutputState::Open)
        waveOutReset(opening_->device); // marks every queued buffer done
}

void WaveOut::Write(const int16_t* frames, size_t count)
{
    if (State() != OutputState::Open || count == 0)
        return; // still opening, or no device: this interval is dropped
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
    HWAVEOUT device = opening_->device;
    for (size_t i = 0; i < kBuffers; ++i) {
        WAVEHDR& h = headers_[i];
        if ((h.dwFlags & WHDR_PREPARED) && !(h.dwFlags & WHDR_DONE))
            continue; // still playing
        if (h.dwFlags & WHDR_PREPARED)
            waveOutUnprepareHeader(device, &h, sizeof h);
        data_[i].assign(frames, frames + 2 * count);
        h = WAVEHDR{};
        h.lpData = reinterpret_cast<LPSTR>(data_[i].data());
        h.dwBufferLength = DWORD(count * 4);
        if (waveOutPrepareHeader(device, &h, sizeof h) != MMSYSERR_NOERROR)
            return;
        if (waveOutWrite(device, &h, sizeof h) != MMSYSERR_NOERROR)
            waveOutUnprepareHeader(device, &h, sizeof h);
        return;
    }
    // Every buffer is queued: the device is behind, this interval is dropped.
}

} // namespace glint::flash::sound
