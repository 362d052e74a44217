// State a call keeps on its thread from call to call (scratch buffers, held
// plans), so that a call allocates nothing but its result; with the caches
// turned off (fft::set_caching) each call gets a fresh one of its own.
#pragma once

#include <memory>

#include "core/plan_cache.hpp"

namespace corvan {

template <class State, class Body> auto with_thread_state(Body &&body) {
    if (fft::caching()) {
        thread_local State kept;
        return body(kept);
    }
    auto fresh = std::make_unique<State>();
    return body(*fresh);
}

} // namespace corvan
