// corvan batch: options, the plan and the run of a batch of fixed-engine rows.
#include "batch/batch.hpp"
#include "limits.hpp"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <thread>

#include "args.hpp"
#include "batch/batch_output.hpp"
#include "batch/peptide_batch.hpp"
#include "commands.hpp"
#include "output/atomic_file.hpp"
#include "output/result.hpp"

namespace cli {

namespace {

struct BatchRequest {
    BatchPlan plan;
    std::string list_path, out_path;
    bool fasta = false, digest = false;
    LengthRange lengths;
    char separator = '\t';
};

int fail(int status, const std::string &message) {
    return batch_failure(status, message);
}

std::string option(const Args &args, const std::string &name, const std::string &otherwise) {
    return option_or(args, name, otherwise);
}

bool has_flag(const Args &args, const std::string &name) {
    for (const auto &flag : args.flags)
        if (flag == name) return true;
    return false;
}

std::vector<std::string> split(const std::string &text, char separator) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find(separator, start)) != std::string::npos; start = end + 1)
        parts.push_back(text.substr(start, end - start));
    parts.push_back(text.substr(start));
    return parts;
}

std::optional<std::string> read_whole(const Args &args, const std::string &name, int least,
                                      int most, int otherwise, int &value) {
    const auto number = to_int(option(args, name, std::to_string(otherwise)));
    if (!number || *number < least || *number > most)
        return "--" + name + " must be a whole number from " + std::to_string(least) + " to " +
               std::to_string(most);
    value = *number;
    return std::nullopt;
}

std::optional<std::string> read_molecule_and_engines(const Args &args, BatchPlan &plan) {
    const std::string kind = option(args, "molecule", "peptide");
    if (kind != "peptide" && kind != "rna") return "--molecule must be peptide or rna";
    plan.molecule = kind == "peptide" ? &peptide_molecule() : &rna_molecule();
    const std::string by = option(args, "by", "sequence");
    if (by != "sequence" && by != "mass") return "--by must be sequence or mass";
    plan.by_mass = by == "mass";
    for (const std::string &name : split(option(args, "engines", "fft"), ',')) {
        const Engine *engine = find_engine(*plan.molecule, name);
        if (engine == nullptr)
            return "unknown engine '" + name + "' (choose from " + engine_names(*plan.molecule) +
                   ")";
        if (plan.by_mass ? engine->by_mass == nullptr : engine->by_sequence == nullptr)
            return "the " + name + " engine does not take a " + by + " (see --by)";
        plan.engines.push_back(engine);
    }
    return std::nullopt;
}

std::optional<std::string> read_source(const Args &args, BatchRequest &request) {
    if (args.positional.size() != 1) return "expected exactly one list or FASTA file";
    request.list_path = args.positional[0];
    request.fasta = has_flag(args, "fasta");
    const std::string digest = option(args, "digest", "");
    if (!digest.empty() && digest != "trypsin") return "--digest knows trypsin only";
    request.digest = !digest.empty();
    if (request.digest && !request.fasta) return "--digest needs --fasta";
    if (request.digest && request.plan.molecule->command != "peptide")
        return "--digest is for peptides";
    if (request.plan.by_mass && request.fasta)
        return "--by mass needs a list file (no masses in FASTA)";
    int least = 1, most = 0;
    if (auto error = read_whole(args, "min-length", 1, 1 << 30, 1, least)) return error;
    if (auto error = read_whole(args, "max-length", 0, 1 << 30, 0, most)) return error;
    if (most != 0 && most < least)
        return "--min-length (" + std::to_string(least) + ") is above --max-length (" +
               std::to_string(most) + "): no molecule could be kept";
    request.lengths = {least, most};
    return std::nullopt;
}

