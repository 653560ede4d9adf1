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
#include "display_support.h"
#include "image_compare.h"
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

// Every record of the three editions' ladders (sizes 0 to 110) with each style bit, and the chart fonts,
// folded into a pinned checksum.
TEST(Fonts, RecordsOfEveryEditionSizeAndStyle) {
    uint64_t sum = oxtest::kChecksumStart;
    const auto fold = [&](const LogFont &r) {
        const auto *b = reinterpret_cast<const uint8_t *>(&r);
        sum = oxtest::fold(sum, oxtest::Bytes(b, b + sizeof r));
    };
    for (const auto make : {oxwCreateFont_J, oxwCreateFont_E, oxwCreateFont_C}) {
        for (int32_t points = 0; points <= 110; ++points)
            for (const int32_t style : {0, 1, 0x100, 0x10000, 0x1000000, 0x2020202})
                fold(record_of(make(0, 0, points, style)));
    }
    for (const OxwFont chart : {oxwCreateFont_ColorChart_J(0, 0), oxwCreateFont_ColorChart_E(0, 0, 0),
                                oxwCreateFont_ColorChart_E(0, 0, 1), oxwCreateFont_ColorChart_C(0, 0)})
        fold(record_of(chart));
    EXPECT_EQ(sum, 0xdd1c5086b74da93full);
    EXPECT_EQ(oxwCreateFont_J(oxtest::gone_window(), 0, 12, 0), 0u);  // no context to be had: no font
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
using oxtest::pixels;

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
            out[p] = pixels(img.get());
        }
        ASSERT_EQ(out[0], out[1]) << "call " << i << ": " << w << "x" << h << " depth " << depth << " at " << x
                                  << "," << y;
        inked += out[0] != pixels(blank(w, h, fill, depth).get());
    }
    EXPECT_GT(inked, 40);  // about half the calls put ink in the image: not a comparison of blanks
}

// The ink (changed pixels, as a 0/1 map) of a text in code `page` drawn in an edition's font into a white
// 24-bit image.
std::vector<uint8_t> ink_map(ox::win::Edition e, uint32_t page, const char *text, int32_t style = 0, int32_t y = 30) {
    CodePage in_page(page);
    oxtest::Handle img = blank(120, 40, 0xFFFFFF);
    ox::win::OwnedFont font(ox::win::make_text_font(e, 0, 0, 16, style));
    uint32_t err;
    EXPECT_EQ(ox::win::image_draw_string(0, 0, img.get(), 4, y, text, font.get(), 0x102030, 6, &err), 1);
    std::vector<uint8_t> map = pixels(img.get());
    for (auto &b : map) b = b != 0xFF;
    return map;
}
int ink_count(const std::vector<uint8_t> &m) { return static_cast<int>(std::count(m.begin(), m.end(), 1)); }

TEST(ImageText, CodePagesDecodeToTheSameGlyphsAndCjkFacesCoverTheirText) {
    using E = ox::win::Edition;
    // A text in its code page draws what the same text in UTF-8 draws; a sequence that does not decode draws
    // one replacement character.
    const struct {
        E edition;
        uint32_t page;
        const char *text, *utf8;
    } cases[] = {{E::japanese, 932, "\x83\x5A\x83\x8B\x89\xE6", "\xE3\x82\xBB\xE3\x83\xAB\xE7\x94\xBB"},
                 {E::chinese, 936, "\xC9\xCF\xC9\xAB", "\xE4\xB8\x8A\xE8\x89\xB2"},
                 {E::english, 932, "A\x81", "A\xEF\xBF\xBD"},
                 {E::english, 932, "A\xA0\xFD", "A\xEF\xBF\xBD\xEF\xBF\xBD"},
                 {E::english, 936, "A\x81\x7F", "A\xEF\xBF\xBD"},
                 {E::english, 65001, "A\xE3\x81" "B", "A\xEF\xBF\xBD" "B"}};
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << "page " << c.page << ": " << c.utf8);
        const auto native = ink_map(c.edition, c.page, c.text);
        EXPECT_GT(ink_count(native), 20);
        EXPECT_EQ(native, ink_map(c.edition, 65001, c.utf8));
        if (c.edition == E::english) continue;
        // The face has the characters: not the missing-glyph boxes of unassigned ones (private use U+E000).
        std::string unassigned;
        for (size_t k = 0; k < std::strlen(c.utf8) / 3; ++k) unassigned += "\xEE\x80\x80";
        EXPECT_NE(native, ink_map(c.edition, 65001, unassigned.c_str()));
    }
}

