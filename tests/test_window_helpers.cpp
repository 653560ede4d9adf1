// Window and dialog helpers: placement bounds, numeric field checks, centring, the outline drag, flashes,
// the colour dialog and cursors.
#include <cstring>
#include <string>
#include <vector>

#include "file_bytes.h"
#include "oxw.h"
#include "platform/input.h"
#include "platform/messages.h"
#include "platform/window.h"
#include "display_support.h"

namespace {

using oxtest::corners;
using oxtest::Window;
using oxtest::window_corners;

// A window's text, or with oxwHostGetCursorName the name of its cursor; "(refused)" when the call fails.
std::string text_of(OxwWindow w, int32_t (*get)(OxwWindow, char *, uint32_t) = oxwHostGetWindowText) {
    char buf[300];
    return get(w, buf, sizeof buf) ? buf : "(refused)";
}

class Placement : public ::testing::Test {
protected:
    void SetUp() override {
        oxwHostSetSettingsRoot(dir_.path().c_str());
        key_ = oxwHostOpenSettingsKey(0, "Placement", 1, &err_);
    }
    void TearDown() override {
        oxwHostCloseSettingsKey(key_);
        oxwHostSetSettingsRoot(nullptr);
    }
    // An empty key for the next case.
    void reset() {
        oxwHostDeleteSettingsKey(0, "Placement", &err_);
        oxwHostCloseSettingsKey(key_);
        key_ = oxwHostOpenSettingsKey(0, "Placement", 1, &err_);
    }
    oxtest::TempDir dir_;
    OxwSettingsKey key_ = 0;
    uint32_t err_ = 0;
};

// A resizable window's placement is written whole (see the settings tests); a fixed one keeps its corner.
TEST_F(Placement, FixedSizeKeepsTheCorner) {
    Window w(10, 20, 300, 200);
    OxwWindowPlacement hide{44, 0, 0, {-1, -1}, {-1, -1}, {5, 6, 305, 206}};
    ASSERT_EQ(oxwHostSetWindowPlacement(w.handle, &hide), 1);
    ASSERT_EQ(oxwRegSetWindowPlacement(w.handle, key_, 1), 1);
    const auto stored = oxtest::read_bytes(dir_.file("placement/.values"));
    EXPECT_EQ(std::string(stored.begin(), stored.end()),
              "NormalPositionLeft = 5\nNormalPositionTop = 6\nVisible = 0\n");
    EXPECT_EQ(oxwRegSetWindowPlacement(0, key_, 1), 0);
}

TEST_F(Placement, QueryKeepsTheWindowInsideTheBounds) {
    // The values in the order they are written; kNone: not stored.
    constexpr int64_t kNone = INT64_MIN;
    const char *const names[] = {"NormalPositionLeft",   "NormalPositionTop", "NormalPositionRight",
                                 "NormalPositionBottom", "ShowCmd",           "Visible"};
    const struct {
        const char *what;
        int fixed;
        int64_t stored[6];
        OxRect bounds;
        int result;
        OxRect rect;
    } cases[] = {
        {"beyond the right edge moves left by its width", 0, {900, 100, 1200, 300, 1, 1}, {0, 0, 1024, 768}, 1,
         {724, 100, 1024, 300}},
        {"negative corner becomes 0, shown minimised comes back normal; only the bounds' size counts", 0,
         {-15, -3, 100, 900, 2, 0}, {50, 50, 1074, 818}, 1, {0, -132, 100, 768}},
        {"fixed size keeps the current size, is pushed back and needs no show state", 1,
         {1000, 700, kNone, kNone, kNone, 1}, {0, 0, 1024, 768}, 1, {724, 568, 1024, 768}},
        {"resizable without ShowCmd fails", 0, {3, 4, 5, 6, kNone, 1}, {0, 0, 1024, 768}, 0, {3, 4, 5, 6}},
    };
    Window w(40, 50, 300, 200);
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        reset();
        for (int i = 0; i < 6; ++i)
            if (c.stored[i] != kNone) oxwHostSetSettingsValue(key_, names[i], uint32_t(c.stored[i]), &err_);
        OxwWindowPlacement wp;
        std::memset(&wp, 0xAB, sizeof wp);
        uint32_t visible = 7;
        EXPECT_EQ(oxwRegQueryWindowPlacement(w.handle, key_, &wp, &c.bounds, &visible, c.fixed), c.result);
        EXPECT_EQ(corners(wp.rcNormalPosition), corners(c.rect));
        EXPECT_EQ(wp.length, 44u);
        EXPECT_EQ(wp.showCmd, 1u);
        EXPECT_EQ(visible, c.result ? static_cast<uint32_t>(c.stored[5]) : 7u);
    }
}

