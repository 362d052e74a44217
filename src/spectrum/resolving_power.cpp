#include "spectrum/resolving_power.hpp"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace corvan::spectrum {

namespace {

bool positive(double value) {
    return std::isfinite(value) && value > 0;
}

Outcome check_table(const corvan_resolution &r) {
    if (r.table_count == 0 || r.table_mz == nullptr || r.table_power == nullptr)
        return Outcome::failure(CORVAN_E_ARGUMENT, "a resolving-power table needs its pairs");
    for (std::size_t i = 0; i < r.table_count; ++i) {
        if (!positive(r.table_mz[i]) || !positive(r.table_power[i]))
            return Outcome::failure(CORVAN_E_ARGUMENT,
                                    "the resolving-power table has an m/z or R that is not > 0");
        if (i > 0 && !(r.table_mz[i] > r.table_mz[i - 1]))
            return Outcome::failure(CORVAN_E_ARGUMENT,
                                    "the resolving-power table's m/z must increase");
    }
    return Outcome::success();
}

} // namespace

Outcome ResolvingPower::set(const corvan_resolution &r) {
    switch (r.analyzer) {
    case CORVAN_ANALYZER_ORBITRAP:
    case CORVAN_ANALYZER_FTICR:
    case CORVAN_ANALYZER_TOF:
    case CORVAN_ANALYZER_QUADRUPOLE:
        if (!positive(r.resolving_power) || !positive(r.reference_mz))
            return Outcome::failure(CORVAN_E_ARGUMENT,
                                    "the resolving power and its reference m/z must be > 0");
        break;
    case CORVAN_ANALYZER_TABLE: {
        Outcome checked = check_table(r);
        if (!checked.ok()) return checked;
        table_mz_.assign(r.table_mz, r.table_mz + r.table_count);
        table_power_.assign(r.table_power, r.table_power + r.table_count);
        break;
    }
    default:
        return Outcome::failure(CORVAN_E_ARGUMENT, "unknown analyzer");
    }
    analyzer_ = r.analyzer;
    power_ = r.resolving_power;
    reference_ = r.reference_mz;
    return Outcome::success();
}

double ResolvingPower::power(double mz) const {
    switch (analyzer_) {
    case CORVAN_ANALYZER_ORBITRAP:
        return power_ * std::sqrt(reference_ / mz);
    case CORVAN_ANALYZER_FTICR:
        return power_ * reference_ / mz;
    case CORVAN_ANALYZER_TOF:
        return power_;
    case CORVAN_ANALYZER_QUADRUPOLE: // constant FWHM
        return power_ * mz / reference_;
    default:
        break;
    }
    // Linear between the table's points, constant beyond its ends.
    const auto above = std::upper_bound(table_mz_.begin(), table_mz_.end(), mz);
    if (above == table_mz_.begin()) return table_power_.front();
    if (above == table_mz_.end()) return table_power_.back();
    const auto i = static_cast<std::size_t>(above - table_mz_.begin());
    const double t = (mz - table_mz_[i - 1]) / (table_mz_[i] - table_mz_[i - 1]);
    return table_power_[i - 1] + t * (table_power_[i] - table_power_[i - 1]);
}

bool analyzer_from_name(const char *name, int &analyzer) {
    static constexpr struct {
        const char *name;
        int analyzer;
    } kNames[] = {{"orbitrap", CORVAN_ANALYZER_ORBITRAP},
                  {"fticr", CORVAN_ANALYZER_FTICR},
                  {"tof", CORVAN_ANALYZER_TOF},
                  {"quadrupole", CORVAN_ANALYZER_QUADRUPOLE}};
    for (const auto &entry : kNames)
        if (name != nullptr && std::strcmp(name, entry.name) == 0) {
            analyzer = entry.analyzer;
            return true;
        }
    return false;
}

} // namespace corvan::spectrum
