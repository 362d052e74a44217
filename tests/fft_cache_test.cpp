// Cached plans and element transforms give the same bytes as planning and
// computing afresh, and FFT calls may run on several threads at once.
#include <barrier>
#include <cstring>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "core/buffers.hpp"
#include "core/plan_cache.hpp"
#include "core/transform_cache.hpp"
#include "corvan.h"

namespace {

class CachingGuard {
  public:
    ~CachingGuard() {
        corvan::fft::set_caching(true);
        use_precomputed_fft = 1;
    }
};

struct Outcome {
    float peak;
    std::vector<float> out;
    bool operator==(const Outcome &other) const {
        return std::memcmp(&peak, &other.peak, sizeof peak) == 0 &&
               std::memcmp(out.data(), other.out.data(), out.size() * sizeof(float)) == 0;
    }
};

Outcome composition_run(const std::vector<int> &counts, int n) {
    Outcome o{0, std::vector<float>(n)};
    o.peak = fft_list_to_dist(counts.data(), n, o.out.data());
    return o;
}

Outcome formula_run(const std::string &formula, int n) {
    Outcome o{0, std::vector<float>(n)};
    o.peak = corvan_atom(formula.c_str(), o.out.data(), n);
    return o;
}

std::vector<int> random_composition(std::mt19937 &rng) {
    std::uniform_int_distribution<int> c(0, 4000), s(0, 40);
    const int carbon = c(rng);
    return {carbon, carbon * 3 / 2 + s(rng), carbon / 4, carbon / 4 + s(rng), s(rng)};
}

std::string random_formula(std::mt19937 &rng) {
    std::uniform_int_distribution<int> element(0, 108), count(1, 60), terms(1, 5);
    std::string formula;
    for (int t = terms(rng); t > 0; --t)
        formula += element_names[element(rng)] + std::to_string(count(rng));
    return formula;
}

TEST(FftCache, CachedAndFreshPathsGiveIdenticalBytes) {
    CachingGuard guard;
    std::mt19937 rng(20261208);
    std::uniform_int_distribution<int> length(1, 1500);
    const int fixed[] = {64, 128, 1024, 64, 128, 1024};
    for (int round = 0; round < 60; ++round) {
        const int n = round < 6 ? fixed[round] : length(rng);
        use_precomputed_fft = round % 3 == 0 ? 0 : 1;
        const auto counts = random_composition(rng);
        const auto formula = random_formula(rng);
        corvan::fft::set_caching(false);
        const auto fresh_counts = composition_run(counts, n);
        const auto fresh_formula = formula_run(formula, n);
        corvan::fft::set_caching(true);
        for (int twice = 0; twice < 2; ++twice) { // a miss, then a hit
            EXPECT_EQ(composition_run(counts, n), fresh_counts) << "n " << n;
            EXPECT_EQ(formula_run(formula, n), fresh_formula) << formula << " n " << n;
        }
    }
}

TEST(FftCache, ManyLengthsEvictInsteadOfFailing) {
    CachingGuard guard;
    const std::vector<int> counts = {50, 80, 14, 15, 1};
    for (int n = 40; n < 140; ++n) ASSERT_GT(composition_run(counts, n).peak, 0.0f) << n;
    const auto again = composition_run(counts, 40);
    corvan::fft::set_caching(false);
    EXPECT_EQ(again, composition_run(counts, 40));
}

TEST(FftCache, TheLeastRecentlyUsedPlanMakesRoom) {
    CachingGuard guard;
    const std::vector<int> counts = {50, 80, 14, 15, 1};
    // 32 slots: each length takes two (forward for the element transforms,
    // inverse for the result), so 16 lengths fill the cache.
    for (int n = 3001; n <= 3016; ++n) composition_run(counts, n);
    composition_run(counts, 3001); // now the most recent
    for (int n = 3017; n <= 3020; ++n) {
        composition_run(counts, n);
        EXPECT_TRUE(corvan::fft::plan_cached(true, n)) << n;
        EXPECT_TRUE(corvan::fft::plan_cached(false, n)) << n;
    }
    EXPECT_TRUE(corvan::fft::plan_cached(false, 3001)) << "used again, kept";
    EXPECT_FALSE(corvan::fft::plan_cached(false, 3002)) << "least recent, evicted";
}

// An inverse transform of length n of fixed bins, run by `run`.
template <class Run> std::vector<double> inverse_of(int n, Run &&run) {
    auto bins = corvan::fftw_complex_array(n / 2 + 1);
    auto grid = corvan::fftw_real_array(n);
    for (int k = 0; k <= n / 2; ++k) {
        bins[k][0] = 1.0 / (k + 1);
        bins[k][1] = k % 3 == 0 ? 0.0 : 0.5 / (k + 2);
    }
    EXPECT_TRUE(run(n, bins.get(), grid.get()));
    return std::vector<double>(grid.get(), grid.get() + n);
}

TEST(FftCache, HeldPlansGiveIdenticalBytesAndStayUntilLetGo) {
    CachingGuard guard;
    const auto plain = [](int n, fftw_complex *b, double *g) {
        return corvan::fft::inverse(n, b, g);
    };
    {
        corvan::fft::HeldInverses held;
        const auto run_held = [&](int n, fftw_complex *b, double *g) { return held.run(n, b, g); };
        // More lengths than an owner holds, so older ones are let go.
        for (int n : {5001, 5002, 5003, 5004, 5005, 5001})
            EXPECT_EQ(inverse_of(n, run_held), inverse_of(n, plain)) << n;
        for (int n = 5100; n < 5140; ++n) inverse_of(n, plain); // would evict an unheld plan
        EXPECT_TRUE(corvan::fft::plan_cached(false, 5001)) << "held, never evicted";
    }
    for (int n = 5200; n < 5240; ++n) inverse_of(n, plain);
    EXPECT_FALSE(corvan::fft::plan_cached(false, 5001)) << "let go with its owner";
}

TEST(FftCache, MoreHoldersThanSlotsLeaveRoomForNewLengths) {
    CachingGuard guard;
    constexpr int kThreads = 40; // the cache has 32 slots
    std::barrier holding(kThreads + 1), release(kThreads + 1);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([&, t] {
            corvan::fft::HeldInverses held;
            inverse_of(6000 + t,
                       [&](int n, fftw_complex *b, double *g) { return held.run(n, b, g); });
            holding.arrive_and_wait();
            release.arrive_and_wait();
        });
    holding.arrive_and_wait();
    const auto plain = [](int n, fftw_complex *b, double *g) {
        return corvan::fft::inverse(n, b, g);
    };
    const auto cached = inverse_of(6100, plain);
    EXPECT_TRUE(corvan::fft::plan_cached(false, 6100))
        << "every slot held, a new length still kept";
    corvan::fft::set_caching(false);
    EXPECT_EQ(cached, inverse_of(6100, plain));
    release.arrive_and_wait();
    for (auto &thread : threads) thread.join();
}

TEST(FftCache, ComputedElementTransformsAreKept) {
    CachingGuard guard;
    const int n = 4001;
    std::vector<fftw_complex> bins(n / 2 + 1);
    EXPECT_FALSE(corvan::fft::cached_transform(16, n, bins.data()));
    composition_run({1, 1, 1, 1, 1}, n);
    for (int atomic_number : {1, 6, 7, 8, 16})
        EXPECT_TRUE(corvan::fft::cached_transform(atomic_number, n, bins.data())) << atomic_number;
    // The kept copy is the transform itself.
    std::vector<fftw_complex> fresh(n / 2 + 1);
    corvan::fft::set_caching(false);
    ASSERT_EQ(setup_ft(16, fresh.data(), n, n / 2 + 1), 0);
    EXPECT_EQ(std::memcmp(fresh.data(), bins.data(), sizeof(fftw_complex) * (n / 2 + 1)), 0);
}

TEST(FftCache, ConcurrentCallsMatchSerialOnes) {
    const std::vector<std::vector<int>> compositions = {
        {89, 140, 24, 27, 1}, {2223, 3490, 611, 665, 19}, {0, 2, 0, 1, 0}, {300, 480, 90, 88, 4}};
    const int lengths[] = {64, 128, 1024, 200};
    std::vector<Outcome> serial;
    for (std::size_t i = 0; i < compositions.size(); ++i)
        serial.push_back(composition_run(compositions[i], lengths[i]));
    const Outcome glucose = formula_run("C6H12O6", 300);

    std::vector<int> mismatches(4, 0);
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            for (int round = 0; round < 25; ++round) {
                const std::size_t i = static_cast<std::size_t>(t + round) % compositions.size();
                if (!(composition_run(compositions[i], lengths[i]) == serial[i])) ++mismatches[t];
                if (!(formula_run("C6H12O6", 300) == glucose)) ++mismatches[t];
                std::vector<float> out(64);
                const int brain_counts[5] = {89, 140, 24, 27, 1};
                if (brain_list_to_dist(brain_counts, 64, out.data()) <= 0) ++mismatches[t];
            }
        });
    }
    for (auto &thread : threads) thread.join();
    for (int t = 0; t < 4; ++t) EXPECT_EQ(mismatches[t], 0) << "thread " << t;
}

} // namespace
