// corvan: isotope distributions from the command line.
#include <cerrno>
#include <cstdio>
#include <cstring>

#include <fcntl.h>
#include <unistd.h>

#include "commands.hpp"
#include "corvan.h"

namespace {

void print_overview(std::FILE *stream) {
    std::fputs("usage: corvan COMMAND [ARGS...]\n       corvan --version\n\ncommands:\n", stream);
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

// The library's messages go to standard error, never into results on
// standard output; a message without a newline gets one so that ours
// starts on a line of its own.
extern "C" void to_standard_error(const char *text, int, void *) {
    std::fputs(text, stderr);
    const std::size_t length = std::strlen(text);
    if (length == 0 || text[length - 1] != '\n') std::fputc('\n', stderr);
}

// A closed standard output or error would be handed to the next file the
// program opens, which would then receive the results. A placeholder open
// for reading keeps the number taken, and writes to it fail as they should.
void hold_closed_streams() {
    for (int descriptor : {STDOUT_FILENO, STDERR_FILENO}) {
        if (fcntl(descriptor, F_GETFD) >= 0 || errno != EBADF) continue;
        const int placeholder = open("/dev/null", O_RDONLY | O_CLOEXEC);
        if (placeholder >= 0 && placeholder != descriptor) {
            dup2(placeholder, descriptor);
            close(placeholder);
        }
    }
}

// Results are lost unless every write and the final flush and close of
// standard output succeed; then the status is 3 whatever it was.
int finish_standard_output(int status) {
    errno = 0;
    const bool failed_before = std::ferror(stdout) != 0;
    const bool flushed = std::fflush(stdout) == 0;
    int error = errno;
    const bool closed = std::fclose(stdout) == 0;
    if (error == 0) error = errno;
    if (!failed_before && flushed && closed) return status;
    std::fprintf(stderr, "corvan: cannot write the standard output: %s\n",
                 error != 0 ? std::strerror(error) : "write error");
    return cli::kFile;
}

int run(int argc, char **argv) {
    if (argc < 2) {
        print_overview(stderr);
        return cli::kUsage;
    }
    if (std::strcmp(argv[1], "--version") == 0) {
        std::printf("corvan %s\n", corvan_version_string());
        return cli::kOk;
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

} // namespace

int main(int argc, char **argv) {
    hold_closed_streams();
    corvan_set_message_handler(to_standard_error, nullptr);
    return finish_standard_output(run(argc, argv));
}
