// Shared pieces of the benchmark programs: a locked picture, memcpy of the same bytes as the yardstick, and
// a reporter that keeps each run's processor time for the ratio tables printed after the usual output.
#pragma once

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "ox.h"

namespace oxbench {

// An image locked for its whole life; the caller paints its pixels.
struct LockedImage {
    LockedImage(int32_t w, int32_t h, int32_t bits, int32_t layer = OX_LAYER_NORMAL) {
        uint32_t err;
        handle = layer == OX_LAYER_GRAY ? oxImageCreateGray(w, h, &err) : oxImageCreate(w, h, bits, &err);
        oxImageLock(handle, &lock);
    }
    ~LockedImage() {
        oxImageUnlock(&lock);
        oxFree(handle);
    }
    LockedImage(const LockedImage &) = delete;
    LockedImage &operator=(const LockedImage &) = delete;
    size_t bytes() const { return lock.header->imageSize; }
    OxHandle handle;
    OxImageLockRec lock;
};

// The yardstick: memcpy of `bytes` bytes from src to dst, reported as bytes per second.
inline void memcpy_reference(benchmark::State &state, uint8_t *dst, const uint8_t *src, size_t bytes) {
    for (auto _ : state) {
        std::memcpy(dst, src, bytes);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(bytes));
}

// Keeps the processor seconds per iteration of every run, by name. Processor time rather than wall time, so
// that other work on a shared machine does not tilt the ratios.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run> &runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run &r : runs)
            if (r.run_type == Run::RT_Iteration && !r.error_occurred && r.iterations > 0)
                seconds[r.benchmark_name()] = r.cpu_accumulated_time / static_cast<double>(r.iterations);
    }
    std::map<std::string, double> seconds;
};

// Keeps each benchmark's counters for the summary; with repetitions, the medians.
class SummaryReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run> &runs) override {
        for (const Run &r : runs) {
            if (r.error_occurred) continue;
            if (r.run_type == Run::RT_Aggregate && r.aggregate_name != "median") continue;
            auto &slot = r.run_type == Run::RT_Aggregate ? median_[r.run_name.str()] : last_[r.run_name.str()];
            for (const auto &[name, counter] : r.counters) slot[name] = counter.value;
        }
        ConsoleReporter::ReportRuns(runs);
    }
    double get(const std::string &run, const std::string &counter) const {
        const auto &from = median_.count(run) ? median_ : last_;
        auto it = from.find(run);
        if (it == from.end()) return 0;
        auto jt = it->second.find(counter);
        return jt == it->second.end() ? 0 : jt->second;
    }

private:
    std::map<std::string, std::map<std::string, double>> last_, median_;
};

}  // namespace oxbench
