// The page's files (cli/web/*), embedded in the program at build time so
// that the server reads nothing from disk and works offline.
#pragma once

#include <cstddef>
#include <string_view>

namespace cli {

struct WebAsset {
    std::string_view path;         // "/app.js"
    std::string_view content_type; // "text/javascript; charset=utf-8"
    std::string_view body;
};

// The asset served at `path`, or nullptr ("/" is "/index.html").
const WebAsset *find_web_asset(std::string_view path);

} // namespace cli
