// The molecule layer at its limit: every point down to 1e-9 of the highest,
// with its mass and m/z, from corvan's single call (text in, handle out) and
// its many-molecule call, against a lean kernel written here for the
// measurement, IsoSpec's threshold and layered generators (Debian's
// libisospec++-dev; compare_limit) or OpenMS's coarse generator
// (libopenms-dev; compare_limit_openms, its own process since OpenMS carries
// IsoSpec's symbols). Each contender runs its rounds in one block: run
// interleaved, whichever contender came first after the heaviest peer's
// frees paid about 0.7 us a peptide more (corvan's single call and the lean
// kernel alike), so the table measured the order and not the contenders.
// Measure on an idle machine.
//
//   compare_limit [rounds] [peptides] [proteins]
//   compare_limit profile CONTENDER peptides|proteins COUNT [ROUNDS]
//   compare_limit threads T
//
// Molecules: E. coli tryptic peptides as [M+2H]2+, proteins of 30-100 kDa as
// [M+20H]20+, then a size sweep of averagine-like ions from 500 Da to 1 MDa.
// Errors against a long-double direct convolution: the largest difference of
// peak-scaled heights, and of the m/z (as mass, Da) of points at or above
// 1e-9 of the highest.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <complex>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <fftw3.h>

#if defined(CORVAN_COMPARE_ISOSPEC)
#include <IsoSpec++/isoSpec++.h>
#endif
#if defined(CORVAN_COMPARE_OPENMS)
#include <OpenMS/CHEMISTRY/EmpiricalFormula.h>
#include <OpenMS/CHEMISTRY/ISOTOPEDISTRIBUTION/CoarseIsotopePatternGenerator.h>
#endif

#include "corvan.h"
#include "envelope_reference.hpp"
#include "lean_direct.hpp"
#include "points.hpp"
#include "proteome.hpp"

namespace {

constexpr double kFloor = 1e-9; // of the highest point
constexpr int kAtomicNumbers[5] = {6, 1, 7, 8, 16};

using bench::Points;

struct Molecule {
    std::array<int, 5> atoms; // the ion's atoms (protons counted as H)
    int charge;
    std::string formula; // the neutral molecule
    Points reference;    // filled for the molecules that are scored
};

const std::vector<envelope_reference::Isotope> &isotopes(int e) {
    static const auto tables = [] {
        std::vector<std::vector<envelope_reference::Isotope>> t;
        for (int z : kAtomicNumbers) t.push_back(envelope_reference::isotopes(z, {}));
        return t;
    }();
    return tables[static_cast<std::size_t>(e)];
}

double to_mass(double mz, int charge) {
    return charge == 0 ? mz : mz * charge + charge * CORVAN_ELECTRON_MASS;
}

Points peak_scaled(Points p) {
    const double top = *std::max_element(p.heights.begin(), p.heights.end());
    for (std::size_t k = 0; k < p.heights.size(); ++k) {
        p.heights[k] /= top;
        if (p.heights[k] < kFloor) p.heights[k] = 0, p.masses[k] = NAN;
    }
    return p;
}

Points exact(const Molecule &m) {
    const double mass = 12.0 * m.atoms[0] + 14 * m.atoms[2] + 16 * m.atoms[3] + 32 * m.atoms[4];
    const std::size_t length = 60 + static_cast<std::size_t>(mass / 1000);
    envelope_reference::Poly total{{1.0L}, {0.0L}};
    for (int e = 0; e < 5; ++e)
        total = envelope_reference::multiply(
            total,
            envelope_reference::power(envelope_reference::element(isotopes(e)), m.atoms[e], length),
            length);
    Points p;
    for (std::size_t k = 0; k < length; ++k) {
        p.heights.push_back(static_cast<double>(total.share[k]));
        p.masses.push_back(
            total.share[k] > 0 ? static_cast<double>(total.moment[k] / total.share[k]) : NAN);
    }
    return peak_scaled(p);
}

// ---- the lean kernel: tables per grid length, one exponential per bin ----

struct Lean {
    struct Element {
        std::vector<int> positions;
        std::vector<double> shares, defects; // defects centred on the element's mean
        double lightest = 0, mean_defect = 0, mean_position = 0, variance = 0;
    };
    Element elements[5];
    std::map<int, std::vector<std::complex<double>>> roots;
    std::map<int, fftw_plan> plans;
    double *grid[2] = {};
    fftw_complex *bins[2] = {};

