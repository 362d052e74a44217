// RNA sequences and masses through the encoders and every RNA call.
#include "fuzz_common.hpp"

namespace {

struct Files {
    fuzz::ScratchFile mass32{"rnamass32"};
    fuzz::ScratchFile seq8{"rnaseq8"}; // 4 inputs, 8 units: 4*(24+32+128)
    Files() {
        mass32.write(corvan_rnaveragine_model32_bin, 9216);
        std::vector<float> w(3 * 8 + 8 * 4 + 2 * 8 * 8);
        for (size_t i = 0; i < w.size(); ++i) w[i] = float(int(i % 7) - 3) * 0.25f;
        seq8.write(w.data(), w.size() * sizeof(float));
    }
};

constexpr int kLengths[] = {1, 2, 8, 32, 63, 64, 65, 100, 128, 129, 1024, 1100};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    fuzz::silence_stdout();
    const auto [n, offset, mass, seq] = fuzz::read_call_input(data, size, kLengths);
    const char *s = seq.c_str();
    const int len = (int)seq.size();
    const bool finite_mass = std::isfinite(mass);

    int valid[4] = {0, 0, 0, 0};
    for (char c : seq) {
        int k = nt_to_index((unsigned char)c);
        FUZZ_CHECK(k >= -1 && k <= 3, "nt_to_index range");
        if (k >= 0) {
            FUZZ_CHECK(rnaOrder[k] == c, "nt_to_index letter");
            ++valid[k];
        }
    }
    float counts[4] = {0, 0, 0, 0};
    FUZZ_CHECK(rna_seq_to_vector(s, counts) == len, "rna_seq_to_vector length");
    for (int k = 0; k < 4; ++k) FUZZ_CHECK(counts[k] == (float)valid[k], "nucleotide counts");
    int fftlist[5];
    FUZZ_CHECK(rna_seq_to_fftlist(s, fftlist) == len, "rna_seq_to_fftlist length");
    for (int e = 0; e < 5; ++e) {
        long long expect = 0;
        for (int k = 0; k < 4; ++k) expect += (long long)valid[k] * rna_vectors[k][e];
        FUZZ_CHECK(fftlist[e] == expect, "rna composition");
    }
    FUZZ_CHECK(rna_seq_to_fftlist(nullptr, fftlist) == -1, "NULL rna sequence");
    int avg[5];
    rna_mass_to_list(mass, avg);
    if (!finite_mass)
        for (int c : avg) FUZZ_CHECK(c == 0, "non-finite rna mass composition");

    static Files files;
    std::vector<float> out(n);
    float r;
    using fuzz::Place;

    // Below about 64 Da (and for negative masses) the composition has a
    // negative oxygen count, which the FFT engine divides out unguarded: a
    // transform bin near zero then gives infinities, and NaN is the
    // documented outcome. Only non-negative compositions must stay finite.
    bool avg_nonneg = avg[0] >= 0 && avg[1] >= 0 && avg[2] >= 0 && avg[3] >= 0;
    int fiso = fft_rna_mass_to_isolen(mass);
    r = fft_rna_mass_to_dist(out.data(), n, offset, mass);
    if (!finite_mass) FUZZ_CHECK(r == -1.0f, "fft rna mass accepted");
    fuzz::check_result(r, out.data(), n, offset, Place::shifted, fiso, true, false,
                       finite_mass && avg_nonneg);

    fuzz::check_mass_calls(
        {brain_rna_mass_to_dist, nn_rna_mass_to_dist, nn_rna_mass_to_dist_custom}, fiso,
        nn_rna_mass_to_isolen(mass), files.mass32.path(), n, offset, mass, out.data());

    int siso = fft_rna_len_to_isolen(len);
    r = fft_rna_seq_to_dist(s, out.data(), n, offset);
    fuzz::check_result(r, out.data(), n, offset, Place::shifted, siso, true, false, true);

    r = brain_rna_seq_to_dist(s, out.data(), n, offset);
    if (len == 0) FUZZ_CHECK(r == -1.0f, "brain empty rna accepted");
    fuzz::check_result(r, out.data(), n, offset, Place::window, siso, true, false, true);

    r = nn_rna_seq_to_dist(s, out.data(), n, offset);
    int nsiso = len == 0 || len > 500 ? -1 : len <= 200 ? 64 : 128;
    FUZZ_CHECK((nsiso < 0) == (r == -1.0f), "nn rna sequence rule");
    fuzz::check_result(r, out.data(), n, offset, Place::window, nsiso, true, true, true);

    r = nn_rna_seq_to_dist_custom(s, out.data(), n, offset, files.seq8.path());
    FUZZ_CHECK((r != -1.0f) == (n == 8 && len > 0), "custom rna sequence rule");
    fuzz::check_result(r, out.data(), n, offset, Place::full, n, true, true, true);
    return 0;
}
