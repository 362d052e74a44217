// The averaging-residue (averagine) composition of a peptide mass.
#pragma once

namespace corvan::peptide {

// Overwrites fftlist (C, H, N, O, S) with the averagine composition of
// `mass`: the whole number of averaging units nearest to mass / massavgine,
// times avgine, each count rounded half away from zero. No water is added.
// Returns false, with fftlist all zero, when the mass is not finite or the
// unit count or an atom count does not fit in an int.
bool averagine_composition(float mass, int *fftlist);

} // namespace corvan::peptide
