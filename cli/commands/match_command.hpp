// corvan match FILE --peptide TEXT ...
#pragma once

#include <string>

namespace cli {

int run_match(int argc, char **argv);
const std::string &match_help();

} // namespace cli
