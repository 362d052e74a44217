// The MS1 scans of an mzML file or a peak list, as centroided arrays.
#include "commands/mzml_scans.hpp"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <fstream>
#include <numeric>
#include <sstream>

#ifdef CORVAN_HAVE_PWIZ
#include <pwiz/data/msdata/MSDataFile.hpp>
#endif

namespace cli {

namespace {

bool ends_with_mzml(const std::string &path) {
    if (path.size() < 5) return false;
    std::string tail = path.substr(path.size() - 5);
    std::transform(tail.begin(), tail.end(), tail.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return tail == ".mzml";
}

void sort_by_mz(Scan &scan) {
    std::vector<std::size_t> order(scan.mz.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return scan.mz[a] < scan.mz[b]; });
    Scan sorted;
    for (std::size_t i : order) {
        sorted.mz.push_back(scan.mz[i]);
        sorted.intensity.push_back(scan.intensity[i]);
    }
    scan.mz = std::move(sorted.mz);
    scan.intensity = std::move(sorted.intensity);
}

#ifdef CORVAN_HAVE_PWIZ
// The number of "scan=N" in a native id, or `otherwise`.
long scan_number(const std::string &id, long otherwise) {
    const std::size_t at = id.find("scan=");
    if (at == std::string::npos) return otherwise;
    char *end = nullptr;
    const long number = std::strtol(id.c_str() + at + 5, &end, 10);
    return end == id.c_str() + at + 5 ? otherwise : number;
}

std::optional<std::string> read_mzml(const std::string &path, const ScanFilter &filter,
                                     std::vector<Scan> &scans) {
    using namespace pwiz::msdata;
    try {
        MSDataFile file(path);
        if (!file.run.spectrumListPtr) return "no spectra in " + path;
        const SpectrumList &list = *file.run.spectrumListPtr;
        for (std::size_t i = 0; i < list.size(); ++i) {
            SpectrumPtr spectrum = list.spectrum(i, false);
            if (spectrum->cvParam(MS_ms_level).valueAs<int>() > 1) continue;
            Scan scan;
            scan.number = scan_number(spectrum->id, static_cast<long>(i) + 1);
            if (!spectrum->scanList.scans.empty()) {
                const CVParam time = spectrum->scanList.scans[0].cvParam(MS_scan_start_time);
                if (!time.empty()) scan.rt_seconds = time.timeInSeconds();
            }
            if (!filter.keeps(scan.number, scan.rt_seconds)) continue;
            spectrum = list.spectrum(i, true);
            scan.centroided = spectrum->hasCVParam(MS_centroid_spectrum);
            const BinaryDataArrayPtr mz = spectrum->getMZArray();
            const BinaryDataArrayPtr intensity = spectrum->getIntensityArray();
            if (mz && intensity) {
                scan.mz.assign(mz->data.begin(), mz->data.end());
                scan.intensity.assign(intensity->data.begin(), intensity->data.end());
            }
            sort_by_mz(scan);
            if (!scan.centroided) centroid_profile(scan);
            scans.push_back(std::move(scan));
        }
    } catch (const std::exception &e) {
        scans.clear();
        return "cannot read the mzML file " + path + ": " + e.what();
    }
    return std::nullopt;
}
#else
std::optional<std::string> read_mzml(const std::string &path, const ScanFilter &,
                                     std::vector<Scan> &) {
    return "cannot read " + path +
           ": this corvan was built without mzML support "
           "(ProteoWizard, Debian's libpwiz-dev)";
}
#endif

bool numbers_of(const std::string &line, double &mz, double &intensity) {
    std::string spaced = line;
    std::replace(spaced.begin(), spaced.end(), ',', ' ');
    std::replace(spaced.begin(), spaced.end(), ';', ' ');
    std::istringstream in(spaced);
    std::string rest;
    return static_cast<bool>(in >> mz >> intensity) && !(in >> rest);
}

} // namespace

bool ScanFilter::keeps(long number, double rt) const {
    if (first && number < *first) return false;
    if (last && number > *last) return false;
    if (rt_low && rt < *rt_low) return false;
    if (rt_high && rt > *rt_high) return false;
    return true;
}

std::optional<std::string> read_peak_list(const std::string &path, Scan &scan) {
    std::ifstream in(path);
    if (!in) return "cannot read the peak list " + path;
    std::string line;
    for (long number = 1; std::getline(in, line); ++number) {
        if (const std::size_t hash = line.find('#'); hash != std::string::npos) line.resize(hash);
        if (line.find_first_not_of(" \t\r") == std::string::npos) continue;
        double mz = 0, intensity = 0;
        if (numbers_of(line, mz, intensity)) {
            scan.mz.push_back(mz);
            scan.intensity.push_back(intensity);
        } else if (!scan.mz.empty() || number > 1) {
            return path + " line " + std::to_string(number) + ": expected an m/z and an intensity";
        }
    }
    sort_by_mz(scan);
    return std::nullopt;
}

std::optional<std::string> read_scans(const std::string &path, const ScanFilter &filter,
                                      std::vector<Scan> &scans) {
    scans.clear();
    if (ends_with_mzml(path)) return read_mzml(path, filter, scans);
    Scan scan;
    scan.number = 1;
    if (auto failed = read_peak_list(path, scan)) return failed;
    scans.push_back(std::move(scan));
    return std::nullopt;
}

void centroid_profile(Scan &scan) {
    Scan centroids;
    const std::vector<double> &h = scan.intensity;
    for (std::size_t i = 1; i + 1 < h.size(); ++i) {
        if (!(h[i] > 0 && h[i] >= h[i - 1] && h[i] > h[i + 1])) continue;
        const double weight = h[i - 1] + h[i] + h[i + 1];
        centroids.mz.push_back(
            (scan.mz[i - 1] * h[i - 1] + scan.mz[i] * h[i] + scan.mz[i + 1] * h[i + 1]) / weight);
        centroids.intensity.push_back(h[i]);
    }
    scan.mz = std::move(centroids.mz);
    scan.intensity = std::move(centroids.intensity);
    scan.centroided = true;
}

std::optional<std::pair<double, double>> read_range(const std::string &text) {
    const std::size_t dash = text.find('-', 1);
    const std::string low = text.substr(0, dash);
    const std::string high = dash == std::string::npos ? low : text.substr(dash + 1);
    char *end_low = nullptr, *end_high = nullptr;
    const double a = std::strtod(low.c_str(), &end_low);
    const double b = std::strtod(high.c_str(), &end_high);
    if (low.empty() || high.empty() || *end_low != '\0' || *end_high != '\0' || !(a <= b))
        return std::nullopt;
    return std::pair{a, b};
}

} // namespace cli
