#!/usr/bin/env bash
# Remakes everything in assets/ from code: builds the generator and runs it.
# The game's build needs none of this; the generated files are committed.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

# Only the generator needs these: the Vorbis and MP3 encoders and the free fonts it renders.
tool_packages=(vorbis-tools lame fonts-texgyre)
"$root/scripts/deps.sh" "${tool_packages[@]}"

fonts=/usr/share/texmf/fonts/opentype/public/tex-gyre
build="$root/build/tools"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DLUMO_TESTS=OFF -DLUMO_TOOLS=ON >/dev/null
cmake --build "$build" --target crustavia_assets

out="$root/assets"
rm -rf "$out/gfx" "$out/sfx" "$out/music" "$out/fonts" "$out/icon"
"$build/tools/crustavia_assets" "$out" "$fonts/texgyrechorus-mediumitalic.otf" "$fonts/texgyreheros-regular.otf" \
  "$(command -v oggenc)"
"$build/tools/crustavia_assets" --test-data "$root/tests/audio/data" "$(command -v lame)"
echo "assets written to $out, the sound tests' files to tests/audio/data"
