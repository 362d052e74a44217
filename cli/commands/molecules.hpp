// The molecule kinds the program computes (formula, peptide, RNA) and, for
// each, the engines that compute it: the library calls by text and by mass.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "commands/fixed_chemistry.hpp"

namespace cli {

using SequenceCall = float (*)(const char *text, float *out, int n, int offset);
using MassCall = float (*)(float *out, int n, int offset, float mass);
using CustomSequenceCall = float (*)(const char *text, float *out, int n, int offset,
                                     const char *path);
using CustomMassCall = float (*)(float *out, int n, int offset, const char *path, float mass);

struct Engine {
    std::string name;         // as given to --engine
    SequenceCall by_sequence; // null: this engine takes no sequence
    MassCall by_mass;         // null: this engine takes no mass
    std::string peak_meaning; // what the returned value is, for the title
    // A caller's network from a weight file (--weights); null: not offered.
    CustomSequenceCall custom_by_sequence = nullptr;
    CustomMassCall custom_by_mass = nullptr;
    // False: the engine reads residue counts only, so a bracketed
    // modification would be left out of its result.
    bool takes_modifications = true;
};

struct Molecule {
    std::string command;         // subcommand name
    std::string noun;            // "peptide sequence", "formula"
    std::string example;         // shown when the input is missing
    std::vector<Engine> engines; // the first is the default
    // A reason to refuse the text before the library sees it, or nothing.
    std::optional<std::string> (*check_text)(const std::string &text);
    // The composition the engines use for a checked text.
    FixedCounts (*counts)(const std::string &text);
    int network_sequence_inputs; // inputs of a custom network by text
};

// Inputs of every custom network by mass (the five mass features).
constexpr int kNetworkMassInputs = 5;

const Molecule &peptide_molecule();
const Molecule &rna_molecule();

const Engine *find_engine(const Molecule &molecule, const std::string &name);
std::string engine_names(const Molecule &molecule); // "fft, brain or nn"

} // namespace cli
