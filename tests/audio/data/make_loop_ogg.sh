#!/usr/bin/env bash
# Makes loop.ogg, the music test file: 10000 frames (exactly 100 periods) of a 441 Hz sine,
# 44100 Hz mono, synthesised here. Needs oggenc (Debian's vorbis-tools) only when remade.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
python3 - "$tmp/loop.wav" <<'PY'
import math, struct, sys
frames = 10000
data = b"".join(struct.pack("<h", int(round(12000 * math.sin(2 * math.pi * i / 100)))) for i in range(frames))
fmt = struct.pack("<HHIIHH", 1, 1, 44100, 88200, 2, 16)
body = b"WAVE" + b"fmt " + struct.pack("<I", 16) + fmt + b"data" + struct.pack("<I", len(data)) + data
open(sys.argv[1], "wb").write(b"RIFF" + struct.pack("<I", len(body)) + body)
PY
oggenc --quiet -q 2 --serial 1 -o "$here/loop.ogg" "$tmp/loop.wav"
