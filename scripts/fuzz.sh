#!/usr/bin/env bash
# Builds the fuzz harnesses and runs each over its committed corpus, as many at once as there
# are cores.
#   scripts/fuzz.sh [seconds]   seconds per harness (default 20)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-20}
"$root/scripts/deps.sh"
"$root/scripts/build.sh" fuzz --target fuzz_harnesses
results=$(mktemp -d)
trap 'rm -rf "$results"' EXIT
run_one() {
  local bin=$1 seconds=$2 results=$3 root=$4
  local name work status=0
  name=$(basename "$bin")
  work=$(mktemp -d)
  # An input that fails is kept in build/fuzz/findings/, never in the working tree.
  mkdir -p "$root/build/fuzz/findings"
  # A single allocation this large from an input of a few kilobytes is sized by the file's numbers,
  # not by its data: it is a finding like a crash.
  "$bin" -max_total_time="$seconds" -rss_limit_mb=2048 -malloc_limit_mb=256 -timeout=10 -print_final_stats=1 \
    -artifact_prefix="$root/build/fuzz/findings/$name-" \
    "$work" "$root/fuzz/corpus/${name#fuzz_}" >"$results/$name.log" 2>&1 || status=$?
  rm -rf "$work"
  echo "$status" >"$results/$name.status"
}
export -f run_one
find "$root/build/fuzz/fuzz" -maxdepth 1 -type f -name 'fuzz_*' -perm -u+x -print0 | sort -z |
  xargs -0 -r -P "$(nproc)" -I{} bash -c 'run_one "$@"' _ {} "$seconds" "$results" "$root"
failed=0
for status in "$results"/*.status; do
  name=$(basename "$status" .status)
  echo "== $name (${seconds}s)"
  tail -n 12 "$results/$name.log"
  if [ "$(cat "$status")" != 0 ]; then
    echo "$name FAILED (exit $(cat "$status"))"
    failed=1
  fi
done
exit "$failed"
