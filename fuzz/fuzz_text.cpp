// Text on arbitrary bytes, in every code page: the decoder, text into a small image, and text onto a small
// window or bitmap, with the font, size, style, place and colours taken from the input. Layout: byte 0 the
// code page, byte 1 the function and target, bytes 2-3 the points, 4-7 the style, 8-9 x and y, 10-11 the
// image size, 12-14 the colour, 15-17 the image's fill; the rest is the text (up to its first 0 for the
// drawing calls). Beyond not crashing: the decoder neither drops nor invents characters (check_decoder);
// every drawing call returns 1; an image pixel keeps its value or takes the colour, and the image equals
// the whole-picture reference; a window or bitmap pixel keeps its value or takes the colour; the context's
// text state is put back and nothing made for a call outlives it.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "core/codepage.h"
#include "oxw.h"
#include "platform/gdi.h"
#include "platform/window.h"
#include "win/text.h"
#include "fuzz_support.h"

namespace {

constexpr uint32_t kPages[] = {932, 936, 949, 950, 1252, ox::core::kCodePageUtf8};

std::string utf8_of(const std::u32string &codes) {
    std::string s;
    for (const char32_t c : codes) {
        const int n = c < 0x80 ? 1 : c < 0x800 ? 2 : c < 0x10000 ? 3 : 4;
        s += static_cast<char>(n == 1 ? c : (0xF00 >> n & 0xFF) | c >> 6 * (n - 1));
        for (int i = n - 2; i >= 0; --i) s += static_cast<char>(0x80 | (c >> 6 * i & 0x3F));
    }
    return s;
}

// At most one code point per byte and at least one per character's bytes (two in the double-byte pages, one
// in 1252), each a Unicode scalar value; valid UTF-8 comes back as it went in.
void check_decoder(uint32_t page, const char *text, std::size_t size) {
    std::u32string codes;
    FUZZ_CHECK(ox::core::decode_text(page, text, size, codes));
    FUZZ_CHECK(codes.size() <= size);
    for (const char32_t c : codes) FUZZ_CHECK(c <= 0x10FFFF && (c < 0xD800 || c > 0xDFFF));
    if (page == 1252)
        FUZZ_CHECK(codes.size() == size);
    else if (page != ox::core::kCodePageUtf8)
        FUZZ_CHECK(codes.size() * 2 >= size);
    else if (codes.find(0xFFFD) == std::u32string::npos)
        FUZZ_CHECK(utf8_of(codes) == std::string(text, size));
}

// A w x h image at `depth` with every pixel `fill`.
ox::core::OwnedHandle filled_image(int32_t w, int32_t h, int32_t depth, uint32_t fill) {
    uint32_t err;
    ox::core::OwnedHandle image(oxImageCreate(w, h, depth, &err));
    FUZZ_CHECK(image);
    oxImageBoxFill(image.get(), 0, 0, w, h, fill);
    return image;
}

using ImageDraw = int32_t (*)(OxwWindow, OxwDC, OxHandle, int32_t, int32_t, const char *, int32_t, OxColorRef,
                              int32_t, uint32_t *);
constexpr ImageDraw kImageDraws[] = {oxwImageDrawString_J, oxwImageDrawString_E, oxwImageDrawString_C};

void check_image(unsigned edition, int32_t depth, int32_t w, int32_t h, int32_t x, int32_t y, const char *text,
                 int32_t points, uint32_t color, int32_t style, uint32_t fill) {
    const ox::core::OwnedHandle img = filled_image(w, h, depth, fill), ref = filled_image(w, h, depth, fill);
    const std::vector<uint32_t> before = oxfuzz::pixels(img.get());
    uint32_t err = 99;
    FUZZ_CHECK(kImageDraws[edition](0, 0, img.get(), x, y, text, points, color, style, &err) == 1);
    FUZZ_CHECK(err == 0 || (*text == '\0' && err == 99));
    const std::vector<uint32_t> after = oxfuzz::pixels(img.get());
    if (depth >= 24)  // the fourth byte of a 32-bit pixel is not written
        for (std::size_t i = 0; i < after.size(); ++i)
            FUZZ_CHECK(after[i] == before[i] || after[i] == ((before[i] & 0xFF000000) | (color & 0xFFFFFF)));

    ox::win::OwnedFont font(ox::win::make_text_font(static_cast<ox::win::Edition>(edition), 0, 0, points, style));
    FUZZ_CHECK(ox::win::plain::image_draw_string(0, 0, ref.get(), x, y, text, font.get(), color, 6, &err) == 1);
    FUZZ_CHECK(oxfuzz::pixels(ref.get()) == after);
}

// The three editions' forms (size and style) and the colour chart forms (the style as their last argument).
using SurfaceDraw = int32_t (*)(OxwWindow, OxwDC, OxwBitmap, int32_t, int32_t, const char *, int32_t, OxColorRef,
                                int32_t);
using ChartDraw = int32_t (*)(OxwWindow, OxwDC, OxwBitmap, int32_t, int32_t, const char *, OxColorRef, int32_t);
constexpr SurfaceDraw kSurfaceDraws[] = {oxwDrawString_J, oxwDrawString_E, oxwDrawString_C};
constexpr ChartDraw kChartDraws[] = {oxwDrawString_ColorChart_J, oxwDrawString_ColorChart_E,
                                     oxwDrawString_ColorChart_C};

// Onto the window through its context (checking that the context's text state is put back), or onto a bitmap
// through the window.
void check_surface(unsigned which, bool onto_bitmap, int32_t x, int32_t y, const char *text, int32_t points,
                   uint32_t color, int32_t style) {
    namespace p = ox::platform;
    constexpr int32_t kW = 48, kH = 32;
    const OxwWindow window = oxwHostCreateWindow(0, 0, 0, kW, kH, 0);
    FUZZ_CHECK(window != 0);
    const OxwBitmap bitmap = onto_bitmap ? p::create_bitmap(kW, kH, 32) : 0;
    const OxwDC dc = onto_bitmap ? 0 : oxwHostGetDC(window);
    std::vector<OxColorRef> before(kW * kH), after(kW * kH);
    auto read = [&](std::vector<OxColorRef> &px) {
        FUZZ_CHECK(onto_bitmap ? oxwHostReadBitmapPixels(bitmap, 0, 0, kW, kH, px.data())
                          : oxwHostReadWindowPixels(window, 0, 0, kW, kH, px.data()));
    };
    read(before);
    p::TextState state{}, state_after{};
    if (dc) {
        p::set_text_color(dc, 0x123456);
        p::get_text_state(dc, &state);
    }
    FUZZ_CHECK((which < 3 ? kSurfaceDraws[which](window, dc, bitmap, x, y, text, points, color, style)
                          : kChartDraws[which - 3](window, dc, bitmap, x, y, text, color, style)) == 1);
    read(after);
    for (std::size_t i = 0; i < after.size(); ++i) FUZZ_CHECK(after[i] == before[i] || after[i] == (color & 0xFFFFFF));
    if (dc) {
        p::get_text_state(dc, &state_after);
        FUZZ_CHECK(std::memcmp(&state, &state_after, sizeof state) == 0);
        FUZZ_CHECK(p::get_current_object(dc, p::ObjectKind::font) == p::get_stock_object(p::kSystemFont));
        oxwHostReleaseDC(window, dc);
    }
    if (bitmap) FUZZ_CHECK(p::delete_object(bitmap));
    oxwHostDestroyWindow(window);
}

int32_t coordinate(uint8_t b, bool far) {
    const int32_t c = static_cast<int8_t>(b);
    return !far ? c : c < 0 ? INT32_MIN - c : INT32_MAX - c;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    constexpr std::size_t kHeader = 18;
    if (size < kHeader) return 0;
    const uint32_t page = kPages[data[0] % 6];
    const uint8_t mode = data[1];
    const auto points = static_cast<int32_t>(static_cast<int16_t>(ox::core::load_le16(data + 2)));
    const auto style = static_cast<int32_t>(ox::core::load_le32(data + 4));
    const bool far = mode & 0x80;
    const int32_t x = coordinate(data[8], far), y = coordinate(data[9], far && (mode & 0x40));
    const int32_t w = 1 + data[10] % 40, h = 1 + data[11] % 24;
    // The colours are three bytes each: the four bytes ending with them, less the first.
    const uint32_t color = ox::core::load_le32(data + 11) >> 8, fill = ox::core::load_le32(data + 14) >> 8;

    const char *raw = reinterpret_cast<const char *>(data + kHeader);
    const std::size_t length = size - kHeader;
    check_decoder(page, raw, length);

    const std::string text(raw, strnlen(raw, length));
    const std::size_t objects = ox::platform::live_object_count(), dcs = ox::platform::live_dc_count();
    const uint32_t old_page = oxSetCodePage(page);
    constexpr int32_t kDepths[] = {1, 8, 24, 32};
    check_image(mode % 3, kDepths[(mode >> 2) & 3], w, h, x, y, text.c_str(), points, color, style, fill);
    check_surface(mode % 6, mode & 0x10, x, y, text.c_str(), points, color, style);
    oxSetCodePage(old_page);
    FUZZ_CHECK(ox::platform::live_object_count() == objects && ox::platform::live_dc_count() == dcs);
    return 0;
}
