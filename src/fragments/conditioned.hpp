// The envelope of a fragment when the precursor was isolated with only some
// of its isotope peaks: fragment and complement (precursor less fragment)
// share the precursor's extra neutrons, so the peaks isolated bound what
// the fragment can hold.
#pragma once

#include <string_view>
#include <vector>

#include "envelope/envelope.hpp"
#include "molecule/outcome.hpp"

namespace corvan::fragments {

// "M+0,M+1", "M", "M-1", "0,1" into the peaks' k, sorted, each once.
Outcome parse_isolated_peaks(std::string_view text, std::vector<int> &peaks);

// The precursor's peaks (k) whose mean m/z lies in [low, high] at `charge`.
std::vector<int> peaks_in_window(const envelope::Envelope &precursor, int charge, double low,
                                 double high);

// P(fragment at point i | precursor at some k of `isolated`), proportional
// to P_fragment(i) * sum over k of P_complement(k - i), aligned with
// fragment.shares and summing to 1; all zero when no isolated peak can be
// reached.
std::vector<double> conditioned_shares(const envelope::Envelope &fragment,
                                       const envelope::Envelope &complement,
                                       const std::vector<int> &isolated);

} // namespace corvan::fragments
