// corvan serve: the local web server, its page and its JSON API.
#include "serve/serve.hpp"

#include <chrono>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <new>
#include <optional>

#include <microhttpd.h>
#include <netdb.h>
#include <netinet/in.h>
#include <pthread.h>
#include <sys/socket.h>
#include <unistd.h>

#include "args.hpp"
#include "commands.hpp"
#include "commands/envelope_request.hpp"
#include "serve/match_serve.hpp"
#include "serve/serve_fixed_call.hpp"
#include "serve/serve_fragments.hpp"
#include "serve/serve_guard.hpp"
#include "serve/serve_log.hpp"
#include "serve/serve_pool.hpp"
#include "serve/serve_query.hpp"
#include "serve/serve_spectrum.hpp"
#include "web_assets.hpp"

namespace cli {

const std::string kServeHelp =
    "usage: corvan serve [--port P] [--host H] [--threads N]\n"
    "\n"
    "A local web server: the page at http://H:P/ computes and plots isotope\n"
    "envelopes (formula, peptide, RNA or DNA, by text or mass; charge, adduct,\n"
    "labels; the fft, brain, nn and fit engines for peptides and RNA), and\n"
    "GET /api/distribution?kind=...&input=... returns the same JSON object as\n"
    "'corvan formula|peptide|rna|dna ... --format json'; GET /api/spectrum with\n"
    "resolution=R@MZ, analyzer=A and part=profile|centroids|fine (mz_low and\n"
    "mz_high for a window) that of '... --profile|--centroids|--fine --format\n"
    "json' (at most " +
    std::to_string(kMaxServedFinePeaks) +
    " fine peaks); GET /api/fragments with input=SEQUENCE (kind,\n"
    "types, charges, losses=yes, isolation=M+0,M+1 or window=LOW:HIGH,\n"
    "precursor_charge) that of 'corvan fragments ... --format json'. The page\n"
    "and its scripts are inside the program: nothing is fetched from\n"
    "elsewhere and nothing is read or written on disk. Each request is logged\n"
    "on standard error (time, status, duration, path). Ctrl-C (or SIGTERM)\n"
    "stops it.\n"
    "\n"
    "options:\n"
    "  --port P      TCP port (default 8080; 0 picks a free one, printed)\n"
    "  --host H      address to listen on (default 127.0.0.1, this machine\n"
    "                only: on any loopback address it answers requests to\n"
    "                127.x.y.z, localhost or [::1] only; 0.0.0.0 opens it to\n"
    "                the network)\n"
    "  --threads N   requests computed at once (default 8, at most 64); slow\n"
    "                or idle clients hold no thread\n"
    "\n"
    "Exit status 2 for a bad option, 3 when the address cannot be bound.\n"
    "\n"
    "examples:\n"
    "  corvan serve\n"
    "  corvan serve --port 9000\n"
    "  curl 'http://127.0.0.1:8080/api/distribution?kind=formula&input=C6H12O6&charge=1'\n";

namespace {

// A client silent this long (reading or writing) is dropped.
constexpr unsigned kIdleSeconds = 5;

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
    if (options.host.empty()) return "--host needs an address, such as 127.0.0.1";
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

struct Answer {
    unsigned status;
    std::string body;
    const char *content_type;
};

// What routing needs of a request, copied from the connection so that a
// computing thread never touches it.
struct RequestHead {
    std::string uri; // as sent: path and query, still percent-encoded
    std::optional<std::string> host, origin, fetch_site;
};

// One request from its first line to its end.
struct Exchange {
    explicit Exchange(const char *sent) : uri(sent) {}
    std::string uri;
    std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now();
    unsigned status = 0;
    bool head_seen = false;
    std::optional<Answer> answer; // set by a computing thread
};

struct ServerState {
    bool loopback = false;
    WorkPool *pool = nullptr;
};

Answer json_answer(unsigned status, const nlohmann::ordered_json &json) {
    // User text is echoed in the object; bytes that are no UTF-8 must not
    // make the serializer throw.
    return {status, json.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace),
            "application/json"};
}

Answer text_answer(unsigned status, std::string text) {
    return {status, std::move(text), "text/plain; charset=utf-8"};
}

// Bad input is the client's (400); the library's own fault is the
// server's (500, logged), as out of memory is (503).
Answer envelope_failure_answer(const EnvelopeFailure &failure) {
    if (failure.status == CORVAN_E_INTERNAL)
        log_line("corvan serve: internal error: " + failure.message);
    const unsigned http = failure.status == CORVAN_E_MEMORY     ? 503
                          : failure.status == CORVAN_E_INTERNAL ? 500
                                                                : 400;
    return json_answer(http, failure_json(failure));
}

// An endpoint that reads its own keys and answers in JSON.
using KeyedEndpoint = JsonResponse (*)(const std::multimap<std::string, std::string> &query);

Answer keyed_json(std::string_view raw_query, KeyedEndpoint respond) {
    const auto pairs = split_query(raw_query);
    if (const auto *error = std::get_if<QueryError>(&pairs))
        return json_answer(400, query_error_json(*error));
    const JsonResponse response = respond(std::get<0>(pairs));
    return json_answer(static_cast<unsigned>(response.http_status), response.body);
}

Answer spectrum(std::string_view raw_query) {
    return keyed_json(raw_query, spectrum_response);
}

Answer fragments(std::string_view raw_query) {
    return keyed_json(raw_query, fragments_response);
}

Answer distribution(std::string_view raw_query) {
    const auto pairs = split_query(raw_query);
    if (const auto *error = std::get_if<QueryError>(&pairs))
        return json_answer(400, query_error_json(*error));
    const auto query = read_query(std::get<0>(pairs));
    if (const auto *error = std::get_if<QueryError>(&query))
        return json_answer(400, query_error_json(*error));
    const EnvelopeRequest &request = std::get<EnvelopeRequest>(query);
    if (const auto error = exceeds_work_bound(request))
        return json_answer(400, query_error_json(*error));
    if (request.engine != "exact") {
        FixedCallResponse fixed = fixed_call_response(request);
        return {static_cast<unsigned>(fixed.http_status), std::move(fixed.body),
                "application/json"};
    }
    const EnvelopeOutcome outcome = compute_envelope(request);
    if (outcome.failure) return envelope_failure_answer(*outcome.failure);
    return json_answer(200, envelope_json(request, *outcome.envelope));
}

std::optional<std::string> header(MHD_Connection *connection, const char *name) {
    const char *value = MHD_lookup_connection_value(connection, MHD_HEADER_KIND, name);
    if (value == nullptr) return std::nullopt;
    return value;
}

const char *c_text(const std::optional<std::string> &text) {
    return text ? text->c_str() : nullptr;
}

Answer route(const RequestHead &head, bool loopback) {
    if (loopback && (!head.host || !names_loopback(*head.host)))
        return text_answer(403, "this server answers requests to 127.0.0.1, localhost or "
                                "[::1] only\n");
    const std::string &uri = head.uri;
    const auto mark = uri.find('?');
    const std::string path = uri.substr(0, mark);
    if (path == "/api/distribution" || path == "/api/spectrum" || path == "/api/fragments") {
        if (!comes_from_same_origin(c_text(head.origin), c_text(head.fetch_site),
                                    c_text(head.host)))
            return json_answer(403, {{"error", "requests from other sites are refused"},
                                     {"status", "forbidden"},
                                     {"position", nullptr}});
        const std::string query = mark == std::string::npos ? "" : uri.substr(mark + 1);
        if (path == "/api/fragments") return fragments(query);
        return path == "/api/spectrum" ? spectrum(query) : distribution(query);
    }
    if (path == "/api/match") {
        if (!comes_from_same_origin(c_text(head.origin), c_text(head.fetch_site),
                                    c_text(head.host)))
            return json_answer(403, {{"error", "requests from other sites are refused"},
                                     {"status", "forbidden"},
                                     {"position", nullptr}});
        const MatchAnswer answer =
            match_answer(mark == std::string::npos ? "" : uri.substr(mark + 1));
        return json_answer(answer.status, answer.body);
    }
    // The assets' types are string literals: data() ends in a NUL.
    if (const WebAsset *asset = find_web_asset(path))
        return {200, std::string(asset->body), asset->content_type.data()};
    return text_answer(404, "not found\n");
}

// An exception past the request's own handling is the server's fault:
// answered 500 with its message, and logged.
Answer guarded_route(const RequestHead &head, bool loopback) {
    try {
        return route(head, loopback);
    } catch (const std::bad_alloc &) {
        return json_answer(503, {{"error", "out of memory"}, {"status", "out of memory"}});
    } catch (const std::exception &error) {
        log_line(std::string("corvan serve: internal error: ") + error.what());
        return json_answer(500, {{"error", error.what()}, {"status", "internal error"}});
    }
}

// Every response: no script, style or frame from elsewhere, nor inline.
void add_security_headers(MHD_Response *response) {
    MHD_add_response_header(
        response, "Content-Security-Policy",
        "default-src 'none'; script-src 'self'; style-src 'self'; img-src 'self'; "
        "connect-src 'self'; base-uri 'none'; form-action 'self'; frame-ancestors 'none'");
    MHD_add_response_header(response, "X-Content-Type-Options", "nosniff");
    MHD_add_response_header(response, "Referrer-Policy", "no-referrer");
    MHD_add_response_header(response, "X-Frame-Options", "DENY");
}

MHD_Result send(MHD_Connection *connection, Exchange *exchange, const Answer &answer) {
    MHD_Response *response = MHD_create_response_from_buffer(
        answer.body.size(), const_cast<char *>(answer.body.data()), MHD_RESPMEM_MUST_COPY);
    if (response == nullptr) return MHD_NO;
    add_security_headers(response);
    MHD_add_response_header(response, MHD_HTTP_HEADER_CONTENT_TYPE, answer.content_type);
    if (std::string_view(answer.content_type) == "application/json")
        MHD_add_response_header(response, MHD_HTTP_HEADER_CACHE_CONTROL, "no-store");
    if (answer.status == 405) MHD_add_response_header(response, MHD_HTTP_HEADER_ALLOW, "GET, HEAD");
    const MHD_Result queued = MHD_queue_response(connection, answer.status, response);
    MHD_destroy_response(response);
    if (exchange != nullptr) exchange->status = answer.status;
    return queued;
}

RequestHead head_of(MHD_Connection *connection, const Exchange &exchange) {
    return {exchange.uri, header(connection, MHD_HTTP_HEADER_HOST), header(connection, "Origin"),
            header(connection, "Sec-Fetch-Site")};
}

Answer unavailable() {
    return json_answer(
        503, {{"error", "the server is stopping or out of memory"}, {"status", "unavailable"}});
}

// The connection waits, suspended, while a computing thread answers; then
// the network thread calls here again and sends the answer.
MHD_Result hand_over(MHD_Connection *connection, Exchange &exchange, const ServerState &server) {
    try {
        RequestHead head = head_of(connection, exchange);
        MHD_suspend_connection(connection);
        const bool loopback = server.loopback;
        if (server.pool->post(
                [connection, &exchange, head = std::move(head), loopback](bool stopping) {
                    exchange.answer = stopping ? unavailable() : guarded_route(head, loopback);
                    MHD_resume_connection(connection);
                }))
            return MHD_YES;
    } catch (const std::bad_alloc &) {
    }
    exchange.answer = unavailable();
    MHD_resume_connection(connection);
    return MHD_YES;
}

// Called once the whole request head is in (reading it holds no thread).
// Range headers are not honoured: every answer is whole.
MHD_Result answer_request(void *state, MHD_Connection *connection, const char *, const char *method,
                          const char *, const char *, std::size_t *upload_size, void **context) {
    auto *exchange = static_cast<Exchange *>(*context);
    if (exchange == nullptr) return send(connection, nullptr, unavailable());
    const std::string_view verb = method;
    if (verb != "GET" && verb != "HEAD") {
        *upload_size = 0;
        return send(connection, exchange, text_answer(405, "only GET and HEAD\n"));
    }
    if (exchange->answer) return send(connection, exchange, *exchange->answer);
    // An answer queued at the first call, with the head only, would close
    // the connection: kept alive, it is given at a later one.
    if (!exchange->head_seen) {
        exchange->head_seen = true;
        return MHD_YES;
    }
    *upload_size = 0;
    const auto &server = *static_cast<const ServerState *>(state);
    // The page's files cost nothing to answer: no hand-over.
    if (!exchange->uri.starts_with("/api/"))
        return send(connection, exchange,
                    guarded_route(head_of(connection, *exchange), server.loopback));
    return hand_over(connection, *exchange, server);
}

void *begin_exchange(void *, const char *uri, MHD_Connection *) {
    try {
        return new Exchange(uri);
    } catch (const std::bad_alloc &) {
        return nullptr;
    }
}

void end_exchange(void *, MHD_Connection *, void **context, MHD_RequestTerminationCode) {
    const auto *exchange = static_cast<Exchange *>(*context);
    if (exchange == nullptr) return;
    const std::chrono::duration<double, std::milli> took =
        std::chrono::steady_clock::now() - exchange->start;
    try {
        log_line(request_log_line(exchange->status, took.count(), exchange->uri));
    } catch (const std::bad_alloc &) {
    }
    delete exchange;
    *context = nullptr;
}

int listen_backlog() {
    int backlog = SOMAXCONN;
    std::ifstream("/proc/sys/net/core/somaxconn") >> backlog;
    return backlog > 0 ? backlog : SOMAXCONN;
}

struct Listener {
    int socket = -1;
    sockaddr_storage address{};
};

// SO_REUSEADDR only: with SO_REUSEPORT a second server would silently
// share a port already in use.
Listener listen_on(const ServeOptions &options) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_PASSIVE | AI_NUMERICSERV;
    addrinfo *found = nullptr;
    const std::string port = std::to_string(options.port);
    if (getaddrinfo(options.host.c_str(), port.c_str(), &hints, &found) != 0) return {};
    Listener listener;
    for (const addrinfo *candidate = found; candidate != nullptr; candidate = candidate->ai_next) {
        const int fd = socket(candidate->ai_family, candidate->ai_socktype | SOCK_CLOEXEC, 0);
        if (fd < 0) continue;
        const int yes = 1;
        setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
        if (bind(fd, candidate->ai_addr, candidate->ai_addrlen) == 0 &&
            listen(fd, listen_backlog()) == 0) {
            socklen_t size = sizeof listener.address;
            getsockname(fd, reinterpret_cast<sockaddr *>(&listener.address), &size);
            listener.socket = fd;
            break;
        }
        close(fd);
    }
    freeaddrinfo(found);
    return listener;
}

