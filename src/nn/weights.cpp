// Weight sets: creation, filling from a blob in memory or from a weight
// file, and release.
#include "nn/weights.hpp"

#include <array>
#include <bit>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "core/buffers.hpp"

static_assert(sizeof(float) == 4 && std::numeric_limits<float>::is_iec559,
              "weight blobs hold IEEE 754 binary32 values");

namespace corvan::nn {
namespace {

// One array of a weight set with its length in floats, in blob order.
struct Block {
    float *data;
    int count;
};

std::array<Block, 6> blocks_of(const NetWeights &weights) {
    return {{{weights.w1, weights.w1_count},
             {weights.b1, weights.hidden1_size},
             {weights.w2, weights.w2_count},
             {weights.b2, weights.hidden2_size},
             {weights.w3, weights.w3_count},
             {weights.b3, weights.output_size}}};
}

float byte_swapped(float value) {
    std::uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    bits = (bits >> 24) | ((bits >> 8) & 0xff00u) | ((bits << 8) & 0xff0000u) | (bits << 24);
    std::memcpy(&value, &bits, sizeof bits);
    return value;
}

// The counts are taken as stored; the blob's length is the caller's promise.
void fill_from_blob(const NetWeights &weights, const unsigned char *blob) {
    for (const Block &block : blocks_of(weights)) {
        if (block.count < 1) continue;
        copy_blob_floats(block.data, blob, block.count);
        blob += sizeof(float) * static_cast<size_t>(block.count);
    }
}

// Every count positive, every array present, and the six block lengths
// adding up to total_count. The sum is built without overflow: each count
// is first compared with what remains of the total.
bool describes_one_blob(const NetWeights &weights) {
    const int counts[] = {weights.total_count, weights.w1_count,     weights.hidden1_size,
                          weights.w2_count,    weights.hidden2_size, weights.w3_count,
                          weights.output_size};
    for (int count : counts)
        if (count < 1) return false;
    if (!has_all_arrays(weights)) return false;
    int sum = 0;
    for (const Block &block : blocks_of(weights)) {
        if (weights.total_count - sum < block.count) return false;
        sum += block.count;
    }
    return sum == weights.total_count;
}

// Opens `path` for reading only when it names a regular file. The open does
// not block (a FIFO without a writer would wait forever), and the check
// runs on the opened file, so a name swapped meanwhile cannot slip past.
int open_regular_file(const char *path) {
    const int descriptor = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (descriptor < 0) return -1;
    struct stat status {};
    if (fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode)) {
        close(descriptor);
        return -1;
    }
    return descriptor;
}

// Reads up to `size` bytes; the count read, or -1 on an error.
long long read_fully(int descriptor, unsigned char *buffer, size_t size) {
    size_t done = 0;
    while (done < size) {
        const ssize_t got = read(descriptor, buffer + done, size - done);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return -1;
        if (got == 0) break;
        done += static_cast<size_t>(got);
    }
    return static_cast<long long>(done);
}

// True when the regular file holds exactly `size` bytes, now in `buffer`:
// one bulk read and a probe for a byte beyond the blob.
bool read_whole_file(const char *path, unsigned char *buffer, size_t size) {
    const int descriptor = open_regular_file(path);
    if (descriptor < 0) return false;
    const long long delivered = read_fully(descriptor, buffer, size);
    unsigned char beyond;
    const long long extra = read_fully(descriptor, &beyond, 1);
    close(descriptor);
    return delivered == static_cast<long long>(size) && extra == 0;
}

} // namespace

bool weight_set_fits(int input_size, int n) {
    if (input_size < 1 || n < 1) return false;
    const int quotient = INT_MAX / n;
    if (quotient < input_size || quotient < n) return false;
    const long long layer = n;
    const long long total = 3 * layer + layer * input_size + 2 * layer * layer;
    return total <= INT_MAX;
}

// Blobs may sit at any address, so values are copied as bytes, never read
// in place; a big-endian host swaps each value after the copy.
void copy_blob_floats(float *floats, const unsigned char *bytes, long long count) {
    if (count < 1) return;
    std::memcpy(floats, bytes, sizeof(float) * static_cast<size_t>(count));
    if constexpr (std::endian::native == std::endian::big)
        for (long long i = 0; i < count; ++i) floats[i] = byte_swapped(floats[i]);
}

bool all_finite(const float *values, int count) {
    for (int i = 0; i < count; ++i)
        if (!std::isfinite(values[i])) return false;
    return true;
}

bool has_all_arrays(const NetWeights &weights) {
    return weights.w1 != nullptr && weights.b1 != nullptr && weights.w2 != nullptr &&
           weights.b2 != nullptr && weights.w3 != nullptr && weights.b3 != nullptr;
}

} // namespace corvan::nn

using corvan::CArray;
using corvan::zeroed_array;

extern "C" NetWeights SetupWeights(int input_size, int n) {
    if (!corvan::nn::weight_set_fits(input_size, n)) return NetWeights{};
    const long long layer = n;
    const long long first_count = layer * input_size;
    const long long square_count = layer * layer;
    // All six are requested even when an early one fails; whatever was
    // obtained is released by its owner on the way out.
    CArray<float> w1 = zeroed_array<float>(first_count);
    CArray<float> b1 = zeroed_array<float>(layer);
    CArray<float> w2 = zeroed_array<float>(square_count);
    CArray<float> b2 = zeroed_array<float>(layer);
    CArray<float> w3 = zeroed_array<float>(square_count);
    CArray<float> b3 = zeroed_array<float>(layer);
    if (!w1 || !b1 || !w2 || !b2 || !w3 || !b3) return NetWeights{};

    NetWeights weights{};
    weights.w1 = w1.release();
    weights.b1 = b1.release();
    weights.w2 = w2.release();
    weights.b2 = b2.release();
    weights.w3 = w3.release();
    weights.b3 = b3.release();
    weights.input_size = input_size;
    weights.hidden1_size = weights.hidden2_size = weights.output_size = n;
    weights.w1_count = static_cast<int>(first_count);
    weights.w2_count = weights.w3_count = static_cast<int>(square_count);
    weights.total_count = static_cast<int>(3 * layer + first_count + 2 * square_count);
    return weights;
}

extern "C" NetWeights LoadWeights(NetWeights weights, const void *blob) {
    // A failed load consumes the weight set: the caller continues with the
    // returned record only, so nothing it passed in may stay allocated.
    if (blob == nullptr || !corvan::nn::has_all_arrays(weights)) {
        FreeCorvanWeights(weights);
        return NetWeights{};
    }
    corvan::nn::fill_from_blob(weights, static_cast<const unsigned char *>(blob));
    return weights;
}

extern "C" int LoadWeightsFromFile(NetWeights weights, const char *path) {
    if (path == nullptr || path[0] == '\0') return -1;
    if (!corvan::nn::describes_one_blob(weights)) return -1;
    // Read into a buffer first: the arrays change only when the whole file
    // turned out to be exactly one blob.
    const size_t size = sizeof(float) * static_cast<size_t>(weights.total_count);
    CArray<unsigned char> buffer(static_cast<unsigned char *>(std::malloc(size)));
    if (!buffer) return -1;
    if (!corvan::nn::read_whole_file(path, buffer.get(), size)) return -1;
    corvan::nn::fill_from_blob(weights, buffer.get());
    return 0;
}

extern "C" void FreeCorvanWeights(NetWeights weights) {
    float *const arrays[] = {weights.w1, weights.b1, weights.w2,
                             weights.b2, weights.w3, weights.b3};
    for (float *array : arrays)
        if (array != nullptr) std::free(array);
}
