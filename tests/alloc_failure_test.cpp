// Allocation-failure injection: every exported call that allocates is run
// once to count its allocations (and FFTW plans), then once per k with the
// k-th of them failing. Each run must end in the call's documented failure
// result (or, when the failed allocation was one the C library recovers
// from, in the undisturbed result), print only documented messages, and
// free everything it allocated.
//
// The hooks replace malloc, so this program does nothing under ASan/TSan.
#include "alloc_hooks.hpp"

#include <corvan.h>
#include <gtest/gtest.h>

#include <dlfcn.h>

#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <set>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

#include "core/plan_cache.hpp"

namespace {

// Standard output and error of the call under test, caught in two files.
class Capture {
  public:
    Capture() {
        for (int i = 0; i < 2; ++i) {
            char name[] = "/tmp/corvan-alloc-XXXXXX";
            fd_[i] = mkstemp(name);
            unlink(name);
        }
    }
    ~Capture() {
        close(fd_[0]);
        close(fd_[1]);
    }
    void begin() {
        std::fflush(stdout);
        std::fflush(stderr);
        for (int i = 0; i < 2; ++i) {
            ftruncate(fd_[i], 0);
            lseek(fd_[i], 0, SEEK_SET);
            saved_[i] = dup(i + 1);
            dup2(fd_[i], i + 1);
        }
    }
    // Both streams, standard output first.
    std::string end() {
        std::fflush(stdout);
        std::fflush(stderr);
        std::string text;
        for (int i = 0; i < 2; ++i) {
            dup2(saved_[i], i + 1);
            close(saved_[i]);
            off_t size = lseek(fd_[i], 0, SEEK_END);
            std::string part(static_cast<size_t>(size), '\0');
            if (size > 0 && pread(fd_[i], part.data(), part.size(), 0) != size) part.clear();
            text += part;
        }
        return text;
    }

  private:
    int fd_[2];
    int saved_[2];
};

Capture &capture() {
    static Capture c;
    return c;
}

// "function+offset" of each allocation still live, for the failure report.
std::string leak_report() {
    void *callers[8];
    int count = alloc_hooks::live_callers(callers, 8);
    std::string s;
    for (int i = 0; i < count; ++i) {
        Dl_info info{};
        char buf[64];
        if (dladdr(callers[i], &info) && info.dli_sname) s += std::string(" ") + info.dli_sname;
        std::snprintf(buf, sizeof buf, "@%p", callers[i]);
        s += buf;
    }
    return s;
}

std::set<std::string> lines_of(const std::string &text) {
    std::set<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.insert(line);
    return lines;
}

// The sweep chooses the allocation to fail; each case brackets exactly the
// library call with start() and stop(), so that the test's own buffers and
// result descriptions are neither counted nor failed.
long g_k = 0;
long g_counted = 0;
void start() {
    alloc_hooks::arm(g_k);
}
void stop() {
    g_counted = alloc_hooks::disarm();
}

// One library call with the failure injection armed around it alone.
template <class Call> auto watched(Call call) {
    start();
    auto result = call();
    stop();
    return result;
}

// What a call left behind: whether it reported failure in the documented
// way, and a description of everything it produced (for comparison with
// the undisturbed run). A call that fails the wrong way describes itself
// with a "BROKEN" note, which never matches the undisturbed run.
struct Outcome {
    bool failed = false;
    std::string state;
    // One of these lines must have been printed (when not empty).
    std::vector<std::string> expect_one_of = {};
};

struct Case {
    std::string name;
    std::function<Outcome()> run;
    // Messages the call may print when an allocation fails.
    std::vector<std::string> messages;
    // Cases whose first allocation has a documented message of its own.
    std::string first_message;
};

std::string floats(const float *v, int n) {
    return std::string(reinterpret_cast<const char *>(v), sizeof(float) * size_t(n));
}

bool all_zero(const std::vector<float> &v) {
    for (float x : v)
        if (x != 0.0f) return false;
    return true;
}

// A result-frame call into a 64-point (or n-point) array, pre-filled.
Outcome frame_call(int n, const std::function<float(float *)> &call) {
    std::vector<float> out(n, 42.0f);
    float r = watched([&] { return call(out.data()); });
    if (r == -1.0f) {
        if (!all_zero(out)) return {false, "BROKEN: failure left out non-zero"};
        return {true, ""};
    }
    return {false, floats(&r, 1) + floats(out.data(), n)};
}

std::string g_dir;
std::string path(const char *name) {
    return g_dir + "/" + name;
}

void write_file(const std::string &p, const void *data, size_t size) {
    FILE *f = std::fopen(p.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fwrite(data, 1, size, f);
    std::fclose(f);
}

class AllocFailure : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        if (!alloc_hooks::available()) return;
        char tmpl[] = "/tmp/corvan-alloc-dir-XXXXXX";
        g_dir = mkdtemp(tmpl);
        write_file(path("pep64.bin"), corvanpep_model_64_bin, 38656);
        write_file(path("mass32.bin"), corvan_rnaveragine_model32_bin, 9216);
        std::vector<float> rnaseq(3 * 8 + 8 * 4 + 2 * 8 * 8, 0.125f);
        write_file(path("rnaseq8.bin"), rnaseq.data(), rnaseq.size() * sizeof(float));
        std::string list = "# masses\n";
        for (int i = 0; i < 23; ++i)
            list += std::to_string(900 + 37 * i) + " PEP" + std::string(size_t(i % 5), 'K') +
                    (i % 4 == 0 ? "[C2H2O]" : "") + "\n";
        list += "150000 BIG\n";
        write_file(path("list.txt"), list.data(), list.size());
        std::string small = "1000 PEPTIDE\n150000 GAG\n";
        write_file(path("small.txt"), small.data(), small.size());
    }
    static void TearDownTestSuite() {
        if (g_dir.empty()) return;
        for (const char *f : {"pep64.bin", "mass32.bin", "rnaseq8.bin", "list.txt", "small.txt"})
            unlink(path(f).c_str());
        rmdir(g_dir.c_str());
    }
    void SetUp() override {
        if (!alloc_hooks::available())
            GTEST_SKIP() << "allocation hooks need a build without ASan/TSan";
        std::printf("(stdout in use)\n");
        std::fflush(stdout);
    }

