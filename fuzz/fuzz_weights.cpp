// Weight files through the custom-network runner and LoadWeightsFromFile.
// Input: input_len, n, offset, a mode byte and an input-vector seed, then
// the file. In fitting mode the file is cut or zero-padded to the exact
// blob size, so that most inputs get past the size check.
#include "fuzz_common.hpp"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    fuzz::silence_stdout();
    static fuzz::ScratchFile file("weights");
    fuzz::Reader in(data, size);
    int input_len = 1 + in.byte() % 24;
    int n = 1 + in.byte() % 40;
    int offset = in.byte() % n;
    uint8_t mode = in.byte();
    uint8_t seed = in.byte();
    std::vector<uint8_t> bytes = in.rest_bytes();
    const size_t total = size_t(3 * n + n * input_len + 2 * n * n);
    const size_t blob = 4 * total;
    if (mode & 1) bytes.resize(blob, 0);
    file.write(bytes.data(), bytes.size());
    const bool fits = bytes.size() == blob;

    std::vector<float> input(input_len);
    for (int i = 0; i < input_len; ++i) input[i] = float(int((seed + 37 * i) % 17) - 8) / 4.0f;

    // Finite, moderate weights cannot overflow the single-precision sums, so
    // no NaN may come out; others may legitimately give NaN.
    bool tame = fits;
    for (size_t i = 0; fits && i < total; ++i) {
        float w;
        std::memcpy(&w, bytes.data() + 4 * i, 4);
        if (!(std::fabs(w) <= 1e6f)) tame = false;
    }

    std::vector<float> out(n, 3.0f);
    float r =
        corvan_model_to_dist_from_file(input.data(), input_len, out.data(), n, offset, file.path());
    // A fitting file fails only when its outputs are not all finite, which
    // tame weights cannot produce.
    FUZZ_CHECK(fits ? (r != -1.0f || !tame) : r == -1.0f, "size rule of the runner");
    FUZZ_CHECK(!std::isnan(r), "NaN peak from the runner");
    fuzz::check_result(r, out.data(), n, offset, fuzz::Place::full, n, true, true, tame);

    NetWeights w = SetupWeights(input_len, n);
    FUZZ_CHECK(w.w1 && w.b1 && w.w2 && w.b2 && w.w3 && w.b3, "SetupWeights failed");
    FUZZ_CHECK(w.total_count == (int)total, "total count");
    int loaded = LoadWeightsFromFile(w, file.path());
    FUZZ_CHECK(loaded == (fits ? 0 : -1), "LoadWeightsFromFile size rule");
    if (loaded != 0) {
        // Arrays unchanged: still zero-filled.
        for (int i = 0; i < w.w1_count; ++i) FUZZ_CHECK(w.w1[i] == 0.0f, "w1 changed");
        for (int i = 0; i < w.output_size; ++i) FUZZ_CHECK(w.b3[i] == 0.0f, "b3 changed");
    } else {
        FUZZ_CHECK(std::memcmp(w.w1, bytes.data(), 4 * size_t(w.w1_count)) == 0, "w1 bytes");
        // The runner is this network, placed full-length and scaled by the
        // array peak.
        std::vector<float> net(n, 5.0f);
        FUZZ_CHECK(neural_net(input.data(), net.data(), w) == 0, "neural_net failed");
        bool finite = true;
        for (int j = 0; j < n; ++j) finite = finite && std::isfinite(net[j]);
        FUZZ_CHECK((r == -1.0f) == !finite, "runner fails exactly on non-finite outputs");
        float peak = 0.0f;
        for (int j = 0; j < n - offset; ++j)
            if (net[j] > peak) peak = net[j];
        if (tame) {
            FUZZ_CHECK(std::memcmp(&peak, &r, sizeof r) == 0, "runner peak differs");
            for (int j = 0; j < n - offset; ++j) {
                float expect = peak > 0.0f ? net[j] / peak : net[j];
                if (std::memcmp(&expect, &out[offset + j], sizeof expect) != 0)
                    fuzz::fail("runner output differs from neural_net", j);
            }
        }
    }
    FreeCorvanWeights(w);
    return 0;
}
