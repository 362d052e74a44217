#include "fragments/conditioned.hpp"

#include <algorithm>
#include <cmath>
#include <string>

#include "ion/charge.hpp"

namespace corvan::fragments {

namespace {

// The share of point k of `envelope` (0 outside it).
double share_at(const envelope::Envelope &envelope, long k) {
    const long index = k - envelope.first_neutrons;
    if (index < 0 || index >= static_cast<long>(envelope.shares.size())) return 0;
    return envelope.shares[static_cast<std::size_t>(index)];
}

constexpr long kMaxPeak = 1000000;

} // namespace

Outcome parse_isolated_peaks(std::string_view text, std::vector<int> &peaks) {
    peaks.clear();
    std::size_t at = 0;
    const auto fail = [&](std::size_t where) {
        return Outcome::failure(CORVAN_E_SYNTAX,
                                "expected an isotope peak (\"M+1\", \"M\", \"2\") at character " +
                                    std::to_string(where + 1) + " of the isolated peaks " +
                                    quoted(text),
                                static_cast<long>(where));
    };
    while (true) {
        while (at < text.size() && text[at] == ' ') ++at;
        const std::size_t start = at;
        const bool named = at < text.size() && text[at] == 'M';
        if (named) ++at;
        int sign = 1;
        if (at < text.size() && (text[at] == '+' || text[at] == '-'))
            sign = text[at++] == '-' ? -1 : 1;
        else if (named && (at == text.size() || text[at] == ',' || text[at] == ' '))
            sign = 0; // "M" alone
        long value = 0;
        const std::size_t digits = at;
        while (at < text.size() && text[at] >= '0' && text[at] <= '9' && value <= kMaxPeak)
            value = value * 10 + (text[at++] - '0');
        if (at == digits && sign != 0) return fail(at == start ? start : at);
        if (value > kMaxPeak) return fail(digits);
        peaks.push_back(static_cast<int>(sign * value));
        while (at < text.size() && text[at] == ' ') ++at;
        if (at == text.size()) break;
        if (text[at] != ',') return fail(at);
        ++at;
    }
    std::sort(peaks.begin(), peaks.end());
    peaks.erase(std::unique(peaks.begin(), peaks.end()), peaks.end());
    return Outcome::success();
}

std::vector<int> peaks_in_window(const envelope::Envelope &precursor, int charge, double low,
                                 double high) {
    std::vector<int> peaks;
    for (std::size_t i = 0; i < precursor.shares.size(); ++i) {
        if (precursor.shares[i] <= 0) continue;
        const double mz = ion::to_mz(precursor.masses[i], charge);
        if (mz >= low && mz <= high)
            peaks.push_back(precursor.first_neutrons + static_cast<int>(i));
    }
    return peaks;
}

std::vector<double> conditioned_shares(const envelope::Envelope &fragment,
                                       const envelope::Envelope &complement,
                                       const std::vector<int> &isolated) {
    std::vector<double> shares(fragment.shares.size(), 0.0);
    double total = 0;
    for (std::size_t index = 0; index < shares.size(); ++index) {
        if (fragment.shares[index] == 0) continue;
        const long i = fragment.first_neutrons + static_cast<long>(index);
        double kept = 0;
        for (int k : isolated) kept += share_at(complement, k - i);
        shares[index] = fragment.shares[index] * kept;
        total += shares[index];
    }
    if (total > 0)
        for (double &share : shares) share /= total;
    return shares;
}

} // namespace corvan::fragments
