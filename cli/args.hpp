// Command-line arguments: positional words and --name value options.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace cli {

struct Args {
    std::vector<std::string> positional;
    std::map<std::string, std::string> options; // "--points 16" -> {"points", "16"}
    std::vector<std::string> flags;             // options that take no value
    // Every value of each option, in order, for options that may repeat
    // (--label 15N=0.98 --label 13C=0.99).
    std::map<std::string, std::vector<std::string>> repeated;
};

// Splits argv[first..] by the command's option set; an option that takes a
// value may be written "--name value" or "--name=value". Returns an error
// message, or nothing on success.
std::optional<std::string> parse(int argc, char **argv, int first,
                                 const std::vector<std::string> &valued,
                                 const std::vector<std::string> &flags, Args &args);

// The value of option `name`, or `otherwise` when it was not given.
std::string option_or(const Args &args, const std::string &name, const std::string &otherwise);

// Whole-string integer/real conversions; nothing on junk or overflow.
std::optional<int> to_int(const std::string &text);
std::optional<float> to_float(const std::string &text);

} // namespace cli
