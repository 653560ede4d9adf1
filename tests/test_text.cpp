// Fonts and text: the editions' records, text into image records (against the whole-picture reference),
// decoding in every code page, and text state on contexts. The CJK checks need a Japanese and a Simplified
// Chinese face installed (scripts/install-deps.sh: fonts-ipafont-gothic, fonts-wqy-microhei).
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "oxw.h"
#include "platform/font.h"
#include "platform/gdi.h"
#include "platform/resources.h"
#include "platform/window.h"
#include "support.h"
#include "win/text.h"

namespace {

using ox::platform::LogFont;

using oxtest::CodePage;

LogFont record_of(OxwFont font) {
    LogFont r;
    EXPECT_TRUE(ox::platform::get_font_record(font, &r));
    ox::platform::delete_object(font);
    return r;
}

TEST(Fonts, RecordsOfEveryVariantLadderAndStyle) {
    using Make = OxwFont (*)(OxwWindow, OxwDC, int32_t, int32_t);
    const struct {
        Make make;
        int32_t points, style, height, weight;
        uint8_t italic, underline, strike, char_set, out_precision, pitch;
        uint32_t face;
    } cases[] = {
        // Ladder boundaries; the height is -(points x 96 / 72) rounded half away from zero.
        {oxwCreateFont_J, 7, 0, -11, 400, 0, 0, 0, 128, 3, 0x32, 1},   {oxwCreateFont_J, 12, 0, -16, 400, 0, 0, 0, 128, 3, 0x32, 1},
        {oxwCreateFont_J, 13, 0, -16, 400, 0, 0, 0, 128, 3, 0x32, 1},  {oxwCreateFont_J, 14, 0, -19, 400, 0, 0, 0, 128, 3, 0x32, 1},
        {oxwCreateFont_J, 27, 0, -35, 400, 0, 0, 0, 128, 3, 0x32, 1},  {oxwCreateFont_J, 30, 0, -37, 400, 0, 0, 0, 128, 3, 0x32, 1},
        {oxwCreateFont_J, 47, 0, -48, 400, 0, 0, 0, 128, 3, 0x32, 1},  {oxwCreateFont_J, 71, 0, -64, 400, 0, 0, 0, 128, 3, 0x32, 1},
        {oxwCreateFont_J, 100, 0, -96, 400, 0, 0, 0, 128, 3, 0x32, 1}, {oxwCreateFont_C, 13, 0, -16, 400, 0, 0, 0, 134, 3, 0x02, 3},
        {oxwCreateFont_E, 9, 0, -11, 400, 0, 0, 0, 0, 1, 0x21, 2},     {oxwCreateFont_E, 10, 0, -13, 400, 0, 0, 0, 0, 1, 0x21, 2},
        {oxwCreateFont_E, 11, 0, -13, 400, 0, 0, 0, 0, 1, 0x21, 2},    {oxwCreateFont_E, 13, 0, -16, 400, 0, 0, 0, 0, 1, 0x21, 2},
        {oxwCreateFont_E, 16, 0, -19, 400, 0, 0, 0, 0, 1, 0x21, 2},    {oxwCreateFont_E, 23, 0, -24, 400, 0, 0, 0, 0, 1, 0x21, 2},
        {oxwCreateFont_E, 40, 0, -32, 400, 0, 0, 0, 0, 1, 0x21, 2},
        // Style bits 0, 8, 16, 24; others ignored.
        {oxwCreateFont_E, 12, 0x1000101, -16, 700, 1, 0, 1, 0, 1, 0x21, 2},
        {oxwCreateFont_E, 12, 0x10000, -16, 400, 0, 1, 0, 0, 1, 0x21, 2},
        {oxwCreateFont_E, 12, 0x20202, -16, 400, 0, 0, 0, 0, 1, 0x21, 2},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << c.points << " points, style " << c.style);
        const LogFont r = record_of(c.make(0, 0, c.points, c.style));
        EXPECT_EQ(r.height, c.height);
        EXPECT_EQ(r.weight, c.weight);
        EXPECT_EQ(std::vector<int>({r.italic, r.underline, r.strike_out, r.char_set, r.out_precision, r.clip_precision,
                                    r.quality, r.pitch_and_family}),
                  std::vector<int>({c.italic, c.underline, c.strike, c.char_set, c.out_precision, 2, 1, c.pitch}));
        std::string_view face;
        ox::platform::find_string(0, c.face, &face);
        EXPECT_EQ(r.face_name, face);
    }
    const struct {
        LogFont r;
        int32_t height, weight;
        uint8_t char_set, pitch;
        const char *face;
    } charts[] = {
        {record_of(oxwCreateFont_ColorChart_J(0, 0)), -11, 400, 128, 0x31, "\x82\x6C\x82\x72\x20\x83\x53\x83\x56\x83\x62\x83\x4E"},
        {record_of(oxwCreateFont_ColorChart_E(0, 0, 0)), -9, 300, 0, 0x12, "MS Serif"},
        {record_of(oxwCreateFont_ColorChart_E(0, 0, 1)), -8, 400, 255, 0x31, "Terminal"},
        {record_of(oxwCreateFont_ColorChart_C(0, 0)), -11, 300, 134, 0x02, "\xCB\xCE\xCC\xE5"},
    };
    for (const auto &c : charts) {
        EXPECT_EQ(std::vector<int>({c.r.height, c.r.weight, c.r.char_set, c.r.pitch_and_family, c.r.italic}),
                  std::vector<int>({c.height, c.weight, c.char_set, c.pitch, 0}));
        EXPECT_STREQ(c.r.face_name, c.face);
    }
    // No context to be had: no font.
    const OxwWindow gone = oxwHostCreateWindow(0, 0, 0, 4, 4, 0);
    oxwHostDestroyWindow(gone);
    EXPECT_EQ(oxwCreateFont_J(gone, 0, 12, 0), 0u);
}

