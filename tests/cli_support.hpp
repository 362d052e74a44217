// Running the corvan program from a test, and small file helpers.
#pragma once

#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <initializer_list>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace cli_test {

struct Outcome {
    int status;
    std::string out;
};

// Standard output of a shell command line and its exit status (-1 when it
// could not run or did not exit).
inline Outcome run_command(const std::string &command) {
    FILE *pipe = popen(command.c_str(), "r");
    Outcome result{-1, ""};
    if (pipe == nullptr) return result;
    std::array<char, 4096> buffer{};
    while (std::fgets(buffer.data(), buffer.size(), pipe) != nullptr) result.out += buffer.data();
    const int status = pclose(pipe);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

// Runs the program with `arguments` (shell words). Standard error is mixed
// in when `with_stderr`, else discarded.
inline Outcome run(const std::string &arguments, bool with_stderr = false) {
    const std::string command =
        std::string(CORVAN_CLI) + " " + arguments + (with_stderr ? " 2>&1" : " 2>/dev/null");
    return run_command(command);
}

// A command line the program must refuse: its exit status and a phrase of
// what it says (see expect_exit).
struct BadUse {
    const char *arguments;
    int status;
    const char *message;
};

// `text` must hold `part`; a failure shows the whole text.
inline testing::AssertionResult holds(const std::string &text, const std::string &part) {
    if (text.find(part) != std::string::npos) return testing::AssertionSuccess();
    return testing::AssertionFailure() << "no \"" << part << "\" in:\n" << text;
}

// `text` must hold every one of `parts`; a failure names each one missing.
inline testing::AssertionResult holds_all(const std::string &text,
                                          std::initializer_list<std::string> parts) {
    std::string missing;
    for (const std::string &part : parts)
        if (text.find(part) == std::string::npos) missing += "no \"" + part + "\"\n";
    if (missing.empty()) return testing::AssertionSuccess();
    return testing::AssertionFailure() << missing << "in:\n" << text;
}

// Runs `arguments` (standard error mixed in), which must end with `status`
// and print `message` somewhere; gives the outcome for further checks.
inline Outcome expect_exit(const std::string &arguments, int status, const std::string &message) {
    const Outcome r = run(arguments, true);
    EXPECT_EQ(r.status, status) << arguments << "\n" << r.out;
    EXPECT_TRUE(holds(r.out, message)) << arguments;
    return r;
}

// Runs a shell script in which CORVAN stands for the program; standard
// error is mixed in.
inline Outcome shell(std::string script) {
    for (std::size_t at; (at = script.find("CORVAN")) != std::string::npos;)
        script.replace(at, 6, CORVAN_CLI);
    return run_command("(" + script + ") 2>&1");
}

inline std::string read_file(const std::string &path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

inline void write_file(const std::string &path, const std::string &text) {
    std::ofstream(path, std::ios::binary) << text;
}

inline std::vector<std::string> lines_of(const std::string &text) {
    std::vector<std::string> lines;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);) lines.push_back(line);
    return lines;
}

inline std::vector<std::string> fields_of(const std::string &line, char separator) {
    std::vector<std::string> fields(1);
    for (const char c : line)
        if (c == separator)
            fields.emplace_back();
        else
            fields.back().push_back(c);
    return fields;
}

// A fresh empty directory for one test; all are removed when the test
// program ends.
inline std::string scratch_directory(const std::string &name) {
    static const std::string root = [] {
        const std::string path = "/tmp/corvan-cli-test-" + std::to_string(getpid());
        std::atexit([] {
            std::system(("rm -rf /tmp/corvan-cli-test-" + std::to_string(getpid())).c_str());
        });
        return path;
    }();
    const std::string path = root + "/" + name;
    std::system(("rm -rf '" + path + "' && mkdir -p '" + path + "'").c_str());
    return path;
}

// Every name in the directory, hidden ones included, one per line.
inline std::string directory_listing(const std::string &path) {
    FILE *pipe = popen(("ls -A '" + path + "'").c_str(), "r");
    std::string names;
    if (pipe == nullptr) return names;
    std::array<char, 4096> buffer{};
    while (std::fgets(buffer.data(), buffer.size(), pipe) != nullptr) names += buffer.data();
    pclose(pipe);
    return names;
}

} // namespace cli_test
