// State a call keeps on its thread from call to call (scratch buffers, held
// plans), so that a call allocates nothing but its result; with the caches
// turned off (fft::set_caching) each call gets a fresh one of its own.
#pragma once

#include <memory>

#include "core/plan_cache.hpp"

namespace corvan {

namespace detail {

// The thread's State itself, made on its first call (and gone at its exit,
// as any thread-local): apart, so that the usual call only reads a pointer.
template <class State> [[gnu::noinline, gnu::cold]] State &first_thread_state(State *&finder) {
    thread_local State state;
    finder = &state;
    return state;
}

} // namespace detail

// The thread's State, fetched out of line: inlined into a caller, the
// compiler fetches a thread-local's address anew after every call the
// caller makes (one look-up each in a shared library). The pointer is
// constant-initialised, so that reading it needs no first-use guard.
template <class State> [[gnu::noinline]] State &kept_thread_state() {
    thread_local State *finder = nullptr;
    if (finder != nullptr) [[likely]]
        return *finder;
    return detail::first_thread_state(finder);
}

template <class State, class Body> auto with_thread_state(Body &&body) {
    if (fft::caching()) return body(kept_thread_state<State>());
    auto fresh = std::make_unique<State>();
    return body(*fresh);
}

} // namespace corvan
