#!/usr/bin/env bash
# The browser version's tests, as CI runs them after the main suite:
#  1. builds the page (tools/web/build.sh);
#  2. compares the tables and frames of the browser build, run by Node.js, with the
#     build machine's (zudezed-framehash --dump / --diff);
#  3. the browser test (tools/web/test.mjs): Debian's chromium, headless, driven by
#     playwright-core (npm, pinned in tools/web/package-lock.json), including the
#     whole timeline in real time (about 4 minutes; ZUDEZED_WEB_FULL=0 leaves it out);
#  4. the page in every engine (tools/web/engines-test.mjs): chromium, firefox-esr
#     (puppeteer-core, pinned) and WebKitGTK's MiniBrowser (WebKitWebDriver under
#     Xvfb), each playing into a PulseAudio null sink that the test records; and the
#     phone cases in chromium's phone emulation. ZUDEZED_WEB_ENGINES picks the engines
#     (by default all three; ZUDEZED_WEB_ENGINES=firefox tools/web/run-tests.sh runs one;
#     the phone cases run when chromium is among them).
#
#   tools/web/run-tests.sh
#
# Writes the measured figures to build-web/web-report.json. About 13 minutes on two
# cores from a fresh clone, most of it the real-time timeline and the recorded music.
set -euo pipefail
cd "$(dirname "$0")/../.."
root=$(pwd)
host_dir="${ZUDEZED_HOST_BUILD:-$root/build}"
web_dir="$root/build-web"

tools/install-deps.sh chromium python3 firefox-esr webkit2gtk-driver pulseaudio pulseaudio-utils xvfb
tools/web/build.sh

# ---- The same tables and frames in Node.js as on the build machine ------------------
rm -rf "$web_dir/framehash-host" "$web_dir/framehash-web"
"$host_dir/zudezed-framehash" --dump "$web_dir/framehash-host" > /dev/null
# Run where there is no music: the comparison draws the frames only.
(cd "$web_dir" && node zudezed-framehash.js --dump "$web_dir/framehash-web" > /dev/null)
"$host_dir/zudezed-framehash" --diff "$web_dir/framehash-host" "$web_dir/framehash-web"

# ---- The browser test ------------------------------------------------------------------
(cd tools/web && npm ci --no-audit --no-fund --loglevel=error)
ZUDEZED_WEB_FULL="${ZUDEZED_WEB_FULL:-1}" ZUDEZED_WEB_REPORT="$web_dir/web-report.json" \
  ZUDEZED_HOST_BUILD="$host_dir" node --test tools/web/test.mjs
ZUDEZED_WEB_ENGINES="${ZUDEZED_WEB_ENGINES:-chromium,firefox,webkit}" ZUDEZED_WEB_REPORT="$web_dir/web-report.json" \
  ZUDEZED_HOST_BUILD="$host_dir" node --test tools/web/engines-test.mjs
