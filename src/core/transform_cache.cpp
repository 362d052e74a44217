#include "core/transform_cache.hpp"

#include <cstring>

#include "core/buffers.hpp"
#include "core/lru_cache.hpp"
#include "core/plan_cache.hpp"

namespace corvan::fft {

namespace {

// At most 128 transforms of at most 4097 bins: about 8 MB however many
// lengths a host asks for; the least recently used one makes room.
constexpr std::size_t kSlots = 128;
constexpr int kLongestCached = 8192;

struct TransformKey {
    int atomic_number = 0;
    int n = 0;
    bool operator==(const TransformKey &) const = default;
};

using TransformCache = LockedCache<TransformKey, CArray<fftw_complex>, kSlots>;

std::size_t bytes(int n) {
    return sizeof(fftw_complex) * static_cast<std::size_t>(n / 2 + 1);
}

bool cacheable(int n) {
    return caching() && n >= 1 && n <= kLongestCached;
}

} // namespace

bool cached_transform(int atomic_number, int N, fftw_complex *bins) {
    if (!cacheable(N)) return false;
    return process_wide<TransformCache>().locked([&](auto &slots) {
        const CArray<fftw_complex> *kept = slots.find({atomic_number, N});
        if (kept == nullptr) return false;
        std::memcpy(bins, kept->get(), bytes(N));
        return true;
    });
}

void keep_transform(int atomic_number, int N, const fftw_complex *bins) {
    if (!cacheable(N)) return;
    CArray<fftw_complex> copy(static_cast<fftw_complex *>(std::malloc(bytes(N))));
    if (!copy) return; // not kept: the next call computes it again
    std::memcpy(copy.get(), bins, bytes(N));
    process_wide<TransformCache>().locked([&](auto &slots) {
        if (!slots.contains({atomic_number, N})) slots.keep({atomic_number, N}, std::move(copy));
        return 0;
    });
}

} // namespace corvan::fft