    // The sweep of one case: returns the number of allocations it makes.
    long sweep(const Case &c) {
        SCOPED_TRACE(c.name);
        capture().begin();
        g_k = 0;
        Outcome baseline = c.run();
        long events = g_counted;
        long leaked = alloc_hooks::live();
        std::string baseline_text = capture().end();
        EXPECT_FALSE(baseline.failed) << "fails without injection";
        EXPECT_EQ(leaked, 0) << "leaks without injection:" << leak_report();
        std::set<std::string> allowed = lines_of(baseline_text);
        for (const auto &m : c.messages) allowed.insert(m);
        if (!c.first_message.empty()) allowed.insert(c.first_message);

        for (long k = 1; k <= events; ++k) {
            capture().begin();
            g_k = k;
            Outcome o = c.run();
            long live = alloc_hooks::live();
            std::string text = capture().end();
            EXPECT_TRUE(alloc_hooks::injected()) << "k=" << k << ": fewer allocations than counted";
            EXPECT_EQ(live, 0) << "k=" << k << ": " << live
                               << " allocation(s) leaked:" << leak_report();
            if (o.failed) {
                ++failures_;
            } else {
                ++recovered_;
                EXPECT_TRUE(o.state == baseline.state)
                    << "k=" << k << ": neither the failure result nor the normal result"
                    << (o.state.rfind("BROKEN", 0) == 0 ? " (" + o.state + ")" : "");
            }
            if (!o.expect_one_of.empty()) {
                bool seen = false;
                for (const auto &m : o.expect_one_of) seen = seen || lines_of(text).count(m);
                EXPECT_TRUE(seen) << "k=" << k << ": failure without its message";
            }
            for (const auto &line : lines_of(text))
                EXPECT_TRUE(allowed.count(line))
                    << "k=" << k << ": undocumented output '" << line << "'";
            if (k == 1 && !c.first_message.empty()) {
                EXPECT_TRUE(lines_of(text).count(c.first_message))
                    << "k=1: missing '" << c.first_message << "'";
            }
        }
        std::printf("  %-40s %3ld allocations\n", c.name.c_str(), events);
        total_runs_ += events;
        return events;
    }

    void sweep_all(const std::vector<Case> &cases) {
        for (const auto &c : cases) sweep(c);
        std::printf("  %ld injected runs: %ld clean failures, %ld recovered results\n", total_runs_,
                    failures_, recovered_);
    }

    // With the FFT plan and transform caches off for the sweep.
    void sweep_uncached(const std::vector<Case> &cases) {
        corvan::fft::set_caching(false);
        sweep_all(cases);
        corvan::fft::set_caching(true);
    }

