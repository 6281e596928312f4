#!/usr/bin/env bash
# Installs what is missing, builds the demo and its tests twice (a normal build and
# one with AddressSanitizer and UndefinedBehaviorSanitizer) and runs the whole suite
# in both. Tests select SDL's dummy video and audio drivers themselves.
# build/ is configured exactly as tools/run-demo.sh and tools/make-video.sh configure
# it, so that none of them rebuilds what another built; the sanitizer build compiles
# only what the tests need (target zudezed_tests).
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh
jobs=$(nproc)

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZUDEZED_SANITIZE=OFF -DZUDEZED_TESTS=ON -DZUDEZED_BENCH=ON >/dev/null
cmake --build build -j"$jobs"
ctest --test-dir build -j"$jobs" --output-on-failure

cmake -S . -B build-sanitize -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZUDEZED_SANITIZE=ON -DZUDEZED_TESTS=ON -DZUDEZED_BENCH=OFF >/dev/null
cmake --build build-sanitize -j"$jobs" --target zudezed_tests
ASAN_OPTIONS=halt_on_error=1:detect_leaks=0 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
  ctest --test-dir build-sanitize -j"$jobs" --output-on-failure
