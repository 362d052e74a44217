// The mass/sequence list file: one "mass sequence" pair per line, '#'
// comment lines and blank lines skipped, anything unreadable skipped
// silently. Lines are read whole, however long.
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/messages.hpp"
#include "corvan.h"

namespace {

constexpr uint64_t kFirstCapacity = 10;

void report(const char *message) {
    corvan::messages::print(corvan::messages::Stream::err, "%s", message);
}

const char *skip_space(const char *text) {
    while (*text != '\0' && std::isspace(static_cast<unsigned char>(*text))) ++text;
    return text;
}

// The mass and sequence token of one line piece; false for blank lines,
// comments and lines without both a number and a token after it.
struct Pair {
    double mass;
    const char *token;
    size_t token_length;
};

bool read_pair(const char *line, Pair *pair) {
    const char *start = skip_space(line);
    if (*start == '\0' || *start == '#') return false;
    char *end = nullptr;
    pair->mass = std::strtod(start, &end);
    if (end == start) return false;
    pair->token = skip_space(end);
    pair->token_length = std::strcspn(pair->token, " \t\r\n");
    return pair->token_length > 0;
}

// Doubles the entry array; false (list unchanged) when that fails.
bool grow(protein_list *list) {
    const uint64_t capacity = list->capacity * 2;
    if (capacity > SIZE_MAX / sizeof(protein_entry)) return false;
    void *entries = std::realloc(list->entries, capacity * sizeof(protein_entry));
    if (entries == nullptr) return false;
    list->entries = static_cast<protein_entry *>(entries);
    list->capacity = capacity;
    return true;
}

// Appends the pair; false after reporting when memory runs out.
bool append(protein_list *list, const Pair &pair) {
    if (list->count == list->capacity && !grow(list)) {
        report("Reallocation failed!\n");
        return false;
    }
    char *sequence = static_cast<char *>(std::malloc(pair.token_length + 1));
    if (sequence == nullptr) {
        report("String allocation failed!\n");
        return false;
    }
    std::memcpy(sequence, pair.token, pair.token_length);
    sequence[pair.token_length] = '\0';
    list->entries[list->count++] = protein_entry{pair.mass, sequence};
    return true;
}

// A line longer than any fixed buffer must not be cut: its tail would be
// read as an entry of its own. getline() grows the buffer as needed.
void read_entries(std::FILE *file, protein_list *list) {
    char *line = nullptr;
    size_t size = 0;
    errno = 0;
    while (getline(&line, &size, file) >= 0) {
        Pair pair{};
        if (read_pair(line, &pair) && !append(list, pair)) break;
        errno = 0;
    }
    if (errno == ENOMEM) report("String allocation failed!\n");
    std::free(line);
}

} // namespace

extern "C" {

protein_list read_masses_seqs_file(const char *path) {
    protein_list list{nullptr, 0, 0};
    std::FILE *file = path != nullptr ? std::fopen(path, "r") : nullptr;
    if (file == nullptr) {
        report("Error opening file!\n");
        return list;
    }
    list.entries =
        static_cast<protein_entry *>(std::malloc(kFirstCapacity * sizeof(protein_entry)));
    if (list.entries == nullptr) {
        std::fclose(file);
        report("Memory allocation failed!\n");
        return list;
    }
    list.capacity = kFirstCapacity;
    read_entries(file, &list);
    std::fclose(file);
    return list;
}

void free_protein_list(protein_list *list) {
    if (list == nullptr) return;
    for (uint64_t i = 0; i < list->count; ++i) std::free(list->entries[i].sequence);
    std::free(list->entries);
    *list = protein_list{nullptr, 0, 0};
}

} // extern "C"
