#!/usr/bin/env bash
# Builds the API reference: Doxygen for include/corvan.h and Sphinx for the
# Python package, both refusing any warning. Output: build-docs/c/html and
# build-docs/python (index.html in each). Usage: scripts/docs.sh [build-dir]
# (the library of build-dir, default build/, is built if missing).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=$(realpath -m "${1:-build}")
scripts/setup.sh

if [ ! -e "$build/libcorvan.so" ]; then
    cmake -S . -B "$build" > /dev/null
    cmake --build "$build" -j "$(nproc)" --target corvan
fi
version=$(sed -n 's/^#define CORVAN_VERSION_STRING "\(.*\)"/\1/p' include/corvan.h)
out=$root/build-docs
rm -rf "$out"
mkdir -p "$out/c"
echo "== docs: C API (Doxygen)"
CORVAN_VERSION=$version CORVAN_DOCS_OUT=$out CORVAN_SOURCE_DIR=$root doxygen docs/api/Doxyfile
echo "== docs: Python API (Sphinx)"
CORVAN_LIBRARY=$build/libcorvan.so /usr/bin/python3 -m sphinx -q -W --keep-going -b html \
    docs/api/python "$out/python"
echo "API reference: $out/c/html/index.html and $out/python/index.html"