TEST(ImageText, StylesStandOnTheBaselineAndBadCallsAreRefused) {
    using E = ox::win::Edition;
    const int32_t base = 30;
    // Rows of ink below / above the baseline for each style.
    auto rows = [&](int32_t style) {
        const auto m = ink_map(E::english, 1252, "ace", style, base);
        int below = 0, above = 0;
        for (size_t i = 0; i < m.size(); ++i) (static_cast<int32_t>(i / (120 * 3)) >= base ? below : above) += m[i];
        return std::pair{below, above};
    };
    const auto plain = rows(0);
    EXPECT_EQ(plain.first, 0);  // "ace" has no descender: nothing below the baseline
    EXPECT_GT(rows(0x10000).first, 0);             // underline
    EXPECT_GT(rows(0x1000000).second, plain.second);  // strike-out
    EXPECT_GT(rows(1).second, plain.second);          // bold
    EXPECT_NE(ink_map(E::english, 1252, "ace", 0x100), ink_map(E::english, 1252, "ace"));  // italic

    oxtest::Handle img = blank(40, 20, 0x336699);
    const auto before = pixels(img.get());
    uint32_t err = 77;
    EXPECT_EQ(oxwImageDrawString_E(0, 0, img.get(), 2, 15, "white", 12, 0xFFFFFF, 0, &err), 1);
    EXPECT_EQ(err, 0u);
    EXPECT_EQ(pixels(img.get()), before);
    err = 77;
    EXPECT_EQ(oxwImageDrawString_J(0, 0, 0, 2, 15, "", 12, 0, 0, &err), 1);
    EXPECT_EQ(oxwImageDrawString_C(0, 0, 0, 2, 15, nullptr, 12, 0, 0, &err), 1);
    EXPECT_EQ(err, 77u);
    EXPECT_EQ(oxwImageDrawString_E(0, 0, 0, 2, 15, "x", 12, 0, 0, &err), 0);
    const OxwFont deleted = oxwCreateFont_E(0, 0, 12, 0);
    oxwHostDeleteObject(deleted);
    EXPECT_EQ(oxwImageDrawStringByFont(0, 0, img.get(), 2, 15, "x", deleted, 0, &err), 0);
    EXPECT_EQ(err, 6u);
    EXPECT_EQ(oxwImageDrawString_E(oxtest::gone_window(), 0, img.get(), 2, 15, "x", 12, 0, 0, &err), 0);
    EXPECT_EQ(err, 8u);
    EXPECT_EQ(pixels(img.get()), before);
}

TEST(ContextText, AlignmentBackgroundAndRestoredState) {
    namespace p = ox::platform;
    oxtest::NoLeaks guard;
    const OxwBitmap bmp = p::create_bitmap(100, 60, 32);
    const OxwDC dc = p::create_compatible_dc(0);
    p::select_object(dc, bmp);
    const OxwFont font = oxwCreateFont_E(0, dc, 12, 0);
    p::select_object(dc, font);
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
    p::delete_dc(dc);  // the bitmap and the font stay, free to select elsewhere and to delete

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
    const oxtest::Window wnd(0, 0, 8, 8);
    const OxwBitmap other = p::create_bitmap(60, 30, 32);
    EXPECT_EQ(oxwDrawString_C(wnd, 0, other, 2, 2, "\xC9\xCF", 12, 0x0000FF, 0), 1);
    EXPECT_EQ(oxwDrawString_E(oxtest::gone_window(), 0, other, 2, 2, "x", 12, 0, 0), 1);
    const auto px = oxtest::pixels_of(other);
    EXPECT_GT(std::count(px.begin(), px.end(), 0x0000FFu), 10);
    EXPECT_EQ(std::count(px.begin(), px.end(), 0x000000u), 0);
    EXPECT_TRUE(p::delete_object(font) && p::delete_object(bmp) && p::delete_object(other));
}

}  // namespace
