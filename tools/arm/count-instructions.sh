#!/usr/bin/env bash
# ARM instructions per frame of every part of the demo, counted exactly: the ARM build
# (build-arm/, as tools/arm/run-arm-tests.sh makes it: armel, the demo's code ARMv4T for the ARM920T, soft float, -O2)
# of zudezed-partbench plays the whole timeline at 60 frames per second under qemu-arm
# with our instruction-counting plugin (tools/arm/icount-plugin.c), which splits every
# frame into
#   frame work  Script() inside FrameStep: the timeline, effects, 3D and text
#   conversion  GP32toPC inside GpSurfaceFlip: the buffer onto the screen surface
#   the rest    events, frame counter, SDL's lock, unlock and flip
# and every phase by code region (the demo's folders, soft-float and division helpers,
# the C library's memory routines and the rest of it, libm, SDL, PLT stubs, ...).
# It prints per part the mean and worst frame of frame work and conversion beside the
# x86-64 callgrind figures of tools/callgrind-parts.sh, where the instructions go, and
# the precalculation's total and steps.
#
#   tools/arm/count-instructions.sh [--no-x86] [--functions] [--keep DIR] [--part P]
#
#   --no-x86     leave out the x86-64 callgrind run (a few minutes)
#   --functions  code regions are single functions (the demo's, the compiler's helpers,
#                libm's, the C library's memory routines): per part, the functions
#                that take the most
#   --keep DIR   keep the raw counts (plugin output, part log, callgrind table) in DIR
#   --part P     count part P only: an uncounted run under qemu-arm replays the timeline
#                to the part and writes its state to a file, and the counted run starts
#                from that state (the same frames at the same times as the whole run;
#                about as many minutes as the part has thousands of frames, instead of
#                the whole timeline's hour). The precalculation is counted either way.
#
# ZUDEZED_ARM_BUILD=DIR builds and counts in DIR instead of build-arm/ (the sysroot and
# the plugin header stay in build-arm/), so that a long count can run while another
# build of the program is being changed.
#
# A benchmark run by hand (about 5 minutes on two cores after the builds). It
# installs what is missing (the cross toolchain, qemu-user, valgrind), unpacks the armel
# libraries (tools/arm/prepare-sysroot.sh), and fetches the plugin interface header of
# the installed qemu-user from Debian's own qemu source package (a private apt source
# list of type deb-src; the system's lists are left alone), cached in
# build-arm/qemu-plugin-api/. Before counting it checks the plugin against a program
# of known length (tools/arm/known-count.S) and stops if a count differs.
set -euo pipefail
cd "$(dirname "$0")/../.."
root=$(pwd)
arm_dir="${ZUDEZED_ARM_BUILD:-$root/build-arm}"
sysroot="$root/build-arm/sysroot"
host_dir="${ZUDEZED_HOST_BUILD:-$root/build}"
with_x86=1
functions=0
keep=
only_part=
while [ $# -gt 0 ]; do
  case "$1" in
    --no-x86) with_x86=0 ;;
    --functions) functions=1 ;;
    --keep) keep=$2; shift ;;
    --part) only_part=$2; shift ;;
    *) echo "usage: tools/arm/count-instructions.sh [--no-x86] [--functions] [--keep DIR] [--part P]" >&2; exit 2 ;;
  esac
  shift
done
launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
# Runs of single parts keep their counts apart, so that several can run at once.
work="$arm_dir/icount${only_part:+-part$only_part}"
jobs=$(( $(nproc) < 2 ? $(nproc) : 2 ))
note() { echo "count-instructions: $*" >&2; }
# The two memory settings of the cycle model: cycles per line fill / per buffered word
# drained, optimistic and pessimistic (see the README's section on cycles).
mem=12/2:40/6

tools/install-deps.sh crossbuild-essential-armel qemu-user xz-utils
tools/arm/prepare-sysroot.sh "$sysroot"
mkdir -p "$work"