    // With the caches on and warmed by one plain run of every case first.
    void sweep_warm(const std::vector<Case> &cases) {
        corvan::fft::set_caching(true);
        g_k = 0;
        for (const auto &c : cases) {
            capture().begin();
            c.run();
            capture().end();
        }
        sweep_all(cases);
    }

    long total_runs_ = 0, failures_ = 0, recovered_ = 0;
};

const char *const kFormulalist = "Error: Could not allocate memory for formulalist";
const char *const kIsotopeArrays = "Error: Could not allocate memory for isotope arrays";

std::vector<Case> distribution_cases() {
    auto F = [](const char *name, std::function<float(float *)> call, int n = 64,
                std::string first = "") {
        return Case{name, [call, n] { return frame_call(n, call); }, {kIsotopeArrays}, first};
    };
    static const std::string pep64 = path("pep64.bin"), mass32 = path("mass32.bin"),
                             rnaseq8 = path("rnaseq8.bin");
    return {
        F("fft_pep_mass_to_dist", [](float *o) { return fft_pep_mass_to_dist(o, 64, 0, 1000); }),
        F("fft_pep_mass_to_dist 1024",
          [](float *o) { return fft_pep_mass_to_dist(o, 64, 3, 130000); }),
        F(
            "fft_pep_seq_to_dist",
            [](float *o) { return fft_pep_seq_to_dist("PEPT[C2H2O]IDEK", o, 64, 0); }, 64,
            kFormulalist),
        F("brain_pep_mass_to_dist",
          [](float *o) { return brain_pep_mass_to_dist(o, 64, 0, 1000); }),
        F(
            "brain_pep_seq_to_dist",
            [](float *o) { return brain_pep_seq_to_dist("GAG[CH3]K", o, 64, 2); }, 64,
            kFormulalist),
        F("nn_pep_mass_to_dist", [](float *o) { return nn_pep_mass_to_dist(o, 64, 0, 1000); }),
        F("nn_pep_seq_to_dist", [](float *o) { return nn_pep_seq_to_dist("PEPTIDE", o, 64, 0); }),
        F(
            "nn_pep_mass_to_dist_custom",
            [](float *o) { return nn_pep_mass_to_dist_custom(o, 32, 1, mass32.c_str(), 900); }, 32),
        F("nn_pep_seq_to_dist_custom",
          [](float *o) { return nn_pep_seq_to_dist_custom("PEPTIDE", o, 64, 0, pep64.c_str()); }),
        F("pep_mass_to_dist_fitting",
          [](float *o) { return pep_mass_to_dist_fitting(o, 64, 0, 1000); }),
        F("fft_rna_mass_to_dist", [](float *o) { return fft_rna_mass_to_dist(o, 64, 0, 10000); }),
        F(
            "fft_rna_seq_to_dist", [](float *o) { return fft_rna_seq_to_dist("ACGU", o, 100, 10); },
            100, kFormulalist),
        F("brain_rna_mass_to_dist",
          [](float *o) { return brain_rna_mass_to_dist(o, 64, 0, 10000); }),
        F(
            "brain_rna_seq_to_dist",
            [](float *o) { return brain_rna_seq_to_dist("ACGU", o, 64, 0); }, 64, kFormulalist),
        F("nn_rna_mass_to_dist", [](float *o) { return nn_rna_mass_to_dist(o, 64, 0, 10000); }),
        F("nn_rna_seq_to_dist", [](float *o) { return nn_rna_seq_to_dist("ACGU", o, 64, 0); }),
        F(
            "nn_rna_mass_to_dist_custom",
            [](float *o) { return nn_rna_mass_to_dist_custom(o, 32, 0, mass32.c_str(), 10000); },
            32),
        F(
            "nn_rna_seq_to_dist_custom",
            [](float *o) { return nn_rna_seq_to_dist_custom("ACGU", o, 8, 0, rnaseq8.c_str()); },
            8),
        F("fft_atom_formula_to_dist 64",
          [](float *o) { return fft_atom_formula_to_dist("C6H12O6", o, 64, 0); }),
        F(
            "fft_atom_formula_to_dist 100",
            [](float *o) { return fft_atom_formula_to_dist("C254H377N65O75S6Fe", o, 100, 5); },
            100),
        F(
            "corvan_atom 37", [](float *o) { return corvan_atom("SeCl2H2O", o, 37); }, 37),
        F(
            "corvan_model_to_dist_from_file",
            [](float *o) {
                static const float in[5] = {0.001f, 0.01f, 0.1f, 1, 1};
                return corvan_model_to_dist_from_file(in, 5, o, 32, 2, mass32.c_str());
            },
            32),
    };
}