    Lean() {
        for (int e = 0; e < 5; ++e) {
            Element &el = elements[e];
            const auto &list = isotopes(e);
            el.lightest = static_cast<double>(list.front().mass);
            for (const auto &i : list) {
                const int position = i.mass_number - list.front().mass_number;
                el.positions.push_back(position);
                el.shares.push_back(static_cast<double>(i.share));
                el.defects.push_back(static_cast<double>(i.mass - list.front().mass) - position);
                el.mean_defect += el.shares.back() * el.defects.back();
                el.mean_position += el.shares.back() * position;
            }
            for (std::size_t i = 0; i < el.shares.size(); ++i) {
                el.defects[i] -= el.mean_defect;
                el.variance += el.shares[i] * std::pow(el.positions[i] - el.mean_position, 2);
            }
        }
        for (int a = 0; a < 2; ++a) {
            grid[a] = fftw_alloc_real(1 << 16);
            bins[a] = fftw_alloc_complex((1 << 15) + 1);
        }
    }

    static int smooth(int n) {
        for (;; ++n) {
            int r = n;
            for (int p : {2, 3, 5})
                while (r % p == 0) r /= p;
            if (r == 1) return n;
        }
    }

    Points run(const std::array<int, 5> &atoms) {
        double mean = 0, variance = 0, lightest = 0, defect = 0, covariance = 0;
        for (int e = 0; e < 5; ++e) {
            const Element &el = elements[e];
            mean += atoms[e] * el.mean_position;
            variance += atoms[e] * el.variance;
            lightest += atoms[e] * el.lightest;
            defect += atoms[e] * el.mean_defect;
            for (std::size_t i = 0; i < el.shares.size(); ++i)
                covariance +=
                    atoms[e] * el.shares[i] * el.defects[i] * (el.positions[i] - el.mean_position);
        }
        // Defects less their linear trend in k: what the moment carries
        // stays small, so round-off in the far tails moves masses little.
        const double slope = covariance / variance;
        const double reach = 8 * std::sqrt(variance) + 12;
        const int low = static_cast<int>(std::max(0.0, std::floor(mean - reach)));
        const int n = smooth(static_cast<int>(std::ceil(mean + reach)) - low + 1);
        auto &w = roots[n];
        if (w.empty())
            for (int m = 0; m < n; ++m) w.push_back(std::polar(1.0, -2 * M_PI * m / n));
        fftw_plan &plan = plans[n];
        if (plan == nullptr) plan = fftw_plan_dft_c2r_1d(n, bins[0], grid[0], FFTW_ESTIMATE);
        for (int j = 0; j <= n / 2; ++j) {
            std::complex<double> log_total(0, 2 * M_PI * double(low) * j / n), moment(0);
            for (int e = 0; e < 5; ++e) {
                if (atoms[e] == 0) continue;
                const Element &el = elements[e];
                std::complex<double> p(0), q(0);
                for (std::size_t i = 0; i < el.shares.size(); ++i) {
                    const auto r = w[static_cast<std::size_t>(
                        (static_cast<long long>(el.positions[i]) * j) % n)];
                    p += el.shares[i] * r;
                    q += el.shares[i] *
                         (el.defects[i] - slope * (el.positions[i] - el.mean_position)) * r;
                }
                log_total += double(atoms[e]) * std::log(p);
                moment += double(atoms[e]) * q / p;
            }
            const auto total = std::exp(log_total);
            const auto weighted = total * moment;
            bins[0][j][0] = total.real(), bins[0][j][1] = total.imag();
            bins[1][j][0] = weighted.real(), bins[1][j][1] = weighted.imag();
        }
        fftw_execute_dft_c2r(plan, bins[0], grid[0]);
        fftw_execute_dft_c2r(plan, bins[1], grid[1]);
        Points p{std::vector<double>(static_cast<std::size_t>(low + n), 0),
                 std::vector<double>(static_cast<std::size_t>(low + n), NAN)};
        double top = 0;
        for (int k = 0; k < n; ++k) top = std::max(top, grid[0][k]);
        for (int k = 0; k < n; ++k) {
            if (grid[0][k] < kFloor * top) continue;
            p.heights[static_cast<std::size_t>(low + k)] = grid[0][k] / top;
            p.masses[static_cast<std::size_t>(low + k)] =
                lightest + defect + low + k + slope * (low + k - mean) + grid[1][k] / grid[0][k];
        }
        return p;
    }
};

// ---- the lean direct kernel: recurrences and convolution, no transform ----

const bench::LeanDirect &lean_direct() {
    static const bench::LeanDirect kernel([] {
        std::array<bench::LeanDirect::Element, 5> elements;
        for (int e = 0; e < 5; ++e) {
            const auto &list = isotopes(e);
            elements[e].lightest = static_cast<double>(list.front().mass);
            for (const auto &i : list) {
                const int position = i.mass_number - list.front().mass_number;
                elements[e].isotopes.push_back(
                    {position, static_cast<double>(i.share),
                     static_cast<double>(i.mass - list.front().mass) - position});
            }
        }
        return elements;
    }());
    return kernel;
}

Points lean_direct_run(const Molecule &m) {
    double share[bench::LeanDirect::kLongest], mass[bench::LeanDirect::kLongest];
    const int length = lean_direct().run(m.atoms, share, mass);
    return peak_scaled(
        {std::vector<double>(share, share + length), std::vector<double>(mass, mass + length)});
}

// ---- corvan ----

Points corvan_single(const Molecule &m, const corvan_options *options) {
    return bench::formula_points(m.formula, options,
                                 [&m](double mz) { return to_mass(mz, m.charge); });
}

// A many-molecule caller's table, kept from call to call as a caller
// running batches keeps it: it grows (and is first touched) only when a
// call has more rows than any before, so the timings hold the call and not
// the kernel's zero-filling of fresh pages (a fault each 4 KiB, 3,800 of
// them for 20,000 peptide rows of 24 points with m/z).
struct ManyTable {
    std::vector<double> heights, mz, mono;
    std::vector<int> status, first;

