// What this processor runs beyond the x86-64 baseline, each asked once. The library's wide kernels are
// chosen from these at run time; elsewhere than on x86-64 every answer is no.
#pragma once

namespace ox::core {

#if defined(__x86_64__)
inline bool has_ssse3() {
    static const bool yes = __builtin_cpu_supports("ssse3");
    return yes;
}
inline bool has_avx2() {
    static const bool yes = __builtin_cpu_supports("avx2");
    return yes;
}
inline bool has_bmi2() {
    static const bool yes = __builtin_cpu_supports("bmi2");
    return yes;
}
// AVX-512 F, BW and VBMI together.
inline bool has_avx512vbmi() {
    static const bool yes = __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
                            __builtin_cpu_supports("avx512vbmi");
    return yes;
}
#else
inline bool has_ssse3() { return false; }
inline bool has_avx2() { return false; }
inline bool has_bmi2() { return false; }
inline bool has_avx512vbmi() { return false; }
#endif

}  // namespace ox::core
