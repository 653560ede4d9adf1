// The wave opener on arbitrary bytes, served from an in-memory file. Beyond not crashing or hanging: a
// file that opens reads to its end in chunks no larger than asked for, and decodes to no more frames than
// its bytes can carry (the densest kind, GSM, carries five frames a byte; eight allows for a last block).
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <vector>

#include "platform/wave_file.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const int fd = memfd_create("wave", MFD_CLOEXEC);
    FUZZ_CHECK(fd >= 0);
    FUZZ_CHECK(size == 0 || write(fd, data, size) == static_cast<ssize_t>(size));
    FUZZ_CHECK(lseek(fd, 0, SEEK_SET) == 0);
    uint32_t why = 0;
    const auto file = ox::platform::open_wave_fd(fd, &why);
    if (!file) {
        FUZZ_CHECK(why != 0);
        return 0;
    }
    FUZZ_CHECK(file->channels() >= 1 && file->channels() <= ox::platform::kWaveMaxChannels);
    constexpr std::size_t kChunk = 1024;
    std::vector<int16_t> samples(kChunk * static_cast<std::size_t>(file->channels()));
    uint64_t frames = 0;
    for (long n; (n = file->read(samples.data(), kChunk)) > 0;) {
        FUZZ_CHECK(static_cast<std::size_t>(n) <= kChunk);
        frames += static_cast<uint64_t>(n);
        FUZZ_CHECK(frames <= 8 * uint64_t{size} + 4096);
    }
    return 0;
}
