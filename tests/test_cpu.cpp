// The processor feature record: what OXWUTL_DISABLE leaves, and the levels the tests run under.
#include <gtest/gtest.h>

#include "core/cpu.h"

namespace {

using namespace ox::core;

TEST(CpuFeatures, DisableListsTakeOutEachNamedLevelAndThoseAboveIt) {
    constexpr uint32_t all = kSsse3 | kAvx2 | kBmi2 | kAvx512Vbmi;
    const std::pair<const char *, uint32_t> cases[] = {
        {nullptr, all}, {"", all}, {"all", 0}, {"avx512", kSsse3 | kAvx2 | kBmi2},
        {"AVX2", kSsse3 | kBmi2}, {" bmi2 ,avx512", kSsse3 | kAvx2}, {"ssse3,sse9", kBmi2},
    };
    for (const auto &[list, left] : cases) EXPECT_EQ(features_without(all, list), left) << (list ? list : "(none)");
}

TEST(CpuFeatures, LevelsNarrowTheRecordForTheirGuardOnly) {
    const uint32_t before = cpu_features();
    const std::vector<uint32_t> levels = cpu_feature_levels(kAvx2);
    EXPECT_EQ(levels.front(), before);
    EXPECT_EQ(levels.back() & kAvx2, 0u);
    EXPECT_EQ(levels.size(), before & kAvx2 ? 2u : 1u);
    {
        const CpuFeatureLimit limit(0);
        EXPECT_EQ(cpu_features(), 0u);
    }
    EXPECT_EQ(cpu_features(), before);
}

}  // namespace
