#!/usr/bin/env bash
# Fuzzes the asset converter with libFuzzer, one target per kind of source: PNG
# pictures, glyph art and OBJ meshes, each for a bounded time (60 s by default), in a
# clang build with AddressSanitizer and UndefinedBehaviorSanitizer. The sources under
# assets/ seed the corpora, which are kept in build-fuzz/corpus/ between runs. Prints
# a table of time, executions and findings per kind; an input that crashes, hangs or
# breaks one of the converter's promises is saved in build-fuzz/artifacts/ and makes
# the script fail.
#
#   tools/fuzz.sh [SECONDS]    seconds per kind (default 60)
#
# A saved input is replayed with: build-fuzz/tools/fuzz/fuzz_<kind> <file>
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

seconds=${1:-60}
if ! [[ "$seconds" =~ ^[1-9][0-9]*$ ]]; then
  echo "fuzz.sh: the time per kind must be a whole number of seconds" >&2
  exit 2
fi

# libFuzzer ships with clang's runtime libraries.
tools/install-deps.sh clang libclang-rt-dev

build=build-fuzz
CC=clang CXX=clang++ cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZUDEZED_FUZZ=ON \
  -DZUDEZED_TESTS=OFF -DZUDEZED_BENCH=OFF -DZUDEZED_SDL=OFF >/dev/null
cmake --build "$build" -j"$(nproc)" --target fuzz_png fuzz_glyphs fuzz_obj

mkdir -p "$build/corpus/png" "$build/corpus/glyphs" "$build/corpus/obj" "$build/artifacts" \
  "$build/logs"
cp assets/*.png "$build/corpus/png/"
cp assets/bitfonts.txt assets/fonts16.txt "$build/corpus/glyphs/"
cp assets/*.obj "$build/corpus/obj/"

# Dictionaries: the words each format is made of.
printf '"glyph "\n"#"\n"."\n";"\n"\\x0a"\n"\\x0d\\x0a"\n"f"\n"9"\n' >"$build/glyphs.dict"
printf '"v "\n"l "\n"f "\n"o "\n"g "\n"s "\n"#"\n"/"\n"-64"\n"63"\n"\\x0a"\n"e9"\n"nan"\n' >"$build/obj.dict"
printf '"IHDR"\n"IDAT"\n"IEND"\n"PLTE"\n"tRNS"\n"gAMA"\n"sBIT"\n' >"$build/png.dict"

# The targets' scratch files go to a folder of the build, emptied after the runs.
export TMPDIR="$root/$build/tmp"
rm -rf "$TMPDIR"
mkdir -p "$TMPDIR"
export ASAN_OPTIONS=halt_on_error=1:detect_leaks=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1

rows=()
failed=0
for kind in png glyphs obj; do
  log="$build/logs/$kind.log"
  echo "fuzz: $kind for $seconds s" >&2
  status=0
  "$build/tools/fuzz/fuzz_$kind" "$build/corpus/$kind" -dict="$build/$kind.dict" \
    -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$root/$build/artifacts/$kind-" >"$log" 2>&1 || status=$?
  execs=$(sed -nE 's/^stat::number_of_executed_units: *([0-9]+).*/\1/p' "$log" | tail -n 1)
  took=$(sed -nE 's/^Done [0-9]+ runs in ([0-9]+) second.*/\1/p' "$log" | tail -n 1)
  corpus=$(find "$build/corpus/$kind" -type f | wc -l)
  if [ "$status" -eq 0 ]; then
    result="nothing found"
  else
    failed=1
    artifact=$(sed -nE 's/.*Test unit written to (.*)$/\1/p' "$log" | tail -n 1)
    result="FOUND: ${artifact:-see $log}"
    echo "---- $kind: the end of $log:" >&2
    tail -n 40 "$log" >&2
  fi
  rows+=("$(printf '%-7s %8s %12s %8s  %s' "$kind" "${took:-$seconds} s" "${execs:-?}" "$corpus" "$result")")
done

rm -rf "$TMPDIR"

echo
printf '%-7s %8s %12s %8s  %s\n' kind time executions corpus result
for r in "${rows[@]}"; do echo "$r"; done
exit "$failed"
