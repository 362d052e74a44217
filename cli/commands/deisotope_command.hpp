// corvan deisotope FILE --scan N ...
#pragma once

#include <string>

namespace cli {

int run_deisotope(int argc, char **argv);
const std::string &deisotope_help();

} // namespace cli
