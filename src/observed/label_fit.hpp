// How much label a sample took up: enrichment fraction, a two-state mix,
// deuterium uptake.
#pragma once

#include <string_view>

#include "observed/expected_envelope.hpp"
#include "observed/peak_list.hpp"

namespace corvan::observed {

Outcome fit_label(const corvan_molecule &molecule, const corvan_options &options,
                  std::string_view isotope, double ppm, const PeakList &peaks,
                  corvan_label_fit &fit);

Outcome fit_mix(const corvan_molecule &light, const corvan_options &light_options,
                const corvan_molecule &heavy, const corvan_options &heavy_options, double ppm,
                const PeakList &peaks, corvan_mix_fit &fit);

Outcome deuterium_uptake(const corvan_molecule &molecule, const corvan_options &options, double ppm,
                         const PeakList &peaks, double &mean_sites);

} // namespace corvan::observed
