// A caller's network weight file (--weights): the library reads it whole at
// every call, so its size alone tells how many units the network has.
#pragma once

#include <optional>
#include <string>

namespace cli {

// The number of units n per layer of a network with `inputs` inputs stored
// in `bytes` bytes (4 * (3n + n*inputs + 2n*n)), or nothing when no n fits.
std::optional<int> network_units(long long bytes, int inputs);

// The size of a readable regular file; otherwise nothing, and `why` says
// why ("No such file or directory", "not a regular file", ...). Never
// blocks, not even on a FIFO.
std::optional<long long> readable_file_size(const std::string &path, std::string &why);

} // namespace cli