# ---- The plugin interface header, from Debian's qemu source package -------------------
# The header of the very qemu-user version installed (its source version: a binary
# rebuild "+bN" has the same source).
qemu_version=$(dpkg-query -W -f='${source:Version}' qemu-user)
api_dir="$root/build-arm/qemu-plugin-api/$qemu_version"
if [ ! -f "$api_dir/qemu-plugin.h" ]; then
  note "fetching qemu $qemu_version's source package for its plugin header"
  apt_dir="$root/build-arm/apt-source"
  rm -rf "$apt_dir"
  mkdir -p "$apt_dir/lists/partial" "$apt_dir/archives/partial" "$apt_dir/parts" "$apt_dir/get"
  : > "$apt_dir/status"
  # deb-src entries for the Debian archives the system already uses (its deb822
  # .sources stanzas and one-line .list entries whose address is a Debian archive).
  : > "$apt_dir/debsrc.list"
  for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
    [ -f "$f" ] || continue
    sed -n 's/^[[:space:]]*deb[[:space:]]\+\(\(\[[^]]*\][[:space:]]\+\)\?[a-z+]*:\/\/[^[:space:]]*debian[^[:space:]]*[[:space:]].*\)$/deb-src \1/p' \
      "$f" >> "$apt_dir/debsrc.list"
  done
  : > "$apt_dir/debsrc.sources"
  for f in /etc/apt/sources.list.d/*.sources; do
    [ -f "$f" ] || continue
    awk 'BEGIN { RS = ""; ORS = "\n\n" }
         /(^|\n)URIs:[^\n]*debian/ && /(^|\n)Types:[^\n]*deb([ \n]|$)/ {
           sub(/(^|\n)Types:[^\n]*/, "\nTypes: deb-src"); sub(/^\n/, ""); print }' \
      "$f" >> "$apt_dir/debsrc.sources"
  done
  # apt reads one list file given by name, and the others from a parts directory.
  [ -s "$apt_dir/debsrc.sources" ] && cp "$apt_dir/debsrc.sources" "$apt_dir/parts/debsrc.sources"
  apt_opts=(
    -o "Dir::Etc::SourceList=$apt_dir/debsrc.list"
    -o "Dir::Etc::SourceParts=$apt_dir/parts"
    -o "Dir::State=$apt_dir" -o "Dir::State::Lists=$apt_dir/lists"
    -o "Dir::State::status=$apt_dir/status"
    -o "Dir::Cache=$apt_dir" -o "Dir::Cache::Archives=$apt_dir/archives"
    -o "APT::Sandbox::User=root" -o "Debug::NoLocking=1"
  )
  apt-get "${apt_opts[@]}" -qq update
  (cd "$apt_dir/get" && apt-get "${apt_opts[@]}" -qq --download-only source "qemu=$qemu_version")
  orig=$(ls "$apt_dir"/get/qemu_*.orig.tar.* | head -n 1)
  debian=$(ls "$apt_dir"/get/qemu_*.debian.tar.* | head -n 1)
  mkdir -p "$apt_dir/x"
  header=$(tar -tf "$orig" | grep '^[^/]*/include/qemu/qemu-plugin\.h$')
  tar -xf "$orig" -C "$apt_dir/x" "$header"
  # Debian's own patches to the header, if any, in their series order.
  tar -xf "$debian" -C "$apt_dir/x" debian/patches
  if [ -f "$apt_dir/x/debian/patches/series" ]; then
    while read -r patch _; do
      case "$patch" in ''|'#'*) continue ;; esac
      if grep -q '^+++ .*include/qemu/qemu-plugin\.h' "$apt_dir/x/debian/patches/$patch"; then
        note "applying Debian's $patch to the header"
        (cd "$apt_dir/x/${header%%/*}" && patch -p1 -s --no-backup-if-mismatch \
           -i "$apt_dir/x/debian/patches/$patch" include/qemu/qemu-plugin.h)
      fi
    done < "$apt_dir/x/debian/patches/series"
  fi
  mkdir -p "$api_dir"
  cp "$apt_dir/x/$header" "$api_dir/qemu-plugin.h"
  rm -rf "$apt_dir"
fi

# ---- The plugin, and its check against a program of known length -------------------
plugin="$work/libicount.so"
cc -O2 -Wall -Wextra -Werror -shared -fPIC -I"$api_dir" -o "$plugin" tools/arm/icount-plugin.c

# mawk has no hexadecimal conversion of its own.
awk_hex='function hex(s,   i, v) { v = 0; s = tolower(s); sub(/^0x/, "", s)
  for (i = 1; i <= length(s); ++i) v = v * 16 + index("0123456789abcdef", substr(s, i, 1)) - 1
  return v }'

