#!/usr/bin/env bash
# Installs what is missing, builds and starts the game.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/deps.sh"
"$root/scripts/build.sh" release
cd "$root/build/release/game"
exec ./crustavia "$@"