// Field checks: the beep and the corrected text for every rejected text, the value for accepted ones; then the
// switches, which report the previous state, and the number drawn into a field.
TEST(DialogItems, FieldChecksSwitchesAndNumbers) {
    Window dlg(0, 0, 200, 100);
    const OxwWindow item = oxwHostCreateDialogItem(dlg.handle, 42, 5, 5, 50, 20, "");
    ASSERT_NE(item, 0u);
    const struct {
        const char *text;
        int is_signed, result;
        int32_t value;
        const char *written;
    } ints[] = {
        {"5", 1, 1, 5, "5"},           {" 5", 1, 1, 5, " 5"},           {"-0", 1, 1, 0, "-0"},
        {"100", 1, 1, 100, "100"},     {"-10", 1, 1, -10, "-10"},       {"-0", 0, 0, 0, "7"},
        {"12a", 1, 0, 0, "7"},         {"", 1, 0, 0, "7"},              {"5 ", 1, 0, 0, "7"},
        {"+5", 1, 0, 0, "7"},          {"2147483648", 1, 0, 0, "7"},
        {"2147483648", 0, 0, 0, "4294967286"},  // read unsigned, compared signed: below the minimum
        {"101", 1, 0, 0, "100"},       {"-11", 1, 0, 0, "-10"},         {"-2147483648", 1, 0, 0, "-10"},
    };
    for (const auto &c : ints) {
        SCOPED_TRACE(testing::Message() << c.text << " signed " << c.is_signed);
        oxwHostSetWindowText(item, c.text);
        oxwHostTakeBeeps(nullptr, 0);
        int32_t value = -99;
        uint32_t type = 0;
        EXPECT_EQ(oxwIntValueCheck(dlg.handle, 42, &value, 100, -10, 7, c.is_signed), c.result);
        EXPECT_EQ(value, c.result ? c.value : -99);
        EXPECT_EQ(text_of(item), c.written);
        EXPECT_EQ(oxwHostTakeBeeps(&type, 1), c.result ? 0u : 1u);
        EXPECT_EQ(type, c.result ? 0u : 0x30u);
    }
    const struct {
        const char *text, *format;
        int result;
        double value;
        const char *written;
    } reals[] = {
        {"3.25", "%.2f", 1, 3.25, "3.25"}, {" -.5e0", "%.2f", 1, -0.5, " -.5e0"}, {"1e-999", "%.2f", 1, 0, "1e-999"},
        {"1e999", "%.2f", 0, 0, "2.00"},   {"-1e999", "%.2f", 0, 0, "2.00"},      {"", "%.2f", 0, 0, "2.00"},
        {"3.25x", "%.2f", 0, 0, "2.00"},   {"inf", "%.2f", 0, 0, "2.00"},         {"0x10", "%.2f", 0, 0, "2.00"},
        {"11", "<%6.1f>", 0, 0, "<  10.5>"}, {"-2", "%.2f", 0, 0, "-1.00"},       {"11", "%d", 0, 0, "10.5"},
        {"11", "%f%f", 0, 0, "10.5"},      {"11", nullptr, 0, 0, "10.5"},         {"10.5", "%.2f", 1, 10.5, "10.5"},
        {"-1", "%.2f", 1, -1, "-1"},
    };
    for (const auto &c : reals) {
        SCOPED_TRACE(c.text);
        oxwHostSetWindowText(item, c.text);
        double value = -99;
        EXPECT_EQ(oxwDoubleValueCheck(dlg.handle, 42, &value, 10.5, -1, 2, c.format), c.result);
        EXPECT_EQ(value, c.result ? c.value : -99);
        EXPECT_EQ(text_of(item), c.written);
        EXPECT_EQ(oxwHostTakeBeeps(nullptr, 0), c.result ? 0u : 1u);
    }
    EXPECT_EQ(oxwIntValueCheck(dlg.handle, 43, nullptr, 1, 0, 0, 1), 0) << "a missing item";
    EXPECT_EQ(oxwHostTakeBeeps(nullptr, 0), 1u);

    EXPECT_EQ(oxwEnableDlgItem(dlg.handle, 42, 0), 0);
    EXPECT_EQ(oxwHostIsWindowEnabled(item), 0);
    EXPECT_NE(oxwEnableDlgItem(dlg.handle, 42, 1), 0);
    EXPECT_NE(oxwShowDlgItem(dlg.handle, 42, 0), 0);
    EXPECT_EQ(oxwHostIsWindowVisible(item), 0);
    EXPECT_EQ(oxwShowDlgItem(dlg.handle, 42, 1), 0);
    EXPECT_EQ(oxwEnableDlgItem(dlg.handle, 43, 1), 0);
    EXPECT_EQ(oxwDrawEditControlInt(item, -2147483647 - 1), 1);
    EXPECT_EQ(text_of(item), "-2147483648");
}

