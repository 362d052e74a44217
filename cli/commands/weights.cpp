// A caller's network weight file and the size of its network.
#include "commands/weights.hpp"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>

#include <fcntl.h>
#include <unistd.h>

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

std::optional<long long> readable_file_size(const std::string &path, std::string &why) {
    // Non-blocking: a FIFO without a writer would hold the open forever.
    const int descriptor = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (descriptor < 0) {
        why = std::strerror(errno);
        return std::nullopt;
    }
    struct stat status {};
    const int got = fstat(descriptor, &status);
    const int saved = errno;
    close(descriptor);
    if (got != 0) {
        why = std::strerror(saved);
        return std::nullopt;
    }
    if (!S_ISREG(status.st_mode)) {
        why = S_ISDIR(status.st_mode) ? "it is a directory" : "not a regular file";
        return std::nullopt;
    }
    return static_cast<long long>(status.st_size);
}

} // namespace cli