std::optional<std::string> read_output(const Args &args, BatchRequest &request) {
    request.out_path = option(args, "out", "");
    const bool csv_name = request.out_path.size() > 4 &&
                          request.out_path.compare(request.out_path.size() - 4, 4, ".csv") == 0;
    const std::string format = option(args, "format", csv_name ? "csv" : "tsv");
    if (format != "csv" && format != "tsv") return "--format must be tsv or csv";
    request.separator = format == "csv" ? ',' : '\t';
    const int cores = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    if (auto error = read_whole(args, "threads", 1, kMostThreads, cores, request.plan.threads))
        return error;
    return read_whole(args, "points", 1, kMostBatchPoints, 16, request.plan.points);
}

std::optional<std::string> read_batch_request(int argc, char **argv, BatchRequest &request) {
    Args args;
    if (auto error = parse(argc, argv, 1,
                           {"engines", "molecule", "by", "digest", "min-length", "max-length",
                            "points", "threads", "out", "format"},
                           {"fasta"}, args))
        return error;
    if (auto error = read_molecule_and_engines(args, request.plan)) return error;
    if (auto error = read_source(args, request)) return error;
    return read_output(args, request);
}

void report_speed(const BatchPlan &plan, const BatchResults &results) {
    std::size_t failed = 0;
    for (float peak : results.peaks) failed += peak < 0;
    const double seconds = std::max(results.seconds, 1e-9);
    std::fprintf(stderr, "corvan batch: %s x %s on %d threads in %.2f s (%.0f molecules/s)\n",
                 counted(plan.items.size(), "molecule").c_str(),
                 counted(plan.engines.size(), "engine").c_str(), plan.threads, results.seconds,
                 static_cast<double>(plan.items.size()) / seconds);
    if (failed > 0)
        std::fprintf(stderr,
                     "corvan batch: %zu calculations failed (status 'failed' in the output)\n",
                     failed);
}

// `file` was opened before the computing began (an unwritable --out is
// found at once, not after the work); without --out the rows go to
// standard output.
int write_results(const BatchRequest &request, const BatchResults &results, AtomicFile &file) {
    const bool from_list = !request.fasta;
    if (request.out_path.empty()) {
        write_batch_rows(stdout, request.plan, results, request.separator, from_list);
        return std::fflush(stdout) == 0 ? kOk : fail(kFile, "cannot write the results");
    }
    write_batch_rows(file.stream(), request.plan, results, request.separator, from_list);
    if (!file.commit())
        return fail(kFile, "cannot write " + request.out_path + ": " + std::strerror(errno));
    return kOk;
}

} // namespace

int batch_failure(int status, const std::string &message) {
    std::fprintf(stderr, "corvan batch: %s%s\n", message.c_str(),
                 status == kUsage ? " (see corvan batch --help)" : "");
    return status;
}

int run_batch(int argc, char **argv) {
    if (wants_peptide_batch(argc, argv)) return run_peptide_batch(argc, argv);
    BatchRequest request;
    if (auto error = read_batch_request(argc, argv, request)) return fail(kUsage, *error);
    BatchPlan &plan = request.plan;
    const auto error = request.fasta
                           ? read_fasta_items(request.list_path, request.digest, plan.items)
                           : read_list_items(request.list_path, plan.items);
    if (error) return fail(kFile, *error);
    if (plan.items.empty() && !request.fasta)
        return fail(kUsage, "no entries in " + request.list_path +
                                " (lines of a mass and a sequence; for a FASTA file add --fasta)");
    if (plan.items.empty())
        return fail(kUsage, "no FASTA records in " + request.list_path +
                                " (each record starts with a '>' line; for a list file leave "
                                "out --fasta)");
    keep_usable_items(*plan.molecule, request.lengths, plan.items);
    AtomicFile file;
    if (!request.out_path.empty() && !file.open(request.out_path))
        return fail(kFile, "cannot write " + request.out_path + ": " + std::strerror(errno));
    const BatchResults results = run_batch_plan(plan);
    report_speed(plan, results);
    const int written = write_results(request, results, file);
    if (written != kOk) return written;
    for (float peak : results.peaks)
        if (peak < 0) return kFailedCall;
    return kOk;
}

} // namespace cli
