// Deisotoping an ion whose M+1 went into one centroid with a neighbour's
// peak, picked between the two beyond the tolerance of either.
#include <algorithm>
#include <cmath>
#include <map>
#include <vector>

#include <gtest/gtest.h>

#include "corvan.h"
#include "deisotope_scan.hpp"

namespace {

using namespace deisotope_scan;

TEST(ShiftedRung, A1PlusIonWhoseMPlus1MergedIsKept1Plus) {
    // Centroids of a simulated scan (1e5 counts): a 1+ ion at 393.2255 whose
    // M+1 (394.2277) went into a 2+ ion's M+1 at 394.2234, 11 ppm off.
    const Peaks scan = {
        {393.2255, 21}, {393.7228, 31}, {394.2234, 16}, {394.7247, 3}, {395.2270, 1}};
    const Found found = deisotoped(scan);
    EXPECT_TRUE(holds(found, 1, 393.2255));
    EXPECT_TRUE(holds(found, 2, 393.7228));
}

TEST(ShiftedRung, A2PlusIonWhoseMPlus1IsA4PlusMIsRead2Plus) {
    // Centroids of a simulated scan (1e5 counts): a 2+ ion at 372.7173
    // whose M+1 (373.2180) went into the M of a 4+ ion, 11 ppm off; read
    // 1+, its M+1 would fall on that 4+ ion's M+2.
    const Peaks scan = {{372.1904, 9},  {372.2322, 33}, {372.3905, 9},  {372.5904, 5},
                        {372.7173, 31}, {372.7329, 13}, {372.7904, 2},  {373.2148, 20},
                        {373.4626, 10}, {373.7148, 18}, {373.9649, 11}, {374.2152, 6},
                        {374.2413, 19}};
    const Found found = deisotoped(scan);
    EXPECT_TRUE(holds(found, 2, 372.7173));
    EXPECT_TRUE(holds(found, 4, 373.2148));
}

} // namespace
