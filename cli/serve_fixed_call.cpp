#include "serve_fixed_call.hpp"

#include <cstdio>
#include <cstdlib>
#include <memory>

#include <nlohmann/json.hpp>

#include "args.hpp"
#include "commands.hpp"
#include "distribution.hpp"
#include "output_formats.hpp"

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

std::string error_body(const std::string &message, const char *status) {
    return nlohmann::ordered_json{{"error", message}, {"status", status}, {"position", nullptr}}
        .dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
}

} // namespace

FixedCallResponse fixed_call_response(const EnvelopeRequest &request) {
    const Molecule &molecule =
        request.kind == CORVAN_KIND_RNA ? rna_molecule() : peptide_molecule();
    const auto outcome = compute_fixed_call(molecule, arguments_of(request));
    if (const auto *failure = std::get_if<FixedCallFailure>(&outcome)) {
        const bool refused = failure->status == kUsage;
        return {refused ? 400 : 422,
                error_body(failure->message, refused ? "bad input" : "call failed")};
    }
    MemoryStream memory;
    if (memory.stream == nullptr) return {503, error_body("out of memory", "out of memory")};
    write_result(memory.stream, std::get<Result>(outcome), Format::json, false);
    if (std::fflush(memory.stream) != 0 || std::ferror(memory.stream))
        return {503, error_body("out of memory", "out of memory")};
    return {200, std::string(memory.data, memory.size)};
}

} // namespace cli
