#include "core/plan_cache.hpp"

#include <array>
#include <atomic>
#include <cstdint>
#include <mutex>

#include <pthread.h>

#include "core/buffers.hpp"

namespace corvan::fft {

namespace {

enum class Kind { forward, inverse };

// Enough for every length the front-ends use and a host's handful of
// formula lengths; a host cycling through many lengths evicts the least
// recently used plan instead of growing the cache.
constexpr std::size_t kSlots = 32;

struct Slot {
    fftw_plan plan = nullptr;
    Kind kind = Kind::forward;
    int n = 0;
    int users = 0; // calls executing the plan now; such a slot is not evicted
    std::uint64_t last_use = 0;
};

// The one cache is never destroyed (see cache()), so it has no destructor:
// its plans live as long as the process.
class PlanCache {
  public:
    bool run(Kind kind, int n, void *in, void *out) {
        if (!enabled_ || !aligned(in, out)) return run_fresh(kind, n, in, out);
        Slot *slot = acquire(kind, n, in, out);
        if (slot == nullptr) return run_fresh(kind, n, in, out);
        execute(slot->plan, kind, in, out);
        release(slot);
        return true;
    }

    // A plan kept out of eviction for its holder, who runs it with
    // execute() and gives it back with release(); null when the cache
    // cannot hold one (caching off, arrays not aligned, every slot in use).
    Slot *hold(Kind kind, int n, void *in, void *out) {
        if (!enabled_ || !aligned(in, out)) return nullptr;
        return acquire(kind, n, in, out);
    }

    void release(Slot *slot) {
        std::lock_guard<std::mutex> lock(mutex_);
        --slot->users;
    }

    static void execute(fftw_plan plan, Kind kind, void *in, void *out) {
        if (kind == Kind::forward)
            fftw_execute_dft_r2c(plan, static_cast<double *>(in), static_cast<fftw_complex *>(out));
        else
            fftw_execute_dft_c2r(plan, static_cast<fftw_complex *>(in), static_cast<double *>(out));
    }

    bool holds(Kind kind, int n) {
        std::lock_guard<std::mutex> lock(mutex_);
        return find(kind, n) != nullptr;
    }

    void set_enabled(bool enabled) { enabled_ = enabled; }
    bool enabled() const { return enabled_; }

    // fork() copies only the forking thread. Holding the lock across it
    // keeps the planner and the slots consistent in the child, whose
    // other threads (and so their executions) are gone.
    void before_fork() { mutex_.lock(); }
    void after_fork_in_parent() { mutex_.unlock(); }
    void after_fork_in_child() {
        for (auto &slot : slots_) slot.users = 0;
        mutex_.unlock();
    }

  private:
    // Plans are made on FFTW-allocated arrays; new-array execution needs
    // arrays of the same (SIMD) alignment.
    static bool aligned(const void *in, const void *out) {
        return fftw_alignment_of(static_cast<double *>(const_cast<void *>(in))) == 0 &&
               fftw_alignment_of(static_cast<double *>(const_cast<void *>(out))) == 0;
    }

    static fftw_plan make(Kind kind, int n, void *in, void *out) {
        // FFTW_ESTIMATE neither measures nor touches the arrays.
        return kind == Kind::forward
                   ? fftw_plan_dft_r2c_1d(n, static_cast<double *>(in),
                                          static_cast<fftw_complex *>(out), FFTW_ESTIMATE)
                   : fftw_plan_dft_c2r_1d(n, static_cast<fftw_complex *>(in),
                                          static_cast<double *>(out), FFTW_ESTIMATE);
    }

    bool run_fresh(Kind kind, int n, void *in, void *out) {
        fftw_plan plan = nullptr;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            plan = make(kind, n, in, out);
        }
        if (plan == nullptr) return false;
        fftw_execute(plan);
        std::lock_guard<std::mutex> lock(mutex_);
        fftw_destroy_plan(plan);
        return true;
    }

