// A command's refusal or failure: the program's exit status (commands.hpp)
// and the message, reported on standard error as "corvan COMMAND: MESSAGE",
// with a pointer to the command's help after a usage error.
#pragma once

#include <cstdio>
#include <optional>
#include <string>

#include "commands.hpp"

namespace cli {

struct CommandFailure {
    int status;
    std::string message;
};

// Returns the failure's status, for the command's exit.
inline int report_command_failure(const char *command, const CommandFailure &failure) {
    std::fprintf(stderr, "corvan %s: %s%s\n", command, failure.message.c_str(),
                 failure.status == kUsage
                     ? (std::string(" (see corvan ") + command + " --help)").c_str()
                     : "");
    return failure.status;
}

// The command's exit status: kOk, or the failure's once reported.
inline int command_exit(const char *command, const std::optional<CommandFailure> &failure) {
    return failure ? report_command_failure(command, *failure) : kOk;
}

} // namespace cli
