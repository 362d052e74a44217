#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, ASan + UBSan) in build-fuzz/ and runs
# each for the given number of seconds (default 60):
#   scripts/fuzz.sh [seconds-per-fuzzer] [fuzzer...]
# Fuzzers: formula peptide rna list_file weights frame molecule sequence command_line
# (default: all).
# Each runs on a working copy of its committed corpus (fuzz/corpus/<name>)
# in build-fuzz/work/<name>, which grows across runs; the committed corpus
# is never written. Crashing inputs land in build-fuzz/findings/<name>/.
# FUZZ_ARGS adds libFuzzer options, e.g. FUZZ_ARGS=-only_ascii=1.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-60}
shift || true
all=(formula peptide rna list_file weights frame molecule sequence command_line)
fuzzers=("$@")
[ ${#fuzzers[@]} -eq 0 ] && fuzzers=("${all[@]}")

CC=${CC:-clang} CXX=${CXX:-clang++} cmake -S fuzz -B build-fuzz > /dev/null
targets=()
for f in "${fuzzers[@]}"; do targets+=(--target "fuzz_$f"); done
cmake --build build-fuzz -j "${JOBS:-2}" "${targets[@]}"

status=0
for f in "${fuzzers[@]}"; do
    work=build-fuzz/work/$f
    findings=build-fuzz/findings/$f
    mkdir -p "$work" "$findings"
    cp -n fuzz/corpus/"$f"/* "$work"/ 2> /dev/null || true
    log=build-fuzz/fuzz_$f.log
    echo "== fuzz_$f: $seconds s"
    set +e
    # shellcheck disable=SC2086
    ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
    UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
        build-fuzz/fuzz_"$f" -max_total_time="$seconds" -max_len=4096 -timeout=20 \
        -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$findings/" \
        ${FUZZ_ARGS:-} "$work" > "$log" 2>&1
    rc=$?
    set -e
    grep -E '^#[0-9]+[[:space:]]+(DONE|INITED)' "$log" | tail -1 || true
    grep -E 'stat::number_of_executed_units|stat::average_exec_per_sec|stat::peak_rss_mb' "$log" || true
    if [ $rc -ne 0 ] || ls "$findings"/* > /dev/null 2>&1; then
        echo "   FINDINGS (exit $rc): $(ls "$findings" 2> /dev/null | tr '\n' ' ')"
        grep -E 'ERROR|invariant violated|runtime error' "$log" | head -5 || true
        status=1
    else
        echo "   no findings"
    fi
done
exit $status
