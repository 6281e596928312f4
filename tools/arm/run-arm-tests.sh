#!/usr/bin/env bash
# Builds the demo and its tests for 32-bit ARM (Debian armel, soft float; the demo's own code ARMv4T), runs
# the test suite under qemu-arm and compares the rendered frames and precalculated
# tables with the build machine's (tools/framehash).
#
#   tools/arm/run-arm-tests.sh
#
# Idempotent: installs only missing Debian packages (with sudo when not root); the
# armel libraries are Debian's packages unpacked into build-arm/sysroot, which is
# fetched once and kept. Builds in build-arm/ (ARM) and build/ (the build machine;
# ZUDEZED_HOST_BUILD=DIR chooses another).
# Exits non-zero when a test fails or when a frame or table differs.
set -euo pipefail
cd "$(dirname "$0")/../.."
root=$(pwd)
jobs=$(nproc)
arm_dir="$root/build-arm"
sysroot="$arm_dir/sysroot"
# The build machine's build of the comparison program (the README's build directory).
host_dir="${ZUDEZED_HOST_BUILD:-$root/build}"

# ---- The cross toolchain and the emulator (the build machine's packages) ----------
# install-deps.sh uses sudo when not run as root; nothing else here needs root.
tools/install-deps.sh crossbuild-essential-armel qemu-user

# ---- The armel libraries, unpacked into build-arm/sysroot (once) --------------------
tools/arm/prepare-sysroot.sh "$sysroot"

# ---- The ARM build and its tests under qemu-arm -------------------------------------
cmake -S . -B "$arm_dir" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/arm-linux-gnueabi.cmake" \
  -DZUDEZED_ARM_SYSROOT="$sysroot" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZUDEZED_BENCH=OFF \
  >/dev/null
cmake --build "$arm_dir" -j"$jobs"
# The whole timeline at 1000 frames per second (228,000 frames) would take more than
# half an hour under the emulator; the other frame rates of the same test run.
ctest --test-dir "$arm_dir" -j"$jobs" --output-on-failure --timeout 1200 \
  -E '^FrameRates/WholeDemo\.PlaysEveryPartInOrderAndEndsByItself/1000$'

# ---- The same frames and tables on both machines ------------------------------------
cmake -S . -B "$host_dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$host_dir" -j"$jobs" --target zudezed-framehash
emulator=(qemu-arm -L /usr/arm-linux-gnueabi
          -E "LD_LIBRARY_PATH=$sysroot/usr/lib/arm-linux-gnueabi:$sysroot/lib/arm-linux-gnueabi:$sysroot/usr/lib/arm-linux-gnueabi/pulseaudio")
rm -rf "$arm_dir/framehash-host" "$arm_dir/framehash-arm"
"$host_dir/zudezed-framehash" --dump "$arm_dir/framehash-host" > "$arm_dir/framehash-host.txt"
"${emulator[@]}" "$arm_dir/zudezed-framehash" --dump "$arm_dir/framehash-arm" \
  > "$arm_dir/framehash-arm.txt"
"$host_dir/zudezed-framehash" --diff "$arm_dir/framehash-host" "$arm_dir/framehash-arm"
