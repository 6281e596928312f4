#!/usr/bin/env bash
# Builds the demo and its tests for 32-bit ARM (Debian armel: ARMv5TE, soft float), runs
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

# ---- The armel libraries, unpacked into a directory of their own -------------------
# Not installed through dpkg's multiarch: armel library versions need not match the
# build machine's (armel gets no security updates of its own), and a mismatch would
# block the install. A private apt state resolves the armel dependencies instead.
arm_packages=(libsdl1.2-compat-dev libsdl-mixer1.2-dev libpng-dev libgtest-dev libgmock-dev)
# What the toolchain already provides, and must come from it: the C library, the
# compiler's runtime and the kernel headers.
toolchain_packages='^(libc6|libc6-dev|libc-dev-bin|libgcc-s1|libgcc-12-dev|libstdc\+\+6|libstdc\+\+-12-dev|libatomic1|libasan8|libubsan1|libgomp1|linux-libc-dev|gcc-12-base|libcrypt1|libcrypt-dev|libnsl2|libnsl-dev|libtirpc3|libtirpc-dev|rpcsvc-proto)$'
stamp="$sysroot/.packages"
wanted="${arm_packages[*]}"
if [ ! -f "$stamp" ] || [ "$(cat "$stamp")" != "$wanted" ]; then
  echo "Unpacking the armel libraries into $sysroot"
  apt_dir="$arm_dir/apt"
  rm -rf "$sysroot" "$apt_dir"
  mkdir -p "$apt_dir/lists/partial" "$apt_dir/archives/partial" "$apt_dir/sources.list.d" \
           "$apt_dir/preferences.d" "$sysroot"
  : > "$apt_dir/status"
  # The build machine's Debian archives, for armel.
  [ -f /etc/apt/sources.list ] && cp /etc/apt/sources.list "$apt_dir/sources.list"
  [ -f "$apt_dir/sources.list" ] || : > "$apt_dir/sources.list"
  for f in /etc/apt/sources.list.d/*.list /etc/apt/sources.list.d/*.sources; do
    [ -f "$f" ] && cp "$f" "$apt_dir/sources.list.d/"
  done
  apt_opts=(
    -o "APT::Architecture=armel" -o "APT::Architectures::=armel"
    -o "Dir::State=$apt_dir" -o "Dir::State::Lists=$apt_dir/lists"
    -o "Dir::State::status=$apt_dir/status"
    -o "Dir::Cache=$apt_dir" -o "Dir::Cache::Archives=$apt_dir/archives"
    -o "Dir::Etc::SourceList=$apt_dir/sources.list"
    -o "Dir::Etc::SourceParts=$apt_dir/sources.list.d"
    -o "Dir::Etc::PreferencesParts=$apt_dir/preferences.d"
    -o "APT::Sandbox::User=root" -o "Debug::NoLocking=1"
  )
  apt-get "${apt_opts[@]}" -qq update
  apt-get "${apt_opts[@]}" -qq -y --no-install-recommends --download-only install \
    "${arm_packages[@]}"
  count=0
  for deb in "$apt_dir"/archives/*.deb; do
    name=$(dpkg-deb -f "$deb" Package)
    if [[ "$name" =~ $toolchain_packages ]]; then continue; fi
    dpkg-deb -x "$deb" "$sysroot"
    count=$((count + 1))
  done
  # Absolute symbolic links inside the packages point into the sysroot, not at the
  # build machine's files.
  while IFS= read -r link; do
    target=$(readlink "$link")
    case "$target" in
      /*) ln -sfn "$sysroot$target" "$link" ;;
    esac
  done < <(find "$sysroot" -type l)
  rm -rf "$apt_dir"
  echo "$wanted" > "$stamp"
  echo "Unpacked $count armel packages"
fi

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
