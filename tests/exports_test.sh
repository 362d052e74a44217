#!/usr/bin/env bash
# The shared library exports exactly the functions and tables that
# include/corvan.h declares with CORVAN_API, and nothing else.
set -euo pipefail
library=$1
header=$2

declared=$(grep -E '^CORVAN_API' "$header" |
    sed -E 's/.*[ *]([A-Za-z_][A-Za-z0-9_]*) *(\(|\[|;).*/\1/' | sort -u)
exported=$(nm -D --defined-only "$library" | awk '$2 ~ /^[TDRBV]$/ {print $3}' |
    grep -v -E '^(_init|_fini|_edata|_end|__bss_start|__odr_asan\..*)$' | sort -u)

status=0
extra=$(comm -13 <(echo "$declared") <(echo "$exported"))
missing=$(comm -23 <(echo "$declared") <(echo "$exported"))
[ -n "$extra" ] && { echo "exported but not declared:"; echo "$extra"; status=1; }
[ -n "$missing" ] && { echo "declared but not exported:"; echo "$missing"; status=1; }
echo "$(echo "$declared" | wc -l) declared symbols checked"
exit $status
