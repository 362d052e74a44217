// Allocation-failure injection for the test program that links it: the
// program's own malloc family (forwarding to glibc's __libc_* entry points),
// and wrappers of the FFTW calls the library makes, counting every
// allocation and plan as an "event" while armed, failing the k-th one on
// request, and tracking which allocations made while armed are still live.
//
// Allocations inside FFTW's planner and plan execution are neither failed
// nor tracked: FFTW aborts on its own allocation failures and keeps planner
// state (wisdom) for the process, neither of which is the library's doing. A failed plan
// is injected at the plan call instead, which is what the library sees.
//
// Only for builds without ASan/TSan, which intercept allocation themselves.
//
// It defines malloc and friends, so exactly one source of a program
// includes it (tests/alloc_failure_test.cpp).
#pragma once

// available(): the hooks are compiled in (no sanitizer interception).
// arm(k): count events from now on and fail the k-th (1-based; 0: none);
//   forgets earlier tracked allocations.
// disarm(): stop; returns the number of events seen while armed.
// injected(): whether the k-th event was reached (and failed).
// live(): allocations made while armed, outside the planner, not yet freed.
// live_callers(): return addresses of the calls that made them.

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define CORVAN_ALLOC_HOOKS 0
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer) ||                         \
    __has_feature(memory_sanitizer)
#define CORVAN_ALLOC_HOOKS 0
#endif
#endif
#ifndef CORVAN_ALLOC_HOOKS
#define CORVAN_ALLOC_HOOKS 1
#endif

#if !CORVAN_ALLOC_HOOKS

namespace alloc_hooks {
inline bool available() {
    return false;
}
inline void arm(long) {}
inline long disarm() {
    return 0;
}
inline bool injected() {
    return false;
}
inline long live() {
    return 0;
}
inline int live_callers(void **, int) {
    return 0;
}
inline void clear_live() {}
} // namespace alloc_hooks

#else

#include <dlfcn.h>
#include <fftw3.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>

extern "C" {
void *__libc_malloc(size_t);
void *__libc_calloc(size_t, size_t);
void *__libc_realloc(void *, size_t);
void __libc_free(void *);
void *__libc_memalign(size_t, size_t);
}

namespace {

// Plain globals: the tests are single-threaded while armed, and nothing here
// may allocate.
bool g_armed = false;
long g_events = 0;
long g_fail_at = 0;
bool g_injected = false;
int g_in_planner = 0;    // inside FFTW planning or execution: no events, no tracking
int g_in_fftw_alloc = 0; // inside fftw_malloc: tracked, not another event

// Open-addressing set of live pointers allocated while armed.
constexpr size_t kSlots = 1 << 16;
void *g_slots[kSlots];
void *g_callers[kSlots]; // who allocated it: for the leak report
void *const kTomb = reinterpret_cast<void *>(1);
long g_live = 0;

size_t slot_of(void *p) {
    uintptr_t h = reinterpret_cast<uintptr_t>(p);
    h ^= h >> 17;
    h *= 0x9e3779b97f4a7c15ull;
    return static_cast<size_t>(h >> 20) & (kSlots - 1);
}

void track(void *p, void *caller) {
    if (!p || !g_armed || g_in_planner) return;
    for (size_t i = slot_of(p), n = 0; n < kSlots; i = (i + 1) & (kSlots - 1), ++n) {
        if (g_slots[i] == nullptr || g_slots[i] == kTomb) {
            g_slots[i] = p;
            g_callers[i] = caller;
            ++g_live;
            return;
        }
    }
}

void untrack(void *p) {
    if (!p || g_live == 0) return;
    for (size_t i = slot_of(p), n = 0; n < kSlots; i = (i + 1) & (kSlots - 1), ++n) {
        if (g_slots[i] == nullptr) return;
        if (g_slots[i] == p) {
            g_slots[i] = kTomb;
            --g_live;
            return;
        }
    }
}

// True when this allocation is to fail.
bool event() {
    if (!g_armed || g_in_planner || g_in_fftw_alloc) return false;
    ++g_events;
    if (g_events == g_fail_at) {
        g_injected = true;
        return true;
    }
    return false;
}

// One counted allocation: fails as malloc does when this event is the
// chosen one, else allocates and records the hook's caller.
template <class Allocate> void *counted(void *caller, Allocate allocate) {
    if (event()) {
        errno = ENOMEM;
        return nullptr;
    }
    void *p = allocate();
    track(p, caller);
    return p;
}

// Runs a call into FFTW with events and tracking paused: FFTW aborts
// rather than report its own failed allocations.
template <class Call> auto inside_fftw(Call call) {
    struct Paused {
        Paused() { ++g_in_planner; }
        ~Paused() { --g_in_planner; }
    } paused;
    return call();
}

template <class F> F next(const char *name) {
    return reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
}

using alloc_fn = void *(*)(size_t);
using plan_r2c_fn = fftw_plan (*)(int, double *, fftw_complex *, unsigned);
using plan_c2r_fn = fftw_plan (*)(int, fftw_complex *, double *, unsigned);
using destroy_fn = void (*)(fftw_plan);
using execute_fn = void (*)(fftw_plan);
using execute_r2c_fn = void (*)(fftw_plan, double *, fftw_complex *);
using execute_c2r_fn = void (*)(fftw_plan, fftw_complex *, double *);

// Resolved before main, while nothing is armed.
struct Real {
    alloc_fn fftw_malloc_ = next<alloc_fn>("fftw_malloc");
    plan_r2c_fn r2c = next<plan_r2c_fn>("fftw_plan_dft_r2c_1d");
    plan_c2r_fn c2r = next<plan_c2r_fn>("fftw_plan_dft_c2r_1d");
    destroy_fn destroy = next<destroy_fn>("fftw_destroy_plan");
    execute_fn execute = next<execute_fn>("fftw_execute");
    execute_r2c_fn execute_r2c = next<execute_r2c_fn>("fftw_execute_dft_r2c");
    execute_c2r_fn execute_c2r = next<execute_c2r_fn>("fftw_execute_dft_c2r");
};
Real &real() {
    static Real r;
    return r;
}
const Real &g_real_init = real();

} // namespace