    corvan_many_table fit(std::size_t rows, std::size_t width) {
        if (heights.size() < rows * width) heights.resize(rows * width), mz.resize(rows * width);
        if (mono.size() < rows) mono.resize(rows), status.resize(rows), first.resize(rows);
        return {sizeof(corvan_many_table),
                width,
                heights.data(),
                mz.data(),
                mono.data(),
                status.data(),
                nullptr,
                first.data()};
    }
};

// All molecules in one many-molecule call; rows read back as Points as long
// as the single call's (up to the last point at or above the floor).
std::vector<Points> corvan_many(const std::vector<Molecule> &molecules,
                                const corvan_options *options, std::size_t width, ManyTable &kept) {
    const std::size_t rows = molecules.size();
    std::vector<const char *> texts;
    texts.reserve(rows);
    for (const Molecule &m : molecules) texts.push_back(m.formula.c_str());
    const corvan_many_table table = kept.fit(rows, width);
    corvan_many_table_from_texts(CORVAN_KIND_FORMULA, texts.data(), nullptr, rows, options, &table,
                                 nullptr, nullptr);
    std::vector<Points> out(rows);
    for (std::size_t r = 0; r < rows; ++r) {
        const double *heights = table.heights + r * width, *mz = table.mz + r * width;
        std::size_t used = width;
        while (used > 0 && !(heights[used - 1] >= kFloor)) --used;
        const std::size_t first = static_cast<std::size_t>(table.first_neutrons[r]);
        out[r] = {std::vector<double>(first + used, 0), std::vector<double>(first + used, NAN)};
        for (std::size_t j = 0; j < used; ++j) {
            if (!(heights[j] >= kFloor)) continue;
            out[r].heights[first + j] = heights[j];
            out[r].masses[first + j] = to_mass(mz[j], molecules[r].charge);
        }
    }
    return out;
}

// ---- peers ----

#if defined(CORVAN_COMPARE_ISOSPEC)
IsoSpec::Iso iso_of(const std::array<int, 5> &atoms) {
    static std::vector<double> masses[5], shares[5];
    static const double *mass_rows[5], *share_rows[5];
    static int sizes[5];
    if (masses[0].empty())
        for (int e = 0; e < 5; ++e) {
            for (const auto &i : isotopes(e)) {
                masses[e].push_back(static_cast<double>(i.mass));
                shares[e].push_back(static_cast<double>(i.share));
            }
            sizes[e] = static_cast<int>(masses[e].size());
            mass_rows[e] = masses[e].data(), share_rows[e] = shares[e].data();
        }
    return IsoSpec::Iso(5, sizes, atoms.data(), mass_rows, share_rows);
}

// Configurations summed into points by their extra neutrons.
template <class Generator> Points summed(Generator &generator, double stop_at = 2) {
    int signature[16];
    std::vector<double> sum(256, 0), moment(256, 0);
    double collected = 0;
    while (collected < stop_at && generator.advanceToNextConfiguration()) {
        generator.get_conf_signature(signature);
        std::size_t k = 0, slot = 0;
        for (int e = 0; e < 5; ++e)
            for (const auto &i : isotopes(e))
                k += static_cast<std::size_t>(signature[slot++] *
                                              (i.mass_number - isotopes(e).front().mass_number));
        const double p = generator.prob();
        collected += p;
        if (k >= sum.size()) sum.resize(k + 1, 0), moment.resize(k + 1, 0);
        sum[k] += p, moment[k] += p * generator.mass();
    }
    Points out{sum, std::vector<double>(sum.size(), NAN)};
    for (std::size_t k = 0; k < sum.size(); ++k)
        if (sum[k] > 0) out.masses[k] = moment[k] / sum[k];
    return peak_scaled(out);
}

Points isospec_threshold(const Molecule &m, double threshold) {
    IsoSpec::IsoThresholdGenerator generator(iso_of(m.atoms), threshold, false);
    return summed(generator);
}

Points isospec_layered(const Molecule &m, double total) {
    IsoSpec::IsoLayeredGenerator generator(iso_of(m.atoms), 1000, 1000, true, total);
    return summed(generator, total);
}
#endif

#if defined(CORVAN_COMPARE_OPENMS)
Points openms_coarse(const Molecule &m, std::size_t length) {
    static OpenMS::CoarseIsotopePatternGenerator generator(length, false);
    generator.setMaxIsotope(length);
    const auto &a = m.atoms;
    const std::string ion = "C" + std::to_string(a[0]) + "H" + std::to_string(a[1]) + "N" +
                            std::to_string(a[2]) + "O" + std::to_string(a[3]) + "S" +
                            std::to_string(a[4]);
    const auto distribution = generator.run(OpenMS::EmpiricalFormula(ion));
    Points out;
    for (std::size_t i = 0; i < distribution.size(); ++i) {
        out.heights.push_back(distribution[i].getIntensity());
        out.masses.push_back(distribution[i].getMZ());
    }
    return peak_scaled(out);
}
#endif

// ---- the measurement ----

struct Contender {
    std::string name;
    std::function<std::vector<Points>(const std::vector<Molecule> &)> run;
    double seconds = 0, height_error = 0, mass_error = 0;
};

template <class One> auto each(One one) {
    return [one](const std::vector<Molecule> &molecules) {
        std::vector<Points> out;
        out.reserve(molecules.size());
        for (const Molecule &m : molecules) out.push_back(one(m));
        return out;
    };
}

void score(Contender &c, const Points &got, const Points &want) {
    for (std::size_t k = 0; k < want.heights.size(); ++k) {
        const double h = k < got.heights.size() ? got.heights[k] : 0;
        c.height_error = std::max(c.height_error, std::fabs(h - want.heights[k]));
        // A point missing altogether counts in the height error.
        if (want.heights[k] >= kFloor && k < got.masses.size() && got.heights[k] > 0)
            c.mass_error = std::max(c.mass_error, std::fabs(got.masses[k] - want.masses[k]));
    }
}

void measure(const char *title, const std::vector<Molecule> &molecules, std::size_t scored,
             std::vector<Contender> contenders, int rounds) {
    // Round 0 warms caches up and is scored, not timed.
    for (Contender &c : contenders)
        for (int round = 0; round <= rounds; ++round) {
            const auto start = std::chrono::steady_clock::now();
            const std::vector<Points> results = c.run(molecules);
            if (round > 0)
                c.seconds +=
                    std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            if (round == 0)
                for (std::size_t i = 0; i < scored; ++i)
                    score(c, results[i], molecules[i].reference);
        }
    std::printf("\n%s (%zu molecules, %zu scored, %d rounds)\n", title, molecules.size(), scored,
                rounds);
    std::printf("| contender | us/molecule | max height error | max mass error (Da) |\n"
                "|---|---|---|---|\n");
    for (const Contender &c : contenders)
        std::printf("| %s | %.3f | %.1e | %.1e |\n", c.name.c_str(),
                    c.seconds * 1e6 / (static_cast<double>(molecules.size()) * rounds),
                    c.height_error, c.mass_error);
}

std::string formula_of(const std::array<int, 5> &c) {
    return "C" + std::to_string(c[0]) + "H" + std::to_string(c[1]) + "N" + std::to_string(c[2]) +
           "O" + std::to_string(c[3]) + "S" + std::to_string(c[4]);
}

Molecule ion_of(const std::array<int, 5> &neutral, int charge, bool with_reference) {
    Molecule m{neutral, charge, formula_of(neutral), {}};
    m.atoms[1] += charge;
    if (with_reference) m.reference = exact(m);
    return m;
}

std::vector<Contender> contenders(const corvan_options *options, std::size_t width,
                                  std::size_t openms_length, bool isospec_too) {
    static Lean lean;
    std::vector<Contender> list = {
        {"corvan single call from text",
         each([=](const Molecule &m) { return corvan_single(m, options); })},
        {"corvan many-molecule call",
         [=, kept = std::make_shared<ManyTable>()](const std::vector<Molecule> &ms) {
             return corvan_many(ms, options, width, *kept);
         }},
        {"lean transform kernel (bench only)",
         each([](const Molecule &m) { return lean.run(m.atoms); })}};
    // Small molecules only: its fixed arrays stop at LeanDirect::kLongest.
    if (isospec_too) list.push_back({"lean direct kernel (bench only)", each(lean_direct_run)});
#if defined(CORVAN_COMPARE_ISOSPEC)
    if (isospec_too) {
        list.push_back({"IsoSpec threshold 1e-9 of highest",
                        each([](const Molecule &m) { return isospec_threshold(m, kFloor); })});
        list.push_back({"IsoSpec layered, p = 1 - 1e-9",
                        each([](const Molecule &m) { return isospec_layered(m, 1 - 1e-9); })});
    }
#endif
#if defined(CORVAN_COMPARE_OPENMS)
    list.push_back({"OpenMS coarse, exact masses",
                    each([=](const Molecule &m) { return openms_coarse(m, openms_length); })});
#endif
    (void)openms_length, (void)isospec_too;
    return list;
}

// `compare_limit profile CONTENDER peptides|proteins COUNT [ROUNDS]`: that
// one contender alone on the molecules, nothing scored, for a profiler
// (valgrind --tool=callgrind counts its instructions repeatably).
int profile(const std::string &which, const std::string &set, std::size_t count, int rounds) {
    const auto proteome = bench::read_fasta(bench::default_proteome_path());
    const bool peptides = set == "peptides";
    const int charge = peptides ? 2 : 20;
    std::vector<Molecule> molecules;
    for (const auto &sequence : peptides ? bench::tryptic_peptides(proteome)
                                         : bench::proteins_between(proteome, 30000, 100000)) {
        if (molecules.size() == count) break;
        molecules.push_back(ion_of(bench::composition(sequence), charge, false));
    }
    corvan_options *options = corvan_options_create();
    corvan_options_set_charge(options, charge, nullptr, nullptr);
    corvan_options_set_limits(options, 0, kFloor, nullptr);
    for (Contender &c : contenders(options, peptides ? 24 : 160, peptides ? 24 : 160, true))
        if (c.name.find(which) != std::string::npos) {
            const auto start = std::chrono::steady_clock::now();
            std::size_t made = 0;
            for (int round = 0; round < rounds; ++round) made += c.run(molecules).size();
            const double seconds =
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            std::printf("%s: %zu molecules, %.3f us each\n", c.name.c_str(), made,
                        seconds * 1e6 / static_cast<double>(made));
        }
    corvan_options_free(options);
    return 0;
}

// `compare_limit threads T`: the peptides in one many-molecule call per
// thread, T threads on equal slices, against the same on one thread. Slices
// and tables are made before the clock starts, and the tables are kept from
// the warm-up on, so the ratio is the calls' and not the page faults'.
int threads(int count) {
    const auto proteome = bench::read_fasta(bench::default_proteome_path());
    std::vector<Molecule> peptides;
    for (const auto &sequence : bench::tryptic_peptides(proteome))
        peptides.push_back(ion_of(bench::composition(sequence), 2, false));
    corvan_options *options = corvan_options_create();
    corvan_options_set_charge(options, 2, nullptr, nullptr);
    std::map<int, std::vector<std::vector<Molecule>>> slices;
    std::map<int, std::vector<ManyTable>> tables;
    for (int split : {1, count}) {
        const std::size_t slice = (peptides.size() + split - 1) / static_cast<std::size_t>(split);
        for (std::size_t first = 0; first < peptides.size(); first += slice)
            slices[split].emplace_back(peptides.begin() + static_cast<std::ptrdiff_t>(first),
                                       peptides.begin() + static_cast<std::ptrdiff_t>(std::min(
                                                              peptides.size(), first + slice)));
        tables[split].resize(slices[split].size());
    }
    const auto timed = [&](int split) {
        const auto start = std::chrono::steady_clock::now();
        std::vector<std::thread> pool;
        for (std::size_t t = 0; t < slices[split].size(); ++t)
            pool.emplace_back(
                [&, t] { corvan_many(slices[split][t], options, 24, tables[split][t]); });
        for (auto &thread : pool) thread.join();
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    };
    timed(1), timed(count); // warm up, growing the tables
    const double one = timed(1), many = timed(count);
    std::printf("%zu peptides, many-molecule call: 1 thread %.3f s, %d threads %.3f s: %.2fx\n",
                peptides.size(), one, count, many, one / many);
    corvan_options_free(options);
    return 0;
}

} // namespace

