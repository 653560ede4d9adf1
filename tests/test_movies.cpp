// The movie framework binding, run through the real search with stand-in frameworks (built beside this
// test, see movie_framework/): a new one, one older than 3.0, one without an entry, and none at all.
#include <dlfcn.h>

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <string>

#include "oxw.h"
#include "support.h"
#include "win/movie_binding.h"

namespace {

// The dispatcher calls the stand-ins reported, one letter each: Initialize, Terminate, Enter, eXit,
// Version query.
std::string g_calls;
int32_t g_initialize_answer = 0;

std::string standin(const char *variant) { return std::string(MOVIE_STANDINS) + "/" + variant; }

bool loaded(const std::string &folder) {
    void *library = dlopen((folder + "/QuickTime.qts").c_str(), RTLD_NOW | RTLD_NOLOAD);
    if (library) dlclose(library);
    return library != nullptr;
}

}  // namespace

extern "C" __attribute__((visibility("default"))) int32_t movie_standin_answer(uint32_t selector, int32_t answer) {
    using namespace ox::win::movie;
    const uint32_t selectors[] = {kSelectorInitialize, kSelectorTerminate, kSelectorEnterMovies, kSelectorExitMovies,
                                  kSelectorVersionQuery};
    const auto *found = std::find(std::begin(selectors), std::end(selectors), selector);
    g_calls += "ITEXV?"[found - std::begin(selectors)];
    return selector == kSelectorInitialize && g_initialize_answer ? g_initialize_answer : answer;
}

namespace {

class MovieFramework : public testing::Test {
protected:
    void TearDown() override {
        while (ox::win::movie::initialization_count() > 0) ox::win::movie::terminate();
        oxwHostSetSystemDirectory(nullptr);
    }
    oxtest::TempDir empty_;
};

// Each framework through the calling order: initialise, enter, and (while installed) exit and terminate.
// Whatever happened, the library ends unloaded and a stray call meets the stand-by routine.
TEST_F(MovieFramework, EachFrameworkThroughTheCallingOrder) {
    const struct {
        std::string folder;
        int32_t initialize_answer;
        int16_t result;
        int32_t installed, installed_after_enter;
        const char *calls;
    } cases[] = {
        {empty_.path().string(), 0, OXW_QTML_LIBRARY_NOT_FOUND, 0, 0, ""},
        {standin("missing"), 0, OXW_QTML_ENTRY_MISSING, 1, 0, ""},  // installed until the version check
        {standin("new"), -50, -50, 1, 0, "I"},                         // the framework's own refusal
        {standin("old"), 0, 0, 1, 0, "IEVXT"},
        {standin("new"), 0, 0, 1, 1, "IEVXT"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.folder + " " + std::to_string(c.initialize_answer));
        g_calls.clear();
        g_initialize_answer = c.initialize_answer;
        ASSERT_EQ(oxwHostSetSystemDirectory(c.folder.c_str()), 1);
        EXPECT_EQ(oxwInitializeQTML(), c.result);
        EXPECT_EQ(oxwIsInstallQT(), c.installed);
        EXPECT_EQ(loaded(c.folder), c.result == 0);
        oxwEnterMovies();
        EXPECT_EQ(oxwIsInstallQT(), c.installed_after_enter);
        EXPECT_EQ(loaded(c.folder), c.installed_after_enter == 1);
        oxwExitMovies();
        oxwTerminateQTML();
        EXPECT_EQ(g_calls, c.calls);
        EXPECT_FALSE(loaded(c.folder));
        EXPECT_EQ(ox::win::movie::enter_movies(), OXW_QTML_NOT_BOUND);
    }
}

TEST_F(MovieFramework, TwoInitialisationsNeedTwoTerminations) {
    ASSERT_EQ(oxwHostSetSystemDirectory(standin("new").c_str()), 1);
    g_calls.clear();
    EXPECT_EQ(oxwInitializeQTML(), 0);
    EXPECT_EQ(oxwInitializeQTML(), 0);
    oxwTerminateQTML();
    EXPECT_TRUE(loaded(standin("new")));
    EXPECT_EQ(g_calls, "I");
    oxwTerminateQTML();
    oxwTerminateQTML();  // beyond the count: nothing
    EXPECT_FALSE(loaded(standin("new")));
    EXPECT_EQ(g_calls, "IT");
}

// A framework the host loaded itself is taken first, from where it was loaded, and stays loaded for the
// host after the library lets it go.
TEST_F(MovieFramework, AlreadyLoadedFrameworkComesFirst) {
    void *own = dlopen((standin("new") + "/QuickTime.qts").c_str(), RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(own, nullptr) << dlerror();
    ASSERT_EQ(oxwHostSetSystemDirectory(empty_.path().c_str()), 1);
    EXPECT_EQ(oxwInitializeQTML(), 0);
    oxwTerminateQTML();
    EXPECT_TRUE(loaded(standin("new")));
    dlclose(own);
    EXPECT_FALSE(loaded(standin("new")));
}

}  // namespace
