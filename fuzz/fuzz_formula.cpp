// Elemental formulas: the parser and the formula distribution calls.
#include "fuzz_common.hpp"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    fuzz::silence_stdout();
    fuzz::Reader in(data, size);
    // A small grid keeps every input fast; 1..256 covers the precomputed
    // length 64 and both parities of N.
    int n = 1 + in.byte();
    int offset = in.byte() % n;
    std::string formula = in.rest_text();

    int counts[109];
    std::memset(counts, 0x5a, sizeof counts);
    int parsed = atom_formula_to_vector(formula.c_str(), counts);
    FUZZ_CHECK(parsed == 0 || parsed == -1, "parser result");
    if (parsed == 0) {
        long long total = 0;
        for (int c : counts) {
            FUZZ_CHECK(c >= 0, "negative atom count");
            total += c;
        }
        FUZZ_CHECK(total > 0 && total <= 2147483647LL, "atom total");
    }
    FUZZ_CHECK(atom_formula_to_vector(nullptr, counts) == -1, "NULL formula");

    std::vector<float> out(n, 7.0f);
    float r = fft_atom_formula_to_dist(formula.c_str(), out.data(), n, offset);
    if (parsed != 0) FUZZ_CHECK(r == -1.0f, "bad formula accepted");
    fuzz::check_result(r, out.data(), n, offset, fuzz::Place::full, n, true, false, true);

    std::vector<float> atom(n, 7.0f);
    float ra = corvan_atom(formula.c_str(), atom.data(), n);
    fuzz::check_result(ra, atom.data(), n, 0, fuzz::Place::full, n, true, false, true);
    // corvan_atom is the same call at offset 0.
    if (offset == 0) {
        FUZZ_CHECK(std::memcmp(&r, &ra, sizeof r) == 0, "corvan_atom result differs");
        FUZZ_CHECK(std::memcmp(out.data(), atom.data(), n * sizeof(float)) == 0,
                   "corvan_atom values differ");
    } else if (r != -1.0f) {
        // Full-length placement: the offset call holds the first n-offset
        // points of the same grid, scaled by the same peak.
        FUZZ_CHECK(std::memcmp(&r, &ra, sizeof r) == 0, "peak depends on the offset");
        for (int j = 0; j < n - offset; ++j)
            if (std::memcmp(&out[offset + j], &atom[j], sizeof(float)) != 0)
                fuzz::fail("full-length placement differs", j);
    }
    return 0;
}
