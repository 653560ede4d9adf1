// Where a playing sound's samples go: an ALSA playback device, or a null sink that takes them at the pace
// of a device and drops them. Both take interleaved 16-bit frames.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>

namespace ox::platform {

// Tells a playing sound to stop; the waits of the null sink end at once when it does.
class StopSignal {
public:
    void request();
    bool requested();
    // Waits until `deadline` or a request, whichever comes first.
    void wait_until(std::chrono::steady_clock::time_point deadline);

private:
    std::mutex mutex_;
    std::condition_variable wake_;
    bool requested_ = false;
};

class SoundSink {
public:
    virtual ~SoundSink() = default;  // drops what was not played yet
    // Returns once the sink has taken the frames (the null sink returns early when a stop is requested).
    // False on a device error.
    virtual bool write(const int16_t *samples, std::size_t frames, StopSignal &stop) = 0;
    // Waits until everything written has played. False on a device error.
    virtual bool drain() = 0;
};

// The output choice of the host call: OXW_SOUND_OUTPUT_AUTO, _NULL or _ALSA.
enum class SoundOutput : int32_t { automatic = 0, null = 1, alsa = 2 };

// Chooses the output for the sinks opened from now on, and the ALSA device (null or empty: "default"). For
// SoundOutput::alsa the device must open for playback now; false (setting unchanged) when it does not.
bool set_sound_output(SoundOutput output, const char *alsa_device);

// A sink for `channels` x `rate` under the current choice: automatic takes the ALSA device when it opens
// with this format and the null sink otherwise. Null only when the choice is ALSA alone and the device
// refuses, or without memory.
std::unique_ptr<SoundSink> open_sound_sink(int channels, int rate);

}  // namespace ox::platform
