#!/usr/bin/env bash
# Builds the x86_64 target and runs every benchmark under Wine on a private
# Xvfb display. Each prints its medians and its ratio against a floor measured
# in the same run.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"

bash scripts/setup.sh
bash scripts/build.sh

build="$root/build/x86_64"
# The decode benchmark reads a 6000 x 4000 JPEG beside it.
[ -f "$build/bench_decode.jpg" ] ||
    convert -size 1500x1000 plasma:fractal -resize 6000x4000! -quality 90 "$build/bench_decode.jpg"

# The failure benchmark reads 200,000 empty .png files and one good picture.
if [ ! -f "$build/bench-failures/zz-good.png" ]; then
    mkdir -p "$build/bench-failures"
    (cd "$build/bench-failures" && seq -f "empty%06g.png" 0 199999 | xargs touch &&
        python3 -c "import struct; open('zz-good.png', 'wb').write(b'BM' + struct.pack('<IHHI', 246, 0, 0, 54)
            + struct.pack('<IiiHHIIiiII', 40, 8, 8, 1, 24, 0, 192, 0, 0, 0, 0) + b'\x40' * 192)")
fi

source scripts/wine-env.sh
trap ox_stop_all EXIT
ox_start_xvfb
ox_start_wine
ox_heap_checks off

for bench in bench_startup bench_decode bench_transitions bench_exhibit bench_watch bench_failures; do
    echo "== $bench"
    "$root/scripts/wine-run.sh" "$build/$bench.exe"
done
