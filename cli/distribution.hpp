// The one path shared by the distribution subcommands (formula, peptide,
// rna): common options, choice of engine and input, the library call and
// the printed table. A subcommand is described by a Molecule value.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace cli {

using SequenceCall = float (*)(const char *text, float *out, int n, int offset);
using MassCall = float (*)(float *out, int n, int offset, float mass);

struct Engine {
    std::string name;         // as given to --engine
    SequenceCall by_sequence; // null: this engine takes no sequence
    MassCall by_mass;         // null: this engine takes no mass
    std::string peak_meaning; // what the returned value is, for the title
};

struct Molecule {
    std::string command;         // subcommand name
    std::string noun;            // "peptide sequence", "formula"
    std::string example;         // shown when the input is missing
    std::vector<Engine> engines; // the first is the default
    // A reason to refuse the text before the library sees it, or nothing.
    std::optional<std::string> (*check_text)(const std::string &text);
};

int run_distribution(const Molecule &molecule, int argc, char **argv);

} // namespace cli
