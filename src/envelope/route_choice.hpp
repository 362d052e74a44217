// Which of the envelope's two routes computes a molecule's points: the
// direct sum (direct_sum.hpp) or the transform of the element bins. Both
// are exact to far below what is reported; the choice is by estimated work
// alone, from counts that depend on the molecule only.
#pragma once

namespace corvan::envelope {

class RouteCosts {
  public:
    // A molecule of `factors` elements, `series` of them of more than one
    // isotope (counted by the caller in its own pass over the elements).
    RouteCosts(int factors, int series) : factors_(factors), series_(series) {}
    // Whether the direct sum to `length` points is estimated to cost less
    // than the transform on a grid of `grid` points.
    bool direct_is_cheaper(int length, int grid) const;

  private:
    int factors_; // every factor: each costs the transform per bin
    int series_;  // factors of more than one isotope: a series each
};

} // namespace corvan::envelope
