// Isotope labels (enrichment): an isotope's share of its element's natural
// atoms, the other isotopes sharing the rest in their natural proportions.
#pragma once

#include <string_view>
#include <vector>

#include "molecule/outcome.hpp"

namespace corvan::labels {

struct Label {
    int element;
    int mass_number;
    double fraction;
};

// Labels of one call, at most one per isotope.
class LabelSet {
  public:
    // Adds the label of (element, mass_number) and checks that the
    // element's labels can still be met; a second label of one isotope is
    // refused (CORVAN_E_LABEL). `isotope` is "15N", "2H" or
    // "D", as the caller wrote it (for messages).
    Outcome set(std::string_view isotope, double fraction);
    // "15N=0.98".
    Outcome parse(std::string_view text);

    const std::vector<Label> &all() const { return labels_; }
    bool labels_element(int element) const;

  private:
    std::vector<Label> labels_;
};

// Reads an isotope name ("13C", "15N", "D" for 2H, "T" for 3H when the
// table has it) into element index and mass number.
Outcome parse_isotope(std::string_view text, int &element, int &mass_number);

} // namespace corvan::labels