int main(int argc, char **argv) {
    if ((argc == 5 || argc == 6) && std::string(argv[1]) == "profile")
        return profile(argv[2], argv[3], std::strtoul(argv[4], nullptr, 10),
                       argc == 6 ? std::atoi(argv[5]) : 1);
    if (argc == 3 && std::string(argv[1]) == "threads") return threads(std::atoi(argv[2]));
    const int rounds = argc > 1 ? std::atoi(argv[1]) : 3;
    const std::size_t peptide_count = argc > 2 ? std::strtoul(argv[2], nullptr, 10) : 20000;
    const std::size_t protein_count = argc > 3 ? std::strtoul(argv[3], nullptr, 10) : 200;
    const auto proteome = bench::read_fasta(bench::default_proteome_path());
    corvan_options *ion2 = corvan_options_create(), *ion20 = corvan_options_create(),
                   *ion1 = corvan_options_create();
    corvan_options_set_charge(ion2, 2, nullptr, nullptr);
    corvan_options_set_charge(ion20, 20, nullptr, nullptr);
    corvan_options_set_charge(ion1, 1, nullptr, nullptr);
    for (corvan_options *o : {ion1, ion2, ion20}) corvan_options_set_limits(o, 0, kFloor, nullptr);

    std::vector<Molecule> peptides;
    for (const auto &sequence : bench::tryptic_peptides(proteome)) {
        if (peptides.size() == peptide_count) break;
        peptides.push_back(ion_of(bench::composition(sequence), 2, peptides.size() < 2000));
    }
    measure("Tryptic peptides, [M+2H]2+", peptides, std::min<std::size_t>(2000, peptides.size()),
            contenders(ion2, 24, 24, true), rounds);

    std::vector<Molecule> proteins;
    for (const auto &sequence : bench::proteins_between(proteome, 30000, 100000)) {
        if (proteins.size() == protein_count) break;
        proteins.push_back(ion_of(bench::composition(sequence), 20, proteins.size() < 20));
    }
    measure("30-100 kDa proteins, [M+20H]20+", proteins, std::min<std::size_t>(20, proteins.size()),
            contenders(ion20, 160, 160, false), rounds);

    // Averagine-like [M+H]+ ions from 500 Da to 1 MDa, one row per size.
    for (double mass : {500.0, 2e3, 1e4, 5e4, 2e5, 1e6}) {
        const double units = mass / 111.1254;
        const std::array<int, 5> neutral = {static_cast<int>(std::lround(4.9384 * units)),
                                            static_cast<int>(std::lround(7.7583 * units)),
                                            static_cast<int>(std::lround(1.3577 * units)),
                                            static_cast<int>(std::lround(1.4773 * units)),
                                            static_cast<int>(std::lround(0.0417 * units))};
        const std::vector<Molecule> one(mass <= 2e5 ? 20 : 4, ion_of(neutral, 1, false));
        std::vector<Molecule> scored = one;
        scored[0].reference = exact(scored[0]);
        const std::string title = "size " + std::to_string(static_cast<long>(mass)) + " Da, [M+H]+";
        measure(title.c_str(), scored, 1,
                contenders(ion1, static_cast<std::size_t>(40 + mass / 800),
                           static_cast<std::size_t>(40 + mass / 800), mass <= 1e4),
                rounds);
    }
    for (corvan_options *o : {ion1, ion2, ion20}) corvan_options_free(o);
    return 0;
}
