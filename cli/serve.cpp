#include "serve.hpp"

#include <atomic>
#include <csignal>
#include <cstdio>
#include <ctime>
#include <thread>

#include <httplib.h>
#include <pthread.h>

#include "args.hpp"
#include "commands.hpp"
#include "envelope_request.hpp"
#include "serve_fixed_call.hpp"
#include "serve_query.hpp"
#include "web_assets.hpp"

namespace cli {

const std::string kServeHelp =
    "usage: corvan serve [--port P] [--host H] [--threads N]\n"
    "\n"
    "A local web server: the page at http://H:P/ computes and plots isotope\n"
    "envelopes (formula, peptide, RNA or DNA, by text or mass; charge, adduct,\n"
    "labels; the fft, brain, nn and fit engines for peptides and RNA), and\n"
    "GET /api/distribution?kind=...&input=... returns the same JSON object as\n"
    "'corvan formula|peptide|rna|dna ... --format json'. The page and its\n"
    "scripts are inside the program: nothing is fetched from elsewhere and\n"
    "nothing is read or written on disk. Ctrl-C (or SIGTERM) stops it.\n"
    "\n"
    "options:\n"
    "  --port P      TCP port (default 8080; 0 picks a free one, printed)\n"
    "  --host H      address to listen on (default 127.0.0.1, this machine\n"
    "                only, answering requests to 127.0.0.1, localhost or\n"
    "                [::1]; 0.0.0.0 opens it to the network)\n"
    "  --threads N   requests served at once (default 8, at most 64)\n"
    "\n"
    "Exit status 2 for a bad option, 3 when the address cannot be bound.\n"
    "\n"
    "examples:\n"
    "  corvan serve\n"
    "  corvan serve --port 9000\n"
    "  curl 'http://127.0.0.1:8080/api/distribution?kind=formula&input=C6H12O6&charge=1'\n";

namespace {

struct ServeOptions {
    std::string host = "127.0.0.1";
    int port = 8080;
    int threads = 8;
};

std::optional<std::string> read_options(int argc, char **argv, ServeOptions &options) {
    Args args;
    if (auto error = parse(argc, argv, 1, {"port", "host", "threads"}, {}, args)) return error;
    if (!args.positional.empty()) return "unexpected argument '" + args.positional[0] + "'";
    if (auto it = args.options.find("host"); it != args.options.end()) options.host = it->second;
    if (auto it = args.options.find("port"); it != args.options.end()) {
        const auto port = to_int(it->second);
        if (!port || *port < 0 || *port > 65535) return "--port must be from 0 to 65535";
        options.port = *port;
    }
    if (auto it = args.options.find("threads"); it != args.options.end()) {
        const auto threads = to_int(it->second);
        if (!threads || *threads < 1 || *threads > 64) return "--threads must be from 1 to 64";
        options.threads = *threads;
    }
    return std::nullopt;
}

void send_json(httplib::Response &response, int status, const nlohmann::ordered_json &json) {
    response.status = status;
    // User text is echoed in the object; bytes that are no UTF-8 must not
    // make the serializer throw.
    response.set_content(
        json.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace),
        "application/json");
    response.set_header("Cache-Control", "no-store");
}

void handle_distribution(const httplib::Request &request, httplib::Response &response) {
    const auto query = read_query(request.params);
    if (const auto *error = std::get_if<QueryError>(&query))
        return send_json(response, 400, query_error_json(*error));
    const EnvelopeRequest &envelope_request = std::get<EnvelopeRequest>(query);
    if (const auto error = exceeds_work_bound(envelope_request))
        return send_json(response, 400, query_error_json(*error));
    if (envelope_request.engine != "exact") {
        const FixedCallResponse fixed = fixed_call_response(envelope_request);
        response.status = fixed.http_status;
        response.set_content(fixed.body, "application/json");
        response.set_header("Cache-Control", "no-store");
        return;
    }
    const EnvelopeOutcome outcome = compute_envelope(envelope_request);
    if (outcome.failure) {
        const int status = outcome.failure->status == CORVAN_E_MEMORY ? 503 : 400;
        return send_json(response, status, failure_json(*outcome.failure));
    }
    send_json(response, 200, envelope_json(envelope_request, *outcome.envelope));
}

void handle_asset(const httplib::Request &request, httplib::Response &response) {
    const WebAsset *asset = find_web_asset(request.path);
    if (asset == nullptr) {
        response.status = 404;
        response.set_content("not found\n", "text/plain; charset=utf-8");
        return;
    }
    response.set_content(std::string(asset->body), std::string(asset->content_type).c_str());
}

// Every response: no script, style or frame from elsewhere, nor inline.
httplib::Headers security_headers() {
    return {{"Content-Security-Policy",
             "default-src 'none'; script-src 'self'; style-src 'self'; img-src 'self'; "
             "connect-src 'self'; base-uri 'none'; form-action 'self'; frame-ancestors 'none'"},
            {"X-Content-Type-Options", "nosniff"},
            {"Referrer-Policy", "no-referrer"},
            {"X-Frame-Options", "DENY"}};
}

bool is_loopback(const std::string &host) {
    return host == "127.0.0.1" || host == "localhost" || host == "::1" || host == "[::1]";
}

// The host part of a Host header ("127.0.0.1:8080" -> "127.0.0.1",
// "[::1]:8080" -> "[::1]").
std::string host_name(const std::string &header) {
    if (!header.empty() && header[0] == '[') return header.substr(0, header.find(']') + 1);
    return header.substr(0, header.find(':'));
}

// A server on loopback answers only requests addressed to loopback: a web
// page elsewhere cannot reach it through a name that resolves to 127.0.0.1
// (DNS rebinding).
httplib::Server::HandlerResponse check_host(const httplib::Request &request,
                                            httplib::Response &response) {
    if (is_loopback(host_name(request.get_header_value("Host"))))
        return httplib::Server::HandlerResponse::Unhandled;
    response.status = 403;
    response.set_content("this server answers requests to 127.0.0.1, localhost or [::1] only\n",
                         "text/plain; charset=utf-8");
    return httplib::Server::HandlerResponse::Handled;
}

void configure(httplib::Server &server, const ServeOptions &options) {
    const int threads = options.threads;
    server.new_task_queue = [threads] { return new httplib::ThreadPool(threads); };
    // SO_REUSEADDR only: the library's default also sets SO_REUSEPORT, with
    // which a second server would silently share a port already in use.
    server.set_socket_options([](socket_t socket) {
        const int yes = 1;
        setsockopt(socket, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    });
    // Headers and body go out in separate writes; without this, Nagle's
    // algorithm holds the body for the client's delayed ACK (~40 ms).
    server.set_tcp_nodelay(true);
    server.set_default_headers(security_headers());
    server.set_payload_max_length(4096);
    server.set_read_timeout(5);
    server.set_write_timeout(5);
    server.set_keep_alive_timeout(2);
    server.set_keep_alive_max_count(1000);
    if (is_loopback(options.host)) server.set_pre_routing_handler(check_host);
    server.Get("/api/distribution", handle_distribution);
    server.Get("/[a-z0-9_.-]*", handle_asset);
    server.set_exception_handler(
        [](const httplib::Request &, httplib::Response &response, std::exception_ptr) {
            send_json(response, 500, {{"error", "internal error"}, {"status", "internal error"}});
        });
    server.set_error_handler([](const httplib::Request &, httplib::Response &response) {
        if (response.body.empty())
            response.set_content(std::to_string(response.status) + "\n",
                                 "text/plain; charset=utf-8");
    });
}

sigset_t stop_signals() {
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    return signals;
}

// SIGINT and SIGTERM are blocked in every thread and taken here, where
// calling Server::stop() is safe (it is not async-signal-safe).
void wait_for_signal(httplib::Server &server, const std::atomic<bool> &done) {
    const sigset_t signals = stop_signals();
    const timespec tick{0, 200'000'000};
    while (!done.load()) {
        if (sigtimedwait(&signals, nullptr, &tick) > 0) {
            server.stop();
            return;
        }
    }
}

std::string url_of(const std::string &host, int port) {
    const bool ipv6 = host.find(':') != std::string::npos;
    return "http://" + (ipv6 ? "[" + host + "]" : host) + ":" + std::to_string(port) + "/";
}

} // namespace

int run_serve(int argc, char **argv) {
    ServeOptions options;
    if (auto error = read_options(argc, argv, options)) {
        std::fprintf(stderr, "corvan serve: %s\n", error->c_str());
        return kUsage;
    }
    const sigset_t signals = stop_signals();
    pthread_sigmask(SIG_BLOCK, &signals, nullptr); // before any thread starts
    httplib::Server server;
    configure(server, options);
    int port = options.port;
    const bool bound = port == 0 ? (port = server.bind_to_any_port(options.host)) > 0
                                 : server.bind_to_port(options.host, port);
    if (!bound) {
        std::fprintf(stderr, "corvan serve: cannot listen on %s\n",
                     url_of(options.host, options.port).c_str());
        return kFile;
    }
    if (std::printf("corvan serve: listening on %s (Ctrl-C stops)\n",
                    url_of(options.host, port).c_str()) < 0 ||
        std::fflush(stdout) != 0)
        return kFile;
    std::atomic<bool> done{false};
    std::thread waiter(wait_for_signal, std::ref(server), std::cref(done));
    const bool clean = server.listen_after_bind();
    done = true;
    waiter.join();
    std::fprintf(stderr, "corvan serve: stopped\n");
    return clean ? kOk : kFile;
}

} // namespace cli