TEST(DialogGeometry, CentringBoxesAndZoomedSizes) {
    ASSERT_EQ(oxwHostSetScreenSize(1000, 800), 1);
    const struct {
        OxRect ref;
        int32_t w, h, x, y;
    } moves[] = {
        {{100, 100, 500, 400}, 200, 100, 200, 200},  // centred: integer halves
        {{100, 100, 501, 401}, 200, 100, 200, 200},
        {{900, 700, 1000, 800}, 300, 200, 700, 600},  // pushed back onto the screen
        {{-500, -400, -100, -100}, 300, 200, 0, 0},
    };
    for (const auto &m : moves) {
        Window ref(m.ref.left, m.ref.top, m.ref.right - m.ref.left, m.ref.bottom - m.ref.top), dlg(5, 5, m.w, m.h);
        ASSERT_EQ(oxwMoveDlg(ref.handle, dlg.handle), 1);
        EXPECT_EQ(window_corners(dlg.handle), (std::vector{m.x, m.y, m.x + m.w, m.y + m.h}));
    }
    oxwHostSetScreenSize(1920, 1080);

    const struct {
        int32_t x, y, result;
    } points[] = {{10, 20, 1}, {40, 20, 1}, {41, 20, 0}, {9, 20, 0}, {10, 70, 1}, {10, 71, 0}};
    for (const auto &p : points) EXPECT_EQ(oxwCmpBoxIn(p.x, p.y, 10, 20, 30, 50), p.result) << p.x << "," << p.y;
    EXPECT_EQ(oxwCmpBoxIn(INT32_MAX, 0, INT32_MAX - 1, 0, 5, 5), 1) << "the sum does not overflow";

    const struct {
        int32_t w, h, zoom, w2, h2;
    } sizes[] = {{7, 8, 4, 8, 8}, {9, 12, 3, 9, 12}, {7, 8, 1, 7, 8}, {7, 8, -3, 7, 8}, {-5, 0, 2, -4, 0},
                 {INT32_MAX, 10, 2, INT32_MAX, 10}};
    for (const auto &s : sizes) {
        int32_t w = s.w, h = s.h;
        oxwAdjustDrawSize(&w, &h, s.zoom);
        EXPECT_EQ((std::vector{w, h}), (std::vector{s.w2, s.h2})) << s.w << "x" << s.h << " by " << s.zoom;
    }
}

// The drag of a 40 x 25 window against a patterned 200 x 150 screen: at every poll the screen shows the
// pattern with exactly the last outline on it; at the end the pattern alone, the window where the cursor
// left it.
struct DragScript {
    std::vector<OxPoint> cursor;  // one position a poll
    OxPoint grip;                 // the cursor's offset from the window's corner
    std::vector<uint32_t> pattern, screen = std::vector<uint32_t>(200 * 150);
    std::size_t poll = 0;
    std::vector<std::size_t> failed_polls;

