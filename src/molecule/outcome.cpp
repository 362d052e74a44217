#include "molecule/outcome.hpp"

#include <cstring>

namespace corvan {

namespace {
constexpr std::size_t kQuotedLength = 40;
}

int report(const Outcome &outcome, corvan_error *error) noexcept {
    if (error == nullptr) return outcome.status;
    error->status = outcome.status;
    error->position = outcome.position;
    const std::size_t length = std::min(outcome.message.size(), sizeof error->message - 1);
    std::memcpy(error->message, outcome.message.data(), length);
    error->message[length] = '\0';
    return outcome.status;
}

std::string quoted(std::string_view text) {
    if (text.size() <= kQuotedLength) return "'" + std::string(text) + "'";
    return "'" + std::string(text.substr(0, kQuotedLength)) + "...' (" +
           std::to_string(text.size()) + " characters)";
}

} // namespace corvan
