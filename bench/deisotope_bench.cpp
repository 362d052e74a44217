// corvan_deisotope on one scan read from a peak list (m/z and intensity per
// line): prints the envelopes found and the mean time per scan. The first
// call (which builds the shared pattern table) is left out of the timing;
// the timed calls run inside deisotope_timed, so that callgrind counts the
// instructions of one scan alone:
//   valgrind --tool=callgrind --toggle-collect=deisotope_timed deisotope_bench SCAN.txt 1
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <vector>

#include "corvan.h"

namespace {

bool read_peaks(const char *path, std::vector<double> &mz, std::vector<double> &intensity) {
    std::FILE *file = std::fopen(path, "r");
    if (file == nullptr) return false;
    double m = 0, i = 0;
    while (std::fscanf(file, "%lf %lf", &m, &i) == 2) mz.push_back(m), intensity.push_back(i);
    std::fclose(file);
    return !mz.empty();
}

std::size_t deisotope_once(const std::vector<double> &mz, const std::vector<double> &intensity,
                           const corvan_deisotope_settings &settings) {
    corvan_envelopes *found = nullptr;
    if (corvan_deisotope(mz.data(), intensity.data(), mz.size(), &settings, &found, nullptr) !=
        CORVAN_OK)
        std::exit(1);
    const std::size_t count = corvan_envelopes_count(found);
    corvan_envelopes_free(found);
    return count;
}

} // namespace

// Not static and not inlined: callgrind's --toggle-collect names it.
extern "C" __attribute__((noinline)) std::size_t
deisotope_timed(const std::vector<double> &mz, const std::vector<double> &intensity,
                const corvan_deisotope_settings &settings, int repeats) {
    std::size_t count = 0;
    for (int r = 0; r < repeats; ++r) count = deisotope_once(mz, intensity, settings);
    return count;
}

int main(int argc, char **argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: deisotope_bench PEAKS.txt [REPEATS] [LOW HIGH]\n");
        return 2;
    }
    std::vector<double> mz, intensity;
    if (!read_peaks(argv[1], mz, intensity)) {
        std::fprintf(stderr, "no peaks read from %s\n", argv[1]);
        return 1;
    }
    const int repeats = argc > 2 ? std::atoi(argv[2]) : 20;
    corvan_deisotope_settings settings;
    corvan_deisotope_defaults(&settings);
    settings.min_charge = argc > 4 ? std::atoi(argv[3]) : 1;
    settings.max_charge = argc > 4 ? std::atoi(argv[4]) : 4;
    deisotope_once(mz, intensity, settings);
    // Wall time, and the process's processor time (less swayed by other
    // programs on a busy machine).
    const auto started = std::chrono::steady_clock::now();
    const std::clock_t processor = std::clock();
    const std::size_t count = deisotope_timed(mz, intensity, settings, repeats);
    const double processor_ms =
        1e3 * static_cast<double>(std::clock() - processor) / CLOCKS_PER_SEC;
    const std::chrono::duration<double, std::milli> spent =
        std::chrono::steady_clock::now() - started;
    std::printf("%zu peaks, %zu envelopes, %.3f ms per scan, %.3f ms of processor time (%d runs)\n",
                mz.size(), count, spent.count() / repeats, processor_ms / repeats, repeats);
    return 0;
}
