#!/usr/bin/env bash
# Installs what is missing, builds the demo and runs it.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DZUDEZED_TESTS=OFF -DZUDEZED_BENCH=OFF >/dev/null
cmake --build build -j"$(nproc)" --target zudezed
exec build/zudezed "$@"
