// The peer of tools/evaluate_observed.py: OpenMS's Deisotoper on the first
// MS1 scan of a centroided mzML file. Prints "#ms T" (mean time per scan
// over 20 runs, reading excluded) and one line per monoisotopic peak:
// m/z, charge. Settings as corvan deisotope's: 10 ppm, charges 1 to 4, at
// least 2 isotope peaks; the decreasing-intensity model from the third peak
// on (peptides' M and M+1 may be lower than M+2).
#include <chrono>
#include <cstdio>

#include <OpenMS/FILTERING/DATAREDUCTION/Deisotoper.h>
#include <OpenMS/FORMAT/MzMLFile.h>
#include <OpenMS/KERNEL/MSExperiment.h>

int main(int argc, char **argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: compare_openms_deisotope RUN.mzML\n");
        return 2;
    }
    OpenMS::PeakMap run;
    OpenMS::MzMLFile().load(argv[1], run);
    if (run.empty()) return 1;
    const OpenMS::MSSpectrum scan = run[0];
    constexpr int kRepeats = 20;
    OpenMS::MSSpectrum result;
    const auto started = std::chrono::steady_clock::now();
    for (int i = 0; i < kRepeats; ++i) {
        result = scan;
        OpenMS::Deisotoper::deisotopeAndSingleCharge(result, 10.0, true, 1, 4, true, 2, 10, false,
                                                     true, false, true, 3, false);
    }
    const std::chrono::duration<double, std::milli> spent =
        std::chrono::steady_clock::now() - started;
    std::printf("#ms %.3f\n", spent.count() / kRepeats);
    const auto &charges = result.getIntegerDataArrays().front();
    for (std::size_t i = 0; i < result.size(); ++i)
        std::printf("%.6f\t%d\n", result[i].getMZ(), charges[i]);
    return 0;
}
