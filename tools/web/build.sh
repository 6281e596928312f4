#!/usr/bin/env bash
# Builds the browser version of the demo into build-web/site/, a static folder that
# any web server can serve: index.html, page.js, page.css, zudezed.js, zudezed.wasm
# and sorvaline.mp3. Also builds build-web/zudezed-framehash.js, the table and frame
# comparison for Node.js.
#
#   tools/web/build.sh
#   ZUDEZED_WEB_PROFILE=1 tools/web/build.sh   (the same in build-web-profile/, with the
#                                            WebAssembly's function names for a profile)
#
# Installs what is missing (Debian's emscripten, node-acorn, ffmpeg), builds the
# build machine's tools in build/ (the asset converter, the music renderer, and the
# capture and comparison programs the tests use), then the
# browser build in build-web/ with emscripten. The music: the module played through
# SDL_mixer as the desktop plays it (zudezed-musicrender), encoded as MP3.
set -euo pipefail
cd "$(dirname "$0")/../.."
root=$(pwd)
jobs=$(nproc)
[ "$jobs" -gt 2 ] && jobs=2
host_dir="${ZUDEZED_HOST_BUILD:-$root/build}"
web_dir="$root/build-web"
profile=OFF
if [ "${ZUDEZED_WEB_PROFILE:-0}" = 1 ]; then
  web_dir="$root/build-web-profile"
  profile=ON
fi
site="$web_dir/site"

tools/install-deps.sh emscripten node-acorn ffmpeg
# emcc's JavaScript optimizer needs the acorn module, which Debian installs where
# only Debian's own Node.js looks.
export NODE_PATH="/usr/share/nodejs${NODE_PATH:+:$NODE_PATH}"

launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi

# ---- The build machine's tools --------------------------------------------------------
# Configured as tools/run-tests.sh configures it, so that neither rebuilds the other's.
cmake -S . -B "$host_dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$host_dir" -j"$jobs" --target assetconv zudezed-musicrender sorvaline_mod zudezed-capture zudezed-framehash

# ---- The browser build -----------------------------------------------------------------
emcmake cmake -S . -B "$web_dir" -DCMAKE_BUILD_TYPE=Release -DZUDEZED_TESTS=OFF \
  -DZUDEZED_BENCH=OFF -DZUDEZED_WEB_PROFILE=$profile -DZUDEZED_HOST_ASSETCONV="$host_dir/tools/assetconv/assetconv" \
  "${launcher[@]}" >/dev/null
cmake --build "$web_dir" -j"$jobs" --target zudezed zudezed-framehash

# ---- The page ----------------------------------------------------------------------------
mkdir -p "$site"
cp platform/web/page/index.html platform/web/page/page.js platform/web/page/page.css "$site/"
music_wav="$web_dir/sorvaline.wav"
if [ ! -f "$site/sorvaline.mp3" ] || [ "$host_dir/sorvaline.mod" -nt "$site/sorvaline.mp3" ] ||
   [ "$host_dir/zudezed-musicrender" -nt "$site/sorvaline.mp3" ]; then
  "$host_dir/zudezed-musicrender" "$host_dir/sorvaline.mod" "$music_wav"
  # MPEG-2 layer III at the mixer's own rate: every browser decodes it.
  ffmpeg -v error -y -i "$music_wav" -c:a libmp3lame -b:a 64k "$site/sorvaline.mp3"
fi
echo "The page is in $site:"
(cd "$site" && ls -l index.html page.js page.css zudezed.js zudezed.wasm sorvaline.mp3 | awk '{printf "  %-14s %9d bytes\n", $9, $5}')
du -cb "$site"/index.html "$site"/page.js "$site"/page.css "$site"/zudezed.js "$site"/zudezed.wasm \
  "$site"/sorvaline.mp3 | awk 'END {printf "  total          %9d bytes\n", $1}'
