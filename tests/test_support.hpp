// Small helpers shared by the library's test programs.
#pragma once

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "corvan.h"
#include "nn/catalogue.hpp"

namespace test_support {

// What `call` prints on standard output (flushed before capture ends).
template <class Call> std::string stdout_of(Call call) {
    testing::internal::CaptureStdout();
    call();
    std::fflush(stdout);
    return testing::internal::GetCapturedStdout();
}

inline bool all_zero(const std::vector<float> &out) {
    return std::all_of(out.begin(), out.end(), [](float v) { return v == 0.0f; });
}

// A temporary file holding `bytes`, removed when the object goes.
class TextFile {
  public:
    explicit TextFile(const std::string &bytes) {
        char name[] = "/tmp/corvan_testXXXXXX";
        const int fd = mkstemp(name);
        path_ = name;
        EXPECT_EQ(write(fd, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
        close(fd);
    }
    ~TextFile() { std::remove(path_.c_str()); }
    TextFile(const TextFile &) = delete;
    TextFile &operator=(const TextFile &) = delete;
    const char *path() const { return path_.c_str(); }

  private:
    std::string path_;
};

// The outputs of an embedded network on `features`, run through the weight
// functions directly (window placement at offset 0 into `n` points, array
// peak), as the network distribution calls must give them.
inline std::vector<float> run_directly(corvan::nn::Network network,
                                       const std::vector<float> &features, int n, float *peak) {
    const auto net = corvan::nn::info(network);
    NetWeights weights = LoadWeights(SetupWeights(net.inputs, net.outputs), net.blob);
    std::vector<float> outputs(net.outputs);
    EXPECT_EQ(neural_net(features.data(), outputs.data(), weights), 0);
    FreeCorvanWeights(weights);
    std::vector<float> out(n, 0.0f);
    std::copy_n(outputs.begin(), std::min(n, net.outputs), out.begin());
    *peak = *std::max_element(out.begin(), out.end());
    for (float &v : out) v /= *peak;
    return out;
}

} // namespace test_support
