// ASCII character classes, case-insensitive comparisons and the readers of
// decimal numbers shared by the text readers (formulas, ProForma, nucleic
// acids, adducts, ontology and Unimod names, and the checks made before the
// fixed calls). Locale-free: only '0'..'9', 'A'..'Z' and 'a'..'z' count.
#pragma once

#include <climits>
#include <cstddef>
#include <string_view>

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

constexpr char folded(char c) {
    return is_upper(c) ? static_cast<char>(c - 'A' + 'a') : c;
}

// `text` starts with `prefix`, ignoring ASCII case.
constexpr bool starts_with_folded(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i)
        if (folded(text[i]) != folded(prefix[i])) return false;
    return true;
}

constexpr bool equal_folded(std::string_view a, std::string_view b) {
    return a.size() == b.size() && starts_with_folded(a, b);
}

// Reads the decimal digits at text[at..) into `value` (0 when there are
// none) and moves `at` past them. False as soon as the number exceeds
// `limit`; `at` then stands on the digit that took it over.
constexpr bool read_digits(std::string_view text, std::size_t &at, long long limit,
                           long long &value) {
    value = 0;
    for (; at < text.size() && is_digit(text[at]); ++at)
        if ((value = value * 10 + (text[at] - '0')) > limit) return false;
    return true;
}

// `digits` is one whole number from 0 to `limit`, digits only.
constexpr bool read_whole(std::string_view digits, long long limit, long long &value) {
    std::size_t at = 0;
    return !digits.empty() && read_digits(digits, at, limit, value) && at == digits.size();
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
