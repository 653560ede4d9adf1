// Fonts of the three language editions, with their point-size ladders, and the colour chart fonts.
#include <algorithm>
#include <climits>
#include <cstring>

#include "platform/resources.h"
#include "win/ddb.h"
#include "win/text.h"

namespace ox::win {
namespace {

using platform::LogFont;

// One rung of a ladder: sizes below `below` become `to` (kKeep: the size itself; kEven: odd sizes lowered
// by one). Sizes past the last rung become the ladder's `top`.
constexpr int32_t kKeep = -1, kEven = -2;
struct Rung {
    int32_t below, to;
};
struct Ladder {
    Rung rungs[7];
    int32_t top;
};
constexpr Ladder kAsianLadder = {{{8, 8}, {13, kKeep}, {28, kEven}, {36, 28}, {48, 36}, {72, 48}, {INT32_MAX, 72}},
                                 72};
constexpr Ladder kEnglishLadder = {{{10, 8}, {11, kKeep}, {12, 10}, {13, kKeep}, {14, 12}, {18, 14}, {24, 18}}, 24};

// What an edition's text font takes from the table: the face's string id in the library's string table,
// the ladder and the record's fixed fields.
struct TextFontRecipe {
    uint32_t face_string;
    const Ladder *ladder;
    uint8_t char_set, out_precision, pitch_and_family;
};
constexpr TextFontRecipe kTextFonts[] = {
    {1, &kAsianLadder, platform::kShiftJisCharset, 3, 0x32},
    {2, &kEnglishLadder, platform::kAnsiCharset, 1, 0x21},
    {3, &kAsianLadder, platform::kGb2312Charset, 3, 0x02},
};

// The colour chart fonts: a constant face name, or string 3 of the library's table when `face` is null.
struct ChartFontRecipe {
    const char *face;
    int32_t points, weight;
    uint8_t char_set, out_precision, pitch_and_family;
};
constexpr ChartFontRecipe kChartJapanese = {"\x82\x6C\x82\x72\x20\x83\x53\x83\x56\x83\x62\x83\x4E", 8, 400,
                                            platform::kShiftJisCharset, 3, 0x31};
constexpr ChartFontRecipe kChartEnglish = {"MS Serif", 7, 300, platform::kAnsiCharset, 1, 0x12};
constexpr ChartFontRecipe kChartTerminal = {"Terminal", 6, 400, platform::kOemCharset, 1, 0x31};
constexpr ChartFontRecipe kChartChinese = {nullptr, 8, 300, platform::kGb2312Charset, 3, 0x02};

// a * b / c rounded to the nearest, halves away from zero; -1 for c = 0 or a result beyond 32 bits.
int32_t mul_div(int32_t a, int32_t b, int32_t c) {
    if (c == 0) return -1;
    const int64_t p = int64_t{a} * b;
    int64_t q = p / c;
    const int64_t r = p % c;
    if (2 * (r < 0 ? -r : r) >= (c < 0 ? -int64_t{c} : int64_t{c})) q += (p < 0) == (c < 0) ? 1 : -1;
    return q < INT32_MIN || q > INT32_MAX ? -1 : static_cast<int32_t>(q);
}

void copy_face(LogFont &r, const char *face) {
    // At most 31 bytes and a terminator (the record's field is 32 bytes).
    const std::size_t n = std::min(std::strlen(face), sizeof r.face_name - 1);
    std::memcpy(r.face_name, face, n);
    r.face_name[n] = '\0';
}

// The library's string `id` as a face name, read into a buffer of `size` bytes.
void load_face(LogFont &r, uint32_t id, int32_t size) {
    char buffer[260] = {};
    platform::load_string(platform::library_module(), id, buffer, size);
    copy_face(r, buffer);
}

LogFont base_record(int32_t dpi_y, int32_t points, int32_t weight, uint8_t char_set, uint8_t out_precision,
                    uint8_t pitch_and_family) {
    LogFont r;
    r.height = -mul_div(points, dpi_y, 72);
    r.weight = weight;
    r.char_set = char_set;
    r.out_precision = out_precision;
    r.clip_precision = 2;
    r.quality = 1;
    r.pitch_and_family = pitch_and_family;
    return r;
}

// The font of a record, sized for the context (0: the window's); 0 when there is no such context.
template <class MakeRecord>
OxwFont make_font(OxwWindow window, OxwDC dc, MakeRecord make_record) {
    TargetDC target(window, dc);
    if (!platform::is_dc(target.get())) return 0;
    return platform::create_font(make_record(platform::get_device_caps(target.get(), 90)));
}

OxwFont make_chart_font(const ChartFontRecipe &recipe, OxwWindow window, OxwDC dc) {
    return make_font(window, dc, [&](int32_t dpi) {
        LogFont r = base_record(dpi, recipe.points, recipe.weight, recipe.char_set, recipe.out_precision,
                                recipe.pitch_and_family);
        if (recipe.face)
            copy_face(r, recipe.face);
        else
            load_face(r, 3, 255);
        return r;
    });
}

}  // namespace

int32_t snap_points(Edition edition, int32_t points) {
    const Ladder &ladder = *kTextFonts[static_cast<int>(edition)].ladder;
    for (const Rung &rung : ladder.rungs) {
        if (points >= rung.below) continue;
        return rung.to == kKeep ? points : rung.to == kEven ? points - (points & 1) : rung.to;
    }
    return ladder.top;
}

LogFont text_font_record(Edition edition, int32_t dpi_y, int32_t points, int32_t style) {
    const TextFontRecipe &recipe = kTextFonts[static_cast<int>(edition)];
    LogFont r = base_record(dpi_y, snap_points(edition, points), (style & 1) ? 700 : 400, recipe.char_set,
                            recipe.out_precision, recipe.pitch_and_family);
    r.italic = (style >> 8) & 1;
    r.underline = (style >> 16) & 1;
    r.strike_out = (style >> 24) & 1;
    load_face(r, recipe.face_string, 260);
    return r;
}

OxwFont make_text_font(Edition edition, OxwWindow window, OxwDC dc, int32_t points, int32_t style) {
    return make_font(window, dc, [&](int32_t dpi) { return text_font_record(edition, dpi, points, style); });
}

}  // namespace ox::win

using ox::win::Edition;

extern "C" {

OX_API OxwFont oxwCreateFont_J(OxwWindow window, OxwDC dc, int32_t points, int32_t style) {
    return ox::win::make_text_font(Edition::japanese, window, dc, points, style);
}
OX_API OxwFont oxwCreateFont_E(OxwWindow window, OxwDC dc, int32_t points, int32_t style) {
    return ox::win::make_text_font(Edition::english, window, dc, points, style);
}
OX_API OxwFont oxwCreateFont_C(OxwWindow window, OxwDC dc, int32_t points, int32_t style) {
    return ox::win::make_text_font(Edition::chinese, window, dc, points, style);
}

OX_API OxwFont oxwCreateFont_ColorChart_J(OxwWindow window, OxwDC dc) {
    return ox::win::make_chart_font(ox::win::kChartJapanese, window, dc);
}
OX_API OxwFont oxwCreateFont_ColorChart_E(OxwWindow window, OxwDC dc, int32_t terminal) {
    return ox::win::make_chart_font(terminal ? ox::win::kChartTerminal : ox::win::kChartEnglish, window, dc);
}
OX_API OxwFont oxwCreateFont_ColorChart_C(OxwWindow window, OxwDC dc) {
    return ox::win::make_chart_font(ox::win::kChartChinese, window, dc);
}

}  // extern "C"