# Writes the region file lines of an ARM program: its functions by source folder
# (debug information), the PLT stubs, and anything else of the file as "program-other".
# With --functions each function is a region of its own, FOLDER:NAME.
exe_regions() {
  local bin=$1 name
  name=$(basename "$bin")
  local load
  load=$(readelf -lW "$bin" | awk '$1 == "LOAD" { print $3; exit }')
  echo "file $name ${load#0x} program-other"
  arm-linux-gnueabi-nm --defined-only -S -l "$bin" | awk -F'\t' -v root="$root/" "$awk_hex"'
    { split($1, f, " ") }
    f[3] ~ /^[tTwW]$/ && f[2] != "" {
      region = "program-other"
      if (NF > 1) {
        path = $2; sub(/:[0-9]+$/, "", path)
        # Paths are absolute and may pass through the build folder: a/b/../../c.
        n = split(path, part, "/"); m = 0
        for (i = 1; i <= n; ++i) {
          if (part[i] == "..") { if (m > 0) --m } else if (part[i] != "" && part[i] != ".") out[++m] = part[i]
        }
        path = ""; for (i = 1; i <= m; ++i) path = path "/" out[i]
        if (index(path, root) == 1) {
          rel = substr(path, length(root) + 1); sub(/\/.*/, "", rel); region = rel
        } else if (path ~ /\/include\/c\+\+\//) {
          region = "c++-templates"
        }
      }
      if (fns) region = region ":" f[4]
      printf "range %s %s %x %s\n", name, f[1], hex(f[1]) + hex(f[2]), region
    }' name="$name" fns="$functions" | short_names
  readelf -SW "$bin" | awk -v name="$name" "$awk_hex"'
    { sub(/^ *\[ *[0-9]+\] */, "") }
    $1 == ".plt" { printf "range %s %s %x plt-stubs\n", name, $3, hex($3) + hex($5) }'
}

# The libraries: the C library's memory routines apart from the rest of it, and the
# compiler's helpers split into soft float and integer division.
# Demangled function names without parameters and the demo's namespace, no spaces.
short_names() {
  c++filt -p | sed -e 's/zudezed:://g; s/(anonymous namespace):://g' |
    awk '{ r = $5; for (i = 6; i <= NF; ++i) r = r "_" $i; print $1, $2, $3, $4, r }'
}

lib_regions() {
  local libc libgcc
  libc=$(ls /usr/arm-linux-gnueabi/lib/libc.so.6)
  libgcc=$(ls /usr/arm-linux-gnueabi/lib/libgcc_s.so.1)
  echo "file libc.so 0 libc-other"
  echo "file libm.so 0 libm"
  echo "file libgcc_s.so 0 soft-float"
  echo "file libSDL 0 SDL"
  echo "file libstdc++ 0 libstdc++"
  echo "file ld-linux 0 loader"
  arm-linux-gnueabi-nm -D --defined-only -S "$libc" | awk "$awk_hex"'
    NF == 4 && $3 ~ /^[tTiW]$/ && $4 ~ /^(__)?(mem(cpy|move|set|cmp|chr)|bzero|bcopy|wmem[a-z]*|__aeabi_mem[a-z0-9]*)(_chk)?(@.*)?$/ {
      printf "range libc.so %s %x libc-memory%s\n", $1, hex($1) + hex($2), fns ? ":" $4 : "" }' fns="$functions" | sed 's/@.*//'
  arm-linux-gnueabi-nm -D --defined-only -S "$libgcc" | awk "$awk_hex"'
    NF == 4 && $4 ~ /^__(aeabi_(u?idiv|u?idivmod|u?ldivmod)|u?div[sd]i3|u?mod[sd]i3|udivmoddi4|divmoddi4)(@.*)?$/ {
      printf "range libgcc_s.so %s %x integer-division%s\n", $1, hex($1) + hex($2), fns ? ":" $4 : "" }' fns="$functions" | sed 's/@.*//'
  if [ "$functions" = 1 ]; then
    # The helpers and maths functions the program calls, one region each.
    local imported
    imported=$(arm-linux-gnueabi-nm -D --undefined-only "$1" | awk '{ sub(/@.*/, "", $2); print $2 }' | tr '\n' ' ')
    arm-linux-gnueabi-nm -D --defined-only -S "$libgcc" | awk -v imp="$imported" "$awk_hex"'
      BEGIN { n = split(imp, w, " "); for (i = 1; i <= n; ++i) want[w[i]] = 1 }
      NF == 4 { name = $4; sub(/@.*/, "", name) }
      NF == 4 && (name in want) { printf "range libgcc_s.so %s %x soft-float:%s\n", $1, hex($1) + hex($2), name }'
    arm-linux-gnueabi-nm -D --defined-only -S /usr/arm-linux-gnueabi/lib/libm.so.6 | awk -v imp="$imported" "$awk_hex"'
      BEGIN { n = split(imp, w, " "); for (i = 1; i <= n; ++i) want[w[i]] = 1 }
      NF == 4 { name = $4; sub(/@.*/, "", name) }
      NF == 4 && (name in want) { printf "range libm.so %s %x libm:%s\n", $1, hex($1) + hex($2), name }'
  fi
}

# Address of a function symbol of a program (link address, hex without 0x).
sym() {
  local bin=$1 re=$2 a
  a=$(arm-linux-gnueabi-nm --defined-only "$bin" | awk -v re="$re" '$3 ~ re { print $1 }' | sort -u)
  if [ -z "$a" ] || [ "$(echo "$a" | wc -l)" -ne 1 ]; then
    note "no single symbol matching $re in $bin: ${a:-none}"; exit 1
  fi
  echo "$a" | sed 's/^0*\(.\)/\1/'
}

