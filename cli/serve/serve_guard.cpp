// Which requests the server answers, and with what headers.
#include "serve/serve_guard.hpp"

#include <arpa/inet.h>
#include <netinet/in.h>

#include <cstring>
#include <string>

namespace cli {

namespace {

bool is_port(std::string_view text) {
    return !text.empty() && text.size() <= 5 &&
           text.find_first_not_of("0123456789") == std::string_view::npos;
}

bool is_loopback_ipv4(std::string_view name) {
    in_addr address{};
    return inet_pton(AF_INET, std::string(name).c_str(), &address) == 1 &&
           (ntohl(address.s_addr) >> 24) == 127;
}

} // namespace

bool is_loopback_address(const sockaddr_storage &address) {
    if (address.ss_family == AF_INET) {
        const auto &ipv4 = reinterpret_cast<const sockaddr_in &>(address);
        return (ntohl(ipv4.sin_addr.s_addr) >> 24) == 127;
    }
    if (address.ss_family != AF_INET6) return false;
    const in6_addr &ipv6 = reinterpret_cast<const sockaddr_in6 &>(address).sin6_addr;
    return IN6_IS_ADDR_LOOPBACK(&ipv6) || (IN6_IS_ADDR_V4MAPPED(&ipv6) && ipv6.s6_addr[12] == 127);
}

bool names_loopback(std::string_view host) {
    std::string_view name = host;
    if (host.starts_with("[::1]")) {
        name = host.substr(0, 5);
    } else if (const auto colon = host.rfind(':'); colon != std::string_view::npos) {
        name = host.substr(0, colon);
    }
    const std::string_view rest = host.substr(name.size());
    if (!rest.empty() && !(rest[0] == ':' && is_port(rest.substr(1)))) return false;
    return name == "localhost" || name == "localhost." || name == "[::1]" || is_loopback_ipv4(name);
}

bool comes_from_same_origin(const char *origin, const char *fetch_site, const char *host) {
    if (fetch_site != nullptr && std::strcmp(fetch_site, "same-origin") != 0 &&
        std::strcmp(fetch_site, "none") != 0)
        return false;
    if (origin == nullptr) return true;
    return host != nullptr && std::string(origin) == std::string("http://") + host;
}

} // namespace cli
