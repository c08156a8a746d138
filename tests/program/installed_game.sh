#!/bin/sh
# Installs the game as the README says, moves the folder elsewhere and plays it there headless:
# the folder must hold real files only, and nothing in it may point back into the build.
# Usage: installed_game.sh BUILD_DIR
set -u
build=$1
tmp=$(mktemp -d)
pid=
trap '[ -n "$pid" ] && kill -KILL "$pid" 2>/dev/null; rm -rf "$tmp"' EXIT
fail() {
  echo "FAILED: $*" >&2
  exit 1
}

cmake --install "$build" --prefix "$tmp/installed" >"$tmp/install.log" 2>&1 || {
  cat "$tmp/install.log" >&2
  fail "cmake --install"
}
mv "$tmp/installed" "$tmp/moved"
game=$tmp/moved

links=$(find "$game" -type l)
[ -z "$links" ] || fail "links in the installed folder: $links"
for file in crustavia bass.so fmod.so liblumo_audio.so; do
  [ -f "$game/$file" ] || fail "$file is not installed"
  # Our objects are found beside the program, never through a path into the build.
  paths=$(readelf -d "$game/$file" | grep -E 'R(UN)?PATH') || true
  case $paths in
    "" | *"[\$ORIGIN]") ;;
    *) fail "$file: $paths" ;;
  esac
done

# Started from elsewhere, it changes to its own folder, loads every file and runs until told to end.
cd /
SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy LUMO_DEBUG_OUTPUT=1 LUMO_REGISTRY_FILE="$tmp/registry.txt" \
  "$game/crustavia" 2>"$tmp/errors.txt" &
pid=$!
tries=0
until grep -q "Resource Loading Time" "$tmp/errors.txt"; do
  kill -0 "$pid" 2>/dev/null || break
  tries=$((tries + 1))
  [ $tries -lt 600 ] || break
  sleep 0.1
done
kill -TERM "$pid" 2>/dev/null
wait "$pid"
code=$?
pid=
cat "$tmp/errors.txt"
grep -q "Resource Loading Time" "$tmp/errors.txt" || fail "the installed game did not finish loading"
[ "$code" -eq 0 ] || fail "exit code $code"
echo "the installed game loaded and ended with exit code 0"
