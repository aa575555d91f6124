#!/usr/bin/env bash
# Mutation fuzzing of the parsers that read files from outside (picture
# headers, EXIF and embedded thumbnails, metafiles, the decoders, the frames
# of animated GIFs and WebPs, settings and language files, shortcuts) under
# Wine on a private Xvfb display. Not run by CI.
#
#   scripts/fuzz.sh [count] [seconds] [seed]      (defaults: 2000000 inputs, 300 s, seed 1)
#
# The harness (bench/fuzz_parsers.cpp) keeps its counters and the input under
# way in build/fuzz/current.bin. When it dies on an input it is started again:
# it saves that input under build/fuzz/findings and goes on after it. The
# slowest input of each parser is kept as build/fuzz/slowest-<parser>.bin.
# FUZZ_HEAP_CHECKS=1 turns Wine's freed-memory checks on for the harness
# (slower; off by default, as for the benchmarks).
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"
count="${1:-2000000}"
seconds="${2:-300}"
seed="${3:-1}"

build="$root/build/x86_64"
if [ ! -f "$build/build.ninja" ]; then
    cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake
fi
cmake --build "$build" --target fuzz_parsers

work="$root/build/fuzz"
rm -rf "$work"
mkdir -p "$work"
windows() { echo "Z:${1//\//\\}"; }

source scripts/wine-env.sh
trap ox_stop_all EXIT
ox_start_xvfb
ox_start_wine
key='HKLM\Software\Microsoft\Windows NT\CurrentVersion\Image File Execution Options\fuzz_parsers.exe'
if [ "${FUZZ_HEAP_CHECKS:-0}" = 1 ]; then
    wine reg add "$key" /v GlobalFlag /t REG_DWORD /d 0x70 /f >/dev/null 2>&1 || true
else
    wine reg delete "$key" /f >/dev/null 2>&1 || true
fi

restarts=0
while :; do
    rc=0
    "$root/scripts/wine-run.sh" "$build/fuzz_parsers.exe" "$(windows "$work")" "$(windows "$root/tests/data")" \
        "$count" "$seconds" "$seed" >"$work/run.log" 2>&1 || rc=$?
    cat "$work/run.log" >>"$work/all.log"
    [ "$rc" -eq 0 ] && break
    grep -E "^(crash|stall)" "$work/run.log" || echo "harness ended with code $rc"
    restarts=$((restarts + 1))
    if [ "$restarts" -ge 500 ]; then
        echo "fuzz: giving up after $restarts restarts"
        break
    fi
done

sed -n '/inputs in/,$p' "$work/run.log"
findings=$(find "$work" -path "*/findings/*" -type f | wc -l)
echo "findings: $findings (in build/fuzz/findings); restarts: $restarts"
