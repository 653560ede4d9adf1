// The processor feature record: asked of the processor once, masked by OXWUTL_DISABLE.
#include "core/cpu.h"

#include <atomic>
#include <cctype>
#include <cstdlib>
#include <string>

namespace ox::core {
namespace {

// A feature goes with every level that builds on it.
uint32_t consistent(uint32_t f) {
    if (!(f & kSsse3)) f &= ~kAvx2;
    if (!(f & kAvx2)) f &= ~kAvx512Vbmi;
    return f;
}

uint32_t processor_features() {
    uint32_t f = 0;
#if defined(__x86_64__)
    if (__builtin_cpu_supports("ssse3")) f |= kSsse3;
    if (__builtin_cpu_supports("avx2")) f |= kAvx2;
    if (__builtin_cpu_supports("bmi2")) f |= kBmi2;
    if (__builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
        __builtin_cpu_supports("avx512vbmi"))
        f |= kAvx512Vbmi;
#endif
    return consistent(f);
}

std::atomic<uint32_t> &record() {
    static std::atomic<uint32_t> r{features_without(processor_features(), std::getenv("OXWUTL_DISABLE"))};
    return r;
}

// Read at load, not at the first kernel call.
[[maybe_unused]] const uint32_t g_read_at_load = cpu_features();

}  // namespace

uint32_t cpu_features() { return record().load(std::memory_order_relaxed); }

uint32_t features_without(uint32_t features, const char *disable) {
    if (disable == nullptr) return features;
    std::string name;
    for (const char *p = disable;; ++p) {
        if (*p != '\0' && *p != ',' && !std::isspace(static_cast<unsigned char>(*p))) {
            name += static_cast<char>(std::tolower(static_cast<unsigned char>(*p)));
            continue;
        }
        if (name == "all") features = 0;
        else if (name == "ssse3") features &= ~kSsse3;
        else if (name == "avx2") features &= ~kAvx2;
        else if (name == "bmi2") features &= ~kBmi2;
        else if (name == "avx512") features &= ~kAvx512Vbmi;
        name.clear();
        if (*p == '\0') break;
    }
    return consistent(features);
}

CpuFeatureLimit::CpuFeatureLimit(uint32_t features) : saved_(record().load()) {
    record().store(consistent(saved_ & features));
}

CpuFeatureLimit::~CpuFeatureLimit() { record().store(saved_); }

std::vector<uint32_t> cpu_feature_levels(uint32_t used) {
    std::vector<uint32_t> all{cpu_features()};
    for (const uint32_t drop : {uint32_t{kAvx512Vbmi}, kAvx2 | kBmi2, uint32_t{kSsse3}})
        all.push_back(consistent(all.back() & ~drop));
    all.push_back(0);
    std::vector<uint32_t> levels;
    for (const uint32_t f : all) {
        bool seen = false;
        for (const uint32_t l : levels) seen = seen || (l & used) == (f & used);
        if (!seen) levels.push_back(f);
    }
    return levels;
}

}  // namespace ox::core
