#!/usr/bin/env bash
# Installs what building and playing need, builds the game (only the game and what it loads)
# and starts it. The build speaks only when it fails.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/deps.sh" play
build="$root/build/release"
log="$build/play-build.log"
mkdir -p "$build"
if ! "$root/scripts/build.sh" release --target play >"$log" 2>&1; then
  cat "$log" >&2
  echo "The build failed (log: $log)." >&2
  exit 1
fi
cd "$build/game"
exec ./crustavia "$@"
