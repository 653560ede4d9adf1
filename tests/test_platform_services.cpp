// The display layer's services seen through the library's functions: update regions, string resources,
// key state, cursor, beeps, inversion, the message queue and the Shift snap of a dragged line.
#include <fstream>
#include <string>
#include <tuple>

#include "oxw.h"
#include "core/errors.h"
#include "platform/gdi.h"
#include "platform/messages.h"
#include "platform/window.h"
#include "image_compare.h"
#include "support.h"

namespace {

TEST(PlatformWindow, ClientRectAndUpdateRegion) {
    const OxwWindow w = oxwHostCreateWindow(0, 40, 30, 20, 10, 1);
    ASSERT_NE(w, 0u);
    OxRect r{9, 9, 9, 9};
    ASSERT_EQ(oxPortRect(w, &r), 1);
    EXPECT_TRUE(r.left == 0 && r.top == 0 && r.right == 20 && r.bottom == 10);

    EXPECT_EQ(oxwHostGetUpdateRect(w, &r), 0);
    const OxRect a{-5, 2, 4, 6}, b{15, 8, 30, 30}, hole{0, 3, 4, 6};
    ASSERT_EQ(oxInvalidateRect(w, &a), 1);  // clipped to the client area
    ASSERT_EQ(oxInvalidateRect(w, &b), 1);
    ASSERT_EQ(oxwHostGetUpdateRect(w, &r), 1);
    EXPECT_TRUE(r.left == 0 && r.top == 2 && r.right == 20 && r.bottom == 10) << r.left << r.top << r.right << r.bottom;
    ASSERT_EQ(oxValidateRect(w, &hole), 1);  // leaves row 2 of a, and b; (10, 8) lies between the two
    for (const auto &[x, y, in] : {std::tuple{3, 2, true}, {3, 3, false}, {10, 8, false}, {19, 9, true}})
        EXPECT_EQ(ox::platform::update_region_contains(w, x, y), in) << x << "," << y;
    ASSERT_EQ(oxValidateRect(w, nullptr), 1);
    EXPECT_EQ(oxwHostGetUpdateRect(w, &r), 0);
    ASSERT_EQ(oxInvalidateRect(w, nullptr), 1);
    ASSERT_EQ(oxwHostGetUpdateRect(w, &r), 1);
    EXPECT_TRUE(r.left == 0 && r.top == 0 && r.right == 20 && r.bottom == 10);

    EXPECT_EQ(oxwHostDestroyWindow(w), 1);
    for (uintptr_t bad : {uintptr_t{0}, uintptr_t{w}, uintptr_t{777}}) {
        EXPECT_EQ(oxPortRect(bad, &r), 0);
        EXPECT_EQ(oxInvalidateRect(bad, nullptr), 0);
        EXPECT_EQ(oxValidateRect(bad, nullptr), 0);
    }
}

// Inverting twice restores the pixels; only the rectangle's clipped part changes, in client coordinates.
// A released context is refused; one whose window is gone draws nothing.
TEST(PlatformWindow, InvertRectThroughTheWindowContext) {
    const OxwWindow w = oxwHostCreateWindow(0, 10, 20, 4, 3, 1);
    const OxwDC dc = oxwHostGetDC(w);
    const OxRect r{2, -1, 10, 2};
    uint32_t px[12];
    for (const bool inverted : {true, false}) {
        ASSERT_EQ(oxInvertRect(dc, &r), 1);
        ASSERT_EQ(oxwHostReadWindowPixels(w, 0, 0, 4, 3, px), 1);
        for (int i = 0; i < 12; ++i) EXPECT_EQ(px[i], inverted && i % 4 >= 2 && i / 4 < 2 ? 0u : 0xFFFFFFu) << i;
    }
    EXPECT_EQ(oxwHostReadWindowPixels(w, 1, 0, 4, 3, px), 0);  // not inside
    EXPECT_EQ(oxInvertRect(dc, nullptr), 0);
    EXPECT_EQ(oxInvertRect(0, &r), 0);
    EXPECT_EQ(oxwHostReleaseDC(w + 1, dc), 0);
    EXPECT_EQ(oxwHostReleaseDC(w, dc), 1);
    EXPECT_EQ(oxInvertRect(dc, &r), 0);
    const OxwDC again = oxwHostGetDC(w);
    EXPECT_EQ(oxwHostDestroyWindow(w), 1);
    EXPECT_FALSE(ox::platform::invert_rect(again, r));
    EXPECT_EQ(oxInvertRect(again, &r), 1);  // a context without pixels inverts nothing and succeeds
    EXPECT_EQ(oxwHostReleaseDC(w, again), 1);
    EXPECT_EQ(oxwHostReadWindowPixels(w, 0, 0, 1, 1, px), 0);
    EXPECT_EQ(oxwHostCreateWindow(w, 0, 0, 1, 1, 1), 0u);  // stale parent
}

using oxtest::CodePage;

// The library's own face names, a host module's strings from a folder, and the folders that are refused.
TEST(PlatformResources, StringsAndRefusedFolders) {
    char buf[64];
    EXPECT_EQ(oxLoadString(0, 2, 0, buf, sizeof buf), 13);
    EXPECT_STREQ(buf, "MS Sans Serif");
    EXPECT_EQ(oxLoadString(0, 3, 0, buf, sizeof buf), 4);  // GBK bytes of the Chinese face
    EXPECT_EQ(std::string(buf), "\xCB\xCE\xCC\xE5");
    EXPECT_EQ(oxLoadString(0, 99, 0, buf, sizeof buf), 0);
    EXPECT_STREQ(buf, "");
    {
        CodePage sjis(932);  // "MS" in full-width letters: a cut never splits a character
        EXPECT_EQ(oxLoadString(0, 1, 0, buf, 4), 2);
        EXPECT_EQ(std::string(buf), "\x82\x6C");
    }

    oxtest::TempDir dir;
    std::ofstream(dir.file("strings.txt"), std::ios::binary)
        << "# host strings\r\n100 Cut\\tPaste\r\n\n7\tline\\none\\\\\n8\n";
    std::ofstream(dir.file("notes.txt")) << "ignored";
    uint32_t err = 0xDEAD;
    const OxwModule m = oxwHostRegisterModule(dir.path().c_str(), &err);
    ASSERT_NE(m, 0u) << err;
    EXPECT_EQ(oxLoadString(m, 100, 0, buf, sizeof buf), 9);
    EXPECT_STREQ(buf, "Cut\tPaste");
    EXPECT_EQ(oxLoadString(m, 7, 0, buf, sizeof buf), 9);
    EXPECT_STREQ(buf, "line\none\\");
    EXPECT_EQ(oxLoadString(m, 8, 0, buf, sizeof buf), 0);
    EXPECT_EQ(oxLoadString(m, 2, 0, buf, sizeof buf), 0);  // the library's strings are not the host's

    EXPECT_EQ(oxwHostUnregisterModule(m), 1);
    EXPECT_EQ(oxLoadString(m, 100, 0, buf, sizeof buf), 0);
    EXPECT_EQ(oxwHostUnregisterModule(0), 0);

    // Refusals: a missing folder, a malformed line, a bitmap file without its signature.
    err = 0;
    EXPECT_EQ(oxwHostRegisterModule(dir.file("missing").c_str(), &err), 0u);
    EXPECT_EQ(err, 3u);
    std::ofstream(dir.file("strings.txt"), std::ios::binary) << "x1 bad id\n";
    EXPECT_EQ(oxwHostRegisterModule(dir.path().c_str(), &err), 0u);
    EXPECT_EQ(err, 13u);
    std::ofstream(dir.file("strings.txt"), std::ios::binary) << "1 a\n";
    std::ofstream(dir.file("13.bmp"), std::ios::binary) << "XM" << std::string(58, '\0');  // no signature
    err = 0;
    EXPECT_EQ(oxwHostRegisterModule(dir.path().c_str(), &err), 0u);
    EXPECT_EQ(err, 13u);
}

TEST(PlatformInput, KeysCursorAndBeeps) {
    EXPECT_EQ(oxAbort(), 0u);
    ASSERT_EQ(oxwHostSetKeyState(27, 1), 1);
    EXPECT_EQ(oxAbort(), 1u);
    EXPECT_EQ(oxGetKeyState(27), 1);
    EXPECT_EQ(oxGetKeyState(65), 0);
    ASSERT_EQ(oxwHostSetKeyState(27, 0), 1);
    EXPECT_EQ(oxAbort(), 0u);
    EXPECT_EQ(oxwHostSetKeyState(256, 1), 0);
    EXPECT_EQ(oxGetKeyState(-1), 0);

    oxTimeCursor();
    EXPECT_EQ(oxwHostGetCursor(), 32514u);

    oxwHostTakeBeeps(nullptr, 0);
    oxMessageBeep(0xFFFFFFFF);
    uint32_t type = 0;
    EXPECT_EQ(oxwHostTakeBeeps(&type, 1), 1u);
    EXPECT_EQ(type, 0xFFFFFFFFu);
}

// The snap of random drags with Shift down, in small and large pictures and past their edges, folded into a
// pinned checksum; with Shift up nothing moves. Spelled out: a falling diagonal, 10 across and 9 down.
TEST(PlatformInput, ShiftLinePointPinned) {
    std::mt19937 rng(29);
    const auto in = [&](int32_t lo, int32_t hi) { return lo + static_cast<int32_t>(rng() % (hi - lo + 1)); };
    uint64_t sum = oxtest::kChecksumStart;
    for (int i = 0; i < 20000; ++i) {
        const int32_t width = in(1, 120), height = in(1, 120);
        const OxPoint start{in(0, width), in(0, height)}, drag{in(-40, width + 40), in(-40, height + 40)};
        OxPoint end = drag;
        oxwHostSetKeyState(16, 0);
        oxGetShiftLinePoint(&start, &end, width, height);
        ASSERT_TRUE(end.x == drag.x && end.y == drag.y);
        oxwHostSetKeyState(16, 1);
        oxGetShiftLinePoint(&start, &end, width, height);
        const auto *b = reinterpret_cast<const uint8_t *>(&end);
        sum = oxtest::fold(sum, oxtest::Bytes(b, b + sizeof end));
    }
    EXPECT_EQ(sum, 0x74c2a5489089e0b1ull);
    const OxPoint start{10, 10};
    OxPoint end{20, 19};
    oxGetShiftLinePoint(&start, &end, 100, 100);
    oxwHostSetKeyState(16, 0);
    EXPECT_TRUE(end.x == 19 && end.y == 19) << end.x << "," << end.y;
}

}  // namespace

