// corvan batch with the exact engine: ProForma peptides and digested proteins.
#include "batch/peptide_batch.hpp"
#include "limits.hpp"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "args.hpp"
#include "batch/batch.hpp"
#include "batch/batch_output.hpp"
#include "batch/fasta.hpp"
#include "batch/progress.hpp"
#include "commands.hpp"
#include "corvan.h"
#include "digest/modification_sites.hpp"
#include "output/atomic_file.hpp"

namespace cli {

namespace {

const std::vector<std::string> kOwnOptions = {
    "enzyme", "specificity", "missed-cleavages", "fixed", "variable", "max-mods", "charges"};

// One molecule to compute: where it comes from and its ProForma text.
struct Item {
    std::string id;
    std::size_t start = 0, end = 0; // 1-based residues of the protein; 0 for list entries
    std::string proforma;
    // Set for a row refused before any computation (a protein's residues
    // after '*', the variable forms beyond the cap): its message.
    std::string refusal;
};

struct Plan {
    std::vector<Item> items;
    std::vector<int> charges{0};
    int points = 16, threads = 1;
    std::string out_path;
    char separator = '\t';
};

struct Row {
    int status = CORVAN_OK;
    double mz = NAN;
    int first_k = 0; // k of the first point column
    std::string message;
    std::vector<double> heights;
};

int fail(int status, const std::string &message) {
    return batch_failure(status, message);
}

std::string option(const Args &args, const std::string &name, const std::string &otherwise) {
    return option_or(args, name, otherwise);
}

std::optional<int> whole(const Args &args, const std::string &name, int least, int most,
                         int otherwise, std::string &error) {
    const auto value = to_int(option(args, name, std::to_string(otherwise)));
    if (!value || *value < least || *value > most) {
        error = "--" + name + " must be a whole number from " + std::to_string(least) + " to " +
                std::to_string(most);
        return std::nullopt;
    }
    return value;
}

// "2", "2-4", "1,3", "-1": charges from -1000 to 1000.
std::optional<std::string> read_charges(const std::string &text, std::vector<int> &charges) {
    charges.clear();
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t comma = text.find(',', start);
        const std::string part =
            text.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        const std::size_t dash = part.find('-', 1);
        const auto low = to_int(part.substr(0, dash));
        const auto high = dash == std::string::npos ? low : to_int(part.substr(dash + 1));
        if (!low || !high || *low > *high || *low < -1000 || *high > 1000 || *high - *low > 100)
            return "--charges takes whole numbers and ranges such as 2, 2-4 or 1,3";
        for (int z = *low; z <= *high; ++z) charges.push_back(z);
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    return std::nullopt;
}

std::optional<std::string> read_rules(const Args &args, const std::string &name,
                                      std::vector<corvan::digest::SiteRule> &rules) {
    const auto found = args.repeated.find(name);
    if (found == args.repeated.end()) return std::nullopt;
    for (const std::string &text : found->second) {
        corvan::digest::SiteRule rule;
        const corvan::Outcome parsed = corvan::digest::parse_site_rule(text, rule);
        if (!parsed.ok()) return "--" + name + " " + text + ": " + parsed.message;
        rules.push_back(rule);
    }
    return std::nullopt;
}

struct Source {
    std::string path;
    bool fasta = false;
    std::string enzyme; // empty: no digestion
    int missed_cleavages = 0;
    std::size_t min_length = 1, max_length = 0; // 0: no bound
    // Pieces of the protein without its initiator Met are kept as well.
    unsigned flags = CORVAN_DIGEST_METHIONINE_VARIANTS;
    std::vector<corvan::digest::SiteRule> fixed, variable;
    int max_variable = 2;
};

std::optional<std::string> read_specificity(const Args &args, unsigned &flags) {
    const std::string specificity = option(args, "specificity", "full");
    if (specificity == "semi")
        flags |= CORVAN_DIGEST_SEMI;
    else if (specificity == "unspecific")
        flags |= CORVAN_DIGEST_UNSPECIFIC;
    else if (specificity != "full")
        return "--specificity takes full, semi or unspecific";
    return std::nullopt;
}

// The library names every protease when it refuses one: ask it with a
// one-residue protein so that the program says exactly what it says.
std::optional<std::string> check_enzyme(const std::string &enzyme) {
    corvan_pieces *pieces = nullptr;
    corvan_error error{};
    const int status =
        corvan_digest(CORVAN_KIND_PEPTIDE, "K", enzyme.c_str(), 0, 0, 0, 0, &pieces, &error);
    corvan_pieces_free(pieces);
    if (status != CORVAN_OK) return std::string(error.message);
    return std::nullopt;
}

std::optional<std::string> read_source(const Args &args, Source &source) {
    if (args.positional.size() != 1) return "expected exactly one list or FASTA file";
    source.path = args.positional[0];
    source.fasta = std::find(args.flags.begin(), args.flags.end(), "fasta") != args.flags.end();
    std::string error;
    if (args.options.count("enzyme")) {
        source.enzyme = option(args, "enzyme", "");
        if (auto refused = check_enzyme(source.enzyme)) return refused;
        if (!source.fasta) return "--enzyme needs --fasta";
    }
    if (args.options.count("specificity") && source.enzyme.empty())
        return "--specificity needs --enzyme";
    if (auto refused = read_specificity(args, source.flags)) return refused;
    const auto missed = whole(args, "missed-cleavages", 0, 10, 0, error);
    const auto least = whole(args, "min-length", 1, 1 << 30, 1, error);
    const auto most = whole(args, "max-length", 0, 1 << 30, 0, error);
    const auto sites = whole(args, "max-mods", 0, 10, 2, error);
    if (!missed || !least || !most || !sites) return error;
    if (*most != 0 && *most < *least) return "--max-length is below --min-length";
    source.missed_cleavages = *missed;
    source.min_length = static_cast<std::size_t>(*least);
    source.max_length = static_cast<std::size_t>(*most);
    source.max_variable = *sites;
    if (auto failure = read_rules(args, "fixed", source.fixed)) return failure;
    return read_rules(args, "variable", source.variable);
}

// Fixed modifications that can apply to the peptide: a rule for residues it
// lacks would only lengthen the text.
std::vector<corvan::digest::SiteRule> applicable(const std::vector<corvan::digest::SiteRule> &rules,
                                                 const std::string &peptide) {
    std::vector<corvan::digest::SiteRule> kept;
    for (const auto &rule : rules)
        if (rule.n_term || rule.c_term || peptide.find_first_of(rule.residues) != std::string::npos)
            kept.push_back(rule);
    return kept;
}

// Where a piece lies in its protein, for the rules of the protein's ends;
// a list entry lies nowhere.
struct Ends {
    bool protein_start = false, protein_end = false;
};

Ends ends_of(const FastaRecord &record, std::size_t start, std::size_t end) {
    // Without its initiator Met the protein begins at residue 2.
    const bool met = !record.sequence.empty() && record.sequence[0] == 'M';
    return {start == 1 || (met && start == 2), end == record.sequence.size()};
}

void add_forms(const Source &source, const std::string &id, std::size_t start, std::size_t end,
               const std::string &peptide, Ends ends, std::vector<Item> &items) {
    const auto fixed =
        corvan::digest::at_protein_ends(source.fixed, ends.protein_start, ends.protein_end);
    const auto variable =
        corvan::digest::at_protein_ends(source.variable, ends.protein_start, ends.protein_end);
    const std::string prefix = corvan::digest::fixed_prefix(applicable(fixed, peptide));
    bool capped = false;
    for (const std::string &form : corvan::digest::variable_forms(
             peptide, variable, source.max_variable, corvan::digest::kMostForms, &capped))
        items.push_back({id, start, end, prefix + form, ""});
    if (capped)
        items.push_back({id, start, end, peptide,
                         "more than " + std::to_string(corvan::digest::kMostForms) +
                             " forms of variable modifications: the rest are not computed "
                             "(lower --max-mods or give fewer --variable sites)"});
}

// Ambiguous residues have no composition: a digested peptide holding one
// is left out (the proteome's other peptides are what a digest asks for).
bool has_ambiguous_residue(const char *peptide) {
    return std::strpbrk(peptide, "BJXZ") != nullptr;
}

// The protein's pieces through the library's digestion; a protein it
// refuses (a residue that is no letter) becomes one refused row. Returns
// how many pieces were left out for an ambiguous residue.
std::size_t digest_record(const Source &source, const FastaRecord &record,
                          std::vector<Item> &items) {
    corvan_pieces *pieces = nullptr;
    corvan_error error{};
    if (corvan_digest(CORVAN_KIND_PEPTIDE, record.sequence.c_str(), source.enzyme.c_str(),
                      source.missed_cleavages, source.min_length, source.max_length, source.flags,
                      &pieces, &error) != CORVAN_OK) {
        items.push_back({record.id, 1, record.sequence.size(), "",
                         "cannot digest " + record.id + ": " + error.message});
        return 0;
    }
    std::size_t ambiguous = 0;
    corvan_piece piece;
    for (std::size_t i = 0; i < corvan_pieces_count(pieces); ++i) {
        corvan_pieces_get(pieces, i, &piece);
        if (has_ambiguous_residue(piece.text))
            ++ambiguous;
        else
            add_forms(source, record.id, piece.start, piece.end, piece.text,
                      ends_of(record, piece.start, piece.end), items);
    }
    corvan_pieces_free(pieces);
    return ambiguous;
}

std::optional<std::string> read_items(const Source &source, std::vector<Item> &items) {
    if (!source.fasta) { // a list: one ProForma peptide per line, '#' comments
        std::ifstream file(source.path);
        if (!file) return "cannot read " + source.path + ": " + std::strerror(errno);
        std::string line;
        for (std::size_t number = 1; std::getline(file, line); ++number) {
            while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.pop_back();
            if (line.empty() || line[0] == '#') continue;
            add_forms(source, std::to_string(number), 0, 0, line, Ends{}, items);
        }
        return std::nullopt;
    }
    std::vector<FastaRecord> records;
    std::size_t ambiguous = 0;
    if (auto error = read_fasta(source.path, records)) return error;
    for (const FastaRecord &record : records) {
        if (record.residues_after_stop > 0) {
            const std::size_t stop = record.sequence.size() + 1;
            items.push_back(
                {record.id, stop + 1, stop + record.residues_after_stop, "", stop_refusal(record)});
        }
        if (source.enzyme.empty()) {
            add_forms(source, record.id, 1, record.sequence.size(), record.sequence,
                      Ends{true, true}, items);
            continue;
        }
        ambiguous += digest_record(source, record, items);
    }
    if (ambiguous > 0)
        std::fprintf(stderr,
                     "corvan batch: left out %zu digested peptide%s with an ambiguous residue "
                     "(B, J, X or Z), which has no composition\n",
                     ambiguous, ambiguous == 1 ? "" : "s");
    return std::nullopt;
}

// Rows per call of the many-molecule entry point: enough to share its
// working state across rows, few enough that the threads stay busy to the
// end.
constexpr std::size_t kRowsPerCall = 256;

// Rows [first, first + count) of the input order (items x charges) through
// one corvan_many_from_texts call, on the calling thread.
void compute_run(const Plan &plan, std::size_t first, std::size_t count, std::vector<Row> &rows) {
    const std::size_t points = static_cast<std::size_t>(plan.points);
    const std::size_t per_item = plan.charges.size();
    std::vector<const char *> texts(count);
    std::vector<int> charges(count), status(count, CORVAN_OK), first_k(count, 0);
    std::vector<double> heights(count * points), mz(count);
    for (std::size_t r = 0; r < count; ++r) {
        texts[r] = plan.items[(first + r) / per_item].proforma.c_str();
        charges[r] = plan.charges[(first + r) % per_item];
    }
    const corvan_many_table results{sizeof results, points,        heights.data(), nullptr,
                                    mz.data(),      status.data(), nullptr,        first_k.data()};
    corvan_many_table_from_texts(CORVAN_KIND_PEPTIDE, texts.data(), charges.data(), count, nullptr,
                                 &results, nullptr, nullptr);
    for (std::size_t r = 0; r < count; ++r) {
        Row &row = rows[first + r];
        const Item &item = plan.items[(first + r) / per_item];
        row.status = status[r];
        row.heights.assign(points, 0.0);
        if (!item.refusal.empty()) {
            row.status = CORVAN_E_RANGE;
            row.message = item.refusal;
            continue;
        }
        if (row.status != CORVAN_OK) { // rare: run alone again for the message
            corvan_error error{};
            const corvan_many_table one{
                sizeof one,        points, heights.data() + r * points, nullptr, mz.data() + r,
                status.data() + r, &error, first_k.data() + r};
            corvan_many_table_from_texts(CORVAN_KIND_PEPTIDE, texts.data() + r, charges.data() + r,
                                         1, nullptr, &one, nullptr, nullptr);
            row.message = error.message;
            continue;
        }
        row.mz = mz[r];
        row.first_k = first_k[r];
        std::copy_n(heights.begin() + static_cast<std::ptrdiff_t>(r * points), points,
                    row.heights.begin());
    }
}

// Rows in input order (items x charges), computed on `threads` threads
// that take the next run of rows from one counter.
std::vector<Row> compute_all(const Plan &plan) {
    const std::size_t total = plan.items.size() * plan.charges.size();
    std::vector<Row> rows(total);
    std::atomic<std::size_t> next{0}, done{0};
    ProgressBar progress(total);
    auto work = [&] {
        for (std::size_t first; (first = next.fetch_add(kRowsPerCall)) < total;) {
            const std::size_t count = std::min(kRowsPerCall, total - first);
            compute_run(plan, first, count, rows);
            done.fetch_add(count);
        }
    };
    std::vector<std::thread> workers;
    for (int t = 1; t < plan.threads; ++t) workers.emplace_back(work);
    work();
    for (auto &worker : workers) worker.join();
    progress.finish();
    return rows;
}

// ProForma texts may hold commas ("<[TMT6plex]@K,N-term>"): fields are
// quoted as the other batch rows are.
std::string field(const std::string &text, char separator) {
    return delimited_field(text, separator);
}

bool write_rows(std::FILE *out, const Plan &plan, const std::vector<Row> &rows) {
    const char s = plan.separator;
    std::fprintf(out, "id%cstart%cend%cproforma%ccharge%cmonoisotopic_mz%cstatus%cfirst_k", s, s, s,
                 s, s, s, s);
    for (int j = 0; j < plan.points; ++j) std::fprintf(out, "%cp%d", s, j);
    std::fputc('\n', out);
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const Item &item = plan.items[i / plan.charges.size()];
        const Row &row = rows[i];
        std::fprintf(out, "%s%c", field(item.id, s).c_str(), s);
        if (item.start > 0)
            std::fprintf(out, "%zu%c%zu%c", item.start, s, item.end, s);
        else
            std::fprintf(out, "%c%c", s, s);
        std::fprintf(out, "%s%c%d%c", field(item.proforma, s).c_str(), s,
                     plan.charges[i % plan.charges.size()], s);
        if (row.status == CORVAN_OK)
            std::fprintf(out, "%.6f%cok%c%d", row.mz, s, s, row.first_k);
        else
            std::fprintf(out, "%c%s%c", s, field(row.message, s).c_str(), s);
        for (double height : row.heights) std::fprintf(out, "%c%.6g", s, height);
        std::fputc('\n', out);
    }
    return std::ferror(out) == 0;
}

int write_output(const Plan &plan, const std::vector<Row> &rows) {
    if (plan.out_path.empty()) {
        const bool written = write_rows(stdout, plan, rows) && std::fflush(stdout) == 0;
        return written
                   ? kOk
                   : fail(kFile, std::string("cannot write the results: ") + std::strerror(errno));
    }
    AtomicFile file;
    if (!file.open(plan.out_path) || !write_rows(file.stream(), plan, rows) || !file.commit())
        return fail(kFile, "cannot write " + plan.out_path + ": " + std::strerror(errno));
    return kOk;
}

std::optional<std::string> read_plan(int argc, char **argv, Source &source, Plan &plan) {
    Args args;
    if (auto error = parse(argc, argv, 1,
                           {"enzyme", "specificity", "missed-cleavages", "fixed", "variable",
                            "max-mods", "charges", "min-length", "max-length", "points", "threads",
                            "out", "format", "engines"},
                           {"fasta", "proforma"}, args))
        return error;
    if (args.options.count("engines") && option(args, "engines", "") != "exact")
        return "ProForma, digestion and charges are computed by the exact engine only "
               "(--engines exact)";
    if (auto error = read_source(args, source)) return error;
    if (auto error = read_charges(option(args, "charges", "0"), plan.charges)) return error;
    std::string error;
    const int cores = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    const auto points = whole(args, "points", 1, kMostBatchPoints, 16, error);
    const auto threads = whole(args, "threads", 1, kMostThreads, cores, error);
    if (!points || !threads) return error;
    plan.points = *points;
    plan.threads = *threads;
    plan.out_path = option(args, "out", "");
    const bool csv_name =
        plan.out_path.size() > 4 && plan.out_path.compare(plan.out_path.size() - 4, 4, ".csv") == 0;
    const std::string format = option(args, "format", csv_name ? "csv" : "tsv");
    if (format != "csv" && format != "tsv") return "--format must be tsv or csv";
    plan.separator = format == "csv" ? ',' : '\t';
    return std::nullopt;
}

} // namespace

