#!/usr/bin/env bash
# Builds the libFuzzer targets of fuzz/ into build-fuzz/ and runs each for SECONDS seconds
# (default 20) on a scratch copy of its seed corpus, printing how many inputs it ran.
# Exits non-zero when a target fails to build or finds a crash; a reproducer is left in
# build-fuzz/findings/<target>/.
#   scripts/fuzz-smoke.sh [SECONDS]
set -euo pipefail

seconds="${1:-20}"
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$root/build-fuzz"
cxx="${FUZZ_CXX:-clang++-14}"

cmake -S "$root/fuzz" -B "$build" -DCMAKE_CXX_COMPILER="$cxx" >/dev/null
cmake --build "$build" -j2 >/dev/null

status=0
while read -r target; do
  [ -n "$target" ] || continue
  work="$build/corpus/$target"
  findings="$build/findings/$target"
  log="$build/$target.log"
  rm -rf "$work" && mkdir -p "$work" "$findings"
  if [ -d "$root/fuzz/corpus/$target" ]; then
    cp "$root/fuzz/corpus/$target"/* "$work"/ 2>/dev/null || true
  fi
  if "$build/$target" -max_total_time="$seconds" -rss_limit_mb=2048 -print_final_stats=1 \
       -artifact_prefix="$findings/" "$work" >"$log" 2>&1; then
    runs="$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)"
    echo "$target: ${runs:-?} executions in ${seconds}s, no crash"
  else
    echo "$target: FAILED, see $log and $findings/" >&2
    tail -20 "$log" >&2
    status=1
  fi
done <"$build/fuzzers.txt"
exit "$status"
