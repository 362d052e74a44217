// Owning pointers for the C allocations the library makes. Every working
// array is obtained with calloc/malloc or the FFTW allocator (never with
// new), so an allocation failure shows up as a null pointer that the call
// turns into its failure result instead of an exception or an abort.
#pragma once

#include <cstddef>
#include <cstdlib>
#include <memory>

#include <fftw3.h>

namespace corvan {

struct FreeDeleter {
    void operator()(void *p) const noexcept { std::free(p); }
};
struct FftwDeleter {
    void operator()(void *p) const noexcept { fftw_free(p); }
};

template <class T> using CArray = std::unique_ptr<T[], FreeDeleter>;
template <class T> using FftwArray = std::unique_ptr<T[], FftwDeleter>;

// Zero-filled array of `count` elements; null on failure or count < 1.
template <class T> CArray<T> zeroed_array(long long count) {
    if (count < 1) return CArray<T>();
    return CArray<T>(static_cast<T *>(std::calloc(static_cast<size_t>(count), sizeof(T))));
}

inline FftwArray<fftw_complex> fftw_complex_array(long long count) {
    if (count < 1) return FftwArray<fftw_complex>();
    return FftwArray<fftw_complex>(fftw_alloc_complex(static_cast<size_t>(count)));
}

inline FftwArray<double> fftw_real_array(long long count) {
    if (count < 1) return FftwArray<double>();
    return FftwArray<double>(fftw_alloc_real(static_cast<size_t>(count)));
}

} // namespace corvan
