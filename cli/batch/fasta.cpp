// FASTA files, plain or gzip-compressed, and their tryptic peptides.
#include "batch/fasta.hpp"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include <sys/wait.h>

#include "commands/weights.hpp"

namespace cli {

namespace {

bool looks_compressed(const std::string &path) {
    if (path.size() > 3 && path.compare(path.size() - 3, 3, ".gz") == 0) return true;
    std::FILE *file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) return false;
    const int first = std::fgetc(file), second = std::fgetc(file);
    std::fclose(file);
    return first == 0x1f && second == 0x8b;
}

// Single quotes keep the shell from reading anything in the name.
std::string shell_quoted(const std::string &text) {
    std::string quoted = "'";
    for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

bool is_blank(char c) {
    return c == ' ' || c == '\t';
}

void add_line(std::string_view line, std::vector<FastaRecord> &records) {
    if (!line.empty() && line[0] == '>') {
        const std::size_t end = line.find_first_of(" \t", 1);
        records.push_back(
            {std::string(line.substr(1, end == std::string::npos ? end : end - 1)), "", false, 0});
        return;
    }
    if (records.empty() || line.empty() || line[0] == ';') return;
    FastaRecord &record = records.back();
    for (char c : line) {
        if (is_blank(c)) continue;
        if (record.stopped) {
            record.residues_after_stop += c != '*';
            continue;
        }
        if (c == '*') {
            record.stopped = true;
            continue;
        }
        record.sequence += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
}

// A chunk of text up to '\n' may still hold CR line ends (old Mac files).
void add_lines(std::string_view chunk, std::vector<FastaRecord> &records) {
    while (!chunk.empty()) {
        const std::size_t end = chunk.find_first_of("\r\n");
        add_line(chunk.substr(0, end), records);
        if (end == std::string_view::npos) break;
        chunk.remove_prefix(end + 1);
    }
}

// Whole lines of any length. A NUL byte would end the line's text early and
// silently join records, so a file holding one is refused as binary data.
std::optional<std::string> read_lines(std::FILE *stream, std::vector<FastaRecord> &records) {
    char *line = nullptr;
    std::size_t capacity = 0;
    std::optional<std::string> error;
    long number = 0;
    for (ssize_t length; (length = getline(&line, &capacity, stream)) >= 0;) {
        ++number;
        if (std::memchr(line, '\0', static_cast<std::size_t>(length)) != nullptr) {
            error =
                "binary data (a NUL byte) on line " + std::to_string(number) + "; not a FASTA file";
            break;
        }
        add_lines({line, static_cast<std::size_t>(length)}, records);
    }
    std::free(line);
    return error;
}

} // namespace

std::optional<std::string> read_fasta(const std::string &path, std::vector<FastaRecord> &records) {
    std::string why;
    if (!readable_file_size(path, why)) return "cannot read " + path + ": " + why;
    if (!looks_compressed(path)) {
        std::FILE *file = std::fopen(path.c_str(), "r");
        if (file == nullptr) return "cannot read " + path + ": " + std::strerror(errno);
        const auto error = read_lines(file, records);
        const bool failed = std::ferror(file);
        std::fclose(file);
        if (error) return path + ": " + *error;
        if (failed) return "cannot read " + path;
        return std::nullopt;
    }
    std::FILE *pipe = popen(("gzip -dc < " + shell_quoted(path)).c_str(), "r");
    if (pipe == nullptr) return "cannot start gzip to read " + path;
    const auto error = read_lines(pipe, records);
    if (error) {
        // Drain, so that gzip ends normally before its status is read.
        char rest[4096];
        while (std::fread(rest, 1, sizeof rest, pipe) > 0) {
        }
    }
    const int status = pclose(pipe);
    if (error) return path + ": " + *error;
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return "gzip could not decompress " + path;
    return std::nullopt;
}

std::string stop_refusal(const FastaRecord &record) {
    const std::size_t stop = record.sequence.size() + 1;
    return std::to_string(record.residues_after_stop) + " residues after the '*' at residue " +
           std::to_string(stop) + " of " + record.id +
           " are not read: a '*' ends the protein (split the record to keep them)";
}

std::vector<Piece> tryptic_pieces(const std::string &protein) {
    std::vector<Piece> pieces;
    std::size_t start = 0;
    for (std::size_t at = 0; at < protein.size(); ++at) {
        const bool cleaves = (protein[at] == 'K' || protein[at] == 'R') &&
                             (at + 1 == protein.size() || protein[at + 1] != 'P');
        if (!cleaves && at + 1 < protein.size()) continue;
        pieces.push_back({start, at + 1 - start});
        start = at + 1;
    }
    return pieces;
}

} // namespace cli