TEST(Fonts, LocaterBox) {
    OxRect r;
    const OxRect picture{0, 0, 101, 50};
    oxwGetLocaterBoxRect(&r, &picture, OxPoint{10, 20}, 4);
    EXPECT_EQ(std::vector<int>({r.left, r.top, r.right, r.bottom}), std::vector<int>({209, 119, 215, 125}));
    int32_t w = 10, h = 8;
    oxwGetLocaterOffSize(&w, &h, &r, 4);
    EXPECT_EQ(std::vector<int>({w, h, r.left, r.top, r.right, r.bottom}), std::vector<int>({12, 8, 0, 0, 3, 2}));
}

// A 24-bit image of w x h filled with `fill`, and its bytes.
oxtest::Handle blank(int32_t w, int32_t h, uint32_t fill, int32_t depth = 24) {
    uint32_t err;
    oxtest::Handle img(oxImageCreate(w, h, depth, &err));
    oxImageBoxFill(img.get(), 0, 0, w, h, fill);
    return img;
}
std::vector<uint8_t> bytes_of(OxHandle img) {
    OxImageLockRec l;
    oxImageLock(img, &l);
    std::vector<uint8_t> b(l.pixels, l.pixels + l.header->imageSize);
    oxImageUnlock(&l);
    return b;
}
// Pixels of a 24-bit image that differ from `fill`, and of those the ones that are not `color` either.
struct Ink {
    int changed = 0, foreign = 0;
};
Ink ink_of(OxHandle img, uint32_t fill, uint32_t color) {
    OxImageLockRec l;
    oxImageLock(img, &l);
    Ink n;
    for (int32_t y = 0; y <= l.maxY; ++y)
        for (int32_t x = 0; x <= l.maxX; ++x) {
            const uint32_t v = oxImageGetPixel(&l, x, y) & 0xFFFFFF;
            n.changed += v != (fill & 0xFFFFFF);
            n.foreign += v != (fill & 0xFFFFFF) && v != (color & 0xFFFFFF);
        }
    oxImageUnlock(&l);
    return n;
}