    static void hook(void *self) { static_cast<DragScript *>(self)->step(); }
    void step() {
        std::vector<uint32_t> expected = pattern;
        for (int32_t y = 0; poll > 0 && y < 25; ++y)
            for (int32_t x = 0; x < 40; ++x) {
                const int32_t sx = cursor[poll - 1].x - grip.x + x, sy = cursor[poll - 1].y - grip.y + y;
                if ((x == 0 || y == 0 || x == 39 || y == 24) && sx >= 0 && sy >= 0 && sx < 200 && sy < 150)
                    expected[sy * 200 + sx] = 0;
            }
        oxwHostReadScreenPixels(0, 0, 200, 150, screen.data());
        if (screen != expected) failed_polls.push_back(poll);
        oxwHostSetCursorPos(cursor[poll].x, cursor[poll].y);
        if (++poll == cursor.size()) oxwHostSetKeyState(1, 0);
    }
};

TEST(DragWindow, OutlineRestoresTheScreenExactly) {
    ASSERT_EQ(oxwHostSetScreenSize(200, 150), 1);
    DragScript s;
    s.cursor = {{60, 70}, {60, 70}, {5, 5}, {150, 140}, {130, 90}};
    s.grip = {25 - 20, 35 - 30};
    for (uint32_t i = 0; i < 200 * 150; ++i) s.pattern.push_back(i * 2654435761u & 0xFFFFFF);
    ASSERT_EQ(oxwHostWriteScreenPixels(0, 0, 200, 150, s.pattern.data()), 1);
    Window w(20, 30, 40, 25);
    oxwHostSetInputHook(&DragScript::hook, &s);
    oxwHostSetKeyState(1, 1);
    EXPECT_EQ(oxwDragWindow(w.handle, 25, 35, 20, 30, 60, 55), 1);
    oxwHostSetInputHook(nullptr, nullptr);
    EXPECT_EQ(s.poll, s.cursor.size());
    EXPECT_EQ(s.failed_polls, std::vector<std::size_t>{});
    oxwHostReadScreenPixels(0, 0, 200, 150, s.screen.data());
    EXPECT_TRUE(s.screen == s.pattern);
    EXPECT_EQ(window_corners(w.handle), (std::vector{125, 85, 165, 110}));
    EXPECT_EQ(ox::platform::get_capture(), 0u);
    EXPECT_EQ(text_of(w.handle, oxwHostGetCursorName), "#32512");
    EXPECT_EQ(oxwDragWindow(0, 0, 0, 0, 0, 1, 1), 0);
    oxwHostSetScreenSize(1920, 1080);
}

TEST(Flashes, EventsStopAtTheLimitAndButtonsEndAsDrawn) {
    Window a(0, 0, 20, 20), b(0, 0, 20, 20);
    for (int i = 0; i < 1005; ++i) oxwHostPostMessage(a.handle, 0x400, 0, i);
    oxwHostPostMessage(b.handle, 0x400, 0, 0);
    EXPECT_EQ(oxwFlashEvent(a.handle), 1);
    EXPECT_EQ(ox::platform::queued_message_count(a.handle), 4u);
    EXPECT_EQ(oxwFlashEvent(a.handle), 0);
    EXPECT_EQ(ox::platform::queued_message_count(a.handle), 0u);
    EXPECT_EQ(ox::platform::queued_message_count(b.handle), 1u);
    EXPECT_EQ(oxwFlashEvent(0), 0);
    EXPECT_EQ(ox::platform::queued_message_count(0), 0u);

    uint32_t err = 0;
    const OxwBitmap bmp = oxwCreateDDB(a.handle, 0, 20, 20, 24, &err);
    oxwDrawFillDDB(a.handle, 0, bmp, 3, 4, 12, 9, 0x3366CC);
    const auto before = oxtest::pixels_of(bmp);
    EXPECT_EQ(oxwFlashButton(a.handle, bmp, 2, 3, 8, 5), 1);
    const auto shown = oxtest::window_pixels(a.handle, 0, 0, 20, 20);
    EXPECT_EQ(oxtest::pixels_of(bmp), before);
    for (int i = 0; i < 400; ++i) {
        const bool inside = i % 20 >= 2 && i % 20 < 10 && i / 20 >= 3 && i / 20 < 8;
        EXPECT_EQ(shown[i], inside ? before[i] : 0xFFFFFFu) << i;
    }
    oxwHostDeleteObject(bmp);
    EXPECT_EQ(oxwFlashButton(0x3D012345, bmp, 0, 0, 1, 1), 0);
}

