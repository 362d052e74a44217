#include "core/transform_cache.hpp"

#include <array>
#include <cstdint>
#include <cstring>
#include <mutex>

#include <pthread.h>

#include "core/buffers.hpp"
#include "core/plan_cache.hpp"

namespace corvan::fft {

namespace {

// At most 128 transforms of at most 4097 bins: about 8 MB however many
// lengths a host asks for; the least recently used one makes room.
constexpr std::size_t kSlots = 128;
constexpr int kLongestCached = 8192;

struct Entry {
    int atomic_number = 0;
    int n = 0;
    CArray<fftw_complex> bins;
    std::uint64_t last_use = 0;
};

class TransformCache {
  public:
    bool copy_out(int atomic_number, int n, fftw_complex *bins) {
        std::lock_guard<std::mutex> lock(mutex_);
        for (auto &entry : entries_) {
            if (!entry.bins || entry.atomic_number != atomic_number || entry.n != n) continue;
            std::memcpy(bins, entry.bins.get(), bytes(n));
            entry.last_use = ++clock_;
            return true;
        }
        return false;
    }

    void keep(int atomic_number, int n, const fftw_complex *bins) {
        CArray<fftw_complex> copy(static_cast<fftw_complex *>(std::malloc(bytes(n))));
        if (!copy) return; // not kept: the next call computes it again
        std::memcpy(copy.get(), bins, bytes(n));
        std::lock_guard<std::mutex> lock(mutex_);
        Entry &slot = least_recent();
        slot = Entry{atomic_number, n, std::move(copy), ++clock_};
    }

    // As the plan cache: the lock is held across fork() so that the child
    // finds the entries consistent and the lock free.
    void before_fork() { mutex_.lock(); }
    void after_fork() { mutex_.unlock(); }

  private:
    static std::size_t bytes(int n) {
        return sizeof(fftw_complex) * static_cast<std::size_t>(n / 2 + 1);
    }

    Entry &least_recent() {
        Entry *oldest = &entries_[0];
        for (auto &entry : entries_) {
            if (!entry.bins) return entry;
            if (entry.last_use < oldest->last_use) oldest = &entry;
        }
        return *oldest;
    }

    std::mutex mutex_;
    std::array<Entry, kSlots> entries_{};
    std::uint64_t clock_ = 0;
};

TransformCache &cache();

extern "C" void transform_cache_before_fork() {
    cache().before_fork();
}
extern "C" void transform_cache_after_fork() {
    cache().after_fork();
}

// Never destroyed, like the plan cache: threads may still copy transforms
// out while the process exits.
TransformCache &cache() {
    static TransformCache *const instance = [] {
        auto *made = new TransformCache;
        pthread_atfork(transform_cache_before_fork, transform_cache_after_fork,
                       transform_cache_after_fork);
        return made;
    }();
    return *instance;
}

bool cacheable(int n) {
    return caching() && n >= 1 && n <= kLongestCached;
}

} // namespace

bool cached_transform(int atomic_number, int N, fftw_complex *bins) {
    return cacheable(N) && cache().copy_out(atomic_number, N, bins);
}

void keep_transform(int atomic_number, int N, const fftw_complex *bins) {
    if (cacheable(N)) cache().keep(atomic_number, N, bins);
}

} // namespace corvan::fft
