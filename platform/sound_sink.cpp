// The ALSA and null sinks. ALSA errors never reach stderr: the library writes no log, so each ALSA call is
// made with a silent error handler for the calling thread only (the host's own handler stays as it is).
#include "platform/sound_sink.h"

#include <cstdarg>
// alsa-lib 1.2.8 declares snd_lib_error_set_local after the end of error.h's extern "C" block; included
// first and inside one, it gets C linkage, and asoundlib.h's own include of it is then skipped.
extern "C" {
#include <alsa/error.h>
}
#include <alsa/asoundlib.h>

#include <new>
#include <string>

namespace ox::platform {
namespace {

using Clock = std::chrono::steady_clock;

// ALSA's buffer: how far ahead of the device writes run, and so how long a stop or drain may take.
constexpr unsigned kAlsaLatencyMicroseconds = 100000;

void ignore_alsa_error(const char *, int, const char *, int, const char *, va_list) {}

class QuietAlsa {
public:
    QuietAlsa() : previous_(snd_lib_error_set_local(ignore_alsa_error)) {}
    ~QuietAlsa() { snd_lib_error_set_local(previous_); }
    QuietAlsa(const QuietAlsa &) = delete;
    QuietAlsa &operator=(const QuietAlsa &) = delete;

private:
    snd_local_error_handler_t previous_;
};

class NullSink final : public SoundSink {
public:
    explicit NullSink(int rate) : rate_(static_cast<uint64_t>(rate)) {}
    bool write(const int16_t *, std::size_t frames, StopSignal &stop) override {
        played_ += frames;
        // Whole seconds and the remainder apart, so that no product overflows for any length.
        const auto due = std::chrono::seconds(played_ / rate_) +
                         std::chrono::nanoseconds((played_ % rate_) * 1000000000 / rate_);
        stop.wait_until(start_ + std::chrono::duration_cast<Clock::duration>(due));
        return true;
    }
    bool drain() override { return true; }

private:
    uint64_t rate_;
    uint64_t played_ = 0;
    Clock::time_point start_ = Clock::now();
};

class AlsaSink final : public SoundSink {
public:
    AlsaSink(snd_pcm_t *pcm, int channels) : pcm_(pcm), channels_(static_cast<std::size_t>(channels)) {}
    ~AlsaSink() override {
        QuietAlsa quiet;
        snd_pcm_drop(pcm_);
        snd_pcm_close(pcm_);
    }
    AlsaSink(const AlsaSink &) = delete;
    AlsaSink &operator=(const AlsaSink &) = delete;

    bool write(const int16_t *samples, std::size_t frames, StopSignal &) override {
        QuietAlsa quiet;
        while (frames > 0) {
            snd_pcm_sframes_t n = snd_pcm_writei(pcm_, samples, frames);
            if (n < 0) {
                // An underrun or a suspend is recovered from; anything else ends the sound.
                if (snd_pcm_recover(pcm_, static_cast<int>(n), 1) < 0) return false;
                continue;
            }
            samples += static_cast<std::size_t>(n) * channels_;
            frames -= static_cast<std::size_t>(n);
        }
        return true;
    }
    bool drain() override {
        QuietAlsa quiet;
        return snd_pcm_drain(pcm_) == 0;
    }

private:
    snd_pcm_t *pcm_;
    std::size_t channels_;
};

struct Setting {
    std::mutex mutex;
    SoundOutput output = SoundOutput::automatic;
    std::string device = "default";
};

Setting &setting() {
    static Setting *s = new Setting;  // never destroyed: sounds may still open sinks during exit
    return *s;
}

// Opened without blocking, so that a device held by another program refuses at once instead of waiting
// for it; writes then block as playback needs.
snd_pcm_t *open_pcm(const std::string &device) {
    QuietAlsa quiet;
    snd_pcm_t *pcm = nullptr;
    if (snd_pcm_open(&pcm, device.c_str(), SND_PCM_STREAM_PLAYBACK, SND_PCM_NONBLOCK) < 0) return nullptr;
    if (snd_pcm_nonblock(pcm, 0) < 0) {
        snd_pcm_close(pcm);
        return nullptr;
    }
    return pcm;
}

std::unique_ptr<SoundSink> open_alsa(const std::string &device, int channels, int rate) {
    snd_pcm_t *pcm = open_pcm(device);
    if (!pcm) return nullptr;
    QuietAlsa quiet;
    // Resampling allowed: the device's own rate need not match the file's.
    if (snd_pcm_set_params(pcm, SND_PCM_FORMAT_S16, SND_PCM_ACCESS_RW_INTERLEAVED, static_cast<unsigned>(channels),
                           static_cast<unsigned>(rate), 1, kAlsaLatencyMicroseconds) < 0) {
        snd_pcm_close(pcm);
        return nullptr;
    }
    auto *sink = new (std::nothrow) AlsaSink(pcm, channels);
    if (!sink) snd_pcm_close(pcm);
    return std::unique_ptr<SoundSink>(sink);
}

}  // namespace

void StopSignal::request() {
    {
        std::lock_guard<std::mutex> g(mutex_);
        requested_ = true;
    }
    wake_.notify_all();
}

bool StopSignal::requested() {
    std::lock_guard<std::mutex> g(mutex_);
    return requested_;
}

void StopSignal::wait_until(std::chrono::steady_clock::time_point deadline) {
    std::unique_lock<std::mutex> g(mutex_);
    wake_.wait_until(g, deadline, [this] { return requested_; });
}

bool set_sound_output(SoundOutput output, const char *alsa_device) {
    const std::string device = alsa_device && *alsa_device ? alsa_device : "default";
    if (output == SoundOutput::alsa) {
        snd_pcm_t *pcm = open_pcm(device);
        if (!pcm) return false;
        snd_pcm_close(pcm);
    }
    Setting &s = setting();
    std::lock_guard<std::mutex> g(s.mutex);
    s.output = output;
    s.device = device;
    return true;
}

std::unique_ptr<SoundSink> open_sound_sink(int channels, int rate) {
    SoundOutput output;
    std::string device;
    {
        Setting &s = setting();
        std::lock_guard<std::mutex> g(s.mutex);
        output = s.output;
        device = s.device;
    }
    if (output != SoundOutput::null) {
        if (auto sink = open_alsa(device, channels, rate)) return sink;
        if (output == SoundOutput::alsa) return nullptr;
    }
    return std::unique_ptr<SoundSink>(new (std::nothrow) NullSink(rate));
}

}  // namespace ox::platform
