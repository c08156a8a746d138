#!/usr/bin/env bash
# Builds the benchmarks and runs each of them.
#   scripts/bench.sh [min-seconds-per-case] [extra benchmark options...]
# The programs that set ours beside SDL2 and pixman run every case LUMO_BENCH_ROUNDS times (9
# unless set) in an order shuffled across cases, so that the peers' rounds alternate in time and
# a slow moment of a shared machine falls on all of them alike; their table takes the medians.
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
  rounds=()
  case "$(basename "$program")" in
    graphics_blit | display_workers)
      n=${LUMO_BENCH_ROUNDS:-9}
      [ "$n" -gt 1 ] && rounds=(--benchmark_repetitions="$n" --benchmark_enable_random_interleaving=true)
      ;;
  esac
  "$program" --benchmark_min_time="$min_time" "${rounds[@]}" "$@"
done
# The kitchen frame and the self test again in a real window under an X server, where the
# renderer draws through OpenGL (Mesa's on a machine without a GPU).
if command -v xvfb-run >/dev/null; then
  SDL_VIDEODRIVER=x11 xvfb-run -a -s '-screen 0 1024x768x24' "$root/build/$config/bench/GameBench" \
    --benchmark_filter='KitchenFrame|SelfTest' --benchmark_min_time="$min_time" "$@"
  # The game's start to its first frame and its exit, against a bare SDL window in the same run,
  # with the audio a player's machine gives it.
  startup="$root/build/$config/bench/startup/startup_bench"
  if [ -x "$startup" ]; then
    env -u SDL_AUDIODRIVER SDL_VIDEODRIVER=x11 xvfb-run -a -s '-screen 0 1024x768x24' "$startup" \
      9 1200
  fi
fi
