// Allocation failure in the sequence readers: each of the k allocations of
// a call on a ProForma peptide, an RNA and a DNA is failed in turn; the call
// must return CORVAN_E_MEMORY with no result, or its undisturbed result, and
// leave nothing allocated. Does nothing under ASan/TSan (see alloc_hooks.hpp).
#include "alloc_hooks.hpp"

#include <corvan.h>
#include <gtest/gtest.h>

namespace {

struct Text {
    int kind;
    const char *text;
};

const Text kTexts[] = {
    {CORVAN_KIND_PEPTIDE, "<[Carbamidomethyl]@C><15N>[Acetyl]-EM[Oxidation]C[Formula:[13C2]C-2]S["
                          "UNIMOD:21]K-[Amidated]/2"},
    {CORVAN_KIND_PEPTIDE, "PEPS[+79.966]TIDE"}, // a refusal builds its message
    {CORVAN_KIND_RNA, "ppp-AC[m6A]GU>p"},
    {CORVAN_KIND_DNA, "p-ACG[m5C]T-p"},
};

// Runs the call with the k-th allocation failing (0: none); returns its status.
int run(const Text &t, long k, long &events) {
    corvan_distribution *d = reinterpret_cast<corvan_distribution *>(1);
    corvan_error error;
    alloc_hooks::arm(k);
    const int status = corvan_distribution_from_text(t.kind, t.text, nullptr, &d, &error);
    events = alloc_hooks::disarm();
    if (status != CORVAN_OK) {
        EXPECT_EQ(d, nullptr) << t.text << " k=" << k;
    }
    corvan_distribution_free(status == CORVAN_OK ? d : nullptr);
    return status;
}

TEST(SequenceAllocFailure, EveryAllocationFailedInTurn) {
    if (!alloc_hooks::available()) GTEST_SKIP() << "allocation hooks are off in this build";
    for (const Text &t : kTexts) {
        long events = 0;
        const int expected = run(t, 0, events);
        ASSERT_GT(events, 0) << t.text;
        for (long k = 1; k <= events; ++k) {
            long seen = 0;
            const int status = run(t, k, seen);
            // Some failed allocations are recovered from (std::stable_sort's
            // buffer): then the call gives its undisturbed result.
            EXPECT_TRUE(status == CORVAN_E_MEMORY || status == expected)
                << t.text << " k=" << k << " status " << status;
            EXPECT_EQ(alloc_hooks::live(), 0) << t.text << " k=" << k;
            alloc_hooks::clear_live();
        }
    }
}

} // namespace
