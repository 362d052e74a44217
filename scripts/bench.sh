#!/usr/bin/env bash
# Builds the benchmarks in release mode and runs them.
# Usage: scripts/bench.sh [google-benchmark options...]
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh libbenchmark-dev
cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DCORVAN_BUILD_BENCH=ON \
    -DCORVAN_BUILD_TESTS=OFF > /dev/null
cmake --build build-bench -j "$(nproc)" --target engines_bench calls_bench sequence_bench
build-bench/bench/engines_bench "$@"
