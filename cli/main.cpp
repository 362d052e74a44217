// corvan: isotope distributions from the command line.
#include <cstdio>
#include <cstring>

#include "commands.hpp"

namespace {

void print_overview(std::FILE *stream) {
    std::fputs("usage: corvan COMMAND [ARGS...]\n\ncommands:\n", stream);
    for (const auto &command : cli::commands())
        std::fprintf(stream, "  %-10s %s\n", command.name.c_str(), command.summary.c_str());
    std::fputs("\n'corvan COMMAND --help' tells more about each command.\n"
               "\nexit status:\n"
               "  0  success\n"
               "  1  a library call failed (its message comes first)\n"
               "  2  bad command line or bad input (a sequence, formula or number)\n"
               "  3  a file cannot be read, or an output file cannot be written\n"
               "\nexamples:\n"
               "  corvan formula C6H12O6\n"
               "  corvan peptide 'PEPTIDE[C2H2O]K' --plot peptide.svg\n"
               "  corvan batch proteins.fasta --fasta --digest trypsin --out peptides.tsv\n",
               stream);
}

bool wants_help(int argc, char **argv) {
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) return true;
    return false;
}

} // namespace

int main(int argc, char **argv) {
    if (argc < 2) {
        print_overview(stderr);
        return cli::kUsage;
    }
    if (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0 ||
        std::strcmp(argv[1], "help") == 0) {
        print_overview(stdout);
        return cli::kOk;
    }
    for (const auto &command : cli::commands()) {
        if (command.name != argv[1]) continue;
        if (wants_help(argc - 1, argv + 1)) {
            std::fputs(command.help.c_str(), stdout);
            return cli::kOk;
        }
        return command.run(argc - 1, argv + 1);
    }
    std::fprintf(stderr, "corvan: unknown command '%s'\n\n", argv[1]);
    print_overview(stderr);
    return cli::kUsage;
}
