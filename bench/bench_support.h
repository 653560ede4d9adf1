// Shared pieces of the benchmark programs: a locked picture, memcpy of the same bytes as the yardstick, and
// a reporter that keeps each run's processor time for the ratio tables printed after the usual output.
#pragma once

#include <benchmark/benchmark.h>

#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
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

// This thread's CPU time: time spent waiting for the other processes of a busy machine is left out.
inline double cpu_seconds() {
    timespec ts;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + 1e-9 * static_cast<double>(ts.tv_nsec);
}

// Runs the reference once and the operation `reps` times per iteration, each timed on its own in this
// thread's CPU time, so that both meet the same load on the machine. With `prepare`, that runs untimed
// before every call (and the operation's calls are timed one by one). Reports the operation's rate
// (`work` units per call), the reference's, and "x_ref", the operation's speed over the reference's.
inline void paired(benchmark::State &state, const std::function<void()> &reference, const std::function<void()> &op,
                   int reps, double work, const std::function<void()> &prepare = {}) {
    double t_ref = 0, t_op = 0;
    for (auto _ : state) {
        if (prepare) prepare();
        double t0 = cpu_seconds();
        reference();
        benchmark::ClobberMemory();
        t_ref += cpu_seconds() - t0;
        if (prepare) {
            for (int i = 0; i < reps; ++i) {
                prepare();
                t0 = cpu_seconds();
                op();
                benchmark::ClobberMemory();
                t_op += cpu_seconds() - t0;
            }
        } else {
            t0 = cpu_seconds();
            for (int i = 0; i < reps; ++i) op();
            benchmark::ClobberMemory();
            t_op += cpu_seconds() - t0;
        }
    }
    const double calls = static_cast<double>(state.iterations()) * reps;
    state.counters["x_ref"] = (t_ref / static_cast<double>(state.iterations())) / (t_op / calls);
    state.counters["rate"] = calls * work / t_op;
    state.counters["ref_rate"] = static_cast<double>(state.iterations()) * work / t_ref;
}

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

// Runs the benchmarks named on the command line into `reporter`; false (after the library's message) when
// an argument is not understood.
inline bool run_benchmarks(int &argc, char **argv, benchmark::BenchmarkReporter &reporter) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return false;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    return true;
}

// One summary line for a run timed by paired(): its speed over the reference, the verdict against `target`
// (none for a target of 0), and figure(rate) for it and for the reference in `unit`. A run that a filter
// left out prints nothing.
inline void ratio_line(const SummaryReporter &rep, const std::string &run, const std::string &label, double target,
                       const char *unit, const std::function<double(double)> &figure) {
    const double ratio = rep.get(run, "x_ref");
    if (ratio == 0) return;
    std::printf("  %-30s %-44s %8.2fx", run.c_str(), label.c_str(), ratio);
    if (target > 0) std::printf("  %-5s (target %5gx)", ratio >= target ? "ok" : "BELOW", target);
    else std::printf("%23s", "");
    std::printf("  %10.2f %s (reference %.2f)\n", figure(rep.get(run, "rate")), unit, figure(rep.get(run, "ref_rate")));
}

// figure() for ratio_line: a rate divided by `scale` (1e9 for GB/s, 1e6 for Mpx/s).
inline std::function<double(double)> per(double scale) {
    return [scale](double rate) { return rate / scale; };
}
// figure() for ratio_line: the time of one call in milliseconds.
inline double call_ms(double rate) { return 1e3 / rate; }

// The median of `reps` calls of op, each timed in this thread's processor seconds; `prepare`, when given,
// runs untimed before each.
inline double median_seconds(int reps, const std::function<void()> &op, const std::function<void()> &prepare = {}) {
    std::vector<double> t;
    for (int i = 0; i < reps; ++i) {
        if (prepare) prepare();
        const double t0 = cpu_seconds();
        op();
        t.push_back(cpu_seconds() - t0);
    }
    std::sort(t.begin(), t.end());
    return t[t.size() / 2];
}

// Pillow's median time for one operation of bench/peer_pillow.py (its arguments after the picture's) on the
// w x h picture of red, green, blue bytes at `rgb`, run by Debian's /usr/bin/python3 in this run; 0 when
// Pillow cannot be run here (scripts/bench.sh installs it).
inline double pillow_seconds(const std::string &op, const uint8_t *rgb, int32_t w, int32_t h, int reps) {
    char path[] = "/tmp/oxbench-peer-XXXXXX";
    const int fd = mkstemp(path);
    if (fd < 0) return 0;
    const std::size_t bytes = static_cast<std::size_t>(w) * static_cast<std::size_t>(h) * 3;
    const bool written = write(fd, rgb, bytes) == static_cast<ssize_t>(bytes);
    close(fd);
    double seconds = 0;
    if (written) {
        const std::size_t space = op.find(' ');
        const std::string verb = op.substr(0, space), rest = space == std::string::npos ? "" : op.substr(space);
        const std::string command = "/usr/bin/python3 " OXBENCH_DIR "/peer_pillow.py " + verb + " " + path + " " +
                                    std::to_string(w) + " " + std::to_string(h) + " " + std::to_string(reps) + rest +
                                    " 2>/dev/null";
        if (FILE *p = popen(command.c_str(), "r")) {
            if (std::fscanf(p, "%lf", &seconds) != 1) seconds = 0;
            if (pclose(p) != 0) seconds = 0;
        }
    }
    unlink(path);
    return seconds;
}

// One line of the peer table: our time and the peer's for the same work, our speed over the peer's and the
// verdict against `target` (none for 0).
inline void peer_line(const std::string &what, double ours, double peer, double target) {
    if (peer <= 0) {
        std::printf("  %-44s %9.2f ms   Pillow not available (scripts/bench.sh installs it)\n", what.c_str(),
                    ours * 1e3);
        return;
    }
    const double ratio = peer / ours;
    std::printf("  %-44s %9.2f ms   Pillow %9.2f ms %8.2fx", what.c_str(), ours * 1e3, peer * 1e3, ratio);
    if (target > 0) std::printf("  %-5s (target %gx)", ratio >= target ? "ok" : "BELOW", target);
    std::printf("\n");
}

}  // namespace oxbench
