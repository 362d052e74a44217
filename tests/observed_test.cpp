// Observed spectra: matching, label fits and deisotoping on spectra built
// from the library's own envelopes, and refused input.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "corvan.h"

namespace {

struct Spectrum {
    std::vector<double> mz, intensity;
    void add(const Spectrum &other, double times = 1) {
        std::map<double, double> merged;
        for (std::size_t i = 0; i < mz.size(); ++i) merged[mz[i]] += intensity[i];
        for (std::size_t i = 0; i < other.mz.size(); ++i)
            merged[other.mz[i]] += times * other.intensity[i];
        mz.clear(), intensity.clear();
        for (auto [m, h] : merged) mz.push_back(m), intensity.push_back(h);
    }
};

// The envelope's points (shares) as centroids, m/z shifted by `ppm`.
Spectrum centroids(const char *text, const char *label = nullptr, double ppm = 0) {
    corvan_options *o = corvan_options_create();
    if (label != nullptr) {
        EXPECT_EQ(corvan_options_parse_label(o, label, nullptr), CORVAN_OK);
    }
    corvan_distribution *d = nullptr;
    EXPECT_EQ(corvan_distribution_from_text(CORVAN_KIND_PEPTIDE, text, o, &d, nullptr), CORVAN_OK);
    corvan_points p{};
    corvan_distribution_points(d, &p);
    Spectrum s;
    for (std::size_t i = 0; i < p.count; ++i)
        if (p.shares[i] > 1e-4) {
            s.mz.push_back(p.mz[i] * (1 + ppm * 1e-6));
            s.intensity.push_back(p.shares[i]);
        }
    corvan_distribution_free(d);
    corvan_options_free(o);
    return s;
}

corvan_molecule *peptide(const char *text) {
    corvan_molecule *m = nullptr;
    EXPECT_EQ(corvan_molecule_parse(CORVAN_KIND_PEPTIDE, text, &m, nullptr), CORVAN_OK);
    return m;
}

corvan_match_summary match(const Spectrum &s, const char *text, corvan_match_settings settings,
                           std::vector<corvan_matched_peak> *peaks = nullptr) {
    corvan_molecule *m = peptide(text);
    corvan_match *result = nullptr;
    EXPECT_EQ(corvan_match_spectrum(m, nullptr, &settings, s.mz.data(), s.intensity.data(),
                                    s.mz.size(), &result, nullptr),
              CORVAN_OK);
    corvan_match_summary summary{};
    corvan_match_get_summary(result, &summary);
    for (std::size_t i = 0; peaks != nullptr && i < corvan_match_peak_count(result); ++i) {
        peaks->emplace_back();
        corvan_match_peak(result, i, &peaks->back());
    }
    corvan_match_free(result);
    corvan_molecule_free(m);
    return summary;
}

corvan_match_settings charges(int low, int high, double ppm = 10) {
    corvan_match_settings s{};
    corvan_match_defaults(&s);
    s.min_charge = low, s.max_charge = high, s.ppm = ppm;
    return s;
}

TEST(Match, PerfectShiftedAndOutOfTolerance) {
    const Spectrum own = centroids("PEPTIDEK/2");
    corvan_match_summary s = match(own, "PEPTIDEK", charges(1, 4));
    EXPECT_EQ(s.charge, 2);
    EXPECT_NEAR(s.cosine, 1, 1e-12);
    EXPECT_NEAR(s.chi_square, 0, 1e-12);
    EXPECT_EQ(s.matched, s.compared);
    std::vector<corvan_matched_peak> peaks;
    s = match(centroids("PEPTIDEK/2", nullptr, 5), "PEPTIDEK/2", charges(0, 0), &peaks);
    EXPECT_NEAR(s.mean_ppm, 5, 1e-6);
    for (const auto &p : peaks) EXPECT_NEAR(p.ppm_error, 5, 1e-6);
    s = match(centroids("PEPTIDEK/2", nullptr, 5), "PEPTIDEK/2", charges(0, 0, 4));
    EXPECT_EQ(s.matched, 0u);
    EXPECT_EQ(s.cosine, 0);
}

TEST(Match, MissingPeakAndInterferingEnvelope) {
    Spectrum own = centroids("PEPTIDEK/2");
    std::vector<corvan_matched_peak> full;
    match(own, "PEPTIDEK/2", charges(0, 0), &full);
    // Without M+1, cosine = sqrt(1 - e1^2 / |e|^2) of the expected heights e.
    double norm = 0;
    for (const auto &p : full) norm += p.expected_height * p.expected_height;
    const double e1 = full[1].expected_height;
    Spectrum gap = own;
    gap.intensity[1] = 0;
    corvan_match_summary s = match(gap, "PEPTIDEK/2", charges(0, 0));
    EXPECT_NEAR(s.cosine, std::sqrt(1 - e1 * e1 / norm), 1e-12);
    EXPECT_EQ(s.matched + 1, s.compared);
    // Another peptide's triply charged envelope laid over it changes nothing
    // that lies more than 10 ppm away.
    own.add(centroids("SAMPLERSAMPLERK/3"), 3);
    std::vector<corvan_matched_peak> mixed;
    s = match(own, "PEPTIDEK/2", charges(0, 0), &mixed);
    EXPECT_NEAR(s.cosine, 1, 1e-12);
    for (std::size_t i = 0; i < mixed.size(); ++i)
        EXPECT_EQ(mixed[i].observed_mz, full[i].observed_mz);
}

TEST(Match, WrongMonoisotopicPick) {
    const Spectrum own = centroids("PEPTIDEPEPTIDEPEPTIDEK/3");
    corvan_match_settings settings = charges(0, 0);
    settings.named_mz = own.mz[1];
    const corvan_match_summary s = match(own, "PEPTIDEPEPTIDEPEPTIDEK/3", settings);
    EXPECT_EQ(s.named_offset, 1);
    EXPECT_NEAR(s.corrected_mz, own.mz[0], 1e-9);
    corvan_monoisotopic check{};
    ASSERT_EQ(corvan_monoisotopic_check(own.mz.data(), own.intensity.data(), own.mz.size(),
                                        own.mz[1], 3, nullptr, &check, nullptr),
              CORVAN_OK);
    EXPECT_EQ(check.offset, 1);
    EXPECT_EQ(check.corrected_mz, own.mz[0]);
    ASSERT_EQ(corvan_monoisotopic_check(own.mz.data(), own.intensity.data(), own.mz.size(),
                                        own.mz[0], 3, nullptr, &check, nullptr),
              CORVAN_OK);
    EXPECT_EQ(check.offset, 0);
}

TEST(LabelFit, EnrichmentMixAndDeuteriumUptake) {
    corvan_molecule *m = peptide("PEPTIDEK/2");
    for (auto [isotope, label, fraction] :
         {std::tuple{"15N", "15N=0.6", 0.6}, std::tuple{"13C", "13C=0.25", 0.25}}) {
        const Spectrum s = centroids("PEPTIDEK/2", label);
        corvan_label_fit fit{};
        ASSERT_EQ(corvan_fit_label(m, nullptr, isotope, 10, s.mz.data(), s.intensity.data(),
                                   s.mz.size(), &fit, nullptr),
                  CORVAN_OK);
        EXPECT_NEAR(fit.fraction, fraction, 1e-4) << isotope;
        EXPECT_GT(fit.cosine, 0.9999);
    }
    Spectrum mix = centroids("PEPTIDEK/2");
    for (double &h : mix.intensity) h *= 0.3;
    mix.add(centroids("PEPTIDEK[Label:13C(6)15N(2)]/2"), 0.7);
    corvan_molecule *heavy = peptide("PEPTIDEK[Label:13C(6)15N(2)]/2");
    corvan_mix_fit shares{};
    ASSERT_EQ(corvan_fit_mix(m, nullptr, heavy, nullptr, 10, mix.mz.data(), mix.intensity.data(),
                             mix.mz.size(), &shares, nullptr),
              CORVAN_OK);
    EXPECT_NEAR(shares.light_fraction, 0.3, 1e-3);
    // 10% deuterium on the peptide's 65 hydrogens (not the two protons).
    const Spectrum deuterated = centroids("PEPTIDEK/2", "2H=0.1");
    double sites = 0;
    ASSERT_EQ(corvan_deuterium_uptake(m, nullptr, 10, deuterated.mz.data(),
                                      deuterated.intensity.data(), deuterated.mz.size(), &sites,
                                      nullptr),
              CORVAN_OK);
    EXPECT_NEAR(sites, 65 * (0.1 - 0.000115), 0.01);
    corvan_molecule_free(heavy);
    corvan_molecule_free(m);
}

TEST(LabelFit, UncertaintyGrowsWithNoiseAnd18OIsFitted) {
    corvan_molecule *m = peptide("SAMPLERK/2");
    Spectrum clean = centroids("SAMPLERK/2", "18O=0.5");
    Spectrum noisy = clean;
    for (std::size_t i = 0; i < noisy.intensity.size(); ++i)
        noisy.intensity[i] *= i % 2 == 0 ? 1.05 : 0.95;
    corvan_label_fit exact{}, rough{};
    ASSERT_EQ(corvan_fit_label(m, nullptr, "18O", 10, clean.mz.data(), clean.intensity.data(),
                               clean.mz.size(), &exact, nullptr),
              CORVAN_OK);
    ASSERT_EQ(corvan_fit_label(m, nullptr, "18O", 10, noisy.mz.data(), noisy.intensity.data(),
                               noisy.mz.size(), &rough, nullptr),
              CORVAN_OK);
    EXPECT_NEAR(exact.fraction, 0.5, 1e-4);
    EXPECT_LT(exact.uncertainty, 1e-4);
    EXPECT_NEAR(rough.fraction, 0.5, 0.02);
    EXPECT_GT(rough.uncertainty, 10 * exact.uncertainty);
    corvan_molecule_free(m);
}

TEST(Deisotope, SeparatesOverlappingChargesTwoAndThree) {
    // Interleaved: [M+2H]2+ from m/z 791.36 and [M+3H]3+ from 793.03.
    Spectrum scan = centroids("PEPTIDEPEPTIDE/2");
    scan.add(centroids("PEPTIEEPEPTIDEPEPTIDE/3"), 0.8);
    scan.add(Spectrum{{650.0}, {0.3}}); // a lone peak is no envelope
    corvan_envelopes *found = nullptr;
    ASSERT_EQ(corvan_deisotope(scan.mz.data(), scan.intensity.data(), scan.mz.size(), nullptr,
                               &found, nullptr),
              CORVAN_OK);
    ASSERT_EQ(corvan_envelopes_count(found), 2u);
    std::map<int, double> mono;
    for (std::size_t i = 0; i < 2; ++i) {
        corvan_found_envelope e{};
        corvan_envelopes_get(found, i, &e);
        mono[e.charge] = e.monoisotopic_mz;
    }
    EXPECT_NEAR(mono[2], centroids("PEPTIDEPEPTIDE/2").mz[0], 1e-9);
    EXPECT_NEAR(mono[3], centroids("PEPTIEEPEPTIDEPEPTIDE/3").mz[0], 1e-9);
    corvan_envelopes_free(found);
}

std::vector<corvan_found_envelope> deisotoped(const Spectrum &scan, double min_intensity = 0) {
    corvan_deisotope_settings settings{};
    corvan_deisotope_defaults(&settings);
    settings.min_intensity = min_intensity;
    corvan_envelopes *found = nullptr;
    EXPECT_EQ(corvan_deisotope(scan.mz.data(), scan.intensity.data(), scan.mz.size(), &settings,
                               &found, nullptr),
              CORVAN_OK);
    std::vector<corvan_found_envelope> all(corvan_envelopes_count(found));
    for (std::size_t i = 0; i < all.size(); ++i) corvan_envelopes_get(found, i, &all[i]);
    corvan_envelopes_free(found);
    return all;
}

TEST(Deisotope, CrowdedNeighboursKeepTheirOwnChargeAndMonoisotopicPeak) {
    // A [M+2H]2+ whose rung below M holds the M of a singly charged ion;
    // that ion's M+1 shares the 2+ ion's M+1 peak.
    Spectrum scan = centroids("SAMPLERK/2");
    const double mono2 = scan.mz[0];
    Spectrum single = centroids("AVAR/1");
    const double mono1 = mono2 - 1.00286 / 2;
    for (double &mz : single.mz) mz += mono1 - centroids("AVAR/1").mz[0];
    scan.add(single, 0.7 * scan.intensity[0] / single.intensity[0]);
    // A lone peak with a speck of noise where its M+1 would be.
    scan.add(Spectrum{{300.0, 301.003}, {0.8, 0.004}});
    std::map<int, double> mono;
    for (const auto &e : deisotoped(scan)) mono[e.charge] = e.monoisotopic_mz;
    ASSERT_EQ(mono.size(), 2u);
    EXPECT_NEAR(mono[2], mono2, 1e-9);
    EXPECT_NEAR(mono[1], mono1, 1e-9);
}

TEST(Deisotope, APeptideOneRungHeavierAtTheSameChargeIsFoundBesideTheLighter) {
    // Two [M+2H]2+ ions 1.00286 Da apart, the heavier at 0.6 of the lighter:
    // each rung's peak (but the first) holds both. Fitted alone, the lighter
    // takes the shared peaks whole and the heavier is lost.
    const Spectrum light = centroids("SAMPLERK/2");
    Spectrum scan = light;
    Spectrum heavy = light;
    for (double &mz : heavy.mz) mz += 1.00286 / 2;
    for (std::size_t k = 1; k < scan.mz.size(); ++k) heavy.mz[k - 1] = scan.mz[k];
    scan.add(heavy, 0.6);
    const auto found = deisotoped(scan);
    ASSERT_EQ(found.size(), 2u);
    EXPECT_EQ(found[0].charge, 2);
    EXPECT_EQ(found[1].charge, 2);
    EXPECT_NEAR(found[0].monoisotopic_mz, light.mz[0], 1e-9);
    EXPECT_NEAR(found[1].monoisotopic_mz, light.mz[1], 1e-9);
    EXPECT_NEAR(found[1].intensity / found[0].intensity, 0.6, 0.1);
}

TEST(Deisotope, AnIonWhoseMIsAnotherEnvelopesRungStillSeeds) {
    // A [M+H]+ whose M sits on the M+2 rung of a [M+2H]2+ and is far more
    // than that rung holds: the 2+ envelope found first explains a little
    // of that peak, and the rest is the 1+ ion's.
    const Spectrum doubly = centroids("SAMPLERK/2");
    Spectrum scan = doubly;
    Spectrum single = centroids("AVAR/1");
    const double shift = doubly.mz[2] - single.mz[0];
    for (double &mz : single.mz) mz += shift;
    single.mz[0] = doubly.mz[2];
    scan.add(single, 0.6 * *std::max_element(doubly.intensity.begin(), doubly.intensity.end()) /
                         single.intensity[0]);
    // Specks of under 1% (the 2+ ion's points past the model's end) start nothing.
    std::map<int, double> mono;
    for (const auto &e : deisotoped(scan, 0.01)) mono[e.charge] = e.monoisotopic_mz;
    ASSERT_EQ(mono.size(), 2u);
    EXPECT_NEAR(mono[2], doubly.mz[0], 1e-9);
    EXPECT_NEAR(mono[1], doubly.mz[2], 1e-9);
}

TEST(ObservedInput, RefusedWithMessage) {
    const double sorted[] = {500, 501}, unsorted[] = {501, 500};
    const double positive[] = {1, 2}, negative[] = {1, -2};
    corvan_envelopes *found = nullptr;
    corvan_error e{};
    EXPECT_EQ(corvan_deisotope(unsorted, positive, 2, nullptr, &found, &e), CORVAN_E_RANGE);
    EXPECT_NE(std::strstr(e.message, "ascending"), nullptr) << e.message;
    EXPECT_EQ(e.position, 1);
    EXPECT_EQ(corvan_deisotope(sorted, negative, 2, nullptr, &found, &e), CORVAN_E_RANGE);
    EXPECT_NE(std::strstr(e.message, "negative"), nullptr) << e.message;
    EXPECT_EQ(corvan_deisotope(sorted, positive, 0, nullptr, &found, &e), CORVAN_E_RANGE);
    EXPECT_NE(std::strstr(e.message, "empty"), nullptr) << e.message;
    EXPECT_EQ(found, nullptr);
    corvan_molecule *m = peptide("PEPTIDE");
    corvan_match *result = nullptr;
    EXPECT_EQ(corvan_match_spectrum(m, nullptr, nullptr, sorted, positive, 2, &result, &e),
              CORVAN_E_CHARGE);
    corvan_molecule_free(m);
}

TEST(Deisotope, AnEnvelopeWhoseMPlusOneIsANeighboursMKeepsItsCharge) {
    // A [M+2H]2+ whose M+1 was picked as one centroid with the M of a
    // [M+3H]3+, 15 ppm off its place. The 3+ ion, found first, takes much
    // of that peak; on what remains a 1+ ion at the 2+ M (its M+1 the 2+
    // ion's M+2) fits better, yet the peaks are the 2+ ion's.
    Spectrum doubly = centroids("SAMPLERK/2");
    Spectrum triple = centroids("PEPTIDEPEPTIDEK/3");
    const double merged = doubly.mz[1] * (1 + 15e-6);
    const double shift = merged - triple.mz[0];
    for (double &mz : triple.mz) mz += shift;
    triple.intensity[0] += doubly.intensity[1];
    doubly.mz.erase(doubly.mz.begin() + 1), doubly.intensity.erase(doubly.intensity.begin() + 1);
    Spectrum scan = doubly;
    scan.add(triple);
    std::map<int, double> mono;
    for (const auto &e : deisotoped(scan, 0.01)) mono[e.charge] = e.monoisotopic_mz;
    EXPECT_EQ(mono.count(1), 0u);
    EXPECT_NEAR(mono[2], doubly.mz[0], 1e-9);
    EXPECT_NEAR(mono[3], merged, 1e-9);
}

TEST(Deisotope, AnIonInterleavedWithOneOfTwiceItsChargeHalfAStepUpIsNotReadAsOne) {
    // A [M+H]+ and a [M+2H]2+ whose M lies half a step (of the 1+) above
    // the 1+ ion's M: every other 2+ point shares a 1+ rung, and the whole
    // reads as one 2+ envelope from the 1+ ion's M.
    const Spectrum single = centroids("SAMPLERK/1");
    Spectrum doubly = centroids("SAMPLERKSAMPLERK/2");
    const double shift = single.mz[0] + 1.00286 / 2 - doubly.mz[0];
    for (std::size_t k = 0; k < doubly.mz.size(); ++k)
        doubly.mz[k] = k % 2 == 1 ? single.mz[(k + 1) / 2] : doubly.mz[k] + shift;
    Spectrum scan = single;
    scan.add(doubly, 0.8 * single.intensity[0] / doubly.intensity[0]);
    std::map<int, double> mono;
    for (const auto &e : deisotoped(scan, 0.01)) mono[e.charge] = e.monoisotopic_mz;
    ASSERT_EQ(mono.size(), 2u);
    EXPECT_NEAR(mono[1], single.mz[0], 1e-9);
    EXPECT_NEAR(mono[2], doubly.mz[0], 1e-9);
}

TEST(Deisotope, APeptideOneRungLighterThanAStrongerOneIsFoundBelowIt) {
    // As above with the heavier ion the stronger: it is found first and
    // takes the shared peaks whole, leaving the lighter one only its M.
    const Spectrum light = centroids("SAMPLERK/2");
    Spectrum scan = light;
    for (double &h : scan.intensity) h *= 0.6;
    Spectrum heavy = light;
    for (std::size_t k = 0; k + 1 < light.mz.size(); ++k) heavy.mz[k] = light.mz[k + 1];
    heavy.mz.back() += 1.00286 / 2;
    scan.add(heavy);
    const auto found = deisotoped(scan, 0.01);
    ASSERT_EQ(found.size(), 2u);
    EXPECT_EQ(found[0].charge, 2);
    EXPECT_NEAR(found[0].monoisotopic_mz, light.mz[0], 1e-9);
    EXPECT_NEAR(found[1].monoisotopic_mz, light.mz[1], 1e-9);
    // Each with its height fitted together, not the heavier one's alone.
    EXPECT_NEAR(found[0].intensity / found[1].intensity, 0.6, 0.03);
}

TEST(Deisotope, AnIonWhoseOddRungsAStrongerIonOfHalfItsChargeTookKeepsItsCharge) {
    // A [M+4H]4+ whose M lies a quarter step below the M of a stronger
    // [M+2H]2+: every other 4+ point shares a 2+ rung. The 2+ ion, found
    // first, takes those; the 4+ ion's own points read as a 2+ envelope.
    const Spectrum doubly = centroids("SAMPLERK/2");
    Spectrum quadruply = centroids("SAMPLERKSAMPLERK/4");
    const double shift = doubly.mz[0] - 1.00286 / 4 - quadruply.mz[0];
    for (std::size_t k = 0; k < quadruply.mz.size(); ++k)
        quadruply.mz[k] = k % 2 == 1 ? doubly.mz[k / 2] : quadruply.mz[k] + shift;
    Spectrum scan = doubly;
    scan.add(quadruply, 0.5 * doubly.intensity[0] / quadruply.intensity[0]);
    std::map<int, double> mono;
    for (const auto &e : deisotoped(scan, 0.01)) mono[e.charge] = e.monoisotopic_mz;
    ASSERT_EQ(mono.size(), 2u);
    EXPECT_NEAR(mono[2], doubly.mz[0], 1e-9);
    EXPECT_NEAR(mono[4], quadruply.mz[0], 1e-9);
}

// `ion` beside a stronger [M+3H]3+ (at `times` its M) whose M lies `ppm`
// from `rung`: peak picking merges the two points there into one
// centroid at their intensity-weighted m/z.
Spectrum beside_merged_triple(Spectrum ion, double rung, double ppm, double times) {
    Spectrum triple = centroids("GTWDLSVPFHKAK/3");
    const double shift = rung * (1 + ppm * 1e-6) - triple.mz[0];
    const double scale = times * ion.intensity[0] / triple.intensity[0];
    for (double &mz : triple.mz) mz += shift;
    for (double &h : triple.intensity) h *= scale;
    const auto at = std::find_if(ion.mz.begin(), ion.mz.end(),
                                 [&](double mz) { return std::abs(mz - rung) < 1e-9; });
    if (at != ion.mz.end()) {
        const auto k = static_cast<std::size_t>(at - ion.mz.begin());
        const double sum = ion.intensity[k] + triple.intensity[0];
        triple.mz[0] = (ion.intensity[k] * rung + triple.intensity[0] * triple.mz[0]) / sum;
        triple.intensity[0] = sum;
        ion.mz.erase(at), ion.intensity.erase(ion.intensity.begin() + static_cast<long>(k));
    }
    ion.add(triple);
    return ion;
}

TEST(Deisotope, A2PlusIonWhoseMPlus1WentIntoANeighboursCentroidKeepsItsCharge) {
    // The 2+ ion's M+1 merged 25 ppm into a 3+ ion's M: read alone, the
    // 2+ ion's rungs but that one are those of a 1+ ion.
    const Spectrum doubly = centroids("EMEVEESPEK/2");
    for (double ppm : {25.0, -25.0}) {
        std::map<int, double> mono;
        for (const auto &e : deisotoped(beside_merged_triple(doubly, doubly.mz[1], ppm, 2)))
            mono[e.charge] = e.monoisotopic_mz;
        EXPECT_EQ(mono.count(1), 0u) << ppm;
        EXPECT_NEAR(mono[2], doubly.mz[0], 1e-9) << ppm;
    }
    // A 1+ ion has nothing at its half step: the neighbour's centroid there
    // is the neighbour's alone, and the 1+ ion keeps its charge.
    const Spectrum singly = centroids("SAMPLER/1");
    std::map<int, double> mono;
    for (const auto &e :
         deisotoped(beside_merged_triple(singly, singly.mz[0] + 1.00286 / 2, 20, 2)))
        mono[e.charge] = e.monoisotopic_mz;
    EXPECT_EQ(mono.count(2), 0u);
    EXPECT_NEAR(mono[1], singly.mz[0], 1e-9);
}

} // namespace

