// The command-line layer: argument parsing and the single-molecule
// commands run in-process, the FASTA reader with the tryptic digest, and
// the output writers (CSV/TSV row counts, JSON that parses).
#include "fuzz_common.hpp"

#include <nlohmann/json.hpp>

#include "../cli/commands.hpp"
#include "../cli/batch/fasta.hpp"
#include "../cli/output/output_formats.hpp"
#include "../cli/output/result.hpp"

namespace {

extern "C" void ignore_message(const char *, int, void *) {}

// Words of the rest of the input, split at NUL and newline bytes. Options
// that name files (--out, --plot, --weights, ...) are dropped: a fuzzer
// must not write or read files of its choosing.
std::vector<std::string> words(fuzz::Reader &r) {
    const std::vector<uint8_t> bytes = r.rest_bytes();
    std::vector<std::string> list(1);
    for (uint8_t b : bytes) {
        if (b == 0 || b == '\n') {
            list.emplace_back();
            if (list.size() > 16) break;
        } else {
            list.back() += static_cast<char>(b);
        }
    }
    std::vector<std::string> kept;
    for (const std::string &word : list)
        if (word.find("out") == std::string::npos && word.find("plot") == std::string::npos &&
            word.find("weights") == std::string::npos && word.find("help") == std::string::npos &&
            word.find("points") == std::string::npos)
            kept.push_back(word);
    return kept;
}

void run_command(fuzz::Reader &r) {
    static const char *const names[] = {"peptide", "rna", "formula"};
    const std::string name = names[r.byte() % 3];
    std::vector<std::string> arguments{name};
    // A small --points keeps every input fast (1<<20 points would not be).
    arguments.push_back("--points");
    arguments.push_back(std::to_string(1 + r.byte() % 200));
    for (std::string &word : words(r)) arguments.push_back(std::move(word));
    std::vector<char *> argv;
    for (std::string &word : arguments) argv.push_back(word.data());
    argv.push_back(nullptr);
    for (const auto &command : cli::commands()) {
        if (command.name != name) continue;
        const int status = command.run(static_cast<int>(argv.size() - 1), argv.data());
        FUZZ_CHECK(status >= 0 && status <= 3, "exit status outside 0..3");
    }
}

void check_pieces(const std::string &protein) {
    std::size_t next = 0;
    for (const cli::Piece &piece : cli::tryptic_pieces(protein)) {
        FUZZ_CHECK(piece.start == next && piece.length >= 1, "pieces not contiguous");
        next = piece.start + piece.length;
        const char last = protein[next - 1];
        if (next < protein.size())
            FUZZ_CHECK((last == 'K' || last == 'R') && protein[next] != 'P', "cut at no site");
        for (std::size_t at = piece.start; at + 1 < next; ++at)
            FUZZ_CHECK(!((protein[at] == 'K' || protein[at] == 'R') && protein[at + 1] != 'P'),
                       "missed cleavage");
    }
    FUZZ_CHECK(next == protein.size(), "pieces do not cover the protein");
}

void read_fasta(fuzz::Reader &r) {
    static fuzz::ScratchFile file("fasta");
    const std::vector<uint8_t> bytes = r.rest_bytes();
    // Compressed content would go through gzip; plain text is the surface.
    if (bytes.size() >= 2 && bytes[0] == 0x1f && bytes[1] == 0x8b) return;
    file.write(bytes.data(), bytes.size());
    std::vector<cli::FastaRecord> records;
    const auto error = cli::read_fasta(file.path(), records);
    const bool has_nul = std::find(bytes.begin(), bytes.end(), 0) != bytes.end();
    FUZZ_CHECK(error.has_value() == has_nul, "a NUL byte must be refused, nothing else");
    for (const auto &record : records) {
        FUZZ_CHECK(record.id.find_first_of(" \t\r\n") == std::string::npos, "space in an id");
        FUZZ_CHECK(record.sequence.find_first_of(" \t\n*") == std::string::npos,
                   "space or '*' kept in a sequence");
        check_pieces(record.sequence);
    }
}

std::string written(const cli::Result &result, cli::Format format, bool all) {
    char *buffer = nullptr;
    std::size_t size = 0;
    std::FILE *stream = open_memstream(&buffer, &size);
    if (stream == nullptr) fuzz::fail("open_memstream");
    cli::write_result(stream, result, format, all);
    std::fclose(stream);
    std::string text(buffer, size);
    std::free(buffer);
    return text;
}

void write_outputs(fuzz::Reader &r) {
    cli::Result result;
    result.molecule = "peptide";
    result.engine = "fft";
    result.points = 1 + r.byte() % 64;
    result.offset = r.byte() % result.points;
    result.peak = r.f32();
    for (int i = 0; i < result.points; ++i) result.values.push_back(r.f32());
    result.input_kind = r.byte() % 2 ? cli::InputKind::sequence : cli::InputKind::mass;
    result.input_mass = r.f32();
    // Text the command line accepts is ASCII; control bytes, quotes and
    // backslashes stay to exercise the escaping.
    result.input_text = r.rest_text();
    for (char &c : result.input_text) c = static_cast<char>(c & 0x7f);
    for (cli::Format format : {cli::Format::csv, cli::Format::tsv}) {
        const std::string text = written(result, format, false);
        FUZZ_CHECK(std::count(text.begin(), text.end(), '\n') == result.points + 1,
                   "a delimited row per point and a header");
    }
    const std::string json = written(result, cli::Format::json, false);
    const auto parsed = nlohmann::json::parse(json, nullptr, false);
    FUZZ_CHECK(!parsed.is_discarded(), "JSON output does not parse");
    FUZZ_CHECK(parsed["points"].size() == static_cast<std::size_t>(result.points),
               "JSON peak count");
    const std::string table = written(result, cli::Format::table, true);
    FUZZ_CHECK(!table.empty() && table.back() == '\n', "table ends mid-line");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    fuzz::silence_stdout();
    corvan_set_message_handler(ignore_message, nullptr);
    fuzz::Reader r(data, size);
    switch (r.byte() % 3) {
    case 0:
        run_command(r);
        break;
    case 1:
        read_fasta(r);
        break;
    default:
        write_outputs(r);
        break;
    }
    return 0;
}