# The calls made by one function: "KIND TARGET_ADDR RETURN_ADDR TARGET_NAME" per call
# (KIND bl, or b for a tail call to another function's entry).
calls_of() {
  local bin=$1 fn=$2
  arm-linux-gnueabi-objdump --disassemble="$fn" --no-show-raw-insn "$bin" | awk -v fn="$fn" '
    $0 ~ "^[0-9a-f]+ <" fn ">:$" { inside = 1; next }
    inside && /^$/ { inside = 0 }
    inside && match($0, /^ *[0-9a-f]+:/) {
      addr = substr($0, RSTART, RLENGTH - 1); sub(/^ */, "", addr)
      if (pending != "") { printf "%s %s %s\n", pending, addr, pname; pending = "" }
      if ($2 ~ /^(bl|b)$/ && $4 ~ /^<[^+>]*>$/) {
        name = substr($4, 2, length($4) - 2)
        if ($2 == "bl") { pending = "bl " $3; pname = name }
        else if (name !~ /^[^+]*\+/ && name != fn) printf "b %s - %s\n", $3, name
      }
    }'
}

# The return address of the call from function CALLER to the function named CALLEE.
return_site() {
  local bin=$1 caller=$2 callee=$3 r
  r=$(calls_of "$bin" "$caller" | awk -v c="$callee" '$1 == "bl" && $4 == c { print $3 }')
  if [ -z "$r" ] || [ "$(echo "$r" | wc -l)" -ne 1 ]; then
    note "no single call of $callee in $caller"; exit 1
  fi
  echo "$r"
}

known="$work/known-count"
arm-linux-gnueabi-gcc -g -nostdlib -static -o "$known" tools/arm/known-count.S
functions=0 exe_regions "$known" > "$work/known.regions"
{
  echo "exe known-count"
  echo "$(sym "$known" '^work$') frame work"
  echo "$(return_site "$known" _start work) set rest"
  echo "$(sym "$known" '^leaf$') push conv work"
  echo "$(return_site "$known" work leaf) pop conv"
} > "$work/known.marks"
qemu-arm -plugin "$plugin,regions=$work/known.regions,marks=$work/known.marks,out=$work/known.out" "$known"
# Four frames: work 2004 and leaf 602 each, 3 in _start between calls (5 after the
# last, the exit included); 2 before the first.
# Phases are listed in the order the marks file names them.
expected="F 0 work=2004 rest=3 conv=602
F 1 work=2004 rest=3 conv=602
F 2 work=2004 rest=3 conv=602
F 3 work=2004 rest=5 conv=602
T startup 2
TR conv tools 2408"
got=$(grep -E '^(F |T startup|TR conv)' "$work/known.out" | sort || true)
if [ "$got" != "$expected" ]; then
  note "the plugin miscounts the program of known length:"
  diff <(echo "$expected") <(echo "$got") >&2 || true
  exit 1
fi
note "plugin check: the program of known length counted exactly (10,440 instructions)"

# The cycle model against programs whose cycles follow from its timing table by hand
# (tools/arm/cycle-check.S): each routine's second call, and the one ARMv5 instruction.
cyc="$work/cycle-check"
arm-linux-gnueabi-gcc -g -nostdlib -static -o "$cyc" tools/arm/cycle-check.S
functions=0 exe_regions "$cyc" > "$work/cycle.regions"
{
  echo "exe cycle-check"
  for fn in chain branches mulsmall mullarge mlamid walk wbuf; do echo "$(sym "$cyc" "^$fn\$") frame work"; done
  calls_of "$cyc" _start | awk '$1 == "bl" { print $3 " set rest work" }'
} > "$work/cycle.marks"
qemu-arm -plugin "$plugin,regions=$work/cycle.regions,marks=$work/cycle.marks,out=$work/cycle.out,mem=12/2:40/6" "$cyc"
# Frame: cycles at fill 12 and 40, data accesses, data misses (instruction-cache
# lookups left out), instruction misses, multiplies of unknown operand.
expected="1 1103/1103/401/0/0/0
3 1003/1003/0/0/0/0
5 702/702/0/0/0/0
7 1002/1002/0/0/0/0
9 1002/1002/0/0/0/0
11 17423/46123/1025/1025/0/0
13 93/109/9/8/0/0
X tools clz 1"
got=$({ awk '$1 == "C" && $2 % 2 == 1 { for (i = 3; i <= NF; ++i) if ($i ~ /^work=/) {
          split(substr($i, 6), v, "/"); print $2, v[1] "/" v[2] "/" v[3] "/" v[4] "/" v[6] "/" v[7] } }' "$work/cycle.out"
        grep '^X ' "$work/cycle.out"; } || true)
