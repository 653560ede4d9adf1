// The process-wide message queue: one deque in posting order, under the platform's lock.
#include "platform/messages.h"

#include <algorithm>
#include <deque>
#include <new>

#include "core/errors.h"
#include "platform/gdi_state.h"

namespace ox::platform {

using namespace detail;

namespace {

std::deque<Message> &queue() {
    static std::deque<Message> q;
    return q;
}

bool matches(const Message &m, OxwWindow window, uint32_t first, uint32_t last) {
    if (window != 0 && m.window != window) return false;
    return (first == 0 && last == 0) || (m.message >= first && m.message <= last);
}

}  // namespace

namespace detail {

void drop_window_messages(OxwWindow window) {
    auto &q = queue();
    q.erase(std::remove_if(q.begin(), q.end(), [&](const Message &m) { return m.window == window; }), q.end());
}

}  // namespace detail

bool post_message(OxwWindow window, uint32_t message, uintptr_t wparam, intptr_t lparam) {
    State &s = state();
    Guard g(s.mutex);
    if (!s.windows.find(window)) {
        core::set_last_error(OX_ERROR_INVALID_HANDLE);
        return false;
    }
    auto &q = queue();
    if (static_cast<std::size_t>(std::count_if(q.begin(), q.end(), [&](const Message &m) {
            return m.window == window;
        })) >= kMaxQueuedPerWindow) {
        core::set_last_error(OX_ERROR_NOT_ENOUGH_QUOTA);
        return false;
    }
    try {
        q.push_back({window, message, wparam, lparam});
    } catch (const std::bad_alloc &) {
        core::set_last_error(OX_ERROR_NOT_ENOUGH_MEMORY);
        return false;
    }
    return true;
}

bool peek_message(Message *out, OxwWindow window, uint32_t first, uint32_t last, bool remove) {
    State &s = state();
    Guard g(s.mutex);
    if (window != 0 && !s.windows.find(window)) return false;
    auto &q = queue();
    auto it = std::find_if(q.begin(), q.end(), [&](const Message &m) { return matches(m, window, first, last); });
    if (it == q.end()) return false;
    if (out) *out = *it;
    if (remove) q.erase(it);
    return true;
}

std::size_t queued_message_count(OxwWindow window) {
    State &s = state();
    Guard g(s.mutex);
    const auto &q = queue();
    return static_cast<std::size_t>(
        std::count_if(q.begin(), q.end(), [&](const Message &m) { return window == 0 || m.window == window; }));
}

}  // namespace ox::platform
