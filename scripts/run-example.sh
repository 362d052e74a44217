#!/usr/bin/env bash
# Sets up, builds the library and the corvan program, and runs an example.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo > /dev/null
cmake --build build -j "$(nproc)" --target corvan_cli
build/cli/corvan formula C6H12O6