// Posting order across windows, the window and number filters, peek without removal, the per-window quota,
// and a destroyed window taking its messages with it.
TEST(PlatformMessages, QueueOrderFiltersQuotaAndDestroy) {
    const OxwWindow a = oxwHostCreateWindow(0, 0, 0, 4, 4, 1), b = oxwHostCreateWindow(0, 0, 0, 4, 4, 1);
    ASSERT_TRUE(a && b);
    ASSERT_EQ(oxwHostPostMessage(a, 0x400, 1, -1), 1);
    ASSERT_EQ(oxwHostPostMessage(b, 0x3B9, 2, 7), 1);
    ASSERT_EQ(oxwHostPostMessage(a, 0x3B9, 3, 8), 1);
    EXPECT_EQ(oxwHostPostMessage(0, 1, 0, 0), 0);

    OxwMessage m{};
    ASSERT_EQ(oxwHostPeekMessage(&m, 0, 0x3B9, 0x3B9, 0), 1);  // the oldest of that number, any window
    EXPECT_EQ(m.window, b);
    EXPECT_EQ(m.wParam, 2u);
    ASSERT_EQ(oxwHostPeekMessage(&m, a, 0, 0, 1), 1);
    EXPECT_EQ(m.message, 0x400u);
    EXPECT_EQ(m.lParam, -1);
    ASSERT_EQ(oxwHostPeekMessage(&m, a, 0, 0, 1), 1);
    EXPECT_EQ(m.wParam, 3u);
    EXPECT_EQ(oxwHostPeekMessage(&m, a, 0, 0, 1), 0);

    for (uint32_t i = 1; i < ox::platform::kMaxQueuedPerWindow; ++i) ASSERT_EQ(oxwHostPostMessage(b, 5, i, 0), 1);
    EXPECT_EQ(oxwHostPostMessage(b, 5, 0, 0), 0);
    EXPECT_EQ(ox::core::last_error(), OX_ERROR_NOT_ENOUGH_QUOTA);
    EXPECT_EQ(oxwHostPostMessage(a, 5, 0, 0), 1);  // the quota is per window

    ASSERT_EQ(oxwHostDestroyWindow(b), 1);
    EXPECT_EQ(ox::platform::queued_message_count(0), 1u);
    EXPECT_EQ(oxwHostPeekMessage(&m, b, 0, 0, 1), 0);
    ASSERT_EQ(oxwHostPeekMessage(&m, 0, 0, 0, 1), 1);
    EXPECT_EQ(m.window, a);
    oxwHostDestroyWindow(a);
}
