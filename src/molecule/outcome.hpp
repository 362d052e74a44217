// The result of an internal step that can fail: a corvan_status, the byte
// position in the text being read (or -1) and a message for people.
#pragma once

#include <string>
#include <utility>

#include "corvan.h"

namespace corvan {

struct Outcome {
    int status = CORVAN_OK;
    long position = -1;
    std::string message;

    bool ok() const { return status == CORVAN_OK; }
    static Outcome success() { return {}; }
    static Outcome failure(int status, std::string message, long position = -1) {
        return {status, position, std::move(message)};
    }
};

// Fills the caller's error record (may be NULL) and returns the status.
int report(const Outcome &outcome, corvan_error *error) noexcept;

// The Outcome of the exception being handled (call it inside a catch
// block): CORVAN_E_MEMORY for std::bad_alloc only, CORVAN_E_INTERNAL with
// the exception's own text for any other.
Outcome exception_outcome() noexcept;

// A text quoted for a message, cut to a readable length.
std::string quoted(std::string_view text);

} // namespace corvan
