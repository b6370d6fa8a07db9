#!/usr/bin/env bash
# Builds the libFuzzer targets in the sanitizer build (the preset `sanitize`: clang with
# AddressSanitizer and UndefinedBehaviorSanitizer, beside the tests) and runs each for the given
# number of seconds (default 60), starting from its committed seed corpus. Fails on any crash,
# leak, hang or sanitizer report. Usage: fuzz/run.sh [SECONDS]
set -euo pipefail
seconds=${1:-60}
top=$(cd "$(dirname "$0")/.." && pwd)
build=$top/build-sanitize
(cd "$top" && cmake --preset sanitize >/dev/null &&
  cmake --build --preset sanitize --target flyseat-fuzz-build flyseat-fuzz-images >/dev/null)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for fuzzer in "$build"/fuzz/flyseat-fuzz-*; do
  name=${fuzzer##*/flyseat-fuzz-}
  mkdir -p "$work/$name"
  echo "== fuzzing $name for ${seconds}s"
  # New inputs go to a scratch corpus; the committed seeds are only read.
  "$fuzzer" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$work/$name-" "$work/$name" "$top/fuzz/corpus/$name" 2>"$work/$name.log" || {
    tail -n 40 "$work/$name.log"
    mkdir -p "$top/fuzz/crashes"
    cp "$work/$name"-* "$top/fuzz/crashes/" 2>/dev/null || true
    echo "fuzzer $name failed"
    exit 1
  }
  grep -E '^(stat::number_of_executed_units|stat::peak_rss_mb)' "$work/$name.log" || true
done
