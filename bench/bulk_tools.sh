#!/usr/bin/env bash
# ondrel-admin export and import of the 1,000,000-line benchmark database: records a
# second and peak memory (maximum resident set size, from GNU time).
set -euo pipefail
build=${1:-build}
admin=${ONDREL_ADMIN:-$build/ondrel-admin}   # another build's tool, to compare
db=${ONDREL_BENCH_DB:-$build/bench-data.db}
[ -f "$db" ] || "$build/bench_data_service" --benchmark_filter=NONE >/dev/null
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

measure() {   # name, records, time file, seconds
  local peak
  peak=$(sed -n 's/.*Maximum resident set size (kbytes): //p' "$3")
  awk -v n="$1" -v r="$2" -v s="$4" -v p="$peak" \
    'BEGIN { printf "%-7s %9d records  %6.1f s  %8.0f records/s  peak %6.1f MB\n", n, r, s, r / s, p / 1024 }'
}

start=$(date +%s.%N)
/usr/bin/time -v "$admin" export "$db" > "$work/all.jsonl" 2> "$work/export.time"
end=$(date +%s.%N)
records=$(wc -l < "$work/all.jsonl")
measure export "$records" "$work/export.time" "$(awk -v a="$start" -v b="$end" 'BEGIN { print b - a }')"

start=$(date +%s.%N)
/usr/bin/time -v "$admin" import "$work/copy.db" "$work/all.jsonl" > /dev/null 2> "$work/import.time"
end=$(date +%s.%N)
measure import "$records" "$work/import.time" "$(awk -v a="$start" -v b="$end" 'BEGIN { print b - a }')"
