// The tick count and sleep, from the monotonic clock or from the host.
#include "platform/clock.h"

#include <chrono>
#include <mutex>
#include <thread>

namespace ox::platform {
namespace {

struct Source {
    std::mutex mutex;
    OxwTickSource tick = nullptr;
    OxwSleepHook sleep = nullptr;
    void *context = nullptr;
};

Source &source() {
    static Source s;
    return s;
}

}  // namespace

uint32_t tick_count() {
    Source &s = source();
    std::unique_lock lock(s.mutex);
    if (s.tick) {
        const OxwTickSource tick = s.tick;
        void *context = s.context;
        lock.unlock();  // the host's source may call into the library
        return tick(context);
    }
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now().time_since_epoch());
    return static_cast<uint32_t>(ms.count());
}

void sleep_ms(uint32_t ms) {
    Source &s = source();
    std::unique_lock lock(s.mutex);
    if (s.sleep) {
        const OxwSleepHook sleep = s.sleep;
        void *context = s.context;
        lock.unlock();
        sleep(context, ms);
        return;
    }
    lock.unlock();
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

void set_tick_source(OxwTickSource tick, OxwSleepHook sleep, void *context) {
    Source &s = source();
    std::lock_guard lock(s.mutex);
    s.tick = tick;
    s.sleep = sleep;
    s.context = context;
}

}  // namespace ox::platform
