// A stick spectrum of a Result as a self-contained SVG picture.
#pragma once

#include <cstdio>
#include <string>

#include "output/result.hpp"

namespace cli {

// Peaks of at least this share of the highest are drawn.
constexpr double kPlottedShare = 1e-3;

// One <line class="peak"> per drawn peak. With masses the horizontal axis
// is the mass and each stick stands at its peak's mean mass; without, the
// axis is the peak label (M, M+1, ...).
void write_svg_plot(std::FILE *stream, const Result &result);

// Text made safe for SVG element content and attribute values.
std::string xml_escaped(const std::string &text);

} // namespace cli
