#!/usr/bin/env bash
# Runs one libFuzzer target for a bounded time on its corpus and records how many inputs it tried.
#   runfuzz.sh <fuzzer> <seconds> <corpus folder> [figures folder]
set -euo pipefail
fuzzer="$1" seconds="$2" corpus="$3" figures="${4:-}"
name="$(basename "$fuzzer")"
mkdir -p "$corpus"
log="$(mktemp)"
trap 'rm -f "$log"' EXIT
# Findings (crash-*, leak-*, timeout-*) land beside the corpus, where they can be replayed by hand:
#   <fuzzer> <file>
status=0
ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}" \
UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}" \
  "$fuzzer" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$corpus/../$name-" "$corpus" >"$log" 2>&1 || status=$?
runs="$(sed -n 's/^stat::number_of_executed_units: *\([0-9]*\).*/\1/p' "$log" | tail -n 1)"
if [ "$status" -ne 0 ] || [ -z "$runs" ]; then
  tail -n 60 "$log"
  echo "$name failed (exit $status)"
  exit 1
fi
echo "$name: $runs inputs in $seconds s, corpus $(ls "$corpus" | wc -l) files"
if [ -n "$figures" ]; then
  mkdir -p "$figures"
  printf 'fuzz:%s\t%s\t%s\t%s s\n' "${name#fuzz_}" "$runs" "$runs" "$seconds" >"$figures/$name.tsv"
fi
