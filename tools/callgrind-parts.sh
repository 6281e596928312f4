#!/usr/bin/env bash
# Instructions per frame of every part of the demo, counted by callgrind: the demo is
# played at 60 frames per second by zudezed-partbench, every STRIDE-th frame of each
# part is counted (drawing, text, events and the screen conversion), and the mean per
# counted frame is printed per part, with the same per screen pixel (76800 pixels).
# Instruction counts repeat from run to run, unlike wall-clock times.
#
#   tools/callgrind-parts.sh [BUILD_DIR] [STRIDE] [KEEP_DIR]   (defaults: build, 16)
#
# With KEEP_DIR the dump files (one per part) are kept there for callgrind_annotate.
# Needs valgrind; builds zudezed-partbench in BUILD_DIR first. A run takes a few
# minutes (STRIDE 16 counts about 850 frames).
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$here/build}
stride=${2:-16}
command -v valgrind >/dev/null || { echo "callgrind-parts: valgrind is not installed" >&2; exit 1; }
cmake --build "$build" --target zudezed-partbench >/dev/null
if [[ -n ${3:-} ]]; then
  out=$3
  mkdir -p "$out"
  rm -f "$out"/cg.out*
else
  out=$(mktemp -d)
  trap 'rm -rf "$out"' EXIT
fi
build=$(cd "$build" && pwd)
(cd "$out" && valgrind --tool=callgrind --instr-atstart=no \
  --callgrind-out-file="$out/cg.out" "$build/zudezed-partbench" "$stride" >"$out/log" 2>"$out/valgrind.log") ||
  { cat "$out/valgrind.log" >&2; exit 1; }
# Every dump file: its name "part<P>-frames<N>", the instruction total, and the part
# of it spent in the SDL library (the presentation of the screen surface, which the
# demo's code does not control), shown separately.
names=(Space Kavrel PolarTunnel JuhliaIn JuhliaBig PlasmaFace PlasmaCube "(end)" WaterPart)
printf '%-4s %-12s %8s %12s %10s %12s %10s\n' part routine counted "Ir/frame" "Ir/pixel" \
  "SDL Ir/fr" "demo Ir/fr"
all_ir=0
all_sdl=0
all_n=0
for f in "$out"/cg.out.*; do
  desc=$(sed -n 's/^desc: Trigger: Client Request: //p' "$f")
  [[ $desc =~ ^part([0-9]+)-frames([0-9]+)$ ]] || continue
  p=${BASH_REMATCH[1]}
  n=${BASH_REMATCH[2]}
  ir=$(sed -n 's/^totals: *\([0-9]*\).*/\1/p' "$f" | head -n 1)
  [[ $n -gt 0 && -n $ir ]] || continue
  sdl=$(callgrind_annotate --threshold=100 "$f" 2>/dev/null |
    awk '/\[.*libSDL[^]]*\]$/ { gsub(",", "", $1); s += $1 } END { printf "%d", s }')
  all_ir=$((all_ir + ir))
  all_sdl=$((all_sdl + sdl))
  all_n=$((all_n + n))
  awk -v p="$p" -v name="${names[$p]}" -v n="$n" -v ir="$ir" -v sdl="$sdl" \
    'BEGIN { printf "%-4s %-12s %8d %12.0f %10.1f %12.0f %10.0f\n", p, name, n, ir / n,
             ir / n / 76800, sdl / n, (ir - sdl) / n }'
done
if [[ $all_n -gt 0 ]]; then
  awk -v n="$all_n" -v ir="$all_ir" -v sdl="$all_sdl" \
    'BEGIN { printf "%-4s %-12s %8d %12.0f %10.1f %12.0f %10.0f\n", "all", "", n, ir / n,
             ir / n / 76800, sdl / n, (ir - sdl) / n }'
fi
