// The status bar and the progress bars, read back from the status bar's pixels: the step arithmetic on the
// documented cases and pinned on random ones, the counter text, and calls without a bar.
#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "display_support.h"
#include "image_compare.h"
#include "oxw.h"
#include "platform/gdi.h"
#include "platform/status_bar.h"
#include "support.h"

namespace {

namespace p = ox::platform;
constexpr uint32_t kInverted = 0xC8D0D4 ^ 0xFFFFFF;  // the face colour, inverted

// A host window 420 wide with its status bar; pane 0 ends at `edge`, pane 1 reaches the end.
struct Host {
    explicit Host(int32_t edge) : window(oxwHostCreateWindow(0, 0, 0, 420, 100, 1)) {
        EXPECT_EQ(oxwCreateStatusBar(window), 1);
        bar = oxwGetStatusBarHandle();
        OxRect r;
        const int32_t edges[] = {edge, -1};
        EXPECT_EQ(oxwBarSize(100, &r, 2, 420, 22, edges), 1);
        EXPECT_TRUE(p::get_status_rect(bar, 0, &pane));
    }
    ~Host() { oxwHostDestroyWindow(window); }
    // Colours of one row of the bar, x from 0 to `pane.right`.
    std::vector<OxColorRef> row(int32_t y) const { return oxtest::window_pixels(bar, 0, y, pane.right, 1); }
    OxwWindow window, bar = 0;
    OxRect pane{};
};

// Columns of a row that show the inverse of the row as it was, as 0/1.
oxtest::Bytes inverted(const std::vector<OxColorRef> &row, const std::vector<OxColorRef> &was) {
    oxtest::Bytes v(row.size());
    for (size_t i = 0; i < row.size(); ++i) v[i] = row[i] == (was[i] ^ 0xFFFFFF);
    return v;
}

// The documented runs (pane 200 and totals of 400, 100 and 0, where the whole pane toggles at each step) and
// random panes and totals, every strip folded into a pinned checksum (the bars keep their last position
// across bars, so order counts).
TEST(ProgressBar, PlainStepsOnDocumentedAndRandomPanes) {
    struct Run {
        int32_t edge, total, steps;
    };
    std::vector<Run> runs = {{200, 400, 4}, {200, 100, 3}, {200, 0, 3}};
    std::mt19937 rng(1414);
    for (int i = 0; i < 40; ++i)
        runs.push_back({std::uniform_int_distribution<int32_t>(3, 400)(rng),
                        std::uniform_int_distribution<int32_t>(1, 700)(rng),
                        std::uniform_int_distribution<int32_t>(1, 800)(rng)});
    uint64_t sum = oxtest::kChecksumStart;
    for (const Run &run : runs) {
        SCOPED_TRACE(testing::Message() << "pane " << run.edge << ", total " << run.total);
        Host host(run.edge);
        ASSERT_EQ(oxwCreateBar_E("", run.total, 0, 0), 1);
        const int32_t y = host.pane.top + 5;
        const auto was = host.row(y);
        for (int32_t s = 0; s < run.steps; ++s) ASSERT_EQ(oxBarStep(), 1);
        sum = oxtest::fold(sum, inverted(host.row(y), was));
        oxDeleteBar(0);
        EXPECT_EQ(host.row(y), was);
    }
    EXPECT_EQ(sum, 0x424008da9c6c699full);
}

TEST(ProgressBar, CounterShowsTextAndInvertsTheDoneShare) {
    Host host(200);
    const int32_t box_w = host.pane.right - host.pane.left - 2, box_h = host.pane.bottom - host.pane.top - 2;
    // What the box shows for "Saving n/12", composed the documented way with the public drawing calls: the
    // text on the face colour (system colour 15).
    auto expected_box = [&](int n) {
        uint32_t err;
        oxtest::Bitmap b(oxwCreateSysColorDDB(0, 0, box_w, box_h, 15, &err));
        oxwDrawString_J(0, 0, b.h, 0, 1, ("Saving " + std::to_string(n) + "/12").c_str(), 9, 0, 0);
        return oxtest::pixels_of(b.h);
    };
    auto box = [&](int32_t rows) {
        return oxtest::window_pixels(host.bar, host.pane.left + 1, host.pane.top + 1, box_w, rows);
    };
    ASSERT_EQ(oxCreateBar_J("Saving", 12, 0, 1), 1);
    EXPECT_EQ(box(box_h), expected_box(0));
    ASSERT_EQ(oxwBarStep(), 1);
    auto after = expected_box(1);
    const auto done = static_cast<int32_t>(1 * (static_cast<double>(host.pane.right - host.pane.left) / 12));
    for (int32_t y = 0; y < box_h - 1; ++y)
        for (int32_t x = 0; x < done; ++x) after[static_cast<size_t>(y * box_w + x)] ^= 0xFFFFFF;
    after.resize(static_cast<size_t>(box_w * (box_h - 1)));
    EXPECT_EQ(box(box_h - 1), after);
    // The done share after k steps is trunc(k x pane width / total) columns, counted on the box's last row.
    for (int k = 2; k <= 14; ++k) {
        oxwBarStep();
        const auto row = host.row(host.pane.top + box_h - 1);
        const double fill = k * (static_cast<double>(host.pane.right - host.pane.left) / 12);
        EXPECT_EQ(std::count(row.begin(), row.end(), kInverted), std::min<int32_t>(static_cast<int32_t>(fill), box_w));
    }
    oxwDeleteBar(0);
}

TEST(ProgressBar, CallsWithoutABarOrStatusBar) {
    oxtest::NoLeaks guard;
    EXPECT_EQ(oxwBarStep(), 0);
    oxwDeleteBar(0);
    {
        Host host(300);
        std::string text;
        // Captions are cut to 259 bytes, never inside a double-byte character.
        const struct {
            uint32_t page;
            std::string caption;
            size_t kept;
        } captions[] = {{1252, std::string(259, 'a'), 259},
                        {1252, std::string(400, 'a'), 259},
                        {932, std::string(258, 'a') + "\x82\xA0", 258},
                        {65001, std::string(257, 'a') + "\xE3\x81\x82", 257}};
        for (const auto &c : captions) {
            oxtest::CodePage page(c.page);
            ASSERT_EQ(oxwCreateBar_C(c.caption.c_str(), 5, 0, 0), 1);
            p::get_status_text(host.bar, 0, &text);
            EXPECT_EQ(text, c.caption.substr(0, c.kept));
            oxwDeleteBar(0);
        }
        EXPECT_EQ(oxwCreateBar_E(nullptr, 5, 0, 1), 1);
        EXPECT_EQ(oxwCreateBar_E("again", 5, 0, 1), 1);  // the first bar is dropped, nothing kept of it
        EXPECT_EQ(oxwCreateBar_E("no such pane", 5, 7, 1), 0);
        EXPECT_EQ(oxwBarStep(), 0);
        EXPECT_EQ(oxwSetBarText("x", 7), 0);
        ASSERT_EQ(oxwCreateBar_E("window goes", 5, 1, 1), 1);
        oxwHostDestroyWindow(host.window);
        EXPECT_EQ(oxwBarStep(), 1);
        oxwDeleteBar(1);
    }
    EXPECT_EQ(oxwCreateBar_J("no status bar", 5, 0, 0), 0);
    EXPECT_EQ(oxwSetBarText(nullptr, 0), 0);
}

}  // namespace