TEST(ImageText, LibraryPathMatchesWholePictureReferenceOnRandomCalls) {
    // Latin, Japanese and Chinese texts, each in the code page it is written in, and bytes that do not decode.
    const struct {
        uint32_t page;
        const char *text;
    } texts[] = {{1252, "Cel 12 \xE9t\xE9"}, {932, "\x83\x5A\x83\x8B\x89\xE6"}, {936, "\xC9\xCF\xC9\xAB"},
                 {65001, "ink \xE7\x94\xBB"}, {932, "A\x81"},          {65001, "\xFF\xE3\x81"}};
    using Draw = int32_t (*)(OxwWindow, OxwDC, OxHandle, int32_t, int32_t, const char *, OxwFont, OxColorRef,
                             uint32_t, uint32_t *);
    std::mt19937 rng(14);
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    int inked = 0;
    for (int i = 0; i < 120; ++i) {
        const auto &t = texts[pick(0, 5)];
        CodePage page(t.page);
        const int32_t depth = std::array{1, 8, 24, 32}[pick(0, 3)], w = pick(1, 90), h = pick(1, 60);
        const int32_t x = pick(-30, w + 5), y = pick(-10, h + 30);
        const uint32_t color = static_cast<uint32_t>(rng()), fill = static_cast<uint32_t>(rng());
        const auto edition = static_cast<ox::win::Edition>(pick(0, 2));
        const int32_t style = static_cast<int32_t>(rng() & 0x01010101);
        ox::win::OwnedFont font(ox::win::make_text_font(edition, 0, 0, pick(6, 30), style));
        std::vector<uint8_t> out[2];
        const Draw paths[2] = {ox::win::image_draw_string, ox::win::plain::image_draw_string};
        for (int p = 0; p < 2; ++p) {
            oxtest::Handle img = blank(w, h, fill, depth);
            uint32_t err = 99;
            ASSERT_EQ(paths[p](0, 0, img.get(), x, y, t.text, font.get(), color, 6, &err), 1);
            EXPECT_EQ(err, 0u);
            out[p] = bytes_of(img.get());
            if (p == 1 && depth == 24) {  // every pixel keeps its value or takes the full colour
                const Ink n = ink_of(img.get(), fill, color);
                EXPECT_EQ(n.foreign, 0);
                inked += n.changed > 0;
            }
        }
        ASSERT_EQ(out[0], out[1]) << "call " << i << ": " << w << "x" << h << " depth " << depth << " at " << x
                                  << "," << y;
    }
    EXPECT_GT(inked, 5);
}

}  // namespace

