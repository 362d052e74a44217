// Shared helpers of the fuzz targets: a byte reader over the input, the
// invariant checks of the result frame, and a private scratch file.
//
// The targets build two ways: with libFuzzer (clang, -fsanitize=fuzzer) and
// with the plain replay driver (replay_main.cpp), which runs the committed
// corpus through the same LLVMFuzzerTestOneInput in the ordinary test build.
#pragma once

#include <corvan.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

namespace fuzz {

// Reports the broken invariant and stops the process, so that libFuzzer
// saves the input. Kept out of line of the checks to read well in a trace.
[[noreturn]] inline void fail(const char *what, long index = -1) {
    std::fprintf(stderr, "invariant violated: %s (index %ld)\n", what, index);
    std::fflush(stderr);
    std::abort();
}

#define FUZZ_CHECK(cond, what)                                                                     \
    do {                                                                                           \
        if (!(cond)) ::fuzz::fail(what);                                                           \
    } while (0)

// The library prints its messages on standard output; thousands of them per
// second would bury libFuzzer's status lines. Standard error stays.
inline void silence_stdout() {
    static bool done = false;
    if (done) return;
    done = true;
    std::fflush(stdout);
    int null = open("/dev/null", O_WRONLY);
    if (null >= 0) {
        dup2(null, 1);
        close(null);
    }
}

// Consumes the input from the front: fixed-size numbers first, the rest as
// text. Missing bytes read as zero, so every input is usable.
class Reader {
  public:
    Reader(const uint8_t *data, size_t size) : data_(data), size_(size) {}

    uint8_t byte() { return pos_ < size_ ? data_[pos_++] : 0; }
    uint32_t u32() {
        uint32_t v = 0;
        for (int i = 0; i < 4; ++i) v |= uint32_t(byte()) << (8 * i);
        return v;
    }
    int32_t i32() { return int32_t(u32()); }
    float f32() {
        uint32_t bits = u32();
        float f;
        std::memcpy(&f, &bits, sizeof f);
        return f;
    }
    // The rest as a NUL-terminated string (cut at the first NUL byte).
    std::string rest_text() {
        std::string s(reinterpret_cast<const char *>(data_ + pos_), size_ - pos_);
        pos_ = size_;
        size_t nul = s.find('\0');
        if (nul != std::string::npos) s.resize(nul);
        return s;
    }
    std::vector<uint8_t> rest_bytes() {
        std::vector<uint8_t> v(data_ + pos_, data_ + size_);
        pos_ = size_;
        return v;
    }
    size_t left() const { return size_ - pos_; }

