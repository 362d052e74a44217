#include "core/numbers.hpp"

#include <charconv>
#include <limits>

namespace corvan::text {

std::string number(double value) {
    char buffer[32];
    const auto written = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, written.ptr);
}

std::string fixed(double value, int decimals) {
    char buffer[400];
    const auto written =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
    return written.ec == std::errc() ? std::string(buffer, written.ptr) : number(value);
}

std::string count(double value) {
    char buffer[400];
    const auto written =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed);
    return written.ec == std::errc() ? std::string(buffer, written.ptr) : number(value);
}

double signed_number(std::string_view text) {
    const bool plus = !text.empty() && text[0] == '+';
    if (plus) text.remove_prefix(1);
    double value = 0;
    const char *end = text.data() + text.size();
    const auto read = std::from_chars(text.data(), end, value);
    if (text.empty() || read.ec != std::errc() || read.ptr != end || (plus && text[0] == '-'))
        return std::numeric_limits<double>::quiet_NaN();
    return value;
}

bool read_number(std::string_view text, double &value) {
    if (text.empty() || !(text[0] == '.' || (text[0] >= '0' && text[0] <= '9'))) return false;
    const char *end = text.data() + text.size();
    const auto read = std::from_chars(text.data(), end, value, std::chars_format::general);
    return read.ec == std::errc() && read.ptr == end;
}

} // namespace corvan::text
