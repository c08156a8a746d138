#!/usr/bin/env bash
# Installs what is missing, builds and starts the game.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/deps.sh"
"$root/scripts/build.sh" release
build="$root/build/release"
if [ -x "$build/game/crustavia" ]; then
  cd "$build/game"
  exec ./crustavia "$@"
fi
# Until the game is built, start the platform layer's window program.
exec "$build/platform/lumo_window_demo" "$@"
