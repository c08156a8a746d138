#!/usr/bin/env bash
# Builds the benchmarks and runs each of them.
#   scripts/bench.sh [min-seconds-per-case] [extra benchmark options...]
# LUMO_BENCH_CONFIG=release runs them from the test build (a quick pass, as CI does) instead of
# the optimised benchmark configuration.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
min_time=${1:-0.5}
shift || true
"$root/scripts/deps.sh"
config=${LUMO_BENCH_CONFIG:-bench}
"$root/scripts/build.sh" "$config"
export SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy
for program in "$root/build/$config"/bench/*; do
  [ -x "$program" ] && [ -f "$program" ] || continue
  case "$program" in *.so) continue ;; esac # libraries the programs load
  "$program" --benchmark_min_time="$min_time" "$@"
done