if [ "$got" != "$expected" ]; then
  note "the cycle model disagrees with the hand-counted programs:"
  diff <(echo "$expected") <(echo "$got") >&2 || true
  exit 1
fi
note "cycle check: load chain, branches, multiplies, the table walk and the write buffer counted as derived by hand"

# ---- The ARM build ------------------------------------------------------------------
cmake -S . -B "$arm_dir" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/arm-linux-gnueabi.cmake" \
  -DZUDEZED_ARM_SYSROOT="$sysroot" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZUDEZED_BENCH=OFF \
  "${launcher[@]}" >/dev/null
cmake --build "$arm_dir" -j"$jobs" --target zudezed-partbench >/dev/null
bin="$arm_dir/zudezed-partbench"
{ exe_regions "$bin"; lib_regions "$bin"; } > "$work/demo.regions"

# Marks: a frame begins at FrameStep with the frame work (Script); the return from
# Script begins the rest; GP32toPC, called by GpSurfaceFlip, is the conversion until it returns. The
# precalculation runs from precalcs until it returns to StartUp; each function it
# calls (or BuildTables, its builder, calls) is a step of its own.
conv_fn=$(arm-linux-gnueabi-nm --defined-only "$bin" | awk '$3 ~ /^_ZN7zudezed8GP32toPC/ { print $3 }')
flip_fn=$(arm-linux-gnueabi-nm --defined-only "$bin" | awk '$3 ~ /^_ZN7zudezed13GpSurfaceFlip/ { print $3 }')
{
  echo "exe $(basename "$bin")"
  echo "$(sym "$bin" '^_ZN7zudezed9FrameStepEv$') frame work"
  # The returns from Script: in Run, and in FrameStep where Run is inlined there.
  script_ret=$(for caller in _ZN7zudezed3RunEv _ZN7zudezed9FrameStepEv; do
    calls_of "$bin" "$caller" | awk '$1 == "bl" && $4 == "_ZN7zudezed6ScriptEv" { print $3 }'
  done)
  if [ -z "$script_ret" ]; then
    note "no call of Script in Run or FrameStep"; exit 1
  fi
  for r in $script_ret; do echo "$r set rest work"; done
  echo "$(sym "$bin" "^$conv_fn\$") push conv rest"
  echo "$(return_site "$bin" "$flip_fn" "$conv_fn") pop conv"
  echo "$(sym "$bin" '^_ZN7zudezed8precalcsEv$') push precalc startup"
  echo "$(return_site "$bin" _ZN7zudezed7StartUpEv _ZN7zudezed8precalcsEv) pop"
  # The steps: the functions precalcs calls, and those of BuildTables where precalcs
  # hands the building to it.
  { calls_of "$bin" _ZN7zudezed8precalcsEv
    if arm-linux-gnueabi-nm --defined-only "$bin" |
         awk '$3 == "_ZN7zudezed11BuildTablesEv" { found = 1 } END { exit !found }'; then
      calls_of "$bin" _ZN7zudezed11BuildTablesEv
    fi
  } | while read -r kind target ret name; do
    [ "$name" = _ZN7zudezed11BuildTablesEv ] && continue
    step=$(echo "$name" | c++filt | sed 's/^zudezed:://; s/(.*//; s/[^A-Za-z0-9_]/_/g')
    if [ "$kind" = bl ]; then
      echo "$target push precalc:$step precalc"
      echo "$ret pop precalc:$step"
    else
      echo "$target set precalc:$step precalc"
    fi
  done | sort -u
} > "$work/demo.marks"
dups=$(awk '$1 != "exe" { print $1 }' "$work/demo.marks" | sort | uniq -d)
if [ -n "$dups" ]; then
  note "two marks at one address ($dups): the build's calls are not what this script expects"
  exit 1
fi

# ---- The run --------------------------------------------------------------------------
run_dir=$(mktemp -d)
trap 'rm -rf "$run_dir"' EXIT
libpath="$sysroot/usr/lib/arm-linux-gnueabi:$sysroot/lib/arm-linux-gnueabi:$sysroot/usr/lib/arm-linux-gnueabi/pulseaudio"
bench_args=(1)
if [ -n "$only_part" ]; then
  note "replaying the timeline to part $only_part for its starting state (uncounted)"
  (cd "$run_dir" && qemu-arm -L /usr/arm-linux-gnueabi -E "LD_LIBRARY_PATH=$libpath" \
     "$bin" --checkpoint "$only_part" "$run_dir/part.state" > /dev/null 2> "$work/demo.stderr") ||
    { note "the replay to part $only_part failed:"; cat "$work/demo.stderr" >&2; exit 1; }
  bench_args=(1 --part "$only_part" "$run_dir/part.state")
  note "counting part $only_part at 60 fps under qemu-arm"
