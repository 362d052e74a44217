#!/usr/bin/env bash
# Records what the program and the library's original calls answer, so that a
# refactoring can be shown to change nothing: run it on two builds and diff.
#   bash tools/snapshot/make.sh BUILD_DIR OUT_DIR
#   diff -r OUT_BEFORE OUT_AFTER
set -euo pipefail
build=$(cd "$1" && pwd)
mkdir -p "$2"
out=$(cd "$2" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

write_inputs() {
  printf '1500 PEPTIDEK\n# a comment\n900 SAMPLER\n2000 ACDEFGHIKLMNPQRSTVWY\n' >"$1/list.txt"
  printf 'PEPTIDEK\nEM[Oxidation]EVEESPEK\n<[Carbamidomethyl]@C>ACDKR/2\n' >"$1/proforma.txt"
  printf '>sp|P1|ONE first\nMKWVTFISLLLLFSSAYSRGVFRRDTHKSEIAHRFK\n>sp|P2|TWO second\nMPEPTIDEKCARGRPLYSAMPLER\n' \
    >"$1/proteins.fasta"
}

run_one() { # $1 = number, $2 = command line
  local dir="$work/run$1"
  mkdir -p "$dir"
  write_inputs "$dir"
  local line=${2//\{tmp\}/$dir}
  local status=0
  (cd "$dir" && eval "\"$build/cli/corvan\" $line" >"$out/$1.stdout" 2>"$out/$1.stderr") || status=$?
  # The folder and the batch's speed report differ from run to run.
  sed -i -e "s|$dir|TMP|g" -e 's|in [0-9.]* s ([0-9]* \([a-z]*\)/s)|in T s (R \1/s)|' \
    "$out/$1.stdout" "$out/$1.stderr"
  echo "$status" >"$out/$1.status"
  for file in "$dir"/*.json "$dir"/*.svg; do
    [ -e "$file" ] && cp "$file" "$out/$1.$(basename "$file")"
  done
  return 0
}

number=0
while IFS= read -r line; do
  case "$line" in '#'* | '') continue ;; esac
  number=$((number + 1))
  run_one "$(printf '%03d' "$number")" "$line"
done <"$here/runs.txt"
echo "$number runs recorded in $out"

cc -std=c11 -O0 -I"$here/../../include" "$here/probe.c" -L"$build" -lcorvan -lfftw3 -lm \
  -Wl,-rpath,"$build" -o "$work/probe"
"$work/probe" >"$out/probe.txt"
echo "probe of the original calls: $(wc -l <"$out/probe.txt") lines"
