// Numbers: the library's rounding rule, byte swaps and the colour record conversions.
#include <cfloat>
#include <cmath>
#include <cstdint>

#include "ox.h"

// The rounding rule below depends on every double operation being rounded to double on its own: no x87
// extended precision and no fused multiply-add (the library is built with -ffp-contract=off).
static_assert(FLT_EVAL_METHOD == 0, "double arithmetic must be evaluated in double precision");

extern "C" {

OX_API OxColorRef oxGetColorReffromRGBColor(const OxRGBColor *color) {
    // Not masked: a field above 255 spills into the next channel, as callers of the record expect.
    return uint32_t{color->red} | uint32_t{color->green} << 8 | uint32_t{color->blue} << 16;
}

OX_API void oxGetRGBColorfromColorRef(OxRGBColor *color, OxColorRef colorRef) {
    color->red = static_cast<uint16_t>(colorRef & 0xFF);
    color->green = static_cast<uint16_t>(colorRef >> 8 & 0xFF);
    color->blue = static_cast<uint16_t>(colorRef >> 16 & 0xFF);
}

OX_API uint16_t oxReverseWord(uint16_t value) { return static_cast<uint16_t>(value << 8 | value >> 8); }

OX_API uint32_t oxReverseDword(uint32_t value) {
    return uint32_t{oxReverseWord(static_cast<uint16_t>(value))} << 16 |
           oxReverseWord(static_cast<uint16_t>(value >> 16));
}

OX_API int32_t oxDouble2Int(double value) {
    // Integer part and fraction, both with the sign of value.
    double ip;
    const double fr = std::modf(value, &ip);
    // The fraction in thousandths, rounded half up, back as a fraction.
    const double t = std::fabs(fr) * 1000.0;
    double n = std::trunc(t);
    if (t - n >= 0.5) n = n + 1.0;
    const double m = n * 0.001;
    // Up to one half goes toward zero; more (a fraction rounded up to a whole one included) away from it.
    const double r = m > 0.5 ? (value >= 0.0 ? ip + 1.0 : ip - 1.0) : ip;
    // NaN, infinities and whole numbers outside int32 give 0x80000000, the value x86's conversion
    // instructions produce for them; converting them in C++ would be undefined.
    if (!(r >= -2147483648.0 && r <= 2147483647.0)) return INT32_MIN;
    return static_cast<int32_t>(r);
}

// The same function under its second export name (not clamped to 16 bits).
OX_API int32_t oxDouble2Short(double value) __attribute__((alias("oxDouble2Int")));

}  // extern "C"
