#!/usr/bin/env bash
# Unpacks Debian's armel builds of the libraries the demo and its tests link with
# (SDL 1.2, SDL_mixer 1.2, libpng, GoogleTest) into a directory of their own, the
# sysroot of the ARM build (cmake/arm-linux-gnueabi.cmake).
#
#   tools/arm/prepare-sysroot.sh [SYSROOT]     (default: build-arm/sysroot)
#
# Idempotent: does nothing when SYSROOT already holds the same package set. Needs the
# cross toolchain's C library (crossbuild-essential-armel) only when building.
set -euo pipefail
cd "$(dirname "$0")/../.."
root=$(pwd)
sysroot=$(realpath -m "${1:-$root/build-arm/sysroot}")
arm_dir=$(dirname "$sysroot")

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
  apt_dir="$arm_dir/apt-armel"
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