  private:
    const uint8_t *data_;
    size_t size_;
    size_t pos_ = 0;
};

// A masses / interesting values table mixed with raw bit patterns, so that
// short inputs reach the ranges the length rules distinguish.
inline float pick_mass(Reader &r) {
    static const float table[] = {
        0.0f,     -0.0f,    1.0f,     56.0f,    64.0f,    500.0f,   1000.0f,   1199.9f,   1200.0f,
        10000.0f, 11000.0f, 24000.0f, 49999.0f, 50000.0f, 55000.0f, 65000.0f,  120000.0f, 165000.0f,
        1e6f,     3e10f,    -5.0f,    -1e9f,    NAN,      INFINITY, -INFINITY, 1e38f};
    uint8_t sel = r.byte();
    float raw = r.f32();
    if (sel < 128) return table[sel % (sizeof table / sizeof table[0])];
    if (sel < 200) return std::fabs(raw) < 1e7f ? raw : std::fmod(raw, 2e5f);
    return raw;
}

// What every distribution call takes, read in this order: the output
// length (for the lower half of byte values one of `lengths`), the offset,
// the mass and, from the rest of the input, the sequence.
struct CallInput {
    int n = 0;
    int offset = 0;
    float mass = 0;
    std::string sequence;
};

template <size_t count>
CallInput read_call_input(const uint8_t *data, size_t size, const int (&lengths)[count]) {
    Reader in(data, size);
    CallInput call;
    const uint8_t b = in.byte();
    call.n = b < 128 ? lengths[b % count] : 1 + b % 160;
    const uint8_t ob = in.byte();
    call.offset = ob < 128 ? 0 : ob % call.n;
    call.mass = pick_mass(in);
    call.sequence = in.rest_text();
    return call;
}

// The fitting model's Gaussian width 2*sigma^2 overflows single precision
// above about 4e36 Da; the model then computes inf/inf, so NaN heights come
// out of a finite mass (reported; the model has no guard there).
inline bool fitting_width_finite(float mass) {
    const float sigma = isotopesig(isoparams, mass);
    return std::isfinite(2.0f * sigma * sigma);
}

inline bool all_zero(const float *out, int n) {
    for (int i = 0; i < n; ++i)
        if (out[i] != 0.0f) return false;
    return true;
}

// Where a call may write, given the placement and the internal length.
enum class Place { window, shifted, full, none };

// The invariants of a distribution call's result frame after a call with
// valid frame arguments (out non-NULL, 0 <= offset < n).
//   scaled: values are divided by the peak (all calls but the fitting model)
//   array_peak: the peak is the largest placed value (networks, runner)
//   finite_inputs: the molecule and weights are finite, so no NaN may appear
inline void check_result(float r, const float *out, int n, int offset, Place place, int isolen,
                         bool scaled, bool array_peak, bool finite_inputs) {
    if (r == -1.0f) {
        for (int i = 0; i < n; ++i)
            if (out[i] != 0.0f) fail("failure left out non-zero", i);
        return;
    }
    if (finite_inputs && std::isnan(r)) fail("NaN result for finite input");
    if (!std::isnan(r) && r < 0.0f) fail("negative result other than -1");
    // out[0..offset-1] are never written.
    for (int i = 0; i < offset; ++i)
        if (out[i] != 0.0f) fail("write before offset", i);
    int end = n;
    if (place == Place::window) end = isolen < n ? isolen : n;
    if (place == Place::shifted) end = (long)offset + isolen < n ? offset + isolen : n;
    for (int i = end; i < n; ++i)
        if (out[i] != 0.0f) fail("write outside the placed window", i);
    float maxv = 0.0f;
    for (int i = 0; i < n; ++i) {
        if (finite_inputs && std::isnan(out[i])) fail("NaN output for finite input", i);
        if (std::isnan(out[i])) continue;
        if (out[i] < 0.0f) fail("negative output", i);
        if (scaled && out[i] > 1.0f) fail("scaled output above 1", i);
        if (out[i] > maxv) maxv = out[i];
    }
    if (scaled && r > 0.0f && finite_inputs && !std::isinf(r)) {
        if (r > 1.0f) fail("peak share above 1");
        if (array_peak && maxv != 1.0f) fail("array peak not scaled to 1");
    }
    if (array_peak && r == 0.0f && maxv != 0.0f) fail("zero array peak with positive output");
    if (!scaled && finite_inputs && maxv != r) fail("unscaled peak differs from largest value");
}

// A private file in /tmp for the targets that read files.
class ScratchFile {
  public:
    explicit ScratchFile(const char *tag) {
        std::string tmpl = std::string("/tmp/corvan-fuzz-") + tag + "-XXXXXX";
        std::vector<char> buf(tmpl.begin(), tmpl.end());
        buf.push_back('\0');
        int fd = mkstemp(buf.data());
        if (fd < 0) fail("cannot create scratch file");
        close(fd);
        path_ = buf.data();
    }
    ~ScratchFile() { unlink(path_.c_str()); }
    void write(const void *data, size_t size) const {
        FILE *f = std::fopen(path_.c_str(), "wb");
        if (!f) fail("cannot write scratch file");
        if (size && std::fwrite(data, 1, size, f) != size) fail("short scratch write");
        std::fclose(f);
    }
    const char *path() const { return path_.c_str(); }

  private:
    std::string path_;
};

using MassCall = float (*)(float *out, int n, int offset, float mass);
using CustomMassCall = float (*)(float *out, int n, int offset, const char *path, float mass);

// The by-mass calls peptides and RNA share the rules of.
struct MassCalls {
    MassCall brain;
    MassCall network;
    CustomMassCall custom_network; // reads a 32-output mass network file
};

// BRAIN fails for a mass not > 0; the built-in network fails exactly where
// none covers the mass (`network_isolen` < 0), the custom one exactly where
// n is not 32.
inline void check_mass_calls(const MassCalls &calls, int brain_isolen, int network_isolen,
                             const char *file, int n, int offset, float mass, float *out) {
    const bool finite_mass = std::isfinite(mass);
    float r = calls.brain(out, n, offset, mass);
    if (!finite_mass || !(mass > 0)) FUZZ_CHECK(r == -1.0f, "brain mass accepted");
    check_result(r, out, n, offset, Place::window, brain_isolen, true, false, finite_mass);

    r = calls.network(out, n, offset, mass);
    FUZZ_CHECK((network_isolen < 0) == (r == -1.0f), "network mass rule");
    check_result(r, out, n, offset, Place::window, network_isolen, true, true, true);

    r = calls.custom_network(out, n, offset, file, mass);
    FUZZ_CHECK((r != -1.0f) == (n == 32), "custom mass file size rule");
    check_result(r, out, n, offset, Place::full, n, true, true, true);
}

} // namespace fuzz
