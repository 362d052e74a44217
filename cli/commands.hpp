// The subcommands of the corvan program. Each is one entry of commands():
// its name, a one-line summary, its help text and the function that runs it.
#pragma once

#include <string>
#include <vector>

namespace cli {

// Exit statuses shared by every subcommand.
enum Exit : int {
    kOk = 0,
    kFailedCall = 1, // the library call failed (returned -1)
    kUsage = 2,      // bad command line or bad input text
    kFile = 3,       // a file cannot be read, or an output file cannot be written
};

struct Command {
    std::string name;
    std::string summary;
    std::string help;
    int (*run)(int argc, char **argv); // argv[0] is the subcommand's name
};

const std::vector<Command> &commands();

} // namespace cli
