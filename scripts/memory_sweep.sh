#!/usr/bin/env bash
# Starts the game under a range of address-space limits (ulimit -v) and prints what each start
# came to: "runs" (loaded, showed its menu and ended on SIGTERM), "out of memory" (said so and
# ended with exit code 1), "library not loaded" (a music library that did not load for want of
# memory: the box names the library, the loader's reason is on standard error, exit code 1), "not
# started" (the system's loader could not map the program's libraries before any of its code ran:
# where that limit lies depends on the machine's libraries), or anything else, which is a fault. Every start begins with hardware acceleration switched on, and a
# start that changed that setting or the self test's record is a fault too.
#   scripts/memory_sweep.sh [options] [limit in MB ...]
#     --build DIR    the build folder to take the program from (default build/release)
#     --x11          in a real window under Xvfb (24 bits) instead of headless
#     --warm         decoded sounds already cached (default: a fresh folder each start)
#     --seconds N    how long a start may take to load or fail before it is taken for a hang
#                    (default 30); one that has is judged 1.5 s later
#     --check        exit code 1 when any start came to a fault
# Without limits: 30..200 MB in steps of 2, then 256, 384, 512, 768, 1024 and 2048.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build/release"
x11=0
warm=0
seconds=30
check=0
limits=()
while [ $# -gt 0 ]; do
  case "$1" in
    --build) build=$2; shift ;;
    --x11) x11=1 ;;
    --warm) warm=1 ;;
    --seconds) seconds=$2; shift ;;
    --check) check=1 ;;
    *) limits+=("$1") ;;
  esac
  shift
