// Shows that long work is going on: on a terminal, a spinner with the elapsed time on stderr, redrawn from a
// background thread while the library call runs (the library reports no progress of its own).
#pragma once

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

namespace oxdoc {

class Progress {
public:
    explicit Progress(std::string label);
    ~Progress();
    Progress(const Progress &) = delete;
    Progress &operator=(const Progress &) = delete;

    // Stops the spinner and, on a terminal, prints the time taken.
    void done();

private:
    std::string label_;
    std::chrono::steady_clock::time_point start_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
    bool tty_;
};

}  // namespace oxdoc
