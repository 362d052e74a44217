#include "table.hpp"

namespace cli {

void print_table(std::FILE *stream, const std::string &title, const std::vector<float> &out,
                 float floor) {
    std::size_t shown = out.size();
    while (floor > 0 && shown > 0 && out[shown - 1] < floor) --shown;
    std::fprintf(stream, "# %s\n", title.c_str());
    std::fprintf(stream, "%5s  %s\n", "index", "relative intensity");
    for (std::size_t i = 0; i < shown; ++i) {
        // Fixed notation where it stays readable, scientific for the small tail.
        const char *format = out[i] == 0 || out[i] >= 1e-4f ? "%5zu  %.6f\n" : "%5zu  %.4e\n";
        std::fprintf(stream, format, i, out[i]);
    }
    if (shown < out.size())
        std::fprintf(stream, "# %zu further points below %g not shown (--all shows them)\n",
                     out.size() - shown, floor);
}

} // namespace cli
