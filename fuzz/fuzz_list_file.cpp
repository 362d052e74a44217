// The mass/sequence list reader (and, for small files, the batch run).
#include "fuzz_common.hpp"

#include <algorithm>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    fuzz::silence_stdout();
    static fuzz::ScratchFile file("list");
    file.write(data, size);

    protein_list list = read_masses_seqs_file(file.path());
    FUZZ_CHECK(list.entries != nullptr, "readable file gave no array");
    FUZZ_CHECK(list.count <= list.capacity, "count above capacity");
    uint64_t cap = list.capacity;
    FUZZ_CHECK(cap >= 10 && cap % 10 == 0 && ((cap / 10) & (cap / 10 - 1)) == 0,
               "capacity is not 10 * 2^k");
    // The array doubles only when full, so it is never more than twice what
    // is needed.
    if (cap > 10) FUZZ_CHECK(list.count > cap / 2, "capacity grew without need");
    // Each entry needs a line of its own (lines are read whole, never cut
    // into pieces that would each give an entry).
    FUZZ_CHECK(list.count <= static_cast<uint64_t>(std::count(data, data + size, '\n')) + 1,
               "more entries than the file has lines");
    for (uint64_t i = 0; i < list.count; ++i) {
        const char *seq = list.entries[i].sequence;
        FUZZ_CHECK(seq != nullptr, "NULL sequence");
        size_t len = std::strlen(seq);
        FUZZ_CHECK(len >= 1, "sequence length");
        FUZZ_CHECK(std::strpbrk(seq, " \t\r\n") == nullptr, "separator inside a sequence");
        // The token is a substring of the file.
        FUZZ_CHECK(std::search(data, data + size, reinterpret_cast<const uint8_t *>(seq),
                               reinterpret_cast<const uint8_t *>(seq) + len) != data + size,
                   "sequence not from the file");
    }
    free_protein_list(&list);
    FUZZ_CHECK(list.entries == nullptr && list.count == 0 && list.capacity == 0, "list not zeroed");
    free_protein_list(&list);
    free_protein_list(nullptr);

    // The batch run calls five peptide entry points per entry; keep it to
    // small files so that an input stays fast.
    if (size <= 256) run_file(file.path());
    return 0;
}
