#include "proteome.hpp"

#include <cstdio>
#include <cstring>

#include "corvan.h"

namespace bench {

namespace {

bool standard_only(const std::string &sequence) {
    for (char c : sequence)
        if (aa_to_index(c) < 0) return false;
    return true;
}

// Average residue masses in aaorder order (A C D ... Y).
constexpr double kResidueMass[20] = {71.0788,  103.1388, 115.0886, 129.1155, 147.1766,
                                     57.0519,  137.1411, 113.1594, 128.1741, 113.1594,
                                     131.1926, 114.1038, 97.1167,  128.1307, 156.1875,
                                     87.0782,  101.1051, 99.1326,  186.2132, 163.1760};

} // namespace

std::string default_proteome_path() { return CORVAN_SOURCE_DIR "/data/ecoli-proteome.fasta.gz"; }

std::vector<std::string> read_fasta(const std::string &path) {
    const bool gzipped = path.size() > 3 && path.compare(path.size() - 3, 3, ".gz") == 0;
    const std::string command = (gzipped ? "gzip -dc '" : "cat '") + path + "'";
    std::vector<std::string> proteins;
    FILE *pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return proteins;
    char line[4096];
    while (std::fgets(line, sizeof line, pipe) != nullptr) {
        if (line[0] == '>') {
            proteins.emplace_back();
            continue;
        }
        if (proteins.empty()) continue;
        for (char *p = line; *p != '\0' && *p != '\n' && *p != '\r'; ++p) proteins.back() += *p;
    }
    pclose(pipe);
    return proteins;
}

std::vector<std::string> tryptic_peptides(const std::vector<std::string> &proteins) {
    std::vector<std::string> peptides;
    for (const auto &protein : proteins) {
        std::size_t start = 0;
        for (std::size_t i = 0; i < protein.size(); ++i) {
            const bool cut = (protein[i] == 'K' || protein[i] == 'R') &&
                             (i + 1 == protein.size() || protein[i + 1] != 'P');
            if (!cut && i + 1 != protein.size()) continue;
            std::string peptide = protein.substr(start, i + 1 - start);
            start = i + 1;
            if (peptide.size() >= 6 && peptide.size() <= 40 && standard_only(peptide))
                peptides.push_back(std::move(peptide));
        }
    }
    return peptides;
}

std::vector<std::string> proteins_between(const std::vector<std::string> &proteins, double low,
                                          double high) {
    std::vector<std::string> chosen;
    for (const auto &protein : proteins) {
        if (!standard_only(protein)) continue;
        const double mass = average_mass(protein);
        if (mass >= low && mass <= high) chosen.push_back(protein);
    }
    return chosen;
}

std::array<int, 5> composition(const std::string &sequence) {
    std::array<int, 5> counts{0, 2, 0, 1, 0};
    for (char c : sequence) {
        const int index = aa_to_index(c);
        if (index < 0) continue;
        for (int e = 0; e < 5; ++e) counts[e] += aa_vectors[index][e];
    }
    return counts;
}

double average_mass(const std::string &sequence) {
    double mass = 18.01528;
    for (char c : sequence) {
        const int index = aa_to_index(c);
        if (index >= 0) mass += kResidueMass[index];
    }
    return mass;
}

} // namespace bench
