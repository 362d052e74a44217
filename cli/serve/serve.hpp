// corvan serve: a local web server with one page and a JSON API over the
// same envelope requests as `corvan formula ... --format json`.
#pragma once

#include <string>

namespace cli {

extern const std::string kServeHelp;

int run_serve(int argc, char **argv);

} // namespace cli
