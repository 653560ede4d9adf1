// Opening and checking wave files. libsndfile parses and decodes; this file refuses what libsndfile would
// quietly accept but the player must not: other containers, odd channel counts and rates, and files cut
// short, which libsndfile plays up to where they end.
#include "platform/wave_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <new>

#include "core/byte_order.h"
#include "platform/mci.h"

namespace ox::platform {
namespace {

bool is_wave_container(int format) {
    const int major = format & SF_FORMAT_TYPEMASK;
    return major == SF_FORMAT_WAV || major == SF_FORMAT_WAVEX;
}

// Bytes one frame takes in the data chunk for the kinds that store every frame alike; 0 for block-coded
// kinds (ADPCM, GSM), whose blocks hold a varying number of frames.
int fixed_frame_bytes(int format, int channels) {
    switch (format & SF_FORMAT_SUBMASK) {
    case SF_FORMAT_PCM_S8:
    case SF_FORMAT_PCM_U8:
    case SF_FORMAT_ULAW:
    case SF_FORMAT_ALAW: return channels;
    case SF_FORMAT_PCM_16: return 2 * channels;
    case SF_FORMAT_PCM_24: return 3 * channels;
    case SF_FORMAT_PCM_32:
    case SF_FORMAT_FLOAT: return 4 * channels;
    case SF_FORMAT_DOUBLE: return 8 * channels;
    default: return 0;
    }
}

// The chunk `id` as libsndfile found it in the header: its declared length, and its first four bytes when
// it has them (`first` stays unchanged otherwise). False when the file has no such chunk.
bool find_chunk(SNDFILE *sf, const char *id, uint32_t *length, uint8_t (*first)[4]) {
    SF_CHUNK_INFO want{};
    std::memcpy(want.id, id, 4);
    want.id_size = 4;
    SF_CHUNK_ITERATOR *it = sf_get_chunk_iterator(sf, &want);
    if (!it) return false;
    SF_CHUNK_INFO got{};
    if (sf_get_chunk_size(it, &got) != SF_ERR_NO_ERROR) return false;
    *length = got.datalen;
    if (first && got.datalen >= 4) {
        got.data = *first;
        got.datalen = 4;
        if (sf_get_chunk_data(it, &got) != SF_ERR_NO_ERROR) return false;
    }
    return true;
}

// Whether the file holds the frames its header declares. A data chunk length of 0 or all ones (left so by
// writers that stream) declares nothing.
bool holds_declared_frames(SNDFILE *sf, const SF_INFO &info) {
    uint32_t declared = 0;
    if (const int bytes = fixed_frame_bytes(info.format, info.channels)) {
        if (!find_chunk(sf, "data", &declared, nullptr) || declared == 0 || declared == UINT32_MAX) return true;
        return declared / static_cast<uint32_t>(bytes) <= static_cast<uint64_t>(info.frames);
    }
    uint8_t count[4] = {};
    if (!find_chunk(sf, "fact", &declared, &count) || declared < 4) return true;
    const bool big = (info.format & SF_FORMAT_ENDMASK) == SF_ENDIAN_BIG;  // RIFX
    const uint32_t frames = big ? core::load_be32(count) : core::load_le32(count);
    return frames <= static_cast<uint64_t>(info.frames);
}

}  // namespace

long WaveFile::read(int16_t *out, std::size_t frames) {
    const sf_count_t n = sf_readf_short(sf_, out, static_cast<sf_count_t>(frames));
    if (n == 0 && sf_error(sf_) != SF_ERR_NO_ERROR) return -1;
    return static_cast<long>(n);
}

std::unique_ptr<WaveFile> open_wave_fd(int fd, uint32_t *why) {
    *why = kMciErrInvalidFile;
    SF_INFO info{};
    SNDFILE *sf = sf_open_fd(fd, SFM_READ, &info, SF_TRUE);  // closes fd on failure too
    if (!sf) return nullptr;
    if (!is_wave_container(info.format) || info.channels < 1 || info.channels > kWaveMaxChannels ||
        info.samplerate < 1 || info.samplerate > kWaveMaxRate || info.frames < 0 ||
        !holds_declared_frames(sf, info)) {
        sf_close(sf);
        return nullptr;
    }
    sf_command(sf, SFC_SET_CLIPPING, nullptr, SF_TRUE);  // float samples beyond full scale clip, not wrap
    auto *file = new (std::nothrow) WaveFile(sf, info);
    if (!file) {
        sf_close(sf);
        *why = kMciErrOutOfMemory;
        return nullptr;
    }
    *why = 0;
    return std::unique_ptr<WaveFile>(file);
}

std::unique_ptr<WaveFile> open_wave_file(const char *path, uint32_t *why) {
    *why = kMciErrFileNotFound;
    if (!path) return nullptr;
    // Non-blocking, so that opening a pipe with no writer does not wait; only regular files go on.
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return nullptr;
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || fcntl(fd, F_SETFL, 0) != 0) {
        ::close(fd);
        *why = kMciErrInvalidFile;
        return nullptr;
    }
    return open_wave_fd(fd, why);
}

}  // namespace ox::platform
