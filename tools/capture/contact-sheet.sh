#!/usr/bin/env bash
# Makes the contact sheets of docs/ from frames of the demo (zudezed-capture --frame,
# 60 fps) and ImageMagick's montage:
#   parts  docs/parts.png: one frame of every part, in the order they play, as a 4 x 2
#          sheet of captioned thumbnails
#   face   docs/face.png: 16 moments of part 5, the head in wireframe, flat and Gouraud
#          shading from the poses the scene turns it to, as a 4 x 4 captioned sheet
#   art    docs/art-in-demo.png: the art in the demo (title logo, cylinder textures,
#          chrome sphere map, ball sprite, head, group picture and large font), 3 x 2
#          frames edge to edge
# Needs a build with zudezed-capture.
#   tools/capture/contact-sheet.sh [BUILD_DIR] [OUTPUT] [parts|face|art]
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${1:-build}
sheet=${3:-parts}
case "$sheet" in
  parts) output=${2:-docs/parts.png} ;;
  face) output=${2:-docs/face.png} ;;
  art) output=${2:-docs/art-in-demo.png} ;;
  *)
    echo "contact-sheet: unknown sheet '$sheet' (parts, face or art)" >&2
    exit 2
    ;;
esac
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

# Timeline time (ms) of each thumbnail and its caption.
case "$sheet" in
  parts)
    # A moment well inside each part.
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
    tile=4x2 geometry=320x240+6+6
    ;;
  face)
    # Part 5 begins at 133.466 s; the head appears 6.656 s later. Where the eye is,
    # relative to the head (from above or below the face, and to its side), follows
    # each time.
    shots=(
      "141000:141.0 s  wireframe building"
      "142800:142.8 s  wireframe building"
      "144600:144.6 s  wireframe, above"
      "147600:147.6 s  flat building, above"
      "149100:149.1 s  flat building, below"
      "150600:150.6 s  flat building, high above"
      "152100:152.1 s  flat building, below"
      "155100:155.1 s  flat, below"
      "156600:156.6 s  flat, above, side"
      "159600:159.6 s  flat, above"
      "162600:162.6 s  flat to Gouraud, above"
      "164100:164.1 s  flat to Gouraud, front"
      "170100:170.1 s  Gouraud, above"
      "174600:174.6 s  Gouraud, below"
      "179100:179.1 s  Gouraud, high above"
      "180600:180.6 s  Gouraud, going, below"
    )
    tile=4x4 geometry=320x240+6+6
    ;;
  art)
    shots=(
      "5000:"
      "30000:"
      "66000:"
      "125000:"
      "171000:"
      "213000:"
    )
    tile=3x2 geometry=320x240+0+0
    ;;
esac
files=()
for i in "${!shots[@]}"; do
  ms=${shots[$i]%%:*}
  label=${shots[$i]#*:}
  f="$work/$i.png"
  "$capture" --frame "$ms" --out "$f"
  if [ "$sheet" = art ]; then
    files+=("$f")
  elif [ "$sheet" = face ]; then
    files+=(-label "$label" "$f")
  else
    files+=(-label "$label  ($((ms / 1000)) s)" "$f")
  fi
done
mkdir -p "$(dirname "$output")"
montage "${files[@]}" -tile "$tile" -geometry "$geometry" -background '#202020' -fill '#e0e0e0' \
  -font DejaVu-Sans -pointsize 14 "$output"
echo "wrote $output"
