// `oxdoc view PICTURE.png -o OUT.png [--zoom Z | --size WxH]`: the picture as a host's canvas view shows
// it. The picture is drawn with oxImageDraw into a window of the library's display layer, and the window's
// pixels are read back and written as PNG, so what the display layer does at a zoom can be looked at.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "cli.h"
#include "command_line.h"
#include "commands.h"
#include "file_io.h"
#include "ox.h"
#include "oxw.h"
#include "png_io.h"

namespace oxdoc {
namespace {

constexpr int64_t kMaxWindowSide = 16384;  // the display layer's largest window

// A positive whole number of at most 9 digits, all of `text`.
bool parse_count(const std::string &text, int64_t &out) {
    if (text.empty() || text.size() > 9 || text.find_first_not_of("0123456789") != std::string::npos) return false;
    out = std::strtoll(text.c_str(), nullptr, 10);
    return out > 0;
}

// A zoom as a fraction num/den: "3", "1/4", "2/3", or a decimal such as "1.5" or "0.25" (up to four
// decimals).
bool parse_zoom(const std::string &text, int64_t &num, int64_t &den) {
    const auto slash = text.find('/');
    if (slash != std::string::npos)
        return parse_count(text.substr(0, slash), num) && parse_count(text.substr(slash + 1), den);
    const auto dot = text.find('.');
    if (dot == std::string::npos) {
        den = 1;
        return parse_count(text, num);
    }
    const std::string whole = text.substr(0, dot), frac = text.substr(dot + 1);
    if (frac.empty() || frac.size() > 4 || frac.find_first_not_of("0123456789") != std::string::npos) return false;
    if (whole.size() > 5 || whole.find_first_not_of("0123456789") != std::string::npos) return false;
    den = 1;
    for (std::size_t i = 0; i < frac.size(); ++i) den *= 10;
    const int64_t units = whole.empty() ? 0 : std::strtoll(whole.c_str(), nullptr, 10);
    num = units * den + std::strtoll(frac.c_str(), nullptr, 10);
    return num > 0;
}

// "WxH" with both sides positive.
bool parse_size(const std::string &text, int64_t &w, int64_t &h) {
    const auto x = text.find('x');
    return x != std::string::npos && parse_count(text.substr(0, x), w) && parse_count(text.substr(x + 1), h);
}

// A window of the display layer and its drawing context, released in reverse order.
class ViewWindow {
public:
    ViewWindow(int32_t w, int32_t h)
        : wnd_(oxwHostCreateWindow(0, 0, 0, w, h, 0)), dc_(wnd_ ? oxwHostGetDC(wnd_) : 0) {}
    ~ViewWindow() {
        if (dc_) oxwHostReleaseDC(wnd_, dc_);
        if (wnd_) oxwHostDestroyWindow(wnd_);
    }
    ViewWindow(const ViewWindow &) = delete;
    ViewWindow &operator=(const ViewWindow &) = delete;
    OxwWindow window() const { return wnd_; }
    OxwDC dc() const { return dc_; }

private:
    OxwWindow wnd_;
    OxwDC dc_;
};

}  // namespace

int cmd_view(const Invocation &a) {
    std::string error;
    if (a.has("--zoom") && a.has("--size")) return a.usage_error("--zoom and --size exclude each other");
    int64_t num = 1, den = 1, dw = 0, dh = 0;
    if (a.has("--zoom") && !parse_zoom(a.value("--zoom"), num, den))
        return a.usage_error("'" + a.value("--zoom") + "' is not a zoom (3, 1/4, 2/3 or 1.5)");
    if (a.has("--size") && !parse_size(a.value("--size"), dw, dh))
        return a.usage_error("'" + a.value("--size") + "' is not a size (WIDTHxHEIGHT)");

    const std::string &picture = a.positional[0];
    OwnedHandle image(read_png(picture, error));
    if (!image) return fail("view", error);
    OxImageLockRec lock;
    oxImageLock(image.get(), &lock);
    const int64_t w = lock.header->width, h = lock.header->height;
    oxImageUnlock(&lock);
    if (!a.has("--size")) {
        // Rounded to the nearest pixel; a side never drops to nothing.
        dw = std::max<int64_t>(1, (w * num + den / 2) / den);
        dh = std::max<int64_t>(1, (h * num + den / 2) / den);
    }
    if (dw > kMaxWindowSide || dh > kMaxWindowSide)
        return fail("view", "the view would be " + std::to_string(dw) + "x" + std::to_string(dh) +
                                " pixels; a window has at most " + std::to_string(kMaxWindowSide) + " a side");

    const auto W = static_cast<int32_t>(dw), H = static_cast<int32_t>(dh);
    ViewWindow view(W, H);
    if (!view.dc())
        return fail("view", "the display layer refused a " + std::to_string(W) + "x" + std::to_string(H) + " window");
    if (!oxImageDraw(view.dc(), 0, 0, W, H, image.get(), 0, 0, 0, 0, 0))
        return fail("view", picture + ": oxImageDraw refused the picture");
    std::vector<OxColorRef> colors(static_cast<std::size_t>(W) * static_cast<std::size_t>(H));
    if (!oxwHostReadWindowPixels(view.window(), 0, 0, W, H, colors.data()))
        return fail("view", "the window's pixels could not be read back");
    std::vector<uint8_t> rgb(colors.size() * 3);
    for (std::size_t i = 0; i < colors.size(); ++i) {  // colour values are 0x00BBGGRR
        rgb[3 * i] = static_cast<uint8_t>(colors[i]);
        rgb[3 * i + 1] = static_cast<uint8_t>(colors[i] >> 8);
        rgb[3 * i + 2] = static_cast<uint8_t>(colors[i] >> 16);
    }
    if (!write_pixels_png(a.value("-o"), W, H, 3, rgb.data(), error)) return fail("view", error);
    if (!is_stdout(a.value("-o")))
        std::printf("%s (%lldx%lld) drawn at %dx%d -> %s\n", picture.c_str(), static_cast<long long>(w),
                    static_cast<long long>(h), W, H, a.value("-o").c_str());
    return kOk;
}

}  // namespace oxdoc
