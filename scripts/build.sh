#!/usr/bin/env bash
# Configures and builds one configuration: release (default), asan, tsan, bench or fuzz.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
config=${1:-release}
shift || true
case "$config" in
  # The benchmarks come along (when Google Benchmark is installed) so that CI's brief pass over
  # them needs no build of its own; scripts/bench.sh measures the optimised configuration.
  release) flags=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DLUMO_BENCH=ON) ;;
  asan) flags=(-DCMAKE_BUILD_TYPE=Debug -DLUMO_SANITIZE=ON) ;;
  tsan) flags=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DLUMO_TSAN=ON) ;;
  bench) flags=(-DCMAKE_BUILD_TYPE=Release -DLUMO_TESTS=OFF -DLUMO_BENCH=ON) ;;
  fuzz) flags=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DLUMO_TESTS=OFF -DLUMO_FUZZ=ON
               -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++) ;;
  *) echo "unknown configuration: $config (release, asan, tsan, bench, fuzz)" >&2; exit 2 ;;
esac
# LUMO_WERROR=ON (CI sets it) builds with warnings as errors.
if [ -n "${LUMO_WERROR:-}" ]; then
  flags+=(-DLUMO_WERROR="$LUMO_WERROR")
fi
build="$root/build/$config"
cmake -S "$root" -B "$build" -G Ninja "${flags[@]}" >/dev/null
cmake --build "$build" "$@"
