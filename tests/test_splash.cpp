// Splash windows: the picture with the version line and the message line against the same picture drawn
// by the text functions, the message wipe, the minimum time on a clock the test drives, the class that
// stays registered, and the arguments that are refused.
#include <string>

#include "display_support.h"
#include "platform/window.h"
#include "platform/window_class.h"

using namespace oxtest;

namespace {

constexpr int32_t kW = 400, kH = 330;

// A clock the test moves: sleeping advances it by the time asked for.
struct Clock {
    uint32_t now = 0;
    std::vector<uint32_t> sleeps;
    static uint32_t tick(void *c) { return static_cast<Clock *>(c)->now; }
    static void sleep(void *c, uint32_t ms) {
        static_cast<Clock *>(c)->sleeps.push_back(ms);
        static_cast<Clock *>(c)->now += ms;
    }
};

struct SplashFixture : ::testing::Test {
    TempDir dir;
    OxwModule module = 0;
    Clock clock;
    void SetUp() override {
        Pixels picture(kW * kH);
        for (int32_t i = 0; i < kW * kH; ++i) picture[i] = 0x10000 * (i % kW % 200) + 0x100 * (i / kW % 150) + 0xC0;
        write_bmp24(dir, "5.bmp", kW, kH, picture);
        uint32_t err = 0;
        module = oxwHostRegisterModule(dir.path().c_str(), &err);
        ASSERT_NE(module, 0u) << err;
        oxwHostSetTickSource(Clock::tick, Clock::sleep, &clock);
    }
    void TearDown() override {
        oxwHostSetTickSource(nullptr, nullptr, nullptr);
        oxwHostUnregisterModule(module);
        ox::platform::unregister_class("SplashWindow");  // as in a fresh process
    }
    // The picture as the splash should show it: the resource with the version and message lines drawn by
    // the English edition's text function.
    Pixels expected(const char *message) {
        Bitmap b(oxLoadPictResource(module, 5, nullptr, nullptr));
        oxwDrawString_E(0, 0, b.h, 60, 307, "Windows 98/NT 4.0 Version 7.6.5.4", 10, 0, 1);
        oxwDrawString_E(0, 0, b.h, 2, 38, message, 10, 0, 0);
        return pixels_of(b.h);
    }
};

TEST_F(SplashFixture, ShowsVersionAndMessagesForTheMinimumTimeAndRefusesBadArguments) {
    NoLeaks guard;
    const std::size_t windows = ox::platform::live_window_count();
    oxwHostSetScreenSize(1000, 800);
    clock.now = 0xFFFFFC00u;  // the tick count wraps before destroy
    const OxwWindow w = oxCreateSplashWindow_E(0, module, 5, "Loading brushes", 3);
    ASSERT_NE(w, 0u);
    EXPECT_EQ(window_corners(w), (std::vector{300, 235, 700, 565}));
    uint32_t style = 0, ex = 0;
    EXPECT_EQ(oxwHostGetWindowStyles(w, &style, &ex), 1);
    EXPECT_EQ((std::vector{style, ex}), (std::vector{0x80800000u, 0x8u}));
    EXPECT_EQ(oxwHostIsWindowVisible(w), 1);
    // A second splash is refused while the class is registered.
    EXPECT_EQ(oxwCreateSplashWindow_J(0, module, 5, "again", 0), 0u);

    const Pixels first = window_pixels(w, 0, 0, kW, kH);
    EXPECT_EQ(first, expected("Loading brushes"));
    EXPECT_NE(first, expected(""));  // the message and the version drew ink
    EXPECT_NE(expected(""), pixels_of(Bitmap(oxLoadPictResource(module, 5, nullptr, nullptr)).h));  // the version
    // A message wider than the picture is cut at its edge; a shorter one after it leaves none of it.
    const std::string wide(120, 'W');
    oxDrawSplashWindowString(wide.c_str());
    EXPECT_EQ(window_pixels(w, 0, 0, kW, kH), expected(wide.c_str()));
    oxwDrawSplashWindowString("Ready");
    EXPECT_EQ(window_pixels(w, 0, 0, kW, kH), expected("Ready"));

    clock.now += 1200;
    EXPECT_EQ(oxDestroySplashWindow(), 0);
    EXPECT_EQ(clock.sleeps, std::vector<uint32_t>{1800});
    EXPECT_EQ(ox::platform::live_window_count(), windows);
    EXPECT_EQ(oxwCreateSplashWindow_E(0, module, 5, "after", 0), 0u);  // the class stayed registered

    // As in a fresh process: no wait when the time has passed, and the arguments that are refused.
    ox::platform::unregister_class("SplashWindow");
    ASSERT_NE(oxwCreateSplashWindow_C(0, module, 5, nullptr, 2), 0u);
    clock.now += 2000;
    EXPECT_EQ(oxwDestroySplashWindow(), 0);
    EXPECT_EQ(oxwDestroySplashWindow(), 0);  // none left: returns at once
    oxwDrawSplashWindowString("nothing to draw on");
    EXPECT_EQ(clock.sleeps, std::vector<uint32_t>{1800});  // no sleep since the first
    ox::platform::unregister_class("SplashWindow");
    EXPECT_EQ(oxwCreateSplashWindow_E(0, 0, 5, "no module", 0), 0u);
    EXPECT_EQ(oxwCreateSplashWindow_E(0, module, 6, "no such picture", 0), 0u);
    ox::platform::unregister_class("SplashWindow");
    EXPECT_EQ(oxwCreateSplashWindow_E(0x12345, module, 5, "refused parent", 0), 0u);
    EXPECT_EQ(ox::platform::live_window_count(), windows);
}

}  // namespace
