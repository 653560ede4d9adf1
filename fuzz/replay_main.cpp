// Runs a fuzz target once on every file of the folders named on the command line (a missing folder is
// skipped), without libFuzzer. Fails when no input at all was found, so a lost corpus does not pass.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size);

int main(int argc, char **argv) {
    std::size_t count = 0;
    for (int a = 1; a < argc; ++a) {
        std::error_code ec;
        if (!std::filesystem::is_directory(argv[a], ec)) continue;
        std::vector<std::filesystem::path> files;
        for (const auto &entry : std::filesystem::directory_iterator(argv[a]))
            if (entry.is_regular_file()) files.push_back(entry.path());
        std::sort(files.begin(), files.end());
        for (const auto &f : files) {
            // Exactly sized, as libFuzzer passes an input, so that sanitizers see reads past the end.
            const auto size = static_cast<std::size_t>(std::filesystem::file_size(f));
            std::unique_ptr<uint8_t[]> exact(new uint8_t[size]);
            std::ifstream(f, std::ios::binary).read(reinterpret_cast<char *>(exact.get()), static_cast<long>(size));
            std::printf("%s (%zu bytes)\n", f.c_str(), size);
            std::fflush(stdout);
            LLVMFuzzerTestOneInput(exact.get(), size);
            ++count;
        }
    }
    std::printf("%zu inputs replayed\n", count);
    return count > 0 ? 0 : 1;
}
