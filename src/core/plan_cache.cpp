#include "core/plan_cache.hpp"

#include <atomic>
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

struct PlanKey {
    Kind kind = Kind::forward;
    int n = 0;
    bool operator==(const PlanKey &) const = default;
};

// FFTW's planner (making and destroying plans) is not re-entrant: it runs
// under this lock, always taken after the cache's (a plan may be destroyed
// while the cache evicts it). Executing a plan needs no lock.
// Constant-initialised (no allocation, usable from any thread at any time).
constinit std::mutex g_planner_lock;

// Held across fork() like the caches' locks. Registered before the plan
// cache's handlers (see PlanCache()), so that fork() takes the cache's lock
// first and then this one, the order every thread takes them in.
std::mutex &planner_lock() {
    static const bool registered = [] {
        pthread_atfork([] { g_planner_lock.lock(); }, [] { g_planner_lock.unlock(); },
                       [] { g_planner_lock.unlock(); });
        return true;
    }();
    (void)registered;
    return g_planner_lock;
}

} // namespace

struct Plan {
    fftw_plan plan = nullptr;
    std::atomic<int> references{1};
    ~Plan() {
        std::lock_guard<std::mutex> lock(planner_lock());
        fftw_destroy_plan(plan);
    }
};

PlanRef::PlanRef(const PlanRef &other) noexcept : plan_(other.plan_) {
    if (plan_ != nullptr) plan_->references.fetch_add(1, std::memory_order_relaxed);
}

PlanRef::~PlanRef() {
    if (plan_ != nullptr && plan_->references.fetch_sub(1, std::memory_order_acq_rel) == 1)
        delete plan_;
}

bool PlanRef::shared() const {
    return plan_ != nullptr && plan_->references.load(std::memory_order_relaxed) > 1;
}

namespace {

using SharedPlan = PlanRef;

// Plans are made on FFTW-allocated arrays; new-array execution needs
// arrays of the same (SIMD) alignment.
bool aligned(const void *in, const void *out) {
    return fftw_alignment_of(static_cast<double *>(const_cast<void *>(in))) == 0 &&
           fftw_alignment_of(static_cast<double *>(const_cast<void *>(out))) == 0;
}

fftw_plan make_plan(Kind kind, int n, void *in, void *out) {
    std::lock_guard<std::mutex> lock(planner_lock());
    // FFTW_ESTIMATE neither measures nor touches the arrays.
    return kind == Kind::forward
               ? fftw_plan_dft_r2c_1d(n, static_cast<double *>(in),
                                      static_cast<fftw_complex *>(out), FFTW_ESTIMATE)
               : fftw_plan_dft_c2r_1d(n, static_cast<fftw_complex *>(in),
                                      static_cast<double *>(out), FFTW_ESTIMATE);
}

void execute(fftw_plan plan, Kind kind, void *in, void *out) {
    if (kind == Kind::forward)
        fftw_execute_dft_r2c(plan, static_cast<double *>(in), static_cast<fftw_complex *>(out));
    else
        fftw_execute_dft_c2r(plan, static_cast<fftw_complex *>(in), static_cast<double *>(out));
}

// The plans, each shared with those who run or hold it; one that someone
// holds is busy, and evicted only when every slot is busy (it then lives
// on with its holders).
class PlanCache : public LockedCache<PlanKey, SharedPlan, kSlots> {
  public:
    PlanCache() { planner_lock(); }

    // The cached plan of (kind, n), made when missing; null when no plan
    // can be made (or a plan object cannot be allocated).
    SharedPlan acquire(Kind kind, int n, void *in, void *out) {
        return locked([&](auto &slots) -> SharedPlan {
            if (const SharedPlan *found = slots.find({kind, n})) return *found;
            fftw_plan plan = make_plan(kind, n, in, out);
            if (plan == nullptr) return SharedPlan();
            auto *made = new (std::nothrow) Plan{plan};
            if (made == nullptr) {
                std::lock_guard<std::mutex> lock(planner_lock());
                fftw_destroy_plan(plan);
                return SharedPlan();
            }
            return slots.keep({kind, n}, SharedPlan(made),
                              [](const SharedPlan &kept) { return kept.shared(); });
        });
    }
};

std::atomic<bool> g_caching{true};

PlanCache &cache() {
    return process_wide<PlanCache>();
}

bool run_fresh(Kind kind, int n, void *in, void *out) {
    fftw_plan plan = make_plan(kind, n, in, out);
    if (plan == nullptr) return false;
    execute(plan, kind, in, out);
    std::lock_guard<std::mutex> lock(planner_lock());
    fftw_destroy_plan(plan);
    return true;
}

// A cached plan when caching is on and the arrays suit one, else a fresh
// plan made and destroyed around the transform: the bits are the same.
bool run(Kind kind, int n, void *in, void *out) {
    if (!caching() || !aligned(in, out)) return run_fresh(kind, n, in, out);
    const SharedPlan plan = cache().acquire(kind, n, in, out);
    if (!plan) return run_fresh(kind, n, in, out);
    execute(plan.get()->plan, kind, in, out);
    return true;
}

} // namespace

bool forward(int N, double *grid, fftw_complex *bins) {
    return run(Kind::forward, N, grid, bins);
}

bool inverse(int N, fftw_complex *bins, double *grid) {
    return run(Kind::inverse, N, bins, grid);
}

bool HeldInverses::run(int N, fftw_complex *bins, double *grid) {
    // Checked on every run: a plan is made for aligned arrays, and turning
    // caching off must take effect at once.
    if (!caching() || !aligned(bins, grid)) return inverse(N, bins, grid);
    PlanRef *held = held_.find(N);
    if (held == nullptr) {
        PlanRef plan = cache().acquire(Kind::inverse, N, bins, grid);
        if (!plan) return inverse(N, bins, grid);
        held = &held_.keep(N, std::move(plan));
    }
    execute(held->get()->plan, Kind::inverse, bins, grid);
    return true;
}

void set_caching(bool enabled) {
    planner_lock(); // its fork handlers registered before any transform runs
    g_caching = enabled;
}
bool caching() {
    return g_caching;
}

bool plan_cached(bool forward, int N) {
    return cache().locked([&](auto &slots) {
        return slots.contains({forward ? Kind::forward : Kind::inverse, N});
    });
}

} // namespace corvan::fft
