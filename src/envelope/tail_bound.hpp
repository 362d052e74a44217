// How far a sum of independent bounded atoms can stray from its mean before
// the probability beyond is negligible (Bennett's inequality).
#pragma once

namespace corvan::envelope {

// The smallest t with P(S - E[S] >= t) <= exp(-log_odds), for S a sum of
// independent variables of total variance `variance`, each at most `reach`
// above its mean.
double bennett_distance(double variance, double reach, double log_odds);

} // namespace corvan::envelope
