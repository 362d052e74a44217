#include "core/frame.hpp"

#include <algorithm>
#include <cstring>

#include "corvan.h"

namespace corvan::frame {

bool begin(float *out, int n, int offset) {
    if (offset >= n || out == nullptr || n <= 0 || offset < 0) return false;
    std::memset(out, 0, sizeof(float) * static_cast<size_t>(n));
    return true;
}

void place(Placement placement, const float *src, int isolen, float *out, int n, int offset) {
    switch (placement) {
    case Placement::window:
        for (int i = offset; i < std::min(isolen, n); ++i) out[i] = src[i - offset];
        break;
    case Placement::shifted:
        for (int j = 0; j < std::min(isolen, n - offset); ++j) out[offset + j] = src[j];
        break;
    }
}

float array_peak(const float *out, int n) {
    float peak = 0.0f;
    for (int i = 0; i < n; ++i)
        if (out[i] > peak) peak = out[i];
    return peak;
}

float scale(float *out, int n, float peak) {
    if (peak > 0)
        for (int i = 0; i < n; ++i) out[i] /= peak;
    return peak;
}

float finish(Placement placement, Peak source, const float *src, int isolen, float engine_peak,
             float *out, int n, int offset) {
    place(placement, src, isolen, out, n, offset);
    const float peak = source == Peak::engine ? engine_peak : array_peak(out, n);
    return scale(out, n, peak);
}

float place_divided(const float *src, float peak, float *out, int n, int offset) {
    if (!(peak > 0)) return peak;
    return finish(Placement::shifted, Peak::engine, src, n, peak, out, n, offset);
}

} // namespace corvan::frame

extern "C" double normalize_isodist(double *isodist, int length) {
    if (isodist == nullptr || length <= 0) return 0.0;
    double sum = 0.0;
    double maximum = 0.0;
    for (int i = 0; i < length; ++i) {
        if (isodist[i] < 0) isodist[i] = 0.0;
        sum += isodist[i];
        if (isodist[i] > maximum) maximum = isodist[i];
    }
    if (sum == 0) return 0.0;
    for (int i = 0; i < length; ++i) isodist[i] /= sum;
    return maximum / sum;
}
