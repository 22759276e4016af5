#!/usr/bin/env bash
# Runs the libFuzzer targets longer than the test suite does, on the corpora the suite has grown.
#   scripts/fuzz.sh [seconds per target, default 300] [target ...]
# Targets: leadingnumber rounding jointags pagestep statements (default: all). A finding is written
# beside the corpus, build/tests/fuzz/corpus/fuzz_<target>-crash-*, and replays with
#   build/tests/fuzz/clang/fuzz_<target> <file>
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-300}"
shift || true
build="${TVX_BUILD_DIR:-build}"
bash scripts/deps.sh
[ -f "$build/CMakeCache.txt" ] || cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" --target tvx_fuzzers
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for f in tests/fuzz/targets/fuzz_*.cpp; do
    name="$(basename "$f" .cpp)"
    targets+=("${name#fuzz_}")
  done
fi
for t in "${targets[@]}"; do
  bash tests/fuzz/runfuzz.sh "$build/tests/fuzz/clang/fuzz_$t" "$seconds" "$build/tests/fuzz/corpus/$t"
done
