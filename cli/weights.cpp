#include "weights.hpp"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>

#include <sys/stat.h>

namespace cli {

std::optional<int> network_units(long long bytes, int inputs) {
    if (bytes <= 0 || bytes % 4 != 0 || inputs < 1) return std::nullopt;
    const double floats = static_cast<double>(bytes / 4);
    const double b = 3.0 + inputs;
    const long long guess = std::llround((-b + std::sqrt(b * b + 8.0 * floats)) / 4.0);
    for (long long n = std::max(1LL, guess - 1); n <= guess + 1; ++n)
        if (2 * n * n + (3 + inputs) * n == bytes / 4 && n <= (1 << 20)) return static_cast<int>(n);
    return std::nullopt;
}

std::optional<long long> readable_file_size(const std::string &path) {
    std::FILE *file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) return std::nullopt;
    struct stat status {};
    const bool regular = fstat(fileno(file), &status) == 0 && S_ISREG(status.st_mode);
    std::fclose(file);
    if (!regular) {
        errno = EISDIR;
        return std::nullopt;
    }
    return static_cast<long long>(status.st_size);
}

} // namespace cli
