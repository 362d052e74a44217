// The frame arguments (out, n, offset) of every distribution call: bad ones
// must leave `out` untouched, good ones must place the same distribution
// wherever the window lies.
#include "fuzz_common.hpp"

namespace {

using fuzz::Place;

struct Molecule {
    float mass;
    const char *seq;  // may be NULL
    const char *path; // weight file for the custom calls; may be NULL or ""
    const float *features;
    int features_len;
};

struct Call {
    const char *name;
    Place place;
    bool scaled, array_peak;
    bool movable; // the private result does not depend on n (differential check)
    float (*run)(const Molecule &, float *, int, int);
    int (*isolen)(const Molecule &, int n);
};

int residues(const Molecule &m) {
    return m.seq ? pep_seq_to_aacount(m.seq) : 0;
}
int rna_len(const Molecule &m) {
    return m.seq ? (int)std::strlen(m.seq) : 0;
}
int iso_n(const Molecule &, int n) {
    return n;
}

// Adapters from the table's run() and isolen() to each call's own arguments.
template <float (*call)(float *, int, int, float)>
float by_mass(const Molecule &m, float *o, int n, int k) {
    return call(o, n, k, m.mass);
}
template <float (*call)(const char *, float *, int, int)>
float by_seq(const Molecule &m, float *o, int n, int k) {
    return call(m.seq, o, n, k);
}
template <float (*call)(float *, int, int, const char *, float)>
float by_mass_file(const Molecule &m, float *o, int n, int k) {
    return call(o, n, k, m.path, m.mass);
}
template <float (*call)(const char *, float *, int, int, const char *)>
float by_seq_file(const Molecule &m, float *o, int n, int k) {
    return call(m.seq, o, n, k, m.path);
}
template <int (*rule)(float)> int mass_rule(const Molecule &m, int) {
    return rule(m.mass);
}

const Call calls[] = {
    {"fft_pep_mass_to_dist", Place::window, true, false, true, by_mass<fft_pep_mass_to_dist>,
     mass_rule<fft_pep_mass_to_isolen>},
    {"fft_pep_seq_to_dist", Place::window, true, false, true, by_seq<fft_pep_seq_to_dist>,
     [](const Molecule &m, int) { return residues(m) <= 300 ? 64 : 128; }},
    {"brain_pep_mass_to_dist", Place::window, true, false, true, by_mass<brain_pep_mass_to_dist>,
     mass_rule<fft_pep_mass_to_isolen>},
    {"brain_pep_seq_to_dist", Place::window, true, false, true, by_seq<brain_pep_seq_to_dist>,
     [](const Molecule &m, int) {
         int r = residues(m);
         return r <= 300 ? 64 : r <= 1000 ? 128 : 1024;
     }},
    {"nn_pep_mass_to_dist", Place::window, true, true, true, by_mass<nn_pep_mass_to_dist>,
     mass_rule<nn_pep_mass_to_isolen>},
    {"nn_pep_seq_to_dist", Place::window, true, true, true, by_seq<nn_pep_seq_to_dist>,
     [](const Molecule &m, int) {
         int r = residues(m);
         return r >= 1 && r <= 50 ? 16 : r >= 51 && r <= 300 ? 64 : 128;
     }},
    {"nn_pep_mass_to_dist_custom", Place::full, true, true, false,
     by_mass_file<nn_pep_mass_to_dist_custom>, iso_n},
    {"nn_pep_seq_to_dist_custom", Place::full, true, true, false,
     by_seq_file<nn_pep_seq_to_dist_custom>, iso_n},
    {"pep_mass_to_dist_fitting", Place::full, false, false, false,
     by_mass<pep_mass_to_dist_fitting>, iso_n},
    {"fft_rna_mass_to_dist", Place::shifted, true, false, true, by_mass<fft_rna_mass_to_dist>,
     mass_rule<fft_rna_mass_to_isolen>},
    {"fft_rna_seq_to_dist", Place::shifted, true, false, true, by_seq<fft_rna_seq_to_dist>,
     [](const Molecule &m, int) { return fft_rna_len_to_isolen(rna_len(m)); }},
    {"brain_rna_mass_to_dist", Place::window, true, false, true, by_mass<brain_rna_mass_to_dist>,
     mass_rule<fft_rna_mass_to_isolen>},
    {"brain_rna_seq_to_dist", Place::window, true, false, true, by_seq<brain_rna_seq_to_dist>,
     [](const Molecule &m, int) { return fft_rna_len_to_isolen(rna_len(m)); }},
    {"nn_rna_mass_to_dist", Place::window, true, true, true, by_mass<nn_rna_mass_to_dist>,
     mass_rule<nn_rna_mass_to_isolen>},
    {"nn_rna_seq_to_dist", Place::window, true, true, true, by_seq<nn_rna_seq_to_dist>,
     [](const Molecule &m, int) { return rna_len(m) <= 200 ? 64 : 128; }},
    {"nn_rna_mass_to_dist_custom", Place::full, true, true, false,
     by_mass_file<nn_rna_mass_to_dist_custom>, iso_n},
    {"nn_rna_seq_to_dist_custom", Place::full, true, true, false,
     by_seq_file<nn_rna_seq_to_dist_custom>, iso_n},
    {"fft_atom_formula_to_dist", Place::full, true, false, false, by_seq<fft_atom_formula_to_dist>,
     iso_n},
    {"corvan_atom", Place::full, true, false, false,
     [](const Molecule &m, float *o, int n, int) { return corvan_atom(m.seq, o, n); }, iso_n},
    {"corvan_model_to_dist_from_file", Place::full, true, true, false,
     [](const Molecule &m, float *o, int n, int k) {
         return corvan_model_to_dist_from_file(m.features, m.features_len, o, n, k, m.path);
     },
     iso_n},
};
constexpr int num_calls = sizeof calls / sizeof calls[0];

// Cap of the caller's array in the valid case, so that huge n stays cheap.
constexpr int max_n = 1 << 14;
constexpr int max_network_n = 2048;

struct Paths {
    fuzz::ScratchFile mass32{"framemass32"}; // 5 inputs, 32 units
    fuzz::ScratchFile seq64{"frameseq64"};   // 20 inputs, 64 units
    Paths() {
        mass32.write(corvan_rnaveragine_model32_bin, 9216);
        seq64.write(corvanpep_model_64_bin, 38656);
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    fuzz::silence_stdout();
    static Paths paths;
    fuzz::Reader in(data, size);
    const Call &call = calls[in.byte() % num_calls];
    uint8_t flags = in.byte();
    int32_t n = in.i32();
    int32_t offset = in.i32();
    // Small values most of the time, raw 32-bit values otherwise.
    if (!(flags & 0x10)) n = int32_t(int8_t(n & 0xff)) + 64;
    if (!(flags & 0x20)) offset = int32_t(int8_t(offset & 0xff));
    float mass = fuzz::pick_mass(in);
    std::string text = in.rest_text();
    static const float features[20] = {0.001f, 0.01f, 0.1f, 1, 1, 2, 0, 0, 1, 3,
                                       0,      0,     1,    0, 0, 2, 1, 0, 0, 1};

    Molecule m{mass, (flags & 1) ? nullptr : text.c_str(),
               (flags & 2) ? ((flags & 4) ? nullptr : "")
                           : ((flags & 4) ? paths.seq64.path() : paths.mass32.path()),
               (flags & 8) && (flags & 0x40) ? nullptr : features, (flags & 0x40) ? 0 : 5};
    if (!(flags & 0x40) && (flags & 8)) m.features_len = 20;
    const bool runner = call.run == calls[num_calls - 1].run;
    const bool atom = call.run == calls[num_calls - 2].run;
    bool out_null = (flags & 0x80) && (flags & 0x08);

    bool bad = out_null || n <= 0 || (!atom && (offset < 0 || offset >= n));
    if (runner) bad = bad || !m.features || m.features_len < 1 || !m.path || !*m.path;
    if (bad) {
        // A small guard array stands in for whatever n claims: it must come
        // back untouched.
        float guard[64];
        for (int i = 0; i < 64; ++i) guard[i] = float(i) + 0.5f;
        float r = call.run(m, out_null ? nullptr : guard, n, offset);
        if (r != -1.0f) fuzz::fail(call.name);
        for (int i = 0; i < 64; ++i)
            if (guard[i] != float(i) + 0.5f) fuzz::fail("bad frame arguments touched out", i);
        return 0;
    }
    if (n > max_n) n = 1 + n % max_n;
    // The weight-file calls build a network of n units per layer (about
    // 8 n^2 bytes, twice over with the file buffer) before they find the
    // file too small: keep that within the fuzzer's memory limit.
    if (call.place == Place::full && call.array_peak && n > max_network_n)
        n = 1 + n % max_network_n;
    if (atom) offset = 0;
    if (offset >= n) offset %= n;

    std::vector<float> out(n + 1, 9.0f);
    float r = call.run(m, out.data(), n, offset);
    FUZZ_CHECK(out[n] == 9.0f, "write past n");
    int isolen = call.isolen(m, n);
    bool finite = std::isfinite(mass) || call.array_peak;
    // A negative RNA averaging composition (masses below about 64 Da) is
    // divided out by the FFT engine without a guard; NaN is allowed there.
    int avg[5];
    rna_mass_to_list(mass, avg);
    if (std::strcmp(call.name, "fft_rna_mass_to_dist") == 0 && (avg[0] < 0 || avg[3] < 0))
        finite = false;
    if (std::strcmp(call.name, "pep_mass_to_dist_fitting") == 0 &&
        !fuzz::fitting_width_finite(mass))
        finite = false;
    fuzz::check_result(r, out.data(), n, offset, call.place, isolen, call.scaled, call.array_peak,
                       finite);

    // The private result does not depend on the frame: compare with the
    // whole distribution placed at offset 0 in a large array.
    if (call.movable && r != -1.0f && r > 0.0f && std::isfinite(r) && offset < isolen) {
        const int big = 2048;
        std::vector<float> ref(big);
        float rr = call.run(m, ref.data(), big, 0);
        FUZZ_CHECK(rr != -1.0f, "reference call failed");
        if (!call.array_peak) FUZZ_CHECK(std::memcmp(&rr, &r, sizeof r) == 0, "engine peak moved");
        int end = n;
        if (call.place == Place::window) end = std::min(isolen, n);
        if (call.place == Place::shifted) end = (long)offset + isolen < n ? offset + isolen : n;
        for (int i = offset; i < end; ++i) {
            double got = double(out[i]) * r, want = double(ref[i - offset]) * rr;
            if (std::fabs(got - want) > 1e-6 * std::fabs(want) + 1e-30)
                fuzz::fail("placement differs from the reference", i);
        }
    }
    return 0;
}
