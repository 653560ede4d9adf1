// Wave files for the sound player: opened and decoded by libsndfile, and checked before anything plays.
#pragma once

#include <sndfile.h>

#include <cstddef>
#include <cstdint>
#include <memory>

namespace ox::platform {

// What plays: a RIFF wave file (RIFF or RIFX, plain or extensible) of any kind libsndfile decodes, with 1..8
// channels at 1..768000 frames a second.
inline constexpr int kWaveMaxChannels = 8;
inline constexpr int kWaveMaxRate = 768000;

// An open wave file, read as interleaved 16-bit frames.
class WaveFile {
public:
    explicit WaveFile(SNDFILE *sf, const SF_INFO &info) : sf_(sf), info_(info) {}
    ~WaveFile() { sf_close(sf_); }
    WaveFile(const WaveFile &) = delete;
    WaveFile &operator=(const WaveFile &) = delete;

    int channels() const { return info_.channels; }
    int rate() const { return info_.samplerate; }
    // Decodes up to `frames` frames into `out` (room for frames x channels samples): the count decoded, 0 at
    // the end, -1 when decoding failed.
    long read(int16_t *out, std::size_t frames);

private:
    SNDFILE *sf_;
    SF_INFO info_;
};

// Opens the wave file at `path`. Null when it cannot be opened (`why`: 275, file not found, for an open
// that fails) or is no wave file that plays (296, invalid file): a folder, a device or pipe, a file that is
// not audio, another container, too many channels or an odd rate, or a truncated file, one that holds
// fewer frames than its header declares (the data chunk's length for the kinds that store every frame
// alike, the "fact" chunk's count for the block-coded ones).
std::unique_ptr<WaveFile> open_wave_file(const char *path, uint32_t *why);
// The same for an open descriptor of a regular file, which is taken over (closed with the file, or at once
// on failure).
std::unique_ptr<WaveFile> open_wave_fd(int fd, uint32_t *why);

}  // namespace ox::platform