namespace {

// The ink (changed pixels, as a 0/1 map) of a text drawn in an edition's font into a white 24-bit image.
std::vector<uint8_t> ink_map(ox::win::Edition e, const char *text, int32_t style = 0, int32_t y = 30) {
    oxtest::Handle img = blank(120, 40, 0xFFFFFF);
    ox::win::OwnedFont font(ox::win::make_text_font(e, 0, 0, 16, style));
    uint32_t err;
    EXPECT_EQ(ox::win::image_draw_string(0, 0, img.get(), 4, y, text, font.get(), 0x102030, 6, &err), 1);
    std::vector<uint8_t> map = bytes_of(img.get());
    for (auto &b : map) b = b != 0xFF;
    return map;
}
int ink_count(const std::vector<uint8_t> &m) { return static_cast<int>(std::count(m.begin(), m.end(), 1)); }

TEST(ImageText, CodePagesDecodeToTheSameGlyphsAndCjkFacesCoverTheirText) {
    using E = ox::win::Edition;
    // The same text in its double-byte page and in UTF-8 draws the same pixels, and not the missing-glyph
    // boxes that unassigned characters (private use U+E000) give.
    const struct {
        E edition;
        uint32_t page;
        const char *native, *utf8;
    } cases[] = {{E::japanese, 932, "\x83\x5A\x83\x8B\x89\xE6", "\xE3\x82\xBB\xE3\x83\xAB\xE7\x94\xBB"},
                 {E::chinese, 936, "\xC9\xCF\xC9\xAB", "\xE4\xB8\x8A\xE8\x89\xB2"}};
    for (const auto &c : cases) {
        std::vector<uint8_t> native, utf8, boxes;
        {
            CodePage page(c.page);
            native = ink_map(c.edition, c.native);
        }
        {
            CodePage page(65001);
            utf8 = ink_map(c.edition, c.utf8);
            std::string unassigned;
            for (size_t k = 0; k < std::strlen(c.utf8) / 3; ++k) unassigned += "\xEE\x80\x80";
            boxes = ink_map(c.edition, unassigned.c_str());
        }
        EXPECT_GT(ink_count(native), 20);
        EXPECT_EQ(native, utf8) << "page " << c.page;
        EXPECT_NE(utf8, boxes) << "page " << c.page << ": the face lacks the characters";
    }
    // A sequence that does not decode draws one replacement character.
    CodePage page(932);
    const auto cut_lead = ink_map(E::english, "A\x81"), lone = ink_map(E::english, "A\xA0\xFD");
    oxSetCodePage(936);
    const auto bad_pair = ink_map(E::english, "A\x81\x7F");
    oxSetCodePage(65001);
    EXPECT_EQ(bad_pair, ink_map(E::english, "A\xEF\xBF\xBD"));
    EXPECT_EQ(cut_lead, ink_map(E::english, "A\xEF\xBF\xBD"));
    EXPECT_EQ(lone, ink_map(E::english, "A\xEF\xBF\xBD\xEF\xBF\xBD"));
    EXPECT_EQ(ink_map(E::english, "A\xE3\x81" "B"), ink_map(E::english, "A\xEF\xBF\xBD" "B"));
}

TEST(ImageText, StylesStandOnTheBaselineAndBadCallsAreRefused) {
    using E = ox::win::Edition;
    const int32_t base = 30;
    // Rows of ink below / above the baseline for each style.
    auto rows = [&](int32_t style) {
        const auto m = ink_map(E::english, "ace", style, base);
        int below = 0, above = 0;
        for (size_t i = 0; i < m.size(); ++i) (static_cast<int32_t>(i / (120 * 3)) >= base ? below : above) += m[i];
        return std::pair{below, above};
    };
    const auto plain = rows(0);
    EXPECT_EQ(plain.first, 0);  // "ace" has no descender: nothing below the baseline
    EXPECT_GT(rows(0x10000).first, 0);             // underline
    EXPECT_GT(rows(0x1000000).second, plain.second);  // strike-out
    EXPECT_GT(rows(1).second, plain.second);          // bold
    EXPECT_NE(ink_map(E::english, "ace", 0x100), ink_map(E::english, "ace"));  // italic

    oxtest::Handle img = blank(40, 20, 0x336699);
    const auto before = bytes_of(img.get());
    uint32_t err = 77;
    EXPECT_EQ(oxwImageDrawString_E(0, 0, img.get(), 2, 15, "white", 12, 0xFFFFFF, 0, &err), 1);
    EXPECT_EQ(err, 0u);
    EXPECT_EQ(bytes_of(img.get()), before);
    err = 77;
    EXPECT_EQ(oxwImageDrawString_J(0, 0, 0, 2, 15, "", 12, 0, 0, &err), 1);
    EXPECT_EQ(oxwImageDrawString_C(0, 0, 0, 2, 15, nullptr, 12, 0, 0, &err), 1);
    EXPECT_EQ(err, 77u);
    EXPECT_EQ(oxwImageDrawString_E(0, 0, 0, 2, 15, "x", 12, 0, 0, &err), 0);
    const OxwFont deleted = oxwCreateFont_E(0, 0, 12, 0);
    oxwHostDeleteObject(deleted);
    EXPECT_EQ(oxwImageDrawStringByFont(0, 0, img.get(), 2, 15, "x", deleted, 0, &err), 0);
    EXPECT_EQ(err, 6u);
    const OxwWindow gone = oxwHostCreateWindow(0, 0, 0, 4, 4, 0);
    oxwHostDestroyWindow(gone);
    EXPECT_EQ(oxwImageDrawString_E(gone, 0, img.get(), 2, 15, "x", 12, 0, 0, &err), 0);
    EXPECT_EQ(err, 8u);
    EXPECT_EQ(bytes_of(img.get()), before);
}

TEST(ContextText, AlignmentBackgroundAndRestoredState) {
    namespace p = ox::platform;
    const std::size_t objects = p::live_object_count(), dcs = p::live_dc_count();
    const OxwBitmap bmp = p::create_bitmap(100, 60, 32);
    const OxwDC dc = p::create_compatible_dc(0);
    const auto old_bitmap = p::select_object(dc, bmp);
    const OxwFont font = oxwCreateFont_E(0, dc, 12, 0);
    const auto old_font = p::select_object(dc, font);
    p::set_bk_color(dc, 0x00FF00);
    p::TextMetrics tm;
    p::get_text_metrics(dc, &tm);
    int32_t cx, cy;
    p::get_text_extent(dc, "Hg", 2, &cx, &cy);
    EXPECT_EQ(cy, tm.height);
    // Opaque background: the cell (extent x height) is filled, placed by the reference point's alignment.
    for (const auto &[align, top] : {std::pair{p::kTaTop, 30}, {p::kTaBottom, 30 - tm.height},
                                     {p::kTaBaseline, 30 - tm.ascent}}) {
        p::rectangle(dc, -1, -1, 101, 61);  // white brush, black pen outside: all white
        p::set_text_align(dc, align);
        p::text_out(dc, 10, 30, "Hg", 2);
        uint32_t c;
        EXPECT_TRUE(p::get_dc_pixel(dc, 10, top, &c) && c == 0x00FF00) << align;
        EXPECT_TRUE(p::get_dc_pixel(dc, 10, top - 1, &c) && c == 0xFFFFFF) << align;
        EXPECT_TRUE(p::get_dc_pixel(dc, 10 + cx, top + tm.height - 1, &c) && c == 0xFFFFFF) << align;
    }
    p::select_object(dc, old_font);
    p::select_object(dc, old_bitmap);
    p::delete_dc(dc);

    // The drawing functions put every state back and delete only what they made.
    const OxwDC target = p::create_compatible_dc(0);
    p::select_object(target, bmp);
    p::set_text_color(target, 0x123456);
    EXPECT_EQ(oxwDrawString_J(0, target, 0, 5, 5, "\x82\xA0", 12, 0x0000FF, 1), 1);
    EXPECT_EQ(oxwDrawStringByFont(0, target, 0, 5, 25, "By font", font, 0x0000FF), 1);
    EXPECT_EQ(oxwDrawString_ColorChart_E(0, target, 0, 5, 40, "chart", 0x0000FF, 1), 1);
    p::TextState st;
    p::get_text_state(target, &st);
    EXPECT_EQ(std::vector<uint32_t>({st.text_color, static_cast<uint32_t>(st.bk_mode)}),
              std::vector<uint32_t>({0x123456, static_cast<uint32_t>(p::kOpaque)}));
    EXPECT_EQ(p::get_current_object(target, p::ObjectKind::font), p::get_stock_object(p::kSystemFont));
    p::delete_dc(target);
    // Onto a bitmap through the window's context, and nothing for a destroyed window.
    const OxwWindow wnd = oxwHostCreateWindow(0, 0, 0, 8, 8, 0);
    const OxwBitmap other = p::create_bitmap(60, 30, 32);
    EXPECT_EQ(oxwDrawString_C(wnd, 0, other, 2, 2, "\xC9\xCF", 12, 0x0000FF, 0), 1);
    oxwHostDestroyWindow(wnd);
    EXPECT_EQ(oxwDrawString_E(wnd, 0, other, 2, 2, "x", 12, 0, 0), 1);
    std::vector<OxColorRef> px(60 * 30);
    oxwHostReadBitmapPixels(other, 0, 0, 60, 30, px.data());
    EXPECT_GT(std::count(px.begin(), px.end(), 0x0000FFu), 10);
    EXPECT_EQ(std::count(px.begin(), px.end(), 0x000000u), 0);
    EXPECT_TRUE(p::delete_object(font) && p::delete_object(bmp) && p::delete_object(other));
    EXPECT_EQ(p::live_object_count(), objects);
    EXPECT_EQ(p::live_dc_count(), dcs);
}

}  // namespace
