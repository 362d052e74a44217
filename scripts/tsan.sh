#!/usr/bin/env bash
# Builds the library and tests with ThreadSanitizer and runs the tests in
# which several threads call the library at once.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh
cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCORVAN_SANITIZE_THREAD=ON \
    -DCORVAN_BUILD_CLI=ON > /dev/null
cmake --build build-tsan -j "$(nproc)" --target concurrency_test fft_cache_test many_test
TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" \
    ctest --test-dir build-tsan -R 'concurrency_test|fft_cache_test|many_test' --output-on-failure
