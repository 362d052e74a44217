// GET /api/distribution answered by a fixed engine.
#include "serve/serve_fixed_call.hpp"

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <utility>

#include <nlohmann/json.hpp>

#include "args.hpp"
#include "commands.hpp"
#include "commands/collected_messages.hpp"
#include "commands/distribution.hpp"
#include "output/output_formats.hpp"

namespace cli {

namespace {

// The options the subcommand would have been given.
Args arguments_of(const EnvelopeRequest &request) {
    Args args;
    args.options["engine"] = request.engine;
    if (request.max_points > 0) args.options["points"] = std::to_string(request.max_points);
    if (request.mass) {
        char text[40];
        std::snprintf(text, sizeof text, "%.17g", *request.mass);
        args.options["mass"] = text;
    } else {
        args.positional.push_back(request.text);
    }
    return args;
}

struct MemoryStream {
    char *data = nullptr;
    std::size_t size = 0;
    std::FILE *stream = nullptr;
    MemoryStream() : stream(open_memstream(&data, &size)) {}
    ~MemoryStream() {
        if (stream != nullptr) std::fclose(stream);
        std::free(data);
    }
    MemoryStream(const MemoryStream &) = delete;
    MemoryStream &operator=(const MemoryStream &) = delete;
};

// The command line's messages name its options; the API's name its keys.
std::string in_api_words(std::string message) {
    for (const auto &[from, to] : {std::pair<std::string, std::string>{" (--mass M)", ""},
                                   {"--mass", "mass"},
                                   {"--points", "points"},
                                   {"--offset", "offset"}})
        for (auto at = message.find(from); at != std::string::npos; at = message.find(from))
            message.replace(at, from.size(), to);
    return message;
}

std::string error_body(const std::string &message, const char *status) {
    return nlohmann::ordered_json{{"error", message}, {"status", status}, {"position", nullptr}}
        .dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
}

} // namespace

FixedCallResponse fixed_call_response(const EnvelopeRequest &request) {
    const Molecule &molecule =
        request.kind == CORVAN_KIND_RNA ? rna_molecule() : peptide_molecule();
    // Kept, not printed: a server writes nothing a stopped reader could
    // block on.
    CollectedMessages messages;
    const auto outcome = compute_fixed_call(molecule, arguments_of(request));
    if (const auto *failure = std::get_if<FixedCallFailure>(&outcome)) {
        const bool refused = failure->status == kUsage;
        const std::string said = messages.one_line();
        return {refused ? 400 : 422,
                error_body(in_api_words(said.empty() || refused ? failure->message : said),
                           refused ? "bad input" : "call failed")};
    }
    MemoryStream memory;
    if (memory.stream == nullptr) return {503, error_body("out of memory", "out of memory")};
    write_result(memory.stream, std::get<Result>(outcome), Format::json, false);
    if (std::fflush(memory.stream) != 0 || std::ferror(memory.stream))
        return {503, error_body("out of memory", "out of memory")};
    return {200, std::string(memory.data, memory.size)};
}

} // namespace cli
