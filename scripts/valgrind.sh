#!/usr/bin/env bash
# Builds the test suite (-O1 -g, no sanitizers) in build-valgrind/ and runs
# every C/C++ test program under valgrind memcheck; the Python test and the
# shell tests (exports, install) are left out. Fails on any memory error and
# on definite or indirect leaks; FFTW's planner state and the library's
# plan/transform caches are process-lifetime and show as "still reachable",
# which is fine. alloc_failure_test is left out too: it replaces malloc
# itself, which memcheck cannot see through (it skips itself under valgrind).
#   scripts/valgrind.sh [regex]   only the tests whose name matches
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh valgrind
filter=${1:-.}
dir=build-valgrind
cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=Debug -DCMAKE_C_FLAGS="-O1 -g" \
    -DCMAKE_CXX_FLAGS="-O1 -g" -DCORVAN_BUILD_TESTS=ON > /dev/null
cmake --build "$dir" -j "${JOBS:-$(nproc)}"

# The test programs and their arguments, as CTest runs them.
mapfile -t tests < <(ctest --test-dir "$dir" -N -LE python | sed -n 's/^ *Test *#[0-9]*: //p' |
    grep -vE '^(exports_test|install_test|python_tests|alloc_failure_test)$' | grep -E "$filter")
mkdir -p "$dir/valgrind"
# GoogleTest names value-parameterised tests by printing the raw bytes of
# parameter structs that have no PrintTo, padding included; those bytes are
# never initialised. Nothing of the library is involved.
cat > "$dir/valgrind/gtest.supp" << 'SUPP'
{
   gtest-prints-parameter-padding-value8
   Memcheck:Value8
   ...
   fun:*PrintBytesInObjectTo*
}
{
   gtest-prints-parameter-padding-cond
   Memcheck:Cond
   ...
   fun:*PrintBytesInObjectTo*
}
SUPP
run_one() {
    local name=$1 dir=$2
    local command workdir
    # The command line and working directory that CTest would use.
    read -r workdir command < <(ctest --test-dir "$dir" -R "^${name}\$" --show-only=json-v1 |
        python3 -c 'import json,sys,shlex
t = json.load(sys.stdin)["tests"][0]
wd = next((p["value"] for p in t.get("properties", []) if p["name"] == "WORKING_DIRECTORY"), ".")
print(shlex.quote(wd), shlex.join(t["command"]))')
    workdir=$(eval echo "$workdir")
    local log=$PWD/$dir/valgrind/$name supp=$PWD/$dir/valgrind/gtest.supp
    # shellcheck disable=SC2086
    if (cd "$workdir" && eval valgrind --tool=memcheck --error-exitcode=1 --leak-check=full \
        --errors-for-leak-kinds=definite,indirect --show-leak-kinds=definite,indirect \
        --track-origins=yes --num-callers=30 --suppressions="$supp" \
        --log-file="$log.log" \
        "$command" > "$log.out" 2>&1); then
        echo "ok      $name"
    else
        echo "FAILED  $name (see $dir/valgrind/$name.log)"
        return 1
    fi
}
export -f run_one
echo "== valgrind: ${#tests[@]} test programs"
printf '%s\n' "${tests[@]}" | xargs -P "${JOBS:-$(nproc)}" -I{} bash -c 'run_one "$@"' _ {} "$dir"
echo "== valgrind: all clean"
