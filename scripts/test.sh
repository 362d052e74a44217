#!/usr/bin/env bash
# Sets up, builds and runs the whole test suite twice: a normal build
# (build/) and an AddressSanitizer + UndefinedBehaviorSanitizer build
# (build-asan/).
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh
jobs=$(nproc)

run_suite() { # directory, extra cmake arguments...
    local dir=$1
    shift
    echo "== $dir: configure and build"
    cmake -S . -B "$dir" -DCORVAN_BUILD_TESTS=ON "$@" > /dev/null
    cmake --build "$dir" -j "$jobs"
    echo "== $dir: tests"
    ctest --test-dir "$dir" --output-on-failure -j "$jobs"
}

# The normal build refuses any compiler warning (-Wall -Wextra -Wshadow
# -Wconversion, set in CMakeLists.txt).
run_suite build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCORVAN_WERROR=ON
# The API reference must build without a warning.
scripts/docs.sh build
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    run_suite build-asan -DCMAKE_BUILD_TYPE=Debug -DCORVAN_SANITIZE=ON