// The chooser sees the open dialog through the caller's pointer, centred, with the custom colours.
struct Chooser {
    OxwWindow *caller_pointer = nullptr;
    int32_t answer = 1;
    std::vector<std::string> seen;
    static int32_t choose(void *self, OxwColorChoice *c) {
        auto *me = static_cast<Chooser *>(self);
        OxRect r;
        oxwHostGetWindowRect(c->dialog, &r);
        const OxColorRef custom[16] = OXW_CUSTOM_COLORS;
        me->seen.push_back(std::to_string(*me->caller_pointer == c->dialog) + " " + std::to_string(r.left) + "," +
                           std::to_string(r.top) + " " + std::to_string(c->color) + " " + std::to_string(c->flags) +
                           " " + std::to_string(std::memcmp(custom, c->custom, sizeof custom) == 0));
        c->color ^= 0xFFFFFF;
        return me->answer;
    }
};

TEST(ColorDialog, ChooserSeesTheOpenDialog) {
    Window ref(100, 100, 650, 530);
    OxwWindow dialog = 77;
    Chooser chooser{&dialog, 1, {}};
    OxColorRef color = 0xABCDEF;
    EXPECT_EQ(oxwColorDialog(0, ref.handle, &color, &dialog, 1), 0) << "no chooser: cancelled";
    EXPECT_EQ(dialog, 0u);
    oxwHostSetColorChooser(&Chooser::choose, &chooser);
    EXPECT_EQ(oxwColorDialog(ref.handle, ref.handle, &color, &dialog, 1), 1);
    EXPECT_EQ(color, 0x543210u);
    chooser.answer = 0;
    EXPECT_EQ(oxwColorDialog(0, ref.handle, &color, &dialog, 0), 0);
    EXPECT_EQ(color, 0x543210u) << "a cancelled choice is not taken";
    EXPECT_EQ(dialog, 0u);
    EXPECT_EQ(oxwColorDialog(12345, ref.handle, &color, &dialog, 0), 0) << "a refused owner";
    oxwHostSetColorChooser(nullptr, nullptr);
    // Centred on the reference: (650 - 450) / 2 + 100, (530 - 330) / 2 + 100.
    EXPECT_EQ(chooser.seen, (std::vector<std::string>{"1 200,200 11259375 19 1", "1 0,0 5517840 19 1"}));
    EXPECT_EQ(ox::platform::live_window_count(), 1u);
}

TEST(WindowCursor, SystemAndModuleCursorsByName) {
    oxtest::TempDir dir;
    const oxtest::Bytes cursor = {0, 0, 2, 0, 1, 0, 16, 16, 0, 0, 1, 0, 1, 0, 0, 0, 0, 0, 22, 0, 0, 0};
    oxtest::write_bytes(dir.file("Hand.cur"), cursor);
    oxtest::write_bytes(dir.file("7.cur"), cursor);
    uint32_t err = 0;
    const OxwModule m = oxwHostRegisterModule(dir.path().c_str(), &err);
    ASSERT_NE(m, 0u) << err;
    Window w(0, 0, 10, 10);
    const struct {
        OxwModule module;
        const char *name;
        const char *expected;
    } cases[] = {{m, "HAND", "Hand"}, {m, "#7", "#7"}, {m, reinterpret_cast<const char *>(7), "#7"}, {m, "missing", ""},
                 {0, "#32514", "#32514"}, {0, reinterpret_cast<const char *>(32512), "#32512"}, {0, "Hand", ""}};
    for (const auto &c : cases) {
        oxwWindowSetCursor(w.handle, c.module, c.name);
        EXPECT_EQ(text_of(w.handle, oxwHostGetCursorName), c.expected);
        EXPECT_EQ(text_of(0, oxwHostGetCursorName), c.expected);
    }
    oxwWindowSetCursor(0, 0, reinterpret_cast<const char *>(32512));
    EXPECT_EQ(text_of(0, oxwHostGetCursorName), "") << "a window of 0 changes nothing";
    oxwHostUnregisterModule(m);
    oxtest::write_bytes(dir.file("bad.cur"), oxtest::Bytes{0, 0, 1, 0, 1, 0});
    EXPECT_EQ(oxwHostRegisterModule(dir.path().c_str(), &err), 0u);
    EXPECT_EQ(err, OX_ERROR_INVALID_DATA);
}

}  // namespace