extern "C" {

void *malloc(size_t size) {
    return counted(__builtin_return_address(0), [size] { return __libc_malloc(size); });
}

void *calloc(size_t count, size_t size) {
    return counted(__builtin_return_address(0), [=] { return __libc_calloc(count, size); });
}

void *realloc(void *old, size_t size) {
    if (old == nullptr) return malloc(size);
    if (size == 0) {
        untrack(old);
        return __libc_realloc(old, 0);
    }
    if (event()) {
        errno = ENOMEM;
        return nullptr;
    }
    void *p = __libc_realloc(old, size);
    if (p) {
        untrack(old);
        track(p, __builtin_return_address(0));
    }
    return p;
}

void free(void *p) {
    untrack(p);
    __libc_free(p);
}

void *memalign(size_t alignment, size_t size) {
    return counted(__builtin_return_address(0), [=] { return __libc_memalign(alignment, size); });
}

void *aligned_alloc(size_t alignment, size_t size) {
    return memalign(alignment, size);
}

int posix_memalign(void **result, size_t alignment, size_t size) {
    void *p = memalign(alignment, size);
    if (!p) return ENOMEM;
    *result = p;
    return 0;
}

void *valloc(size_t size) {
    return memalign(4096, size);
}

// The library's FFTW allocations: one event each; the inner memalign is
// tracked but not counted again.
void *fftw_malloc(size_t size) {
    if (event()) return nullptr;
    ++g_in_fftw_alloc;
    void *p = real().fftw_malloc_(size);
    --g_in_fftw_alloc;
    return p;
}
double *fftw_alloc_real(size_t count) {
    return static_cast<double *>(fftw_malloc(sizeof(double) * count));
}
fftw_complex *fftw_alloc_complex(size_t count) {
    return static_cast<fftw_complex *>(fftw_malloc(sizeof(fftw_complex) * count));
}

fftw_plan fftw_plan_dft_r2c_1d(int n, double *in, fftw_complex *out, unsigned flags) {
    if (event()) return nullptr;
    return inside_fftw([&] { return real().r2c(n, in, out, flags); });
}
fftw_plan fftw_plan_dft_c2r_1d(int n, fftw_complex *in, double *out, unsigned flags) {
    if (event()) return nullptr;
    return inside_fftw([&] { return real().c2r(n, in, out, flags); });
}
void fftw_destroy_plan(fftw_plan plan) {
    inside_fftw([&] { real().destroy(plan); });
}
// Executing some plans (prime lengths, buffered solvers) allocates scratch
// space inside FFTW, which likewise aborts if that fails.
void fftw_execute(const fftw_plan plan) {
    inside_fftw([&] { real().execute(plan); });
}
void fftw_execute_dft_r2c(const fftw_plan plan, double *in, fftw_complex *out) {
    inside_fftw([&] { real().execute_r2c(plan, in, out); });
}
void fftw_execute_dft_c2r(const fftw_plan plan, fftw_complex *in, double *out) {
    inside_fftw([&] { real().execute_c2r(plan, in, out); });
}

} // extern "C"

namespace alloc_hooks {
// Under valgrind, whose memcheck replaces the allocator of the whole
// process, the hooks see nothing useful.
inline bool available() {
    const char *preload = std::getenv("LD_PRELOAD");
    return !(preload && std::strstr(preload, "vgpreload"));
}
inline void arm(long fail_at) {
    std::memset(g_slots, 0, sizeof g_slots);
    g_live = 0;
    g_events = 0;
    g_fail_at = fail_at;
    g_injected = false;
    g_armed = true;
}
inline long disarm() {
    g_armed = false;
    return g_events;
}
inline bool injected() {
    return g_injected;
}
inline long live() {
    return g_live;
}
// Return addresses of the allocation calls still live (for reports).
inline int live_callers(void **callers, int max) {
    int count = 0;
    for (size_t i = 0; i < kSlots && count < max; ++i)
        if (g_slots[i] != nullptr && g_slots[i] != kTomb) callers[count++] = g_callers[i];
    return count;
}
inline void clear_live() {
    std::memset(g_slots, 0, sizeof g_slots);
    g_live = 0;
}
} // namespace alloc_hooks

#endif
