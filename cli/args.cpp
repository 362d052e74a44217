// Command-line arguments: positional words and --name value options.
#include "args.hpp"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdlib>

namespace cli {

namespace {

bool contains(const std::vector<std::string> &names, const std::string &name) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

} // namespace

std::optional<std::string> parse(int argc, char **argv, int first,
                                 const std::vector<std::string> &valued,
                                 const std::vector<std::string> &flags, Args &args) {
    for (int i = first; i < argc; ++i) {
        std::string word = argv[i];
        if (word.size() < 3 || word.compare(0, 2, "--") != 0) {
            args.positional.push_back(word);
            continue;
        }
        std::string name = word.substr(2);
        std::optional<std::string> value;
        if (const auto eq = name.find('='); eq != std::string::npos) {
            value = name.substr(eq + 1);
            name.resize(eq);
        }
        if (contains(flags, name) && !value) {
            args.flags.push_back(name);
        } else if (contains(valued, name)) {
            if (!value) {
                if (i + 1 >= argc) return "option --" + name + " needs a value";
                value = argv[++i];
            }
            args.options[name] = *value;
            args.repeated[name].push_back(*value);
        } else {
            return "unknown option --" + name;
        }
    }
    return std::nullopt;
}

std::string option_or(const Args &args, const std::string &name, const std::string &otherwise) {
    const auto it = args.options.find(name);
    return it == args.options.end() ? otherwise : it->second;
}

std::optional<int> to_int(const std::string &text) {
    if (text.empty()) return std::nullopt;
    char *end = nullptr;
    errno = 0;
    const long value = std::strtol(text.c_str(), &end, 10);
    if (*end != '\0' || errno != 0 || value < INT_MIN || value > INT_MAX) return std::nullopt;
    return static_cast<int>(value);
}

std::optional<float> to_float(const std::string &text) {
    if (text.empty()) return std::nullopt;
    char *end = nullptr;
    const float value = std::strtof(text.c_str(), &end);
    if (*end != '\0' || !std::isfinite(value)) return std::nullopt;
    return value;
}

} // namespace cli
