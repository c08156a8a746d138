#!/usr/bin/env bash
# Installs what is missing, builds and runs every test.
#   scripts/test.sh          release build
#   scripts/test.sh asan     the same suite under address + undefined-behaviour sanitizers
#   scripts/test.sh tsan     the tests that start threads (label "threads") under the thread sanitizer
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
config=${1:-release}
"$root/scripts/deps.sh"
targets=()
# The thread sanitizer runs only the tests that start threads: build only their programs.
[ "$config" = tsan ] && targets=(--target threads_tests)
"$root/scripts/build.sh" "$config" "${targets[@]}"
export SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy
if [ "$config" = asan ]; then
  export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
fi
labels=()
if [ "$config" = tsan ]; then
  export TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1"
  labels=(-L threads)
fi
ctest --test-dir "$root/build/$config" --output-on-failure -j "$(nproc)" "${labels[@]}"
