#!/usr/bin/env bash
# Installs what is missing, builds the demo and runs it.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh
# Configured as tools/run-tests.sh configures build/: neither rebuilds the other's work.
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZUDEZED_SANITIZE=OFF -DZUDEZED_TESTS=ON -DZUDEZED_BENCH=ON >/dev/null
cmake --build build -j"$(nproc)" --target zudezed
exec build/zudezed "$@"
