// The one record of what this processor runs beyond the x86-64 baseline. Every wide kernel is chosen from
// it at its call. It is filled once, at load, from the processor, less what the environment variable
// OXWUTL_DISABLE names (a list such as "avx512,avx2": ssse3, avx2, bmi2, avx512, or all), so that a run can
// take the portable kernels that older processors take. Each level builds on the one below: without SSSE3
// there is no AVX2, without AVX2 no AVX-512. Elsewhere than on x86-64 the record is empty.
#pragma once

#include <cstdint>
#include <vector>

namespace ox::core {

enum CpuFeature : uint32_t {
    kSsse3 = 1u << 0,
    kAvx2 = 1u << 1,
    kBmi2 = 1u << 2,
    kAvx512Vbmi = 1u << 3,  // AVX-512 F, BW and VBMI together
};

// The record: the features in force now.
uint32_t cpu_features();

inline bool has_ssse3() { return (cpu_features() & kSsse3) != 0; }
inline bool has_avx2() { return (cpu_features() & kAvx2) != 0; }
inline bool has_bmi2() { return (cpu_features() & kBmi2) != 0; }
inline bool has_avx512vbmi() { return (cpu_features() & kAvx512Vbmi) != 0; }

// The features that a value of OXWUTL_DISABLE leaves of `features` (names separated by commas or spaces,
// any case; unknown names are ignored).
uint32_t features_without(uint32_t features, const char *disable);

// For the tests: holds the record to `features` & what it held, for the guard's life, so that one process
// can run every kernel the machine has. Never adds a feature.
class CpuFeatureLimit {
public:
    explicit CpuFeatureLimit(uint32_t features);
    ~CpuFeatureLimit();
    CpuFeatureLimit(const CpuFeatureLimit &) = delete;
    CpuFeatureLimit &operator=(const CpuFeatureLimit &) = delete;

private:
    uint32_t saved_;
};

// The records a test should run under: the one in force, then each with its widest level taken away, down
// to the empty one (the portable kernels); of those that agree on the `used` features, only the first.
std::vector<uint32_t> cpu_feature_levels(uint32_t used = ~0u);

}  // namespace ox::core