done
if [ ${#limits[@]} -eq 0 ]; then
  limits=($(seq 30 2 200) 256 384 512 768 1024 2048)
fi
if [ "$x11" = 1 ] && [ -z "${LUMO_SWEEP_IN_XVFB:-}" ]; then
  forwarded=(--build "$build" --seconds "$seconds" --x11)
  [ "$warm" = 1 ] && forwarded+=(--warm)
  [ "$check" = 1 ] && forwarded+=(--check)
  exec env LUMO_SWEEP_IN_XVFB=1 xvfb-run -a -s '-screen 0 1024x768x24' "$0" "${forwarded[@]}" "${limits[@]}"
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# The game's folder as a player has it: the program, its libraries and the assets.
template="$work/template"
mkdir -p "$template"
cp "$build/game/crustavia" "$build/game/"*.so "$template/" || exit 1
for entry in fonts gfx music sfx vhwb.dat; do
  ln -s "$root/assets/$entry" "$template/$entry"
done
# The player switched hardware acceleration on.
printf 'registry 1\nkey "HKEY_LOCAL_MACHINE" "SOFTWARE" "Crustavia"\ndword "Is3D" 1\nend\n' >"$template/registry.txt"

# What a start under a limit leaves as it found it: the player's "Is3D" and the self test's record
# (the layer draws without the graphics card then, and would take its renderer for another card).
card_settings() {
  awk '/^key /{test3d = /"Test3D"$/} test3d || /^dword "Is3D" /' "$1" 2>/dev/null
}

if [ "$x11" = 1 ]; then
  export SDL_VIDEODRIVER=x11 SDL_AUDIODRIVER=dummy
else
  export SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy
fi
export LUMO_DEBUG_OUTPUT=1

# Waits while the start at pid is under way: until it has loaded or, under X, said a fatal error
# (then a little longer, for the menu or the box to show), or ends, or the time is up (a hang).
# Headless no box waits: a start that said a fatal error ends by itself.
wait_settled() {
  local pid=$1 errors=$2 waited=0 settle=-1
  local fatal=(-e '^FATAL ERROR: ' -e '^Error: ')
  while kill -0 "$pid" 2>/dev/null && [ $waited -lt $((seconds * 10)) ] && [ $settle != 0 ]; do
    sleep 0.1
    waited=$((waited + 1))
    if [ "$x11" = 0 ] && grep -q "${fatal[@]}" "$errors" 2>/dev/null; then
      settle=-1
    elif [ $settle -gt 0 ]; then
      settle=$((settle - 1))
    elif grep -q -e '^Resource Loading Time' "${fatal[@]}" "$errors" 2>/dev/null; then
      settle=15
    fi
  done
}

# One start in a folder of its own (with the settings of a first start unless warm); prints the
# outcome.
start_once() {
  local limit_mb=$1 folder="$work/run"
  rm -rf "$folder"
  cp -a "$template" "$folder" || { echo "the game's folder could not be copied (disk full?)"; exit 1; }
  if [ "$warm" = 1 ]; then
    cp -a "$work/warm/cached" "$work/warm/registry.txt" "$folder/" || exit 1
  fi
  local settings
  settings=$(card_settings "$folder/registry.txt")
  (
    cd "$folder"
    [ "$limit_mb" = none ] || ulimit -v $((limit_mb * 1024))
    exec env LUMO_REGISTRY_FILE="$folder/registry.txt" ./crustavia >/dev/null 2>"$folder/stderr.txt"
  ) &
  local pid=$! status="" ended_by=""
  wait_settled "$pid" "$folder/stderr.txt"
  if kill -0 "$pid" 2>/dev/null; then
    ended_by=term
    kill -TERM "$pid"
    local waited=0
    while kill -0 "$pid" 2>/dev/null && [ $waited -lt 200 ]; do
      sleep 0.1
      waited=$((waited + 1))
    done
    if kill -0 "$pid" 2>/dev/null; then
      kill -KILL "$pid"
      ended_by=kill
    fi
  fi
  wait "$pid" 2>/dev/null
  status=$?
  local errors
  errors=$(grep -v -e '^Seconds ' -e '^Sleep Count' -e '^Update Count' -e '^Draw Count' -e '^Draw Time' \
    -e '^Screen Blt' -e '^Avg FPS' -e '^Resource Loading Time' "$folder/stderr.txt" | head -c 300 | tr '\n' '|')
  local loaded=0
  grep -q '^Resource Loading Time' "$folder/stderr.txt" && loaded=1
  local outcome
  if [ "$ended_by" = kill ]; then
    outcome="HANGS, SIGTERM ignored"
  elif [ "$ended_by" = term ] && [ $loaded = 1 ] && [ -z "$errors" ] && [ $status = 0 ]; then
    outcome="runs"
  elif [ "$ended_by" = term ] && { [ $status != 1 ] || ! grep -q -e '^FATAL ERROR: ' -e '^Error: ' \
    "$folder/stderr.txt"; }; then
    outcome="HANGS (ended by SIGTERM, exit $status)"
  elif [ $status -gt 128 ]; then
    outcome="KILLED by signal $((status - 128))"
  elif [ $status = 1 ] && grep -qi -e '^FATAL ERROR: .*out.\?of.\?memory' -e '^out of memory' -e 'cannot allocate memory' \
    "$folder/stderr.txt" && ! grep -q 'error loading' "$folder/stderr.txt"; then
    outcome="out of memory"
  elif [ $status = 127 ] && grep -q 'error while loading shared libraries: .*failed to map segment' \
    "$folder/stderr.txt"; then
    outcome="not started, the system's loader failed"
  elif [ $status = 1 ] && grep -q '^LoadLibraryA: ' "$folder/stderr.txt" && grep -q "Can't find" "$folder/stderr.txt"; then
    outcome="library not loaded, loader's reason said"
  else
    outcome="EXIT $status"
  fi
  # Under X a fatal box waits for the player: the SIGTERM that ended it is no fault. Headless no
  # box waits, and a fatal start that did not end by itself hangs.
  if [ "$ended_by" = term ] && [ "$outcome" != runs ] && [ "${outcome#HANGS}" = "$outcome" ]; then
    if [ "$x11" = 1 ]; then
      outcome="$outcome (box)"
    else
      outcome="HANGS after: $outcome"
    fi
  fi
  if [ "$(card_settings "$folder/registry.txt")" != "$settings" ]; then
    outcome="CHANGED \"Is3D\" or the self test's record: $outcome"
  fi
  case "$outcome" in
    runs | "out of memory"* | "library not loaded"* | "not started"*) ;;
    *) faults=$((faults + 1)) ;;
  esac
  printf '%-6s %-40s %s\n' "$limit_mb" "$outcome" "$errors"
}

if [ "$warm" = 1 ]; then
  # One start without a limit fills the sound cache and stores the self test's result.
  cp -a "$template" "$work/warm"
  (cd "$work/warm" && exec env LUMO_REGISTRY_FILE="$work/warm/registry.txt" ./crustavia >/dev/null \
    2>"$work/warm/stderr.txt") &
  wait_settled $! "$work/warm/stderr.txt"
  kill -TERM $! 2>/dev/null
  wait $!
fi
faults=0
printf '%-6s %-40s %s\n' "MB" "outcome" "standard error"
for limit in "${limits[@]}"; do
  start_once "$limit" 2>/dev/null # not the shell's word on a start that a signal ended
done
# With --check the outcome is the exit code: 1 when any start came to something else.
[ "$check" = 0 ] || [ "$faults" = 0 ]
