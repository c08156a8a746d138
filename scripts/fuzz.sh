#!/usr/bin/env bash
# Builds the fuzz harnesses and runs each over its committed corpus.
#   scripts/fuzz.sh [seconds]   seconds per harness (default 20)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-20}
"$root/scripts/deps.sh"
"$root/scripts/build.sh" fuzz
shopt -s nullglob
for bin in "$root"/build/fuzz/fuzz/fuzz_*; do
  [ -x "$bin" ] || continue
  name=$(basename "$bin")
  corpus="$root/fuzz/corpus/${name#fuzz_}"
  work=$(mktemp -d)
  echo "== $name (${seconds}s)"
  "$bin" -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=10 -print_final_stats=1 "$work" "$corpus" 2>&1 | tail -n 12
  rm -rf "$work"
done
