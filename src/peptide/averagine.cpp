#include "peptide/averagine.hpp"

#include "core/counts.hpp"
#include "corvan.h"

namespace corvan::peptide {

namespace {

constexpr int kColumns = 5;

bool fill_averagine(float mass, int *fftlist) {
    int units = 0;
    if (!counts::round_to_count(static_cast<double>(mass) / massavgine, &units)) return false;
    for (int column = 0; column < kColumns; ++column)
        if (!counts::round_to_count(avgine[column] * units, &fftlist[column])) return false;
    return true;
}

} // namespace

bool averagine_composition(float mass, int *fftlist) {
    if (fill_averagine(mass, fftlist)) return true;
    for (int column = 0; column < kColumns; ++column) fftlist[column] = 0;
    return false;
}

} // namespace corvan::peptide
