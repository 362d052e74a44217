// Fragment ions as a table, CSV, TSV or JSON.
#include "output/fragments_output.hpp"

#include <cmath>
#include <vector>

#include <nlohmann/json.hpp>

namespace cli {

namespace {

constexpr int kTablePoints = 4; // M+0 .. M+3

std::vector<corvan_fragment> fragments_of(const corvan_fragment_list *list) {
    std::vector<corvan_fragment> all(corvan_fragment_list_count(list));
    for (std::size_t i = 0; i < all.size(); ++i) corvan_fragment_list_get(list, i, &all[i]);
    return all;
}

// The share of point M+k (0 outside the envelope).
double share_at(const corvan_fragment &f, const double *shares, int k) {
    for (std::size_t i = 0; i < f.count; ++i)
        if (f.neutrons[i] == k) return shares[i];
    return 0;
}

void write_table(std::FILE *out, const std::vector<corvan_fragment> &all, bool isolated) {
    std::fprintf(out, "%-10s %5s %-22s %14s", "ion", "z", "formula", "mono_mz");
    for (int k = 0; k < kTablePoints; ++k)
        std::fprintf(out, " %8s", ("M+" + std::to_string(k)).c_str());
    if (isolated)
        for (int k = 0; k < kTablePoints; ++k)
            std::fprintf(out, " %8s", ("iso M+" + std::to_string(k)).c_str());
    std::fputc('\n', out);
    for (const corvan_fragment &f : all) {
        std::fprintf(out, "%-10s %5d %-22s %14.6f", f.name, f.charge, f.formula, f.monoisotopic_mz);
        for (int k = 0; k < kTablePoints; ++k)
            std::fprintf(out, " %8.5f", share_at(f, f.shares, k));
        if (isolated)
            for (int k = 0; k < kTablePoints; ++k)
                std::fprintf(out, " %8.5f", share_at(f, f.conditioned, k));
        std::fputc('\n', out);
    }
}

void write_rows(std::FILE *out, const std::vector<corvan_fragment> &all, bool isolated, char s) {
    std::fprintf(out,
                 "ion%cseries%cnumber%closs%ccharge%cformula%cmonoisotopic_mass%cmonoisotopic_mz%c"
                 "k%cmz%cshare%s\n",
                 s, s, s, s, s, s, s, s, s, s,
                 isolated ? (std::string(1, s) + "conditioned").c_str() : "");
    for (const corvan_fragment &f : all) {
        for (std::size_t i = 0; i < f.count; ++i) {
            if (f.shares[i] == 0) continue;
            std::fprintf(out, "%s%c%u%c%zu%c%u%c%d%c%s%c%.10f%c%.10f%c%d%c%.10f%c%.10e", f.name, s,
                         f.series, s, f.number, s, f.loss, s, f.charge, s, f.formula, s,
                         f.monoisotopic_mass, s, f.monoisotopic_mz, s, f.neutrons[i], s, f.mz[i], s,
                         f.shares[i]);
            if (isolated) std::fprintf(out, "%c%.10e", s, f.conditioned[i]);
            std::fputc('\n', out);
        }
    }
}

nlohmann::ordered_json fragment_json(const corvan_fragment &f) {
    nlohmann::ordered_json points = nlohmann::ordered_json::array();
    for (std::size_t i = 0; i < f.count; ++i) {
        if (f.shares[i] == 0) continue;
        nlohmann::ordered_json point{{"k", f.neutrons[i]}, {"mz", f.mz[i]}, {"share", f.shares[i]}};
        if (f.conditioned) point["conditioned"] = f.conditioned[i];
        points.push_back(point);
    }
    return {{"name", f.name},
            {"series", f.series},
            {"number", f.number},
            {"loss", f.loss},
            {"charge", f.charge},
            {"formula", f.formula},
            {"monoisotopic_mass", f.monoisotopic_mass},
            {"monoisotopic_mz", f.monoisotopic_mz},
            {"points", points}};
}

} // namespace

nlohmann::ordered_json fragments_json(const FragmentsReport &report) {
    nlohmann::ordered_json out{{"input", report.input}, {"kind", report.kind}};
    if (!report.isolation.empty()) out["isolation"] = report.isolation;
    out["fragments"] = nlohmann::ordered_json::array();
    for (const corvan_fragment &f : fragments_of(report.list))
        out["fragments"].push_back(fragment_json(f));
    return out;
}

void write_fragments(std::FILE *stream, const FragmentsReport &report, Format format) {
    const bool isolated = !report.isolation.empty();
    if (format == Format::json) {
        std::fprintf(stream, "%s\n", fragments_json(report).dump(2).c_str());
        return;
    }
    const std::vector<corvan_fragment> all = fragments_of(report.list);
    if (format == Format::table) return write_table(stream, all, isolated);
    write_rows(stream, all, isolated, format == Format::tsv ? '\t' : ',');
}

} // namespace cli