std::vector<Case> engine_cases() {
    std::vector<Case> cases;
    for (int N : {64, 100, 1024}) {
        cases.push_back({"fft_list_to_dist " + std::to_string(N),
                         [N] {
                             static const int list[5] = {44, 70, 12, 13, 1};
                             std::vector<float> out(N, 42.0f);
                             float r =
                                 watched([&] { return fft_list_to_dist(list, N, out.data()); });
                             if (r == -1.0f) {
                                 for (float x : out)
                                     if (x != 42.0f) return Outcome{false, "BROKEN: out written"};
                                 return Outcome{true, ""};
                             }
                             return Outcome{false, floats(&r, 1) + floats(out.data(), N)};
                         },
                         {kIsotopeArrays},
                         ""});
    }
    cases.push_back({"brain_list_to_dist",
                     [] {
                         static const int list[5] = {44, 70, 12, 13, 1};
                         std::vector<float> out(64, 42.0f);
                         float r =
                             watched([&] { return brain_list_to_dist(list, 64, out.data()); });
                         if (r == -1.0f)
                             return all_zero(out) ? Outcome{true, ""}
                                                  : Outcome{false, "BROKEN: out not zeroed"};
                         return Outcome{false, floats(&r, 1) + floats(out.data(), 64)};
                     },
                     {},
                     ""});
    for (int N : {64, 100}) {
        cases.push_back({"setup_ft " + std::to_string(N),
                         [N] {
                             std::vector<fftw_complex> t(N / 2 + 1);
                             int r = watched([&] { return setup_ft(26, t.data(), N, N / 2 + 1); });
                             if (r == -1) return Outcome{true, ""};
                             return Outcome{false,
                                            std::to_string(r) +
                                                std::string(reinterpret_cast<char *>(t.data()),
                                                            t.size() * sizeof(fftw_complex))};
                         },
                         {kIsotopeArrays},
                         ""});
    }
    return cases;
}

bool empty_weights(const NetWeights &w) {
    NetWeights zero{};
    return std::memcmp(&w, &zero, sizeof w) == 0;
}

// Made before arming, kept for the whole program.
NetWeights g_load_target, g_net;

std::vector<Case> network_cases() {
    if (!g_load_target.w1) g_load_target = SetupWeights(20, 64);
    if (!g_net.w1) g_net = LoadWeights(SetupWeights(20, 64), corvanpep_model_64_bin);
    static const std::string pep64 = path("pep64.bin");
    return {
        {"SetupWeights",
         [] {
             NetWeights w = watched([&] { return SetupWeights(20, 64); });
             if (empty_weights(w)) return Outcome{true, ""};
             std::string s = std::to_string(w.total_count);
             FreeCorvanWeights(w);
             return Outcome{false, s};
         },
         {},
         ""},
        {"LoadWeightsFromFile",
         [] {
             NetWeights &w = g_load_target;
             std::memset(w.w1, 0, sizeof(float) * size_t(w.w1_count));
             int r = watched([&] { return LoadWeightsFromFile(w, pep64.c_str()); });
             if (r == -1) {
                 for (int i = 0; i < w.w1_count; ++i)
                     if (w.w1[i] != 0.0f) return Outcome{false, "BROKEN: weights changed"};
                 return Outcome{true, ""};
             }
             return Outcome{false, std::to_string(r) + floats(w.w1, w.w1_count)};
         },
         {},
         ""},
        {"neural_net",
         [] {
             const NetWeights &w = g_net;
             static const float in[20] = {1, 0, 2, 1, 0, 3, 0, 0, 1, 1,
                                          0, 0, 2, 0, 0, 1, 1, 0, 0, 0};
             std::vector<float> out(64, 42.0f);
             int r = watched([&] { return neural_net(in, out.data(), w); });
             if (r == -1) {
                 for (float x : out)
                     if (x != 42.0f) return Outcome{false, "BROKEN: output written"};
                 return Outcome{true, ""};
             }
             return Outcome{false, floats(out.data(), 64)};
         },
         {},
         ""},
        {"LoadWeights(SetupWeights)",
         [] {
             NetWeights w = watched(
                 [&] { return LoadWeights(SetupWeights(5, 32), corvan_rnaveragine_model32_bin); });
             if (empty_weights(w)) return Outcome{true, ""};
             std::string s = floats(w.b3, w.output_size);
             FreeCorvanWeights(w);
             return Outcome{false, s};
         },
         {},
         ""},
    };
}

