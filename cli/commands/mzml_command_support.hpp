// What the match and deisotope commands share: failures, scan selection,
// output streams and number formatting.
#pragma once

#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "args.hpp"
#include "commands/command_failure.hpp"
#include "commands/mzml_scans.hpp"
#include "output/output_formats.hpp"

namespace cli {

// --scans A-B and --rt A-B (seconds) into a filter.
std::optional<CommandFailure> read_scan_filter(const Args &args, ScanFilter &filter);

// --format, or the one --out's name implies, or the table.
std::optional<CommandFailure> read_format(const Args &args, Format &format);

// A real option within [low, high] into `value` (untouched when absent).
std::optional<CommandFailure> read_number(const Args &args, const std::string &name, double low,
                                          double high, double &value);

// "A-B" or "A" of whole numbers into [low, high] within [min, max].
std::optional<CommandFailure> read_int_range(const Args &args, const std::string &name, int min,
                                             int max, int &low, int &high);

// Writes through `write` to --out (whole or not at all) or standard output.
std::optional<CommandFailure> write_output(const std::string &path,
                                           const std::function<void(std::FILE *)> &write);

// A number for a table (blank when not finite).
std::string cell(double value, int decimals);

} // namespace cli
