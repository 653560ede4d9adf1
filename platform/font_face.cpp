// Faces for font records: the fontconfig query made from a record, the FreeType face at the record's
// pixel size, and the glyph cache.
#include "platform/font_face.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_SYNTHESIS_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <map>

namespace ox::platform::detail {
namespace {

// What a record asks of fontconfig, as one table. Each row looks at one field of the record (under a
// mask) and, when it holds the value, adds a piece of fontconfig pattern text for its slot; the first
// matching row of each slot wins. The documented faces reach fontconfig through these fields alone: their
// names are those of another system's fonts and match nothing installed here.
enum class Slot { lang, family, spacing };
enum class Field { char_set, pitch_and_family };
struct QueryRule {
    Slot slot;
    Field field;
    uint8_t mask, value;
    const char *pattern;
};
constexpr QueryRule kQueryRules[] = {
    {Slot::lang, Field::char_set, 0xFF, kShiftJisCharset, ":lang=ja"},
    {Slot::lang, Field::char_set, 0xFF, kGb2312Charset, ":lang=zh-cn"},
    {Slot::lang, Field::char_set, 0xFF, kHangulCharset, ":lang=ko"},
    {Slot::lang, Field::char_set, 0xFF, kBig5Charset, ":lang=zh-tw"},
    {Slot::family, Field::pitch_and_family, 0x03, 0x01, "monospace"},  // fixed pitch, any family
    {Slot::family, Field::pitch_and_family, 0xF0, 0x10, "serif"},      // roman
    {Slot::family, Field::pitch_and_family, 0xF0, 0x40, "cursive"},    // script
    {Slot::family, Field::pitch_and_family, 0xF0, 0x50, "fantasy"},    // decorative
    {Slot::family, Field::pitch_and_family, 0x00, 0x00, "sans-serif"}, // swiss, modern, any other
    {Slot::spacing, Field::pitch_and_family, 0x03, 0x01, ":spacing=mono"},
    {Slot::spacing, Field::pitch_and_family, 0x03, 0x02, ":spacing=proportional"},
};

int32_t em_of(const LogFont &r) {
    // Bounded so that a hostile record cannot ask for glyphs of millions of pixels.
    constexpr int32_t kMaxEm = 2048;
    const int64_t h = r.height;
    return static_cast<int32_t>(std::clamp<int64_t>(h < 0 ? -h : h == 0 ? 16 : h, 1, kMaxEm));
}

// The fontconfig pattern text of a record, and the language it needs covered ("" for none).
std::string query_of(const LogFont &r, std::string &lang) {
    std::string text, pieces[3];
    bool filled[3] = {};
    for (const QueryRule &q : kQueryRules) {
        const auto s = static_cast<std::size_t>(q.slot);
        const uint8_t v = q.field == Field::char_set ? r.char_set : r.pitch_and_family;
        if (filled[s] || (v & q.mask) != q.value) continue;
        filled[s] = true;
        pieces[s] = q.pattern;
    }
    if (pieces[0].size() > 6) lang = pieces[0].substr(6);  // after ":lang="
    const int weight = FcWeightFromOpenType(std::clamp(r.weight == 0 ? 400 : r.weight, 1, 1000));
    text = pieces[1] + pieces[0] + pieces[2] + ":weight=" + std::to_string(weight) +
           ":slant=" + std::to_string(r.italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN) +
           ":pixelsize=" + std::to_string(em_of(r));
    return text;
}

struct Match {
    FaceInfo info;
    int index = 0;
    bool embolden = false, oblique = false;
};

// The library's own fontconfig configuration, loaded on first use and destroyed at exit. Owning it, rather
// than initialising fontconfig's current one, leaves the host's configuration alone and frees what
// fontconfig built for us before the process ends; after that, matching finds no face.
std::mutex g_config_mutex;
FcConfig *g_config = nullptr;
bool g_config_destroyed = false;

void destroy_config() {
    std::lock_guard g(g_config_mutex);
    if (g_config) FcConfigDestroy(g_config);
    g_config = nullptr;
    g_config_destroyed = true;
}

// The best face fontconfig offers for the record: the first in its sorted list that covers the record's
// language, or simply its first when none does.
bool match(const LogFont &r, Match &m) {
    std::lock_guard g(g_config_mutex);
    if (!g_config && !g_config_destroyed && (g_config = FcInitLoadConfigAndFonts()) != nullptr)
        std::atexit(destroy_config);
    FcConfig *const config = g_config;
    if (!config) return false;
    std::string lang;
    FcPattern *pat = FcNameParse(reinterpret_cast<const FcChar8 *>(query_of(r, lang).c_str()));
    if (!pat) return false;
    FcConfigSubstitute(config, pat, FcMatchPattern);
    FcDefaultSubstitute(pat);
    FcResult result;
    FcFontSet *set = FcFontSort(config, pat, FcTrue, nullptr, &result);
    FcPattern *chosen = nullptr;
    for (int i = 0; set && i < set->nfont && !chosen; ++i) {
        FcLangSet *ls = nullptr;
        if (lang.empty() || (FcPatternGetLangSet(set->fonts[i], FC_LANG, 0, &ls) == FcResultMatch &&
                             FcLangSetHasLang(ls, reinterpret_cast<const FcChar8 *>(lang.c_str())) == FcLangEqual))
            chosen = set->fonts[i];
    }
    if (!chosen && set && set->nfont > 0) chosen = set->fonts[0];
    FcPattern *font = chosen ? FcFontRenderPrepare(config, pat, chosen) : nullptr;
    if (font) {
        FcChar8 *s = nullptr;
        if (FcPatternGetString(font, FC_FILE, 0, &s) == FcResultMatch) m.info.file = reinterpret_cast<char *>(s);
        if (FcPatternGetString(font, FC_FAMILY, 0, &s) == FcResultMatch) m.info.family = reinterpret_cast<char *>(s);
        FcPatternGetInteger(font, FC_INDEX, 0, &m.index);
        FcBool bold = FcFalse;
        FcPatternGetBool(font, FC_EMBOLDEN, 0, &bold);
        int slant = FC_SLANT_ROMAN;
        FcPatternGetInteger(chosen, FC_SLANT, 0, &slant);
        int weight = FC_WEIGHT_REGULAR;
        FcPatternGetInteger(chosen, FC_WEIGHT, 0, &weight);
        // Styles the face lacks are made by FreeType: bold when asked for and the face is below semibold.
        m.embolden = bold || (r.weight >= 600 && weight < FC_WEIGHT_DEMIBOLD);
        m.oblique = r.italic && slant == FC_SLANT_ROMAN;
        FcPatternDestroy(font);
    }
    if (set) FcFontSetDestroy(set);
    FcPatternDestroy(pat);
    return !m.info.file.empty();
}

// The one FreeType library, and the lock for what it shares between faces (opening and closing them).
std::mutex &library_mutex() {
    static std::mutex m;
    return m;
}
FT_Library library() {
    static FT_Library lib = [] {
        FT_Library l = nullptr;
        return FT_Init_FreeType(&l) == 0 ? l : nullptr;
    }();
    return lib;
}

int32_t round26(FT_Pos v) { return static_cast<int32_t>((v + 32) >> 6); }

}  // namespace

struct FontFace::Ft {
    FT_Face face = nullptr;
    bool embolden = false, oblique = false;
};

FontFace::~FontFace() {
    if (ft_ && ft_->face) {
        std::lock_guard g(library_mutex());
        FT_Done_Face(ft_->face);
    }
}

std::shared_ptr<FontFace> FontFace::of(const LogFont &record) {
    using Key = std::array<uint8_t, sizeof(LogFont)>;
    static std::mutex mutex;
    static auto *cache = new std::map<Key, std::shared_ptr<FontFace>>;  // kept through static teardown
    Key key;
    std::memcpy(key.data(), &record, sizeof record);
    std::lock_guard g(mutex);
    if (auto it = cache->find(key); it != cache->end()) return it->second;
    // Faces still in use stay alive through their holders when the cache starts over.
    if (cache->size() >= 256) cache->clear();
    std::shared_ptr<FontFace> face(new FontFace);
    face->open(record);
    cache->emplace(key, face);
    return face;
}

void FontFace::open(const LogFont &r) {
    em = em_of(r);
    ascent = (em * 4 + 4) / 5;
    descent = em - ascent;
    Match m;
    if (!match(r, m)) return;
    info_ = m.info;
    auto ft = std::make_unique<Ft>();
    ft->embolden = m.embolden;
    ft->oblique = m.oblique;
    {
        std::lock_guard g(library_mutex());
        if (!library() || FT_New_Face(library(), m.info.file.c_str(), m.index, &ft->face) != 0) return;
    }
    FT_Face f = ft->face;
    FT_Error e;
    if (r.height > 0) {
        FT_Size_RequestRec req{FT_SIZE_REQUEST_TYPE_REAL_DIM, 0, FT_Long{em} * 64, 0, 0};
        e = FT_Request_Size(f, &req);
    } else {
        e = FT_Set_Pixel_Sizes(f, 0, static_cast<FT_UInt>(em));
    }
    if (e != 0 && f->num_fixed_sizes > 0) e = FT_Select_Size(f, 0);
    if (e != 0) {
        std::lock_guard g(library_mutex());
        FT_Done_Face(f);
        return;
    }
    const FT_Size_Metrics &sm = f->size->metrics;
    em = sm.y_ppem;
    ascent = static_cast<int32_t>((sm.ascender + 63) >> 6);
    descent = static_cast<int32_t>((-sm.descender + 63) >> 6);
    max_char_width = round26(FT_MulFix(f->max_advance_width, sm.x_scale));
    const auto *os2 = static_cast<const TT_OS2 *>(FT_Get_Sfnt_Table(f, FT_SFNT_OS2));
    ave_char_width = os2 && os2->xAvgCharWidth > 0 ? round26(FT_MulFix(os2->xAvgCharWidth, sm.x_scale)) : em / 2;
    if (FT_IS_SCALABLE(f)) {
        // FreeType gives the underline's centre; the line is placed by its top row.
        underline_thickness = std::max(1, round26(FT_MulFix(f->underline_thickness, sm.y_scale)));
        underline_top = std::max(0, round26(-FT_MulFix(f->underline_position, sm.y_scale)) - underline_thickness / 2);
        if (os2 && os2->yStrikeoutSize > 0) {
            strike_thickness = std::max(1, round26(FT_MulFix(os2->yStrikeoutSize, sm.y_scale)));
            strike_top = -round26(FT_MulFix(os2->yStrikeoutPosition, sm.y_scale));
        } else {
            strike_top = -std::max(1, em / 3);
        }
    } else {
        strike_top = -std::max(1, em / 3);
    }
    underline_top = std::min(underline_top, std::max(0, descent - underline_thickness));
    ft_ = std::move(ft);
}

bool FontFace::render(char32_t code, Glyph &out) {
    out = Glyph{};
    if (!ft_) return false;
    FT_Face f = ft_->face;
    const FT_UInt index = FT_Get_Char_Index(f, code);
    if (FT_Load_Glyph(f, index, FT_LOAD_TARGET_MONO) != 0 && FT_Load_Glyph(f, 0, FT_LOAD_TARGET_MONO) != 0)
        return false;
    FT_GlyphSlot slot = f->glyph;
    if (ft_->embolden) FT_GlyphSlot_Embolden(slot);
    if (ft_->oblique) FT_GlyphSlot_Oblique(slot);
    if (slot->format != FT_GLYPH_FORMAT_BITMAP && FT_Render_Glyph(slot, FT_RENDER_MODE_MONO) != 0) return false;
    const FT_Bitmap &b = slot->bitmap;
    out.left = slot->bitmap_left;
    out.top = slot->bitmap_top;
    out.advance = round26(slot->advance.x);
    if (b.pixel_mode != FT_PIXEL_MODE_MONO && b.pixel_mode != FT_PIXEL_MODE_GRAY) return true;
    out.width = static_cast<int32_t>(b.width);
    out.rows = static_cast<int32_t>(b.rows);
    out.ink.resize(static_cast<std::size_t>(out.width) * out.rows);
    for (int32_t y = 0; y < out.rows; ++y) {
        const unsigned char *row = b.buffer + static_cast<std::ptrdiff_t>(y) * b.pitch;
        uint8_t *dst = out.ink.data() + static_cast<std::size_t>(y) * out.width;
        for (int32_t x = 0; x < out.width; ++x)
            dst[x] = b.pixel_mode == FT_PIXEL_MODE_MONO ? (row[x >> 3] >> (7 - (x & 7))) & 1 : row[x] >= 128;
    }
    return true;
}

const Glyph &FontFace::glyph(char32_t code) {
    if (auto it = glyphs_.find(code); it != glyphs_.end()) return it->second;
    Glyph g;
    render(code, g);
    return glyphs_.emplace(code, std::move(g)).first->second;
}

void FontFace::trim_cache() {
    if (glyphs_.size() >= 8192) glyphs_.clear();
}

}  // namespace ox::platform::detail
