// The host's input hook and colour chooser.
#include "platform/host_hooks.h"

#include <mutex>
#include <utility>

namespace ox::platform {
namespace {

template <class F>
struct Hook {
    std::mutex mutex;
    F call = nullptr;
    void *context = nullptr;

    void set(F f, void *ctx) {
        std::lock_guard g(mutex);
        call = f;
        context = ctx;
    }
    // The hook and its context as one pair, taken under the lock and called outside it.
    std::pair<F, void *> get() {
        std::lock_guard g(mutex);
        return {call, context};
    }
};

Hook<OxwInputHook> g_input;
Hook<OxwColorChooser> g_chooser;

}  // namespace

void set_input_hook(OxwInputHook hook, void *context) { g_input.set(hook, context); }

void run_input_hook() {
    const auto [hook, context] = g_input.get();
    if (hook) hook(context);
}

void set_color_chooser(OxwColorChooser chooser, void *context) { g_chooser.set(chooser, context); }

bool has_color_chooser() { return g_chooser.get().first != nullptr; }

bool run_color_chooser(OxwColorChoice *choice) {
    const auto [chooser, context] = g_chooser.get();
    return chooser && chooser(context, choice) != 0;
}

}  // namespace ox::platform