else
  note "counting the whole timeline at 60 fps under qemu-arm (tens of minutes with the cycle model)"
fi
(cd "$run_dir" && qemu-arm -L /usr/arm-linux-gnueabi -E "LD_LIBRARY_PATH=$libpath" \
   -plugin "$plugin,regions=$work/demo.regions,marks=$work/demo.marks,out=$work/demo.out,mem=$mem" \
   "$bin" "${bench_args[@]}" > "$work/demo.parts" 2> "$work/demo.stderr") ||
  { note "the counted run failed:"; cat "$work/demo.stderr" >&2; exit 1; }
if [ "$with_x86" = 1 ]; then
  note "x86-64 callgrind figures (tools/callgrind-parts.sh, every 16th frame)"
  tools/install-deps.sh
  if [ ! -f "$host_dir/CMakeCache.txt" ]; then
    cmake -S . -B "$host_dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}" >/dev/null
  fi
  tools/callgrind-parts.sh "$host_dir" 16 > "$work/x86.txt"
else
  : > "$work/x86.txt"
fi
if [ -n "$keep" ]; then
  mkdir -p "$keep"
  cp "$work"/demo.* "$work/x86.txt" "$keep/"
fi

# ---- The tables ---------------------------------------------------------------------
awk -v x86file="$work/x86.txt" -v partsfile="$work/demo.parts" -v fns="$functions" \
    -v mem1="${mem%%:*}" -v mem2="${mem#*:}" '
  function k(v) { return sprintf("%.2f M", v / 1e6) }
  BEGIN {
    split("Space Kavrel PolarTunnel JuhliaIn JuhliaBig PlasmaFace PlasmaCube (end) WaterPart", names, " ")
    # Frames of each part in order, from the benchmark program: "part P: N frames, ...".
    nparts = 0; first = 0
    # (The line may follow text the program printed without a line end.)
    while ((getline line < partsfile) > 0) {
      if (match(line, /part [0-9]+: [0-9]+ frames/)) {
        split(substr(line, RSTART, RLENGTH), fld, /[ :]+/)
        p = fld[2]; n = fld[3]; order[++nparts] = p; from[p] = first; upto[p] = first + n; first += n
      }
    }
    while ((getline line < x86file) > 0) {
      split(line, fld, " ")
      if (fld[1] ~ /^[0-9]+$/) { x86[fld[1]] = fld[4]; x86demo[fld[1]] = fld[7] }
    }
  }
  function part_of(f,   i, p) {
    for (i = 1; i <= nparts; ++i) { p = order[i]; if (f >= from[p] && f < upto[p]) return p }
    return -1
  }
  $1 == "F" {
    p = part_of($2); if (p < 0) next
    fw = 0; fc = 0
    for (i = 3; i <= NF; ++i) {
      split($i, kv, "=")
      if (kv[1] == "work") fw = kv[2] + 0; else if (kv[1] == "conv") fc = kv[2] + 0
    }
    frames[p] += 1; sw[p] += fw; sc[p] += fc
    if (fw > mw[p]) mw[p] = fw
    if (fc > mc[p]) mc[p] = fc
    if (fw + fc > mwc[p]) mwc[p] = fw + fc
  }
  $1 == "C" {
    p = part_of($2); if (p < 0) next
    split("", cv); split("", cc)
    for (i = 3; i <= NF; ++i) {
      split($i, kv, "="); nv = split(kv[2], v, "/")
      # (Counts of an older plugin have no fills and buffered words: no floor then.)
      if ((kv[1] == "work" || kv[1] == "conv") && nv >= 9) hasfloor = 1
      if (kv[1] == "work") for (j = 1; j <= 9; ++j) cv[j] = v[j] + 0
      else if (kv[1] == "conv") for (j = 1; j <= 9; ++j) cc[j] = v[j] + 0
    }
    cframes[p] += 1
    for (s = 1; s <= 2; ++s) {
      cw[p, s] += cv[s]; ccv[p, s] += cc[s]
      if (cv[s] + cc[s] > cmax[p, s]) cmax[p, s] = cv[s] + cc[s]
    }
    dacc[p] += cv[3] + cc[3]; dmiss[p] += cv[4] + cc[4]
    ilines[p] += cv[5] + cc[5]; imiss[p] += cv[6] + cc[6]; mulu[p] += cv[7] + cc[7]
    cwd[p] += cv[4]; caw[p] += cv[3]; ccd[p] += cc[4]; cac[p] += cc[3]
    # The floor: the memory traffic alone at the pessimistic setting (line fills of
    # both caches, and the words written through the write buffer).
    split(mem2, mp, "/")
    fl = (cv[6] + cc[6] + cv[8] + cc[8]) * mp[1] + (cv[9] + cc[9]) * mp[2]
    floor_sum[p] += fl
  }
  $1 == "RC" && ($3 == "work" || $3 == "conv") {
    p = part_of($2); if (p < 0) next
    for (i = 4; i <= NF; ++i) { split($i, kv, "="); creg[$3, p, kv[1]] += kv[2]; cregs[$3, kv[1]] = 1 }
  }
  $1 == "TC" && $2 ~ /^precalc/ { pc_opt += $4; pc_pes += $5 }
  $1 == "X" {
    own = ($2 !~ /^(libc-|libm|soft-float|integer-division|SDL|libstdc\+\+|loader|other|program-other)/)
    xl[++nx] = sprintf("| %s | %s | %s | %s |", $2, own ? "the demo" : ($2 ~ /^program-other/ ? "toolchain code linked in (libgcc.a, start files)" : "library"), $3, $4)
    if (own) xown += $4
  }
  $1 == "R" && ($3 == "work" || $3 == "conv") {
    p = part_of($2); if (p < 0) next
    for (i = 4; i <= NF; ++i) { split($i, kv, "="); reg[$3, p, kv[1]] += kv[2]; regs[$3, kv[1]] = 1 }
  }
  $1 == "T" { tot[$2] = $3 }
  $1 == "TR" && ($2 == "work" || $2 == "conv") { all += $4; if ($3 ~ /^other/) other += $4; unclassed = all > 0 ? other / all : 0 }
  $1 == "V" { vcpus = $2 }
  END {
    printf "ARM instructions per frame (armel, the demo code ARMv4T, soft float, -O2; qemu-arm with tools/arm/icount-plugin.c),\n"
    printf "every frame of the whole timeline at 60 fps; x86-64 from callgrind (every 16th frame)\n\n"
    printf "| part | frames | frame work mean | worst | conversion mean | worst | work + conversion mean | worst | x86-64 whole frame | x86-64 demo |\n"
    printf "|---|---|---|---|---|---|---|---|---|---|\n"
    for (i = 1; i <= nparts; ++i) {
      p = order[i]; n = frames[p]; if (n == 0) continue
      printf "| %d %s | %d | %s | %s | %s | %s | %s | %s | %s | %s |\n", p, names[p + 1], n,
        k(sw[p] / n), k(mw[p]), k(sc[p] / n), k(mc[p]), k((sw[p] + sc[p]) / n), k(mwc[p]),
        (p in x86) ? k(x86[p]) : "-", (p in x86demo) ? k(x86demo[p]) : "-"
    }
    printf "\nEstimated cycles per frame on the ARM920T (tools/arm/icount-plugin.c: ARM9TDMI pipeline, 16 KB\n"
    printf "caches, write buffer), every frame; memory: optimistic %s, pessimistic %s (line fill / buffered word);\n", mem1, mem2
    printf "budget: work + conversion at most 3.33 M a frame at the pessimistic setting\n\n"
    printf "| part | work + conversion mean, optimistic | worst | mean, pessimistic | worst | frame work mean (pess.) | conversion mean (pess.) | memory traffic floor (pess.) | data misses per access (work / conversion) | instruction-cache misses per frame | multiplies of unknown operand per frame |\n"
    printf "|---|---|---|---|---|---|---|---|---|---|---|\n"
    for (i = 1; i <= nparts; ++i) {
      p = order[i]; n = cframes[p]; if (n == 0) continue
      printf "| %d %s | %s | %s | %s | %s | %s | %s | %s | %.1f%% / %.1f%% | %.0f | %.0f |\n", p, names[p + 1],
        k((cw[p, 1] + ccv[p, 1]) / n), k(cmax[p, 1]), k((cw[p, 2] + ccv[p, 2]) / n), k(cmax[p, 2]),
        k(cw[p, 2] / n), k(ccv[p, 2] / n), hasfloor ? k(floor_sum[p] / n) : "-",
        caw[p] ? 100 * cwd[p] / caw[p] : 0, cac[p] ? 100 * ccd[p] / cac[p] : 0, imiss[p] / n, mulu[p] / n
    }
    printf "\nInstructions outside ARMv4T that ran (whole run):\n\n"
    if (nx == 0) printf "none\n"
    else { printf "| region | whose | class | executed |\n|---|---|---|---|\n"; for (i = 1; i <= nx; ++i) print xl[i] }
    if (fns) {
      top("work", "The functions that take the most cycles of the frame work (pessimistic setting)", 15, "cycles", creg, cregs, cframes)
      top("conv", "The functions of the conversion by cycles", 6, "cycles", creg, cregs, cframes)
      top("work", "The functions that take most of the frame work", 15, "ARM instructions", reg, regs, frames)
      top("conv", "The functions of the conversion", 6, "ARM instructions", reg, regs, frames)
    } else {
      by_region("work", "Where the frame work goes")
      by_region("conv", "Where the conversion goes")
    }
    printf "\nPrecalculation: %s ARM instructions in all (precalcs()), by step:\n\n", k(tot["precalc"] + steps())
    printf "| step | instructions |\n|---|---|\n"
    ns = 0
    for (ph in tot) if (ph ~ /^precalc:/) sl[++ns] = ph
    for (i = 1; i <= ns; ++i) for (j = i + 1; j <= ns; ++j) if (tot[sl[j]] > tot[sl[i]]) { t = sl[i]; sl[i] = sl[j]; sl[j] = t }
    for (i = 1; i <= ns; ++i) printf "| %s | %s |\n", substr(sl[i], 9), k(tot[sl[i]])
    printf "| (the loops of precalcs itself) | %s |\n", k(tot["precalc"])
    printf "\nPrecalculation cycles (the wait on the progress screen at 200 MHz): %s optimistic (%.2f s), %s pessimistic (%.2f s)\n", k(pc_opt), pc_opt / 2e8, k(pc_pes), pc_pes / 2e8
    printf "\nStart-up besides the precalculation: %s; guest threads seen: %d\n", k(tot["startup"]), vcpus
    if (unclassed > 0.01) printf "\nWARNING: %.1f%% of the frame work and conversion ran in code of no known file\n", 100 * unclassed
  }
  # The n regions of a phase with the highest mean per frame, per part: `val` holds the
  # counts by phase, part and region, `keys` the phase and region pairs, `fr` the frames
  # counted per part; `unit` names what is counted.
  function top(ph, title, n, unit, val, keys, fr,   i, j, m, p, t, nr, rl, line) {
    printf "\n%s (mean %s per frame, thousands):\n\n", title, unit
    for (i = 1; i <= nparts; ++i) {
      p = order[i]; if (fr[p] == 0) continue
      nr = 0; delete rl
      for (key in keys) { split(key, kr, SUBSEP); if (kr[1] == ph && val[ph, p, kr[2]] > 0) rl[++nr] = kr[2] }
      for (j = 1; j <= nr; ++j) for (m = j + 1; m <= nr; ++m) if (val[ph, p, rl[m]] > val[ph, p, rl[j]]) { t = rl[j]; rl[j] = rl[m]; rl[m] = t }
      line = "- part " p ":"
      for (j = 1; j <= nr && j <= n; ++j) line = line sprintf(" %s %.0f%s", rl[j], val[ph, p, rl[j]] / fr[p] / 1000, j < n && j < nr ? "," : "")
      print line
    }
  }
  # The mean per frame of one phase by region, in thousands of instructions; regions
  # that stay under 1,000 in every part are left out.
  function by_region(ph, title,   i, j, nr, p, n, r, t, hdr, sep, row, keep, rl) {
    nr = 0
    for (key in regs) {
      split(key, kr, SUBSEP); if (kr[1] != ph) continue
      r = kr[2]; keep = 0
      for (i = 1; i <= nparts; ++i) { p = order[i]; if (frames[p] > 0 && reg[ph, p, r] / frames[p] >= 1000) keep = 1 }
      if (keep) rl[++nr] = r
    }
    for (i = 1; i <= nr; ++i) for (j = i + 1; j <= nr; ++j) if (rl[j] < rl[i]) { t = rl[i]; rl[i] = rl[j]; rl[j] = t }
    printf "\n%s (mean ARM instructions per frame, thousands):\n\n", title
    hdr = "| part |"; sep = "|---|"
    for (j = 1; j <= nr; ++j) { hdr = hdr " " rl[j] " |"; sep = sep "---:|" }
    print hdr; print sep
    for (i = 1; i <= nparts; ++i) {
      p = order[i]; n = frames[p]; if (n == 0) continue
      row = "| " p " |"
      for (j = 1; j <= nr; ++j) row = row sprintf(" %.0f |", reg[ph, p, rl[j]] / n / 1000)
      print row
    }
  }
  function steps(   s, ph) { s = 0; for (ph in tot) if (ph ~ /^precalc:/) s += tot[ph]; return s }
' "$work/demo.out"
own_v5=$(awk '$1 == "X" && $2 !~ /^(libc-|libm|soft-float|integer-division|SDL|libstdc\+\+|loader|other|program-other)/' "$work/demo.out")
if [ -n "$own_v5" ]; then
  note "instructions outside ARMv4T ran in the demo's own code:"
  echo "$own_v5" >&2
  exit 1
fi
