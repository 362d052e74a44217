// Helpers shared by the network tests: weight sets of any shape, weight
// blobs as bytes, temporary weight files and an independent forward pass.
#pragma once

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <future>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "corvan.h"

namespace nn_support {

inline bool is_empty(const NetWeights &w) {
    return w.w1 == nullptr && w.b1 == nullptr && w.w2 == nullptr && w.b2 == nullptr &&
           w.w3 == nullptr && w.b3 == nullptr && w.input_size == 0 && w.hidden1_size == 0 &&
           w.hidden2_size == 0 && w.output_size == 0 && w.w1_count == 0 && w.w2_count == 0 &&
           w.w3_count == 0 && w.total_count == 0;
}

inline float *calloc_floats(int count) {
    return static_cast<float *>(std::calloc(static_cast<size_t>(count), sizeof(float)));
}

// A weight set with independent layer sizes, allocated the way the library
// allocates, so that FreeCorvanWeights can release it.
inline NetWeights make_weights(int inputs, int hidden1, int hidden2, int outputs) {
    NetWeights w{};
    w.input_size = inputs;
    w.hidden1_size = hidden1;
    w.hidden2_size = hidden2;
    w.output_size = outputs;
    w.w1_count = hidden1 * inputs;
    w.w2_count = hidden2 * hidden1;
    w.w3_count = outputs * hidden2;
    w.total_count = w.w1_count + hidden1 + w.w2_count + hidden2 + w.w3_count + outputs;
    w.w1 = calloc_floats(w.w1_count);
    w.b1 = calloc_floats(hidden1);
    w.w2 = calloc_floats(w.w2_count);
    w.b2 = calloc_floats(hidden2);
    w.w3 = calloc_floats(w.w3_count);
    w.b3 = calloc_floats(outputs);
    return w;
}

// The six arrays of a weight set in blob order.
inline std::vector<float> flatten(const NetWeights &w) {
    std::vector<float> values;
    const std::pair<const float *, int> blocks[] = {{w.w1, w.w1_count}, {w.b1, w.hidden1_size},
                                                    {w.w2, w.w2_count}, {w.b2, w.hidden2_size},
                                                    {w.w3, w.w3_count}, {w.b3, w.output_size}};
    for (const auto &[data, count] : blocks) values.insert(values.end(), data, data + count);
    return values;
}

inline void fill(NetWeights &w, float value) {
    for (auto [data, count] : {std::pair{w.w1, w.w1_count}, std::pair{w.b1, w.hidden1_size},
                               std::pair{w.w2, w.w2_count}, std::pair{w.b2, w.hidden2_size},
                               std::pair{w.w3, w.w3_count}, std::pair{w.b3, w.output_size}})
        for (int i = 0; i < count; ++i) data[i] = value;
}

inline std::vector<float> random_floats(size_t count, unsigned seed, float low = -1.0f,
                                        float high = 1.0f) {
    std::mt19937 engine(seed);
    std::uniform_real_distribution<float> uniform(low, high);
    std::vector<float> values(count);
    for (float &v : values) v = uniform(engine);
    return values;
}

// Little-endian binary32 bytes, built by shifting so that the test does not
// depend on the host's byte order.
inline std::vector<unsigned char> blob_bytes(const std::vector<float> &values) {
    std::vector<unsigned char> bytes;
    for (float v : values) {
        std::uint32_t bits;
        std::memcpy(&bits, &v, 4);
        for (int k = 0; k < 4; ++k) bytes.push_back(static_cast<unsigned char>(bits >> (8 * k)));
    }
    return bytes;
}

inline float blob_float(const unsigned char *blob, size_t index) {
    std::uint32_t bits = 0;
    for (int k = 0; k < 4; ++k) bits |= std::uint32_t(blob[4 * index + k]) << (8 * k);
    float value;
    std::memcpy(&value, &bits, 4);
    return value;
}

inline std::uint32_t bits_of(float value) {
    std::uint32_t bits;
    std::memcpy(&bits, &value, 4);
    return bits;
}

// A file in the test's temporary directory, removed when the object goes.
// A FIFO in a private temporary folder, removed with it.
class Fifo {
  public:
    Fifo() {
        std::string pattern = ::testing::TempDir() + "corvan_fifo_XXXXXX";
        EXPECT_NE(mkdtemp(pattern.data()), nullptr);
        folder_ = pattern;
        path_ = folder_ + "/weights.bin";
        EXPECT_EQ(mkfifo(path_.c_str(), 0600), 0);
    }
    ~Fifo() {
        unlink(path_.c_str());
        rmdir(folder_.c_str());
    }
    Fifo(const Fifo &) = delete;
    Fifo &operator=(const Fifo &) = delete;
    const char *path() const { return path_.c_str(); }

  private:
    std::string folder_, path_;
};

// Runs `call` (a reader of the FIFO) on a thread; true when it returns
// within ten seconds. A call still waiting is released by a writer that
// opens and closes the FIFO, so that a failing test ends.
template <class Call> bool returns_without_writer(const Fifo &fifo, Call call) {
    auto result = std::async(std::launch::async, call);
    const bool returned = result.wait_for(std::chrono::seconds(10)) == std::future_status::ready;
    while (result.wait_for(std::chrono::milliseconds(50)) != std::future_status::ready) {
        const int writer = open(fifo.path(), O_WRONLY | O_NONBLOCK);
        if (writer >= 0) close(writer);
    }
    result.get();
    return returned;
}

class TempFile {
  public:
    TempFile(const std::string &stem, const std::vector<unsigned char> &bytes)
        : path_(::testing::TempDir() + "corvan_" + stem + "_" + std::to_string(::getpid())) {
        write(bytes);
    }
    ~TempFile() { std::remove(path_.c_str()); }
    TempFile(const TempFile &) = delete;
    TempFile &operator=(const TempFile &) = delete;

    void write(const std::vector<unsigned char> &bytes) const {
        std::FILE *file = std::fopen(path_.c_str(), "wb");
        ASSERT_NE(file, nullptr);
        const size_t written = bytes.empty() ? 0 : std::fwrite(bytes.data(), 1, bytes.size(), file);
        std::fclose(file);
        ASSERT_EQ(written, bytes.size());
    }
    const char *path() const { return path_.c_str(); }

  private:
    std::string path_;
};

// The forward pass in double precision, written from the layer definitions
// and independent of the library's loop.
inline std::vector<double> reference_forward(const NetWeights &w, const float *input) {
    auto layer = [](const float *matrix, const float *bias, const std::vector<double> &x, int rows,
                    bool hidden) {
        std::vector<double> y(static_cast<size_t>(rows));
        for (int r = 0; r < rows; ++r) {
            double sum = bias[r];
            for (size_t c = 0; c < x.size(); ++c) sum += double(matrix[r * x.size() + c]) * x[c];
            y[r] = hidden ? sum / (1.0 + std::fabs(sum)) : 1.0 / (1.0 + std::exp(-sum));
        }
        return y;
    };
    std::vector<double> x(input, input + w.input_size);
    x = layer(w.w1, w.b1, x, w.hidden1_size, true);
    x = layer(w.w2, w.b2, x, w.hidden2_size, true);
    return layer(w.w3, w.b3, x, w.output_size, false);
}

} // namespace nn_support
