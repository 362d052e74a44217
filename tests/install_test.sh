#!/usr/bin/env bash
# cmake --install gives a tree that a host can use through pkg-config and
# through find_package(corvan).
set -euo pipefail
build=$1
source=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cmake --install "$build" --prefix "$work/prefix" > /dev/null
libdir=$(find "$work/prefix" -name 'libcorvan.so' -printf '%h\n' | head -n 1)

export PKG_CONFIG_PATH="$libdir/pkgconfig"
cc "$source/tests/install_consumer/consumer.c" -o "$work/by-pkg-config" \
    $(pkg-config --cflags --libs corvan)
LD_LIBRARY_PATH="$libdir" "$work/by-pkg-config"

cmake -S "$source/tests/install_consumer" -B "$work/consumer" \
    -DCMAKE_PREFIX_PATH="$work/prefix" > /dev/null
cmake --build "$work/consumer" > /dev/null
LD_LIBRARY_PATH="$libdir" "$work/consumer/consumer"
# The program runs from the tree as installed, with its own library (no
# ldconfig, no LD_LIBRARY_PATH).
program=$(find "$work/prefix" -type f -name corvan | head -n 1)
if [ -n "$program" ]; then
    env -u LD_LIBRARY_PATH "$program" formula H2O --format csv > /dev/null
    # (ldd's output is kept first: grep -q may leave the pipe early, and
    # pipefail would then count ldd's broken pipe as a failure.)
    libraries=$(env -u LD_LIBRARY_PATH ldd "$program")
    grep -q "libcorvan.so.* => $work/prefix/" <<< "$libraries"
fi
echo "installed tree usable through pkg-config and find_package; the program runs"