    Slot *acquire(Kind kind, int n, void *in, void *out) {
        std::lock_guard<std::mutex> lock(mutex_);
        Slot *slot = find(kind, n);
        if (slot == nullptr) {
            slot = evictable();
            if (slot == nullptr) return nullptr;
            fftw_plan plan = make(kind, n, in, out);
            if (plan == nullptr) return nullptr;
            if (slot->plan != nullptr) fftw_destroy_plan(slot->plan);
            *slot = Slot{plan, kind, n, 0, 0};
        }
        ++slot->users;
        slot->last_use = ++clock_;
        return slot;
    }

    Slot *find(Kind kind, int n) {
        for (auto &slot : slots_)
            if (slot.plan != nullptr && slot.kind == kind && slot.n == n) return &slot;
        return nullptr;
    }

    // An empty slot, else the least recently used one that nobody executes.
    Slot *evictable() {
        Slot *best = nullptr;
        for (auto &slot : slots_) {
            if (slot.plan == nullptr) return &slot;
            if (slot.users == 0 && (best == nullptr || slot.last_use < best->last_use))
                best = &slot;
        }
        return best;
    }

    std::mutex mutex_;
    std::array<Slot, kSlots> slots_{};
    std::uint64_t clock_ = 0;
    std::atomic<bool> enabled_{true};
};

PlanCache &cache();

extern "C" void plan_cache_before_fork() {
    cache().before_fork();
}
extern "C" void plan_cache_after_fork_in_parent() {
    cache().after_fork_in_parent();
}
extern "C" void plan_cache_after_fork_in_child() {
    cache().after_fork_in_child();
}

// Made on first use and never destroyed: a process may return from main
// while other threads still execute cached plans, and static destruction
// must not pull the plans (or the lock) from under them.
PlanCache &cache() {
    static PlanCache *const instance = [] {
        auto *made = new PlanCache;
        pthread_atfork(plan_cache_before_fork, plan_cache_after_fork_in_parent,
                       plan_cache_after_fork_in_child);
        return made;
    }();
    return *instance;
}

} // namespace

bool forward(int N, double *grid, fftw_complex *bins) {
    return cache().run(Kind::forward, N, grid, bins);
}

bool inverse(int N, fftw_complex *bins, double *grid) {
    return cache().run(Kind::inverse, N, bins, grid);
}

HeldInverses::~HeldInverses() {
    for (Held &held : held_)
        if (held.slot != nullptr) cache().release(static_cast<Slot *>(held.slot));
}

HeldInverses::Held *HeldInverses::find_or_hold(int N, fftw_complex *bins, double *grid) {
    Held *oldest = &held_[0];
    for (Held &held : held_) {
        if (held.slot != nullptr && held.n == N) return &held;
        if (held.slot == nullptr || (oldest->slot != nullptr && held.last_use < oldest->last_use))
            oldest = &held;
    }
    Slot *slot = cache().hold(Kind::inverse, N, bins, grid);
    if (slot == nullptr) return nullptr;
    if (oldest->slot != nullptr) cache().release(static_cast<Slot *>(oldest->slot));
    *oldest = Held{slot, slot->plan, N, 0};
    return oldest;
}

bool HeldInverses::run(int N, fftw_complex *bins, double *grid) {
    // Checked on every run: a plan is made for aligned arrays, and turning
    // caching off must take effect at once.
    if (!caching() || fftw_alignment_of(grid) != 0 ||
        fftw_alignment_of(reinterpret_cast<double *>(bins)) != 0)
        return inverse(N, bins, grid);
    Held *held = find_or_hold(N, bins, grid);
    if (held == nullptr) return inverse(N, bins, grid);
    held->last_use = ++clock_;
    PlanCache::execute(held->plan, Kind::inverse, bins, grid);
    return true;
}

void set_caching(bool enabled) {
    cache().set_enabled(enabled);
}
bool caching() {
    return cache().enabled();
}

bool plan_cached(bool forward, int N) {
    return cache().holds(forward ? Kind::forward : Kind::inverse, N);
}

} // namespace corvan::fft
