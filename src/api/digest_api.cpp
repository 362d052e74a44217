// Digestion through the public interface: proteins by the proteases, RNA by
// the RNases of the enzyme tables, into a pieces handle.
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "api/handles.hpp"
#include "digest/rna_digest.hpp"

struct corvan_pieces {
    std::vector<std::size_t> starts, ends;
    std::vector<std::string> texts;
};

namespace corvan::api {

namespace {

constexpr unsigned kKnownFlags = CORVAN_DIGEST_SEMI | CORVAN_DIGEST_UNSPECIFIC |
                                 CORVAN_DIGEST_METHIONINE_VARIANTS | CORVAN_DIGEST_CYCLIC_PHOSPHATE;

// The kind's enzymes, as many as fit a message, then how many there are.
std::string enzyme_names(int kind) {
    constexpr std::size_t kRoom = 150;
    std::string names;
    std::size_t count = 0;
    bool cut = false;
    for (; const char *name = corvan_enzyme_name(kind, count); ++count) {
        if (names.size() + std::strlen(name) > kRoom) cut = true;
        if (!cut) names += (names.empty() ? "" : ", ") + std::string(name);
    }
    return cut ? names + ", ... " + std::to_string(count) + " in all" : names;
}

Outcome unknown_enzyme(int kind, const char *enzyme) {
    return Outcome::failure(CORVAN_E_UNKNOWN, "unknown enzyme " + quoted(enzyme) + " (choose " +
                                                  enzyme_names(kind) + ")");
}

Outcome read_settings(int missed, std::size_t least, std::size_t most, unsigned flags,
                      digest::Settings &settings) {
    if (missed < 0) return Outcome::failure(CORVAN_E_ARGUMENT, "missed cleavages below 0");
    if ((flags & ~kKnownFlags) != 0 ||
        ((flags & CORVAN_DIGEST_SEMI) && (flags & CORVAN_DIGEST_UNSPECIFIC)))
        return Outcome::failure(CORVAN_E_ARGUMENT, "unknown or conflicting digestion flags");
    settings.missed_cleavages = missed;
    settings.min_length = least == 0 ? 1 : least;
    settings.max_length = most == 0 ? static_cast<std::size_t>(-1) : most;
    settings.initiator_methionine_variants = (flags & CORVAN_DIGEST_METHIONINE_VARIANTS) != 0;
    settings.specificity = (flags & CORVAN_DIGEST_SEMI)         ? digest::Specificity::semi
                           : (flags & CORVAN_DIGEST_UNSPECIFIC) ? digest::Specificity::none
                                                                : digest::Specificity::full;
    return Outcome::success();
}

Outcome digest_protein(std::string_view protein, const char *enzyme,
                       const digest::Settings &settings, corvan_pieces &out) {
    const digest::Enzyme *protease = digest::find_enzyme(enzyme);
    if (protease == nullptr) return unknown_enzyme(CORVAN_KIND_PEPTIDE, enzyme);
    if (protein.empty()) return Outcome::failure(CORVAN_E_SYNTAX, "empty protein sequence");
    for (std::size_t i = 0; i < protein.size(); ++i)
        if (protein[i] < 'A' || protein[i] > 'Z')
            return Outcome::failure(CORVAN_E_SYNTAX,
                                    "a protein is written in upper-case residue letters: " +
                                        quoted(protein.substr(i, 1)) + " at character " +
                                        std::to_string(i + 1),
                                    static_cast<long>(i));
    for (digest::Peptide &peptide : digest::digest(protein, *protease, settings)) {
        out.starts.push_back(peptide.start);
        out.ends.push_back(peptide.end);
        out.texts.push_back(std::move(peptide.sequence));
    }
    return Outcome::success();
}

Outcome digest_rna(std::string_view rna, const char *enzyme, const digest::Settings &settings,
                   bool cyclic, corvan_pieces &out) {
    const digest::Rnase *rnase = digest::find_rnase(enzyme);
    if (rnase == nullptr) return unknown_enzyme(CORVAN_KIND_RNA, enzyme);
    std::vector<digest::RnaPiece> found;
    Outcome done = digest::digest_rna(rna, *rnase, settings, cyclic, found);
    for (digest::RnaPiece &piece : found) {
        out.starts.push_back(piece.start);
        out.ends.push_back(piece.end);
        out.texts.push_back(std::move(piece.text));
    }
    return done;
}

} // namespace
} // namespace corvan::api

using namespace corvan;

extern "C" {

const char *corvan_enzyme_name(int kind, size_t index) {
    if (kind == CORVAN_KIND_PEPTIDE && index < static_cast<std::size_t>(digest::kProteaseCount))
        return digest::kProteases[index].name;
    if (kind == CORVAN_KIND_RNA && index < static_cast<std::size_t>(digest::kRnaseCount))
        return digest::kRnases[index].name;
    return nullptr;
}

int corvan_digest(int kind, const char *sequence, const char *enzyme, int missed_cleavages,
                  size_t min_length, size_t max_length, unsigned flags, corvan_pieces **pieces,
                  corvan_error *error) {
    return api::guarded(error, [&]() -> Outcome {
        if (pieces == nullptr) return Outcome::failure(CORVAN_E_ARGUMENT, "no pieces pointer");
        *pieces = nullptr;
        if (sequence == nullptr || enzyme == nullptr)
            return Outcome::failure(CORVAN_E_ARGUMENT, "no sequence or no enzyme given");
        if (kind != CORVAN_KIND_PEPTIDE && kind != CORVAN_KIND_RNA)
            return Outcome::failure(CORVAN_E_ARGUMENT, "digestion is for proteins and RNA");
        const std::size_t length = std::strlen(sequence);
        if (length > CORVAN_MAX_TEXT)
            return Outcome::failure(CORVAN_E_RANGE, "the sequence is longer than " +
                                                        std::to_string(CORVAN_MAX_TEXT) + " bytes");
        digest::Settings settings;
        Outcome step =
            api::read_settings(missed_cleavages, min_length, max_length, flags, settings);
        if (!step.ok()) return step;
        auto made = std::make_unique<corvan_pieces>();
        step = kind == CORVAN_KIND_PEPTIDE
                   ? api::digest_protein({sequence, length}, enzyme, settings, *made)
                   : api::digest_rna({sequence, length}, enzyme, settings,
                                     (flags & CORVAN_DIGEST_CYCLIC_PHOSPHATE) != 0, *made);
        if (step.ok()) *pieces = made.release();
        return step;
    });
}

size_t corvan_pieces_count(const corvan_pieces *pieces) {
    return pieces == nullptr ? 0 : pieces->texts.size();
}

int corvan_pieces_get(const corvan_pieces *pieces, size_t index, corvan_piece *piece) {
    if (pieces == nullptr || piece == nullptr) return CORVAN_E_ARGUMENT;
    if (index >= pieces->texts.size()) return CORVAN_E_RANGE;
    *piece = {pieces->starts[index], pieces->ends[index], pieces->texts[index].c_str()};
    return CORVAN_OK;
}

void corvan_pieces_free(corvan_pieces *pieces) {
    delete pieces;
}

} // extern "C"
