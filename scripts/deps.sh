#!/usr/bin/env bash
# Installs the Debian packages the project needs, only those that are missing.
#   scripts/deps.sh play [package...]   what building and playing the game need
#   scripts/deps.sh [package...]        that and the developer tools (tests, sanitizers, fuzzing,
#                                        benchmarks, Xvfb); extra names are installed the same way
set -euo pipefail
play=(
  build-essential cmake ninja-build pkg-config
  libsdl2-dev libx11-dev libpng-dev zlib1g-dev libjpeg62-turbo-dev libvorbisidec-dev libogg-dev
  libopenmpt-dev libmpg123-dev
  libfreetype-dev libfontconfig-dev fonts-dejavu-core
)
develop=(
  clang libclang-rt-14-dev clang-format ccache
  libgtest-dev libgmock-dev libbenchmark-dev libpixman-1-dev
  xvfb xauth openbox
)
if [ "${1:-}" = play ]; then
  shift
  packages=("${play[@]}" "$@")
else
  packages=("${play[@]}" "${develop[@]}" "$@")
fi
missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  sudo_cmd=()
  [ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
