// Validation of numeric dialog fields: the text is read, a value outside the rules is replaced in the field
// by the default or the bound it broke, and the user hears a beep.
#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <locale.h>
#include <string>
#include <string_view>

#include "core/no_throw.h"
#include "oxw.h"
#include "platform/input.h"
#include "platform/window.h"

namespace ox::win {
namespace {

constexpr uint32_t kBeepExclamation = 0x30;
constexpr std::size_t kDoubleTextMax = 255;  // what a 256-byte read of the field holds

bool item_text(OxwWindow dialog, int32_t id, std::string *text) {
    const OxwWindow item = platform::get_dlg_item(dialog, id);
    return item != 0 && platform::get_window_text(item, text);
}

void set_item_text(OxwWindow dialog, int32_t id, const char *text) {
    if (const OxwWindow item = platform::get_dlg_item(dialog, id)) platform::set_window_text(item, text);
}

// The system's integer reading of a field: spaces at the start skipped; with `is_signed` one '-' allowed;
// then at least one digit 0-9 and nothing else up to the end. A value beyond 2147483647 (a negative one
// below -2147483648) signed, or beyond 4294967295 unsigned, is not read. The result is the 32-bit pattern.
bool read_int(std::string_view s, bool is_signed, uint32_t *out) {
    while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
    const bool negative = is_signed && !s.empty() && s.front() == '-';
    if (negative) s.remove_prefix(1);
    if (s.empty()) return false;
    const uint64_t limit = !is_signed ? 0xFFFFFFFFu : negative ? 0x80000000u : 0x7FFFFFFFu;
    uint64_t v = 0;
    for (char c : s) {
        if (c < '0' || c > '9') return false;
        v = v * 10 + static_cast<uint64_t>(c - '0');
        if (v > limit) return false;
    }
    *out = negative ? static_cast<uint32_t>(0 - v) : static_cast<uint32_t>(v);
    return true;
}

// The C locale, for numbers written and read with '.' whatever locale the host set.
locale_t c_locale() {
    static const locale_t c = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return c;
}

bool is_digit(char c) { return c >= '0' && c <= '9'; }

// The length of the decimal number at the start of `s` in C notation: blanks, a sign, digits with an
// optional '.', an optional exponent (e or E, a sign, digits; not taken without digits). 0 when there is
// no number (no digit before the exponent).
std::size_t decimal_length(std::string_view s) {
    std::size_t i = 0;
    while (i < s.size() && (s[i] == ' ' || (s[i] >= '\t' && s[i] <= '\r'))) ++i;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
    std::size_t digits = 0;
    for (; i < s.size() && is_digit(s[i]); ++i) ++digits;
    if (i < s.size() && s[i] == '.')
        for (++i; i < s.size() && is_digit(s[i]); ++i) ++digits;
    if (digits == 0) return 0;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        std::size_t j = i + 1;
        if (j < s.size() && (s[j] == '+' || s[j] == '-')) ++j;
        if (j < s.size() && is_digit(s[j])) {
            while (j < s.size() && is_digit(s[j])) ++j;
            i = j;
        }
    }
    return i;
}

// Whether `format` holds exactly one conversion for a double (flags, decimal width and precision, one of
// e E f F g G a A), other '%' only as "%%".
bool is_double_format(const char *format) {
    int conversions = 0;
    for (const char *p = format; *p; ++p) {
        if (*p != '%') continue;
        if (*++p == '%') continue;
        while (*p && std::strchr("-+ #0", *p)) ++p;
        while (is_digit(*p)) ++p;
        if (*p == '.')
            for (++p; is_digit(*p);) ++p;
        if (!*p || !std::strchr("eEfFgGaA", *p)) return false;
        ++conversions;
    }
    return conversions == 1;
}

// Writes `value` into the field with the caller's format (or "%g") in the C locale.
void write_double(OxwWindow dialog, int32_t id, double value, const char *format) {
    char text[512];
    if (!format || !is_double_format(format)) format = "%g";
    const locale_t c = c_locale();
    const locale_t before = c ? uselocale(c) : static_cast<locale_t>(nullptr);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
    std::snprintf(text, sizeof text, format, value);
#pragma GCC diagnostic pop
    if (before) uselocale(before);
    set_item_text(dialog, id, text);
}

}  // namespace
}  // namespace ox::win

using namespace ox::win;

extern "C" {

OX_API int32_t oxwIntValueCheck(OxwWindow dialog, int32_t id, int32_t *value, int32_t maximum, int32_t minimum,
                                int32_t defaultValue, int32_t isSigned) {
    return ox::core::no_throw(0, [&] {
        std::string text;
        uint32_t read = 0;
        int32_t fix;
        const bool number = item_text(dialog, id, &text) && read_int(text, isSigned != 0, &read);
        if (!number)
            fix = defaultValue;
        else if (static_cast<int32_t>(read) > maximum)
            fix = maximum;
        else if (static_cast<int32_t>(read) < minimum)
            fix = minimum;
        else {
            if (value) *value = static_cast<int32_t>(read);
            return 1;
        }
        const std::string written = isSigned ? std::to_string(fix) : std::to_string(static_cast<uint32_t>(fix));
        set_item_text(dialog, id, written.c_str());
        ox::platform::beep(kBeepExclamation);
        return 0;
    });
}

OX_API int32_t oxwDoubleValueCheck(OxwWindow dialog, int32_t id, double *value, double maximum, double minimum,
                                   double defaultValue, const char *format) {
    return ox::core::no_throw(0, [&] {
        std::string text;
        item_text(dialog, id, &text);
        if (text.size() > kDoubleTextMax) text.resize(kDoubleTextMax);
        const std::size_t length = decimal_length(text);
        double v = 0, fix;
        if (length > 0) {
            const std::string number = text.substr(0, length);  // strtod reads no further than the checked part
            const locale_t c = c_locale();
            v = c ? strtod_l(number.c_str(), nullptr, c) : std::strtod(number.c_str(), nullptr);
        }
        if (text.empty() || std::isinf(v) || length != text.size())
            fix = defaultValue;  // empty, overflowed, or something left after the number (or no number)
        else if (v > maximum)
            fix = maximum;
        else if (v < minimum)
            fix = minimum;
        else {
            if (value) *value = v;
            return 1;
        }
        write_double(dialog, id, fix, format);
        ox::platform::beep(kBeepExclamation);
        return 0;
    });
}

}  // extern "C"