std::string describe(const protein_list &l) {
    std::string s = std::to_string(l.count) + "/" + std::to_string(l.capacity) + ":";
    for (uint64_t i = 0; i < l.count; ++i)
        s += std::to_string(l.entries[i].mass) + " " + l.entries[i].sequence + ";";
    return s;
}

std::vector<Case> batch_cases() {
    static const std::string list = path("list.txt"), small = path("small.txt");
    // The full reading, to judge a partial one against.
    static const std::string whole = [] {
        protein_list l = read_masses_seqs_file(list.c_str());
        std::string s = describe(l);
        free_protein_list(&l);
        return s;
    }();
    return {
        {"read_masses_seqs_file",
         [] {
             protein_list l = watched([&] { return read_masses_seqs_file(list.c_str()); });
             if (!l.entries) {
                 if (l.count || l.capacity) return Outcome{false, "BROKEN: count without array"};
                 return Outcome{true, "", {"Error opening file!", "Memory allocation failed!"}};
             }
             std::string s = describe(l);
             bool ok = l.count <= l.capacity;
             free_protein_list(&l);
             if (!ok) return Outcome{false, "BROKEN: count above capacity"};
             if (s == whole) return Outcome{false, s};
             // A stop after a failed growth or copy: a prefix of the whole list.
             std::string entries = s.substr(s.find(':'));
             if (whole.find(entries) != whole.find(':'))
                 return Outcome{false, "BROKEN: not a prefix " + s};
             return Outcome{true, "", {"Reallocation failed!", "String allocation failed!"}};
         },
         {"Error opening file!", "Memory allocation failed!", "Reallocation failed!",
          "String allocation failed!"},
         ""},
        {"run_file",
         [] {
             start();
             run_file(small.c_str());
             stop();
             return Outcome{false, "done"}; // judged by its messages and leaks
         },
         {"Error opening file!", "Memory allocation failed!", "Reallocation failed!",
          "String allocation failed!", "Error allocating memory for isodist", kFormulalist,
          kIsotopeArrays},
         ""},
    };
}

// An encoder writing `n` values into the caller's array: its result and
// the array's bytes must come out the same whatever allocation fails.
template <class Value, std::size_t n, class Call> Case encoder(std::string name, Call call) {
    return {std::move(name),
            [call] {
                Value values[n] = {};
                const int r = watched([&] { return call(values); });
                return Outcome{
                    false, std::to_string(r) +
                               std::string(reinterpret_cast<const char *>(values), sizeof values)};
            },
            {},
            ""};
}

// The encoders work on fixed-size arrays; the sweep shows whether any of
// them allocates after all (then each k must still give the same result).
std::vector<Case> encoder_cases() {
    return {
        encoder<int, 5>(
            "pep_seq_to_fftlist",
            [](int *list) { return pep_seq_to_fftlist("PEPT[C2H2O]IDEK[CH3CH2]", list); }),
        encoder<float, 20>(
            "pep_seq_to_nnvector",
            [](float *counts) { return pep_seq_to_nnvector("PEPT[C2H2O]IDEK", counts); }),
        encoder<int, 5>("rna_seq_to_fftlist",
                        [](int *list) { return rna_seq_to_fftlist("ACGUACGU", list); }),
        encoder<int, 109>(
            "atom_formula_to_vector",
            [](int *counts) { return atom_formula_to_vector("C254H377N65O75S6Fe", counts); }),
    };
}

