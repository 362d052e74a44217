// Deisotoping's false hits: envelopes resting on what stronger envelopes
// leave of their peaks, and a 1+ ion read as 2+.
#include <map>
#include <vector>

#include <gtest/gtest.h>

#include "corvan.h"

namespace {

using Peaks = std::map<double, double>; // m/z -> intensity

// The ion's points (shares over 1e-3) as centroids, the highest at 1.
Peaks centroids(const char *text) {
    corvan_distribution *d = nullptr;
    EXPECT_EQ(corvan_distribution_from_text(CORVAN_KIND_PEPTIDE, text, nullptr, &d, nullptr),
              CORVAN_OK);
    corvan_points p{};
    corvan_distribution_points(d, &p);
    double top = 0;
    for (std::size_t i = 0; i < p.count; ++i) top = std::max(top, p.shares[i]);
    Peaks peaks;
    for (std::size_t i = 0; i < p.count; ++i)
        if (p.shares[i] > 1e-3 * top) peaks[p.mz[i]] = p.shares[i] / top;
    corvan_distribution_free(d);
    return peaks;
}

std::vector<corvan_found_envelope> deisotoped(const Peaks &scan) {
    std::vector<double> mz, intensity;
    for (auto [m, h] : scan) mz.push_back(m), intensity.push_back(h);
    corvan_envelopes *found = nullptr;
    EXPECT_EQ(corvan_deisotope(mz.data(), intensity.data(), mz.size(), nullptr, &found, nullptr),
              CORVAN_OK);
    std::vector<corvan_found_envelope> all(corvan_envelopes_count(found));
    for (std::size_t i = 0; i < all.size(); ++i) corvan_envelopes_get(found, i, &all[i]);
    corvan_envelopes_free(found);
    return all;
}

TEST(FalseHits, AnEnvelopeOnAStrongerOnesLeftoversIsDropped) {
    // A 3+ ion whose M peak holds 20% more than its pattern (a neighbour's
    // flank), and a small peak half a 2+ step below that M: the leftover
    // of the M peak reads as the M+1 of a 2+ ion whose M is the small peak.
    Peaks scan = centroids("SAMPLERKLLVVK/3");
    const double mono = scan.begin()->first;
    scan.begin()->second *= 1.2;
    scan[mono - 1.00286 / 2] = 0.12;
    const auto found = deisotoped(scan);
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].charge, 3);
    EXPECT_NEAR(found[0].monoisotopic_mz, mono, 1e-9);
}

TEST(FalseHits, AOnePlusIonHalfAStepBelowATwoPlusOneIsNotATwoPlusPair) {
    // A 1+ ion at M shares its M+1 peak with the M+1 of a 2+ ion whose M
    // lies half a step above: read as 2+ at M, it pairs with the 2+ ion.
    Peaks scan = centroids("TDNEVSGIYVR/2");
    const double mono2 = scan.begin()->first, mono1 = mono2 - 1.00286 / 2;
    const Peaks single = centroids("AFSSSK/1");
    for (auto [mz, height] : single) {
        const double at = mz - single.begin()->first + mono1;
        auto near = scan.lower_bound(at - 0.004);
        (near != scan.end() && near->first < at + 0.004 ? near->second : scan[at]) += 0.75 * height;
    }
    const auto found = deisotoped(scan);
    ASSERT_EQ(found.size(), 2u);
    EXPECT_EQ(found[0].charge, 1);
    EXPECT_NEAR(found[0].monoisotopic_mz, mono1, 1e-9);
    EXPECT_EQ(found[1].charge, 2);
    EXPECT_NEAR(found[1].monoisotopic_mz, mono2, 1e-9);
}

} // namespace
