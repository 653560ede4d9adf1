#include "progress.h"

#include <unistd.h>

#include <cstdio>

namespace oxdoc {

Progress::Progress(std::string label)
    : label_(std::move(label)), start_(std::chrono::steady_clock::now()), tty_(isatty(STDERR_FILENO) == 1) {
    if (!tty_) return;
    thread_ = std::thread([this] {
        static const char kSpin[] = "|/-\\";
        // Quick work finishes before anything is drawn.
        for (int tick = 0; !stop_.load(); ++tick) {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            if (stop_.load()) break;
            const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
            if (s >= 0.3) std::fprintf(stderr, "\r%s %c %.1f s", label_.c_str(), kSpin[tick % 4], s);
        }
    });
}

void Progress::done() {
    if (stop_.exchange(true)) return;
    if (thread_.joinable()) thread_.join();
    if (tty_) {
        const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
        std::fprintf(stderr, "\r%s: done in %.2f s\n", label_.c_str(), s);
    }
}

Progress::~Progress() { done(); }

}  // namespace oxdoc