// Many molecules in one call: a failed allocation fails its row (or, before
// any row, the call) with CORVAN_E_MEMORY, and the rows after it go on.
std::vector<Case> many_cases() {
    return {{"corvan_many_from_texts",
             [] {
                 const char *texts[] = {"C6H12O6", "[13C6]H12O6", "C254H377N65O75S6", "C6H12O6"};
                 const int charges[] = {1, 2, 0, 3};
                 corvan_options *options = corvan_options_create();
                 corvan_options_parse_label(options, "15N=0.9", nullptr);
                 double heights[4 * 8], mz[4 * 8], mono[4];
                 int status[4] = {-1, -1, -1, -1};
                 const corvan_many_results results{8, heights, mz, mono, status, nullptr};
                 const int call = watched([&] {
                     return corvan_many_from_texts(CORVAN_KIND_FORMULA, texts, charges, 4, options,
                                                   &results, nullptr, nullptr);
                 });
                 corvan_options_free(options);
                 bool memory = call == CORVAN_E_MEMORY, other = false;
                 for (int s : status) {
                     memory = memory || s == CORVAN_E_MEMORY;
                     other = other || (call == CORVAN_OK && s != CORVAN_OK && s != CORVAN_E_MEMORY);
                 }
                 if (other || (call != CORVAN_OK && call != CORVAN_E_MEMORY))
                     return Outcome{false, "BROKEN: a status other than CORVAN_E_MEMORY"};
                 if (memory) return Outcome{true, ""};
                 return Outcome{
                     false, std::string(reinterpret_cast<const char *>(heights), sizeof heights) +
                                std::string(reinterpret_cast<const char *>(mono), sizeof mono)};
             },
             {},
             ""}};
}

// The single call: its points go straight into the handle, whose failed
// allocation gives CORVAN_E_MEMORY and no handle.
std::vector<Case> single_call_cases() {
    const auto single = [](const char *name, const char *text, int charge, int cap, double floor) {
        const auto run = [=] {
            corvan_options *options = corvan_options_create();
            corvan_options_set_charge(options, charge, nullptr, nullptr);
            corvan_options_set_limits(options, cap, floor, nullptr);
            corvan_distribution *d = nullptr;
            const int status = watched([&] {
                return corvan_distribution_from_text(CORVAN_KIND_FORMULA, text, options, &d,
                                                     nullptr);
            });
            corvan_options_free(options);
            if (status == CORVAN_E_MEMORY && d == nullptr) return Outcome{true, ""};
            if (status != CORVAN_OK) return Outcome{false, "BROKEN: a failure without memory"};
            corvan_points p;
            corvan_distribution_points(d, &p);
            const auto bytes = [&](const void *column, std::size_t size) {
                return std::string(static_cast<const char *>(column), p.count * size);
            };
            std::string state = bytes(p.shares, 8) + bytes(p.masses, 8) + bytes(p.neutrons, 4);
            corvan_distribution_free(d);
            return Outcome{false, state};
        };
        return Case{name, run, {}, ""};
    };
    return {single("peptide ion, direct sum", "C50H80N14O15S", 2, 0, 1e-9),
            single("protein ion, transform, capped", "C2540H3770N650O750S60", 20, 30, 0)};
}

// Warm, the single call allocates its handle and nothing else.
TEST_F(AllocFailure, SingleCallWarmAllocatesItsHandleAlone) {
    corvan::fft::set_caching(true);
    for (const Case &c : single_call_cases()) {
        g_k = 0;
        c.run();
        EXPECT_EQ(sweep(c), 1) << c.name;
    }
}

TEST_F(AllocFailure, ManyMoleculesCachingOff) {
    sweep_uncached(many_cases());
}

TEST_F(AllocFailure, Encoders) {
    sweep_all(encoder_cases());
}

TEST_F(AllocFailure, DistributionCallsCachingOff) {
    sweep_uncached(distribution_cases());
}

TEST_F(AllocFailure, DistributionCallsCachingOnWarm) {
    sweep_warm(distribution_cases());
}

TEST_F(AllocFailure, EnginesCachingOff) {
    sweep_uncached(engine_cases());
}

TEST_F(AllocFailure, EnginesCachingOnWarm) {
    sweep_warm(engine_cases());
}

TEST_F(AllocFailure, Networks) {
    sweep_all(network_cases());
}

TEST_F(AllocFailure, ListFileAndBatchRun) {
    sweep_uncached(batch_cases());
}

// The hooks see what the library allocates: a sanity check of the harness.
TEST_F(AllocFailure, HooksCountAndFail) {
    alloc_hooks::arm(0);
    NetWeights w = SetupWeights(5, 8);
    long events = alloc_hooks::disarm();
    EXPECT_GE(events, 1);
    EXPECT_EQ(alloc_hooks::live(), 6); // the six arrays, until freed
    FreeCorvanWeights(w);
    alloc_hooks::arm(1);
    NetWeights none = SetupWeights(5, 8);
    alloc_hooks::disarm();
    EXPECT_TRUE(alloc_hooks::injected());
    EXPECT_TRUE(empty_weights(none));
    EXPECT_EQ(alloc_hooks::live(), 0);
}

} // namespace
