// Which requests the server answers. A server on a loopback address answers
// only requests addressed to loopback by name (a page elsewhere cannot reach
// it through a name of its own that resolves to 127.0.0.1: DNS rebinding),
// and the API answers only the page's own origin (another site's page
// cannot use it through an image, a form or a no-cors fetch).
#pragma once

#include <string_view>

#include <sys/socket.h>

namespace cli {

// 127.0.0.0/8, ::1 or an IPv4-mapped 127.x address.
bool is_loopback_address(const sockaddr_storage &address);

// The whole Host header is localhost (with or without the final dot),
// 127.x.y.z or [::1], with an optional :port; nothing else.
bool names_loopback(std::string_view host);

// Sec-Fetch-Site is absent, same-origin or none (typed by the user), and
// Origin is absent or http://<host>. A null pointer is an absent header.
bool comes_from_same_origin(const char *origin, const char *fetch_site, const char *host);

} // namespace cli
