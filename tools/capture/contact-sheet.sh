#!/usr/bin/env bash
# Makes docs/parts.png: one frame of every part of the timeline, in the order they
# play, as a 4 x 2 sheet of captioned thumbnails. Needs a build with zudezed-capture
# and ImageMagick's montage.
#   tools/capture/contact-sheet.sh [BUILD_DIR] [OUTPUT]
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${1:-build}
output=${2:-docs/parts.png}
capture="$build/zudezed-capture"
if [ ! -x "$capture" ]; then
  echo "contact-sheet: no $capture; build it first (cmake --build $build --target zudezed-capture)" >&2
  exit 1
fi
if ! command -v montage >/dev/null; then
  echo "contact-sheet: needs ImageMagick's montage (apt-get install imagemagick)" >&2
  exit 1
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Timeline time (ms) of each thumbnail and its caption: a moment well inside each part.
shots=(
  "5000:part 0  Space"
  "30000:part 1  Kavrel"
  "66000:part 2  PolarTunnel"
  "93000:part 3  JuhliaIn"
  "118000:part 4  JuhliaBig"
  "155000:part 5  PlasmaFace"
  "193000:part 6  PlasmaCube"
  "213000:part 8  WaterPart"
)
files=()
for i in "${!shots[@]}"; do
  ms=${shots[$i]%%:*}
  label=${shots[$i]#*:}
  f="$work/$i.png"
  "$capture" --frame "$ms" --out "$f"
  files+=(-label "$label  ($((ms / 1000)) s)" "$f")
done
mkdir -p "$(dirname "$output")"
montage "${files[@]}" -tile 4x2 -geometry 320x240+6+6 -background '#202020' -fill '#e0e0e0' \
  -pointsize 14 "$output"
echo "wrote $output"
