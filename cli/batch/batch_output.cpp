// The batch result file: one row per molecule and engine, in input order.
#include "batch/batch_output.hpp"

#include <string>

namespace cli {

std::string delimited_field(const std::string &text, char separator) {
    if (text.find(separator) == std::string::npos && text.find('"') == std::string::npos)
        return text;
    std::string quoted = "\"";
    for (char c : text) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    return quoted + "\"";
}

namespace {

void write_header(std::FILE *stream, const BatchPlan &plan, char separator, bool from_list) {
    std::fprintf(stream, "id%csequence%s%cmonoisotopic_mass%cengine%cstatus%cpeak_value", separator,
                 from_list ? (separator == ',' ? ",given_mass" : "\tgiven_mass") : "", separator,
                 separator, separator, separator);
    for (int k = 0; k < plan.points; ++k)
        std::fprintf(stream, "%c%s", separator, k == 0 ? "M" : ("M+" + std::to_string(k)).c_str());
    std::fputc('\n', stream);
}

void write_row(std::FILE *stream, const BatchPlan &plan, const BatchResults &results,
               std::size_t task, const std::string &lead, char separator) {
    const float peak = results.peaks[task];
    const bool ok = peak >= 0;
    std::fprintf(stream, "%s%c%s%c%s", lead.c_str(), separator,
                 plan.engines[task % plan.engines.size()]->name.c_str(), separator,
                 ok ? "ok" : "failed");
    if (ok)
        std::fprintf(stream, "%c%.9g", separator, peak);
    else
        std::fputc(separator, stream);
    const float *values = results.values.data() + task * plan.points;
    for (int k = 0; k < plan.points; ++k) {
        if (ok)
            std::fprintf(stream, "%c%.6g", separator, values[k]);
        else
            std::fputc(separator, stream);
    }
    std::fputc('\n', stream);
}

// The columns every engine's row of one molecule shares.
std::string molecule_columns(const BatchPlan &plan, const BatchItem &item, char separator,
                             bool from_list) {
    char number[48];
    std::string lead =
        delimited_field(item.id, separator) + separator + delimited_field(item.sequence, separator);
    if (from_list) {
        std::snprintf(number, sizeof number, "%c%.6f", separator, item.given_mass);
        lead += number;
    }
    const auto chemistry = fixed_chemistry(plan.molecule->counts(item.sequence), 0);
    std::snprintf(number, sizeof number, "%c%.6f", separator,
                  chemistry ? chemistry->monoisotopic_mass : 0.0);
    return lead + number;
}

} // namespace

void write_batch_rows(std::FILE *stream, const BatchPlan &plan, const BatchResults &results,
                      char separator, bool from_list) {
    write_header(stream, plan, separator, from_list);
    const std::size_t engines = plan.engines.size();
    for (std::size_t item = 0; item < plan.items.size(); ++item) {
        const std::string lead = molecule_columns(plan, plan.items[item], separator, from_list);
        for (std::size_t engine = 0; engine < engines; ++engine)
            write_row(stream, plan, results, item * engines + engine, lead, separator);
    }
}

} // namespace cli
