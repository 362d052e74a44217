#include "distribution.hpp"

#include <cstdio>

#include "args.hpp"
#include "commands.hpp"
#include "table.hpp"

namespace cli {

namespace {

constexpr float kShownFloor = 1e-6f;
constexpr int kMostPoints = 1 << 20; // far beyond any isotope envelope

int usage_error(const std::string &command, const std::string &message) {
    std::fprintf(stderr, "corvan %s: %s (see corvan %s --help)\n", command.c_str(), message.c_str(),
                 command.c_str());
    return kUsage;
}

// --points and --offset.
struct Frame {
    int points = 64;
    int offset = 0;
};

std::optional<std::string> read_frame(const Args &args, Frame &frame) {
    if (auto it = args.options.find("points"); it != args.options.end()) {
        const auto value = to_int(it->second);
        if (!value || *value < 1 || *value > kMostPoints)
            return "--points must be a whole number from 1 to " + std::to_string(kMostPoints);
        frame.points = *value;
    }
    if (auto it = args.options.find("offset"); it != args.options.end()) {
        const auto value = to_int(it->second);
        if (!value || *value < 0 || *value >= frame.points)
            return "--offset must be a whole number from 0 to points-1";
        frame.offset = *value;
    }
    return std::nullopt;
}

bool has_flag(const Args &args, const std::string &name) {
    for (const auto &flag : args.flags)
        if (flag == name) return true;
    return false;
}

std::string engine_names(const Molecule &molecule) {
    std::string names;
    for (std::size_t i = 0; i < molecule.engines.size(); ++i) {
        if (i > 0) names += i + 1 == molecule.engines.size() ? " or " : ", ";
        names += molecule.engines[i].name;
    }
    return names;
}

const Engine *find_engine(const Molecule &molecule, const Args &args) {
    const auto it = args.options.find("engine");
    if (it == args.options.end()) return &molecule.engines.front();
    for (const Engine &engine : molecule.engines)
        if (engine.name == it->second) return &engine;
    return nullptr;
}

// What the command computes: a text or a mass, read and checked.
struct Input {
    std::optional<std::string> text;
    float mass = 0.0f;
    std::string subject; // for the title and messages
};

std::optional<std::string> read_input(const Molecule &molecule, const Engine &engine,
                                      const Args &args, Input &input) {
    const auto mass = args.options.find("mass");
    if (mass != args.options.end()) {
        if (!args.positional.empty())
            return "give either a " + molecule.noun + " or --mass, not both";
        if (engine.by_mass == nullptr) return "the " + engine.name + " engine does not take a mass";
        const auto value = to_float(mass->second);
        if (!value || *value <= 0)
            return "--mass must be a positive number of daltons, e.g. 1500.5";
        input.mass = *value;
        input.subject = molecule.command + " of " + mass->second + " Da";
        return std::nullopt;
    }
    if (args.positional.size() != 1)
        return "expected exactly one " + molecule.noun + ", such as " + molecule.example;
    if (engine.by_sequence == nullptr)
        return "the " + engine.name + " engine takes a mass only (--mass M)";
    if (auto reason = molecule.check_text(args.positional[0])) return reason;
    input.text = args.positional[0];
    input.subject = args.positional[0];
    return std::nullopt;
}

void print_result(const Engine &engine, const Input &input, const Frame &frame, float peak,
                  const std::vector<float> &out, bool all) {
    char numbers[128];
    std::snprintf(numbers, sizeof numbers, ": %d points, offset %d; ", frame.points, frame.offset);
    char value[32];
    std::snprintf(value, sizeof value, " %.6g", peak);
    const std::string title =
        input.subject + " (" + engine.name + " engine)" + numbers + engine.peak_meaning + value;
    print_table(stdout, title, out, all ? 0.0f : kShownFloor);
}

} // namespace

int run_distribution(const Molecule &molecule, int argc, char **argv) {
    const std::string &command = molecule.command;
    Args args;
    if (auto error = parse(argc, argv, 1, {"points", "offset", "mass", "engine"}, {"all"}, args))
        return usage_error(command, *error);
    Frame frame;
    if (auto error = read_frame(args, frame)) return usage_error(command, *error);
    const Engine *engine = find_engine(molecule, args);
    if (engine == nullptr)
        return usage_error(command, "unknown engine '" + args.options.at("engine") + "' (choose " +
                                        engine_names(molecule) + ")");
    Input input;
    if (auto error = read_input(molecule, *engine, args, input))
        return usage_error(command, *error);

    std::vector<float> out(static_cast<std::size_t>(frame.points));
    const float peak =
        input.text
            ? engine->by_sequence(input.text->c_str(), out.data(), frame.points, frame.offset)
            : engine->by_mass(out.data(), frame.points, frame.offset, input.mass);
    std::fflush(stdout); // the library's own messages come before ours
    if (!(peak >= 0)) {
        std::fprintf(stderr, "corvan %s: the %s engine could not compute the distribution of %s\n",
                     command.c_str(), engine->name.c_str(), input.subject.c_str());
        return kFailedCall;
    }
    print_result(*engine, input, frame, peak, out, has_flag(args, "all"));
    return kOk;
}

} // namespace cli
