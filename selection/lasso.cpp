// The lasso point list.
#include <cstdint>

#include "ox.h"

namespace ox::selection {
namespace {

// One list for the whole library, used from the host's interface thread only. 1000 slots, of which at
// most 998 ever hold points: the 999th point empties the list.
constexpr int32_t kLassoSlots = 1000;
constexpr int32_t kLassoLimit = 999;
int32_t g_lasso_count = 0;
OxPoint g_lasso_points[kLassoSlots];

}  // namespace
}  // namespace ox::selection

using namespace ox::selection;

extern "C" {

OX_API void oxInitializeLassoTool(void) { g_lasso_count = 0; }

OX_API uint32_t oxAddLassoToolPoint(int32_t x, int32_t y) {
    g_lasso_points[g_lasso_count] = OxPoint{x, y};
    if (++g_lasso_count < kLassoLimit) return 1;
    g_lasso_count = 0;
    return 0;
}

OX_API int32_t oxGetLassoPoint(void) { return g_lasso_count; }

OX_API const OxPoint *oxGetLassoPointData(void) { return g_lasso_points; }

}  // extern "C"
