// Keeps C++ exceptions inside the library: an exported function whose work allocates runs it through
// no_throw, and running out of memory becomes its documented failure result.
#pragma once

#include <new>

namespace ox::core {

template <class R, class F>
R no_throw(R failed, F f) noexcept {
    try {
        return f();
    } catch (const std::bad_alloc &) {
        return failed;
    }
}

}  // namespace ox::core