bool wants_peptide_batch(int argc, char **argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string word = argv[i];
        if (word == "--proforma" || word == "--engines=exact" ||
            (word == "--engines" && i + 1 < argc && std::string(argv[i + 1]) == "exact"))
            return true;
        for (const std::string &name : kOwnOptions)
            if (word == "--" + name || word.rfind("--" + name + "=", 0) == 0) return true;
    }
    return false;
}

int run_peptide_batch(int argc, char **argv) {
    Source source;
    Plan plan;
    if (auto error = read_plan(argc, argv, source, plan)) return fail(kUsage, *error);
    if (auto error = read_items(source, plan.items)) return fail(kFile, *error);
    if (plan.items.empty()) return fail(kUsage, "no peptides in " + source.path);
    const auto started = std::chrono::steady_clock::now();
    const std::vector<Row> rows = compute_all(plan);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    std::size_t failed = 0;
    for (const Row &row : rows) failed += row.status != CORVAN_OK;
    std::fprintf(stderr, "corvan batch: %zu ions on %d threads in %.2f s (%.0f ions/s)\n",
                 rows.size(), plan.threads, seconds,
                 static_cast<double>(rows.size()) / std::max(seconds, 1e-9));
    const int written = write_output(plan, rows);
    if (written != kOk) return written;
    if (failed > 0) {
        std::fprintf(stderr,
                     "corvan batch: %zu ions could not be computed (their status says why)\n",
                     failed);
        return kFailedCall;
    }
    return kOk;
}

} // namespace cli
