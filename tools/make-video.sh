#!/usr/bin/env bash
# Installs what is missing (ffmpeg included), builds the capture program and renders
# the whole demo, precalculation screen first, as an MP4 with its music.
# Usage: tools/make-video.sh [FILE.mp4] [more zudezed-capture options]
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:-zudezed.mp4}
shift || true
tools/install-deps.sh ffmpeg
# Configured as tools/run-tests.sh configures build/: neither rebuilds the other's work.
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZUDEZED_SANITIZE=OFF -DZUDEZED_TESTS=ON -DZUDEZED_BENCH=ON >/dev/null
cmake --build build -j"$(nproc)" --target zudezed-capture
exec build/zudezed-capture --video "$out" --scale 2 --with-precalc "$@"
