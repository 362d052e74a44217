// Options and inputs that corvan match and corvan deisotope share.
#include "commands/mzml_command_support.hpp"

#include <cerrno>
#include <cmath>
#include <cstring>

#include "commands.hpp"
#include "output/atomic_file.hpp"

namespace cli {

std::optional<CommandFailure> read_scan_filter(const Args &args, ScanFilter &filter) {
    if (const auto it = args.options.find("scans"); it != args.options.end()) {
        const auto range = read_range(it->second);
        if (!range) return CommandFailure{kUsage, "--scans must be N or A-B"};
        filter.first = static_cast<long>(range->first);
        filter.last = static_cast<long>(range->second);
    }
    if (const auto it = args.options.find("rt"); it != args.options.end()) {
        const auto range = read_range(it->second);
        if (!range) return CommandFailure{kUsage, "--rt must be A-B (seconds)"};
        filter.rt_low = range->first;
        filter.rt_high = range->second;
    }
    return std::nullopt;
}

std::optional<CommandFailure> read_format(const Args &args, Format &format) {
    const std::string name = option_or(args, "format", "");
    const std::string out = option_or(args, "out", "");
    if (!name.empty()) {
        const auto named = format_named(name);
        if (!named) return CommandFailure{kUsage, "--format must be table, csv, tsv or json"};
        format = *named;
    } else if (const auto implied = format_for_file(out)) {
        format = *implied;
    }
    return std::nullopt;
}

std::optional<CommandFailure> read_number(const Args &args, const std::string &name, double low,
                                          double high, double &value) {
    const auto it = args.options.find(name);
    if (it == args.options.end()) return std::nullopt;
    char *end = nullptr;
    const double read = std::strtod(it->second.c_str(), &end);
    if (it->second.empty() || *end != '\0' || !(read >= low && read <= high))
        return CommandFailure{kUsage, "--" + name + " must be a number from " + cell(low, 6) +
                                          " to " + cell(high, 6)};
    value = read;
    return std::nullopt;
}

std::optional<CommandFailure> read_int_range(const Args &args, const std::string &name, int min,
                                             int max, int &low, int &high) {
    const auto it = args.options.find(name);
    if (it == args.options.end()) return std::nullopt;
    const auto range = read_range(it->second);
    if (!range || range->first < min || range->second > max ||
        range->first != std::floor(range->first) || range->second != std::floor(range->second))
        return CommandFailure{kUsage, "--" + name + " must be N or A-B, whole numbers from " +
                                          std::to_string(min) + " to " + std::to_string(max)};
    low = static_cast<int>(range->first);
    high = static_cast<int>(range->second);
    return std::nullopt;
}

std::optional<CommandFailure> write_output(const std::string &path,
                                           const std::function<void(std::FILE *)> &write) {
    if (path.empty()) {
        write(stdout);
        if (std::fflush(stdout) != 0 || std::ferror(stdout))
            return CommandFailure{kFile, std::string("cannot write standard output: ") +
                                             std::strerror(errno)};
        return std::nullopt;
    }
    AtomicFile file;
    if (!file.open(path))
        return CommandFailure{kFile, "cannot write " + path + ": " + std::strerror(errno)};
    write(file.stream());
    if (!file.commit())
        return CommandFailure{kFile, "cannot write " + path + ": " + std::strerror(errno)};
    return std::nullopt;
}

std::string cell(double value, int decimals) {
    if (!std::isfinite(value)) return "";
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "%.*f", decimals, value);
    return buffer;
}

} // namespace cli
