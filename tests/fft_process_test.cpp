// The FFT caches over a process's life: exiting while other threads are
// inside FFT calls, and fork() while they are, followed by calls in the
// child at once.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "core/plan_cache.hpp"
#include "corvan.h"

namespace {

// FFT calls over many lengths, so that plans are made and evicted all the
// time (planning runs under the cache's lock).
void transform_until(const std::atomic<bool> &stop, int seed) {
    std::vector<float> out(4096);
    for (int round = seed; !stop.load(std::memory_order_relaxed); ++round) {
        const int n = 16 + (round * 37) % 3000;
        const int list[5] = {40 + round % 50, 70, 12, 13, 1};
        fft_list_to_dist(list, n, out.data());
    }
}

// Threads that keep calling until the process ends; never joined.
void start_background_transforms(int threads) {
    static std::atomic<bool> never{false};
    for (int i = 0; i < threads; ++i)
        std::thread(transform_until, std::cref(never), i * 11).detach();
}

TEST(FftProcess, ExitingWhileOtherThreadsTransformIsClean) {
    for (int run = 0; run < 25; ++run) {
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            start_background_transforms(3);
            usleep(2000 + 300 * run);
            std::exit(0); // runs static destructors, as returning from main does
        }
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
            << "run " << run << ": status " << status;
    }
}

TEST(FftProcess, AChildForkedDuringTransformsCanCallAtOnce) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    // This compiler's sanitizer runtime keeps its own allocator locks across
    // fork(), so a child may hang inside malloc whatever the library does.
    GTEST_SKIP() << "the sanitizer's allocator is not fork-safe";
#endif
    std::atomic<bool> stop{false};
    corvan::fft::set_caching(false); // every transform plans under the lock
    std::vector<std::thread> threads;
    for (int i = 0; i < 3; ++i) threads.emplace_back(transform_until, std::cref(stop), i * 7);
    int stuck = 0;
    for (int run = 0; run < 40; ++run) {
        usleep(500);
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            alarm(5); // a child stuck on the lock dies of SIGALRM
            std::vector<float> out(1000);
            const int list[5] = {44, 70, 12, 13, 1};
            const bool ok = fft_list_to_dist(list, 1000, out.data()) > 0 &&
                            fft_pep_seq_to_dist("PEPTIDE", out.data(), 64, 0) > 0;
            _exit(ok ? 0 : 1);
        }
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        stuck += !(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    stop = true;
    for (auto &thread : threads) thread.join();
    corvan::fft::set_caching(true);
    EXPECT_EQ(stuck, 0);
}

} // namespace
