#include "molecule/outcome.hpp"

#include <cstring>
#include <exception>
#include <new>

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

Outcome exception_outcome() noexcept {
    // Short literals fit std::string's own storage: making them allocates
    // nothing, so these outcomes can be made while memory is exhausted.
    try {
        throw;
    } catch (const std::bad_alloc &) {
        return Outcome::failure(CORVAN_E_MEMORY, "out of memory");
    } catch (const std::exception &exception) {
        try {
            return Outcome::failure(CORVAN_E_INTERNAL,
                                    std::string("internal error: ") + exception.what());
        } catch (...) {
            return Outcome::failure(CORVAN_E_INTERNAL, "internal error");
        }
    } catch (...) {
        return Outcome::failure(CORVAN_E_INTERNAL, "internal error");
    }
}

std::string quoted(std::string_view text) {
    if (text.size() <= kQuotedLength) return "'" + std::string(text) + "'";
    return "'" + std::string(text.substr(0, kQuotedLength)) + "...' (" +
           std::to_string(text.size()) + " characters)";
}

} // namespace corvan
