// The server's one-line-per-request log on standard error.
#include "serve/serve_log.hpp"

#include <cstdio>
#include <ctime>
#include <mutex>

#include <poll.h>
#include <unistd.h>

namespace cli {

namespace {

constexpr std::size_t kMostPathBytes = 200;

std::mutex writer; // one writer at a time, so a poll's promise holds for its write

std::string utc_now() {
    const std::time_t now = std::time(nullptr);
    std::tm parts{};
    gmtime_r(&now, &parts);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &parts);
    return text;
}

} // namespace

void log_line(const std::string &line) {
    const std::string text = line + "\n";
    // A pipe or terminal that polls writable takes at least a page; a
    // longer line (never written here) could still block, so it is cut.
    if (text.size() > 1024) return;
    std::unique_lock lock(writer, std::try_to_lock);
    if (!lock.owns_lock()) return;
    pollfd target{STDERR_FILENO, POLLOUT, 0};
    if (poll(&target, 1, 0) != 1 || (target.revents & POLLOUT) == 0) return;
    [[maybe_unused]] const ssize_t written = write(STDERR_FILENO, text.data(), text.size());
}

std::string request_log_line(unsigned status, double milliseconds, const std::string &uri) {
    std::string path = uri.substr(0, uri.find('?'));
    if (path.size() > kMostPathBytes) path.resize(kMostPathBytes);
    for (char &c : path)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) c = '?';
    char figures[48];
    std::snprintf(figures, sizeof figures, " %u %.1f ms ", status, milliseconds);
    return utc_now() + figures + path;
}

} // namespace cli
