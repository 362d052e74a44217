// Internal helpers around NetWeights shared by the weight-set functions, the
// catalogue and the custom-model runner.
#pragma once

#include <cstddef>

#include "corvan.h"

namespace corvan::nn {

// The size rule of SetupWeights: true when n * input_size and n * n stay
// within 2147483647 and so does the total 3n + n * input_size + 2n^2 (in
// 64-bit arithmetic). Both sizes must be at least 1.
bool weight_set_fits(int input_size, int n);

// Copies `count` little-endian binary32 values starting at `bytes`, which
// may have any alignment, into `floats`. Nothing is copied for count < 1.
void copy_blob_floats(float *floats, const unsigned char *bytes, long long count);

// True when none of the six arrays is NULL.
bool has_all_arrays(const NetWeights &weights);

// True when every one of the `count` values is finite. Finite weights can
// still overflow to infinities and NaN, which must not pass as a result.
bool all_finite(const float *values, int count);

// Owns one weight set for the length of a call and releases it on every
// path, also when a later step fails.
class OwnedWeights {
  public:
    explicit OwnedWeights(NetWeights weights) : weights_(weights) {}
    ~OwnedWeights() { FreeCorvanWeights(weights_); }
    OwnedWeights(const OwnedWeights &) = delete;
    OwnedWeights &operator=(const OwnedWeights &) = delete;

    const NetWeights &get() const { return weights_; }
    bool complete() const { return has_all_arrays(weights_); }
    void release() {
        FreeCorvanWeights(weights_);
        weights_ = NetWeights{};
    }

  private:
    NetWeights weights_;
};

} // namespace corvan::nn
