// Printing a distribution as a readable table.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

namespace cli {

// Prints "index  relative intensity" rows for out[0..], up to the last point
// of at least `floor` (all points when floor is 0), after a title line.
void print_table(std::FILE *stream, const std::string &title, const std::vector<float> &out,
                 float floor);

} // namespace cli
