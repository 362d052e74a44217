// The server's log on standard error: one line per request. A reader that
// stops reading must never stall the server, so a line that cannot be
// written at once is dropped.
#pragma once

#include <string>

namespace cli {

// Writes `line` (a newline is added) if standard error takes it now.
void log_line(const std::string &line);

// "2026-01-31T12:00:00Z 200 1.3 ms /api/distribution": the query is left
// out (it may hold a user's data) and bytes that could forge lines are
// replaced.
std::string request_log_line(unsigned status, double milliseconds, const std::string &uri);

} // namespace cli
