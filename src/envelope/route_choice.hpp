// Which of the envelope's two routes computes a molecule's points: the
// direct sum (direct_sum.hpp) or the transform of the element bins. Both
// are exact to far below what is reported; the choice is by estimated work
// alone, from counts that depend on the molecule only.
#pragma once

namespace corvan::envelope {

class RouteCosts {
  public:
    // One factor of the molecule, an element with this many isotopes
    // (inline: a call per factor would cost as much as the counting).
    void add_element(int isotopes) {
        ++factors_;
        series_ += isotopes >= 2;
    }
    // Whether the direct sum to `length` points is estimated to cost less
    // than the transform on a grid of `grid` points.
    bool direct_is_cheaper(int length, int grid) const;

  private:
    int factors_ = 0; // every factor: each costs the transform per bin
    int series_ = 0;  // factors of more than one isotope: a series each
};

} // namespace corvan::envelope
