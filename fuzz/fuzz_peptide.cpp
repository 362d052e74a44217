// Peptide sequences (with modification formulas) and masses through the
// encoders and every peptide distribution call.
#include "fuzz_common.hpp"

namespace {

// Weight files of the right shapes for the custom calls: the 64-output
// sequence network (20 inputs) and a 32-output mass network (5 inputs).
struct Files {
    fuzz::ScratchFile seq64{"pepseq64"};
    fuzz::ScratchFile mass32{"pepmass32"};
    Files() {
        seq64.write(corvanpep_model_64_bin, 38656);
        mass32.write(corvan_rnaveragine_model32_bin, 9216);
    }
};

int seq_fft_isolen(int residues) {
    return residues <= 300 ? 64 : residues <= 1000 ? 128 : -1;
}
int seq_brain_isolen(int residues) {
    return residues <= 300 ? 64 : residues <= 1000 ? 128 : 1024;
}
int seq_nn_isolen(int residues) {
    if (residues > 1000) return -1;
    if (residues >= 1 && residues <= 50) return 16;
    if (residues >= 51 && residues <= 300) return 64;
    return 128;
}

constexpr int kLengths[] = {1, 2, 8, 16, 32, 63, 64, 65, 100, 128, 129, 1024, 1100};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    fuzz::silence_stdout();
    static Files files;
    const auto [n, offset, mass, seq] = fuzz::read_call_input(data, size, kLengths);
    const char *s = seq.c_str();
    const bool finite_mass = std::isfinite(mass);

    // Encoders: one residue count for all of them.
    int residues = pep_seq_to_aacount(s);
    FUZZ_CHECK(residues >= 0 && residues <= (int)seq.size(), "residue count range");
    float counts[20];
    for (float &c : counts) c = 0.0f;
    FUZZ_CHECK(pep_seq_to_nnvector(s, counts) == residues, "nnvector count");
    double letters = 0;
    for (float c : counts) {
        FUZZ_CHECK(c >= 0.0f, "negative residue count");
        letters += c;
    }
    FUZZ_CHECK(letters <= residues, "more residue letters than residues");
    int fftlist[5];
    std::memset(fftlist, 0x5a, sizeof fftlist);
    FUZZ_CHECK(pep_seq_to_fftlist(s, fftlist) == residues, "fftlist count");
    for (int c : fftlist) FUZZ_CHECK(c >= 0, "negative composition");
    FUZZ_CHECK(fftlist[1] >= 2 && fftlist[3] >= 1, "water missing");
    int iso = get_pep_isolen_from_seq(s);
    FUZZ_CHECK(iso == (residues <= 49 ? 16 : residues <= 299 ? 64 : 128), "isolen rule");
    int avg[5];
    pep_mass_to_fftlist(mass, avg);
    if (!finite_mass)
        for (int c : avg) FUZZ_CHECK(c == 0, "non-finite mass composition");

    std::vector<float> out(n);
    float r;
    using fuzz::Place;

    // By mass.
    int fiso = fft_pep_mass_to_isolen(mass);
    r = fft_pep_mass_to_dist(out.data(), n, offset, mass);
    if (!finite_mass || mass < 0) FUZZ_CHECK(r == -1.0f, "fft mass accepted");
    fuzz::check_result(r, out.data(), n, offset, Place::window, fiso, true, false, finite_mass);

    fuzz::check_mass_calls(
        {brain_pep_mass_to_dist, nn_pep_mass_to_dist, nn_pep_mass_to_dist_custom}, fiso,
        nn_pep_mass_to_isolen(mass), files.mass32.path(), n, offset, mass, out.data());

    r = pep_mass_to_dist_fitting(out.data(), n, offset, mass);
    if (!finite_mass || mass < 0) FUZZ_CHECK(r == -1.0f, "fitting mass accepted");
    fuzz::check_result(r, out.data(), n, offset, Place::full, n, false, false,
                       finite_mass && fuzz::fitting_width_finite(mass));

    // By sequence.
    r = fft_pep_seq_to_dist(s, out.data(), n, offset);
    int siso = seq_fft_isolen(residues);
    FUZZ_CHECK((siso < 0) <= (r == -1.0f), "fft too long sequence accepted");
    fuzz::check_result(r, out.data(), n, offset, Place::window, siso, true, false, true);

    r = brain_pep_seq_to_dist(s, out.data(), n, offset);
    if (residues == 0) FUZZ_CHECK(r == -1.0f, "brain without residues accepted");
    fuzz::check_result(r, out.data(), n, offset, Place::window, seq_brain_isolen(residues), true,
                       false, true);

    r = nn_pep_seq_to_dist(s, out.data(), n, offset);
    int nsiso = seq_nn_isolen(residues);
    FUZZ_CHECK((nsiso < 0) == (r == -1.0f), "nn sequence rule");
    fuzz::check_result(r, out.data(), n, offset, Place::window, nsiso, true, true, true);

    r = nn_pep_seq_to_dist_custom(s, out.data(), n, offset, files.seq64.path());
    FUZZ_CHECK((r != -1.0f) == (n == 64 && !seq.empty()), "custom sequence rule");
    fuzz::check_result(r, out.data(), n, offset, Place::full, n, true, true, true);
    return 0;
}
