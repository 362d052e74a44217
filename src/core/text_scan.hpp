// ASCII character classes and the one reader of decimal counts shared by
// the formula readers (elemental formulas, modification formulas, and the
// checks made before the fixed calls). Locale-free: only '0'..'9', 'A'..'Z'
// and 'a'..'z' count.
#pragma once

#include <climits>
#include <cstddef>

namespace corvan::text {

constexpr bool is_upper(char c) {
    return c >= 'A' && c <= 'Z';
}
constexpr bool is_lower(char c) {
    return c >= 'a' && c <= 'z';
}
constexpr bool is_digit(char c) {
    return c >= '0' && c <= '9';
}

// Reads the decimal digits at text[*at..end) into `*value` (0 when there are
// none) and moves *at past them. False when the number exceeds INT_MAX; *at
// then stops at the digit that overflowed. A NUL byte ends the digits, so a
// NUL-terminated text may be read with end = SIZE_MAX.
inline bool read_count(const char *text, std::size_t end, std::size_t *at, int *value) {
    int read = 0;
    for (; *at < end && is_digit(text[*at]); ++*at) {
        const int digit = text[*at] - '0';
        if (read > (INT_MAX - digit) / 10) return false;
        read = read * 10 + digit;
    }
    *value = read;
    return true;
}

} // namespace corvan::text
