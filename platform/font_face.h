// Inside the platform's text: the face matched for one font record, at its pixel size, with its rendered
// glyphs. Only platform/*.cpp and the benchmarks include this.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/font.h"

namespace ox::platform::detail {

// A monochrome glyph: `rows` rows of `width` bytes (1 = ink), placed with its top-left corner at (pen x +
// left, baseline - top); the pen then moves by `advance`.
struct Glyph {
    int32_t left = 0, top = 0, width = 0, rows = 0, advance = 0;
    std::vector<uint8_t> ink;
};

// The face of one record. Metrics are whole pixels; lines are given by the row of their top edge relative
// to the baseline (positive below) and their thickness.
class FontFace {
public:
    ~FontFace();
    FontFace(const FontFace &) = delete;
    FontFace &operator=(const FontFace &) = delete;

    // The face for `record`, matched on first use and kept; never null (a face without any installed font
    // draws nothing and has metrics from the record's height alone).
    static std::shared_ptr<FontFace> of(const LogFont &record);

    // The cached glyph of a code point, rendered on first use. Valid until trim_cache; callers hold lock()
    // meanwhile.
    const Glyph &glyph(char32_t code);
    // Empties a cache grown past its bound; called before a text's glyphs are gathered.
    void trim_cache();
    // Renders a glyph without the cache (benchmarks compare it with FreeType's bare speed).
    bool render(char32_t code, Glyph &out);
    std::unique_lock<std::mutex> lock() { return std::unique_lock(mutex_); }

    const FaceInfo &info() const { return info_; }
    int32_t ascent = 0, descent = 0, em = 0, ave_char_width = 0, max_char_width = 0;
    int32_t underline_top = 1, underline_thickness = 1, strike_top = -1, strike_thickness = 1;

private:
    struct Ft;
    FontFace() = default;
    void open(const LogFont &record);

    std::mutex mutex_;
    FaceInfo info_;
    std::unique_ptr<Ft> ft_;
    std::unordered_map<char32_t, Glyph> glyphs_;
};

}  // namespace ox::platform::detail