int port_of(const sockaddr_storage &address) {
    if (address.ss_family == AF_INET6)
        return ntohs(reinterpret_cast<const sockaddr_in6 &>(address).sin6_port);
    return ntohs(reinterpret_cast<const sockaddr_in &>(address).sin_port);
}

// One network thread reads request heads and writes answers without
// blocking, for any number of connections; the pool's threads compute.
MHD_Daemon *start_daemon(const Listener &listener, ServerState *state) {
    unsigned flags = MHD_USE_INTERNAL_POLLING_THREAD | MHD_USE_EPOLL | MHD_USE_ITC | MHD_USE_TURBO |
                     MHD_ALLOW_SUSPEND_RESUME;
    if (listener.address.ss_family == AF_INET6) flags |= MHD_USE_IPv6;
    return MHD_start_daemon(flags, 0, nullptr, nullptr, answer_request, state,
                            MHD_OPTION_LISTEN_SOCKET, listener.socket,
                            MHD_OPTION_CONNECTION_TIMEOUT, kIdleSeconds,
                            MHD_OPTION_URI_LOG_CALLBACK, begin_exchange, nullptr,
                            MHD_OPTION_NOTIFY_COMPLETED, end_exchange, nullptr, MHD_OPTION_END);
}

sigset_t stop_signals() {
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    return signals;
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
    std::signal(SIGPIPE, SIG_IGN);
    const Listener listener = listen_on(options);
    WorkPool pool(options.threads);
    ServerState state{is_loopback_address(listener.address), &pool};
    MHD_Daemon *daemon = listener.socket < 0 ? nullptr : start_daemon(listener, &state);
    if (daemon == nullptr) {
        if (listener.socket >= 0) close(listener.socket);
        std::fprintf(stderr, "corvan serve: cannot listen on %s\n",
                     url_of(options.host, options.port).c_str());
        return kFile;
    }
    if (std::printf("corvan serve: listening on %s (Ctrl-C stops)\n",
                    url_of(options.host, port_of(listener.address)).c_str()) < 0 ||
        std::fflush(stdout) != 0) {
        MHD_stop_daemon(daemon);
        return kFile;
    }
    int taken = 0;
    sigwait(&signals, &taken);
    // Requests being computed finish, queued ones are answered 503, every
    // connection is resumed; then all are closed.
    MHD_quiesce_daemon(daemon);
    pool.stop();
    MHD_stop_daemon(daemon);
    close(listener.socket);
    log_line("corvan serve: stopped");
    return kOk;
}

} // namespace cli
