// Deisotoping's charge read against the whole region: an ion whose rung
// fell into a neighbour's centroid (peak picking reports the apex of the
// two, little more than the larger point).
#include <algorithm>
#include <cmath>
#include <map>
#include <vector>

#include <gtest/gtest.h>

#include "corvan.h"
#include "deisotope_scan.hpp"

namespace {

using namespace deisotope_scan;

// The ion's points (shares over 1e-3 of the highest) as centroids, M at
// `mono` when given, the highest at `top`.
Peaks centroids(const char *text, double top, double mono = 0) {
    corvan_distribution *d = nullptr;
    EXPECT_EQ(corvan_distribution_from_text(CORVAN_KIND_PEPTIDE, text, nullptr, &d, nullptr),
              CORVAN_OK);
    corvan_points p{};
    corvan_distribution_points(d, &p);
    double highest = 0;
    for (std::size_t i = 0; i < p.count; ++i) highest = std::max(highest, p.shares[i]);
    const double shift = mono > 0 ? mono - p.mz[0] : 0;
    Peaks peaks;
    for (std::size_t i = 0; i < p.count; ++i)
        if (p.shares[i] > 1e-3 * highest) peaks[p.mz[i] + shift] = top * p.shares[i] / highest;
    corvan_distribution_free(d);
    return peaks;
}

// `ion` whose point at `rung` merged into the M of a 3+ neighbour `ppm`
// above it, `times` as high as the ion's highest point: the centroid lies
// at the neighbour's m/z and holds the neighbour's height plus a quarter of
// the ion's point (the apex of two peaks about their width apart).
Peaks beside_merged_triple(Peaks ion, double rung, double ppm, double times) {
    double top = 0;
    for (auto [m, h] : ion) top = std::max(top, h);
    const double at = rung * (1 + ppm * 1e-6);
    Peaks scan = centroids("GTWDLSVPFHKAK/3", times * top, at);
    const double neighbour_m = scan.begin()->second;
    scan.begin()->second = neighbour_m + 0.25 * ion.at(rung);
    ion.erase(rung);
    for (auto [m, h] : ion) scan[m] += h;
    return scan;
}

TEST(JointCharge, A2PlusIonWhoseMPlus1IsInANeighboursApexIsRead2Plus) {
    // Read alone, the 2+ ion's rungs but its M+1 are those of a 1+ ion; the
    // 2+ reading fits its M+2 and M+3 and the shared centroid holds both.
    const Peaks doubly = centroids("EMEVEESPEK/2", 1);
    const double mono = doubly.begin()->first;
    const double rung = std::next(doubly.begin())->first;
    for (double ppm : {20.0, -20.0}) {
        const Found found = deisotoped(beside_merged_triple(doubly, rung, ppm, 1.5));
        EXPECT_EQ(found.count(1), 0u) << ppm;
        EXPECT_TRUE(holds(found, 2, mono)) << ppm;
        EXPECT_EQ(found.count(3), 1u) << ppm;
    }
}

TEST(JointCharge, A3PlusIonWhoseMPlus1IsInANeighboursCentroidIsRead3Plus) {
    // Centroids of a simulated scan (1e4 counts): a 3+ ion at 328.8397
    // whose M+1 went into the M of a 2+ ion 23 ppm off (329.1647); its M+3
    // (329.8398) reads as the M+1 of a 1+ ion.
    const Peaks scan = {{328.8397, 230}, {329.1647, 368}, {329.5068, 37},  {329.6647, 119},
                        {329.8398, 9},   {330.1646, 27},  {330.5030, 237}, {330.6656, 5},
                        {330.8430, 186}, {331.1761, 98}};
    const Found found = deisotoped(scan);
    EXPECT_EQ(found.count(1), 0u);
    EXPECT_TRUE(holds(found, 3, 328.8397));
}

TEST(JointCharge, A1PlusIonAmidNeighboursCentroidsKeepsItsCharge) {
    // Centroids of a simulated scan (MSSimulator, PeakPickerHiRes; 1e4
    // counts): a 1+ ion at 420.2473 (M+1 421.2543) between 3+ ions at
    // 419.8858 and 420.5883. Read at 3+, each rung of the 1+ ion but M falls
    // within 3.5 tolerances of a neighbour's centroid, where any height
    // fits: the peaks that show the charge are the ion's own.
    const Peaks scan = {{419.5569, 93},  {419.5955, 13}, {419.8858, 187}, {420.2185, 115},
                        {420.2473, 180}, {420.5524, 50}, {420.5883, 177}, {420.8854, 16},
                        {420.9213, 125}, {421.2194, 4},  {421.2543, 54},  {421.5713, 75},
                        {421.5883, 14}};
    EXPECT_TRUE(holds(deisotoped(scan), 1, 420.2473));
}

} // namespace