TEST(Deisotope, AnIonWhoseMANeighbourFoundBeforeMostlyTookKeepsItsM) {
    // A [M+3H]3+ whose M shares one centroid with the M+1 of a [M+2H]2+
    // (0.3 of that peak is the 3+ ion's): the 2+ ion, found first, takes
    // most of it, so the 3+ ion's highest point looks explained and only its
    // M+1 seeds it. The rung ratios on what the 2+ ion leaves put M there.
    Spectrum scan = centroids("SAMPLERK/2");
    Spectrum triple = centroids("PEPTIDEPEPTK/3");
    const double shift = scan.mz[1] - triple.mz[0];
    for (double &mz : triple.mz) mz += shift;
    triple.mz[0] = scan.mz[1];
    scan.add(triple, 0.3 * scan.intensity[1] / triple.intensity[0]);
    std::map<int, double> mono;
    for (const auto &e : deisotoped(scan, 0.01)) mono[e.charge] = e.monoisotopic_mz;
    ASSERT_EQ(mono.size(), 2u);
    EXPECT_NEAR(mono[2], scan.mz[0], 1e-9);
    EXPECT_NEAR(mono[3], triple.mz[0], 1e-9);
}

TEST(Deisotope, AnMAtTheToleranceEdgeIsStillM) {
    // A [M+2H]2+ whose M+1 is its highest point, its M centroid 13 ppm off
    // (the tolerance is 10): M is sought within 1.5 times the tolerance, and
    // the pair fit after it must not read the envelope one rung heavy.
    for (const char *text : {"PEPTIDEPEPTIDEPEPTIDE/2", "SAMPLERSAMPLERSAMPLERK/2"}) {
        Spectrum scan = centroids(text);
        ASSERT_GT(scan.intensity[1], scan.intensity[0]) << text;
        scan.mz[0] *= 1 + 13e-6;
        const auto found = deisotoped(scan);
        ASSERT_EQ(found.size(), 1u) << text;
        EXPECT_EQ(found[0].charge, 2) << text;
        EXPECT_NEAR(found[0].monoisotopic_mz, scan.mz[0], 1e-9) << text;
    }
}
