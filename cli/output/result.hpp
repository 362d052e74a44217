// One computed distribution with everything the outputs show about it.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "commands/fixed_chemistry.hpp"

namespace cli {

// What the user gave: a text (a formula or a sequence) or a mass.
enum class InputKind { formula, sequence, mass };

// "formula", "sequence" or "mass": the key of the input in the JSON output.
const char *input_kind_name(InputKind kind);

struct Result {
    std::string molecule; // "formula", "peptide", "rna"
    std::string engine;   // "fft", "brain", "nn", "fit"
    InputKind input_kind = InputKind::sequence;
    std::string input_text; // the text, or the mass as typed
    double input_mass = 0;  // for InputKind::mass
    std::string weights;    // a caller's weight file, or empty
    int points = 0;
    int offset = 0;
    int first_step = 0;       // k of the row at `offset`: below 0 for envelopes with points below M
    float peak = 0;           // what the library call returned
    std::string peak_meaning; // e.g. "share of the total in the highest peak:"
    std::vector<float> values;
    std::optional<FixedChemistry> chemistry; // known for sequences
    std::vector<PeakMass> masses;            // peak k's masses; empty without a composition
    bool masses_are_mz = false;              // an ion's plot: masses[k].mean is its m/z
};

// "1 point", "2 points": a count and its noun.
std::string counted(std::size_t count, const std::string &noun);

// "M", "M+1", ... for the row at `index`; "-" for rows before the offset.
// Rows from the offset on are points first_step, first_step + 1, ...
// ("M-2" when first_step is -2).
std::string peak_label(int index, int offset, int first_step = 0);
// The masses of the peak at row `index`, or null where none are known.
const PeakMass *mass_at(const Result &result, int index);
// "PEPTIDE" or "peptide of 1500 Da".
std::string subject_of(const Result &result);
// The text, or for a long one its start and its length, for messages.
std::string shortened(const std::string &text);
// "PEPTIDE (fft engine)" or "peptide of 1500 Da (nn engine, network file w.bin)".
std::string describe(const Result &result);

// What the two mass columns mean, for the help texts and the footnotes.
extern const char *const kMassColumnsMeaning;

} // namespace cli
