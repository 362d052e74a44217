// The five mass features of the mass-driven networks.
#include <cmath>

#include "corvan.h"

// Each feature is a true single-precision division (not a product with a
// reciprocal), so the features match those the networks were trained on to
// the last bit. fmin/fmax ignore a NaN operand: a NaN quotient clamps to 1.
extern "C" void mass_to_vector(float mass, float *features) {
    const float divisors[] = {1000000.0f, 100000.0f, 10000.0f, 1000.0f, 100.0f};
    for (int k = 0; k < 5; ++k) features[k] = std::fmax(std::fmin(mass / divisors[k], 1.0f), 0.0f);
}
