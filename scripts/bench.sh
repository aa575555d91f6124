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
# ... the same JPEG carrying an Adobe RGB profile, its coded data untouched (colour management).
[ -f "$build/bench_colour.jpg" ] ||
    exiftool -q -o "$build/bench_colour.jpg" "-ICC_Profile<=/usr/share/color/icc/colord/AdobeRGB1998.icc" \
        "$build/bench_decode.jpg"
# ... and a progressive 4000 x 3000 one.
[ -f "$build/bench_progressive.jpg" ] ||
    convert -size 1000x750 plasma:fractal -resize 4000x3000! -quality 90 -interlace JPEG "$build/bench_progressive.jpg"
# ... and a 4000 x 3000 picture in each of the formats decoded by libraries of their own
# (8 bits a sample, and a 10-bit AVIF).
if [ ! -f "$build/bench_format.jxl" ]; then
    convert -size 1000x750 plasma:fractal -resize 4000x3000! -depth 8 "$build/bench_format.png"
    cwebp -quiet -q 90 "$build/bench_format.png" -o "$build/bench_format.webp"
    heif-enc -q 90 -o "$build/bench_format.heic" "$build/bench_format.png" >/dev/null
    avifenc -s 8 -j 2 "$build/bench_format.png" "$build/bench_format.avif" >/dev/null
    cjxl --quiet -d 1 "$build/bench_format.png" "$build/bench_format.jxl"
    avifenc -s 8 -j 2 -d 10 "$build/bench_format.png" "$build/bench_format-10bit.avif" >/dev/null
fi

# The failure benchmark reads 200,000 empty .png files and one good picture.
if [ ! -f "$build/bench-failures/zz-good.png" ]; then
    mkdir -p "$build/bench-failures"
    (cd "$build/bench-failures" && seq -f "empty%06g.png" 0 199999 | xargs touch &&
        python3 -c "import struct; open('zz-good.png', 'wb').write(b'BM' + struct.pack('<IHHI', 246, 0, 0, 54)
            + struct.pack('<IiiHHIIiiII', 40, 8, 8, 1, 24, 0, 192, 0, 0, 0, 0) + b'\x40' * 192)")
fi

# The Catalog benchmark reads 1,000 camera-style 3000 x 2000 JPEGs with an
# embedded EXIF thumbnail, and 1,000 without (hard links of two pictures).
if [ ! -f "$build/bench-catalog/complete" ]; then
    mkdir -p "$build/bench-catalog/thumbs" "$build/bench-catalog/plain"
    (cd "$build/bench-catalog" &&
        convert -size 750x500 plasma:fractal -resize 3000x2000! -quality 90 plain/IMG_0000.jpg &&
        convert plain/IMG_0000.jpg -resize 160x107! thumb.jpg &&
        exiftool -q -o thumbs/IMG_0000.jpg "-ThumbnailImage<=thumb.jpg" plain/IMG_0000.jpg &&
        for i in $(seq -f "%04g" 1 999); do
            ln -f thumbs/IMG_0000.jpg "thumbs/IMG_$i.jpg"
            ln -f plain/IMG_0000.jpg "plain/IMG_$i.jpg"
        done && touch complete)
fi
# ... and 40 pictures of 3000 x 2000 in each format with a decoder of its own.
if [ ! -f "$build/bench-catalog/formats-complete" ]; then
    (cd "$build/bench-catalog" &&
        convert -size 750x500 plasma:fractal -resize 3000x2000! -depth 8 format.png &&
        mkdir -p webp heic heic-thumbnail avif jxl &&
        cwebp -quiet -q 90 format.png -o webp/IMG_0000.webp &&
        heif-enc -q 90 -o heic/IMG_0000.heic format.png >/dev/null &&
        heif-enc -q 90 -t 320 -o heic-thumbnail/IMG_0000.heic format.png >/dev/null &&
        avifenc -s 8 -j 2 format.png avif/IMG_0000.avif >/dev/null &&
        cjxl --quiet -d 1 format.png jxl/IMG_0000.jxl &&
        for folder in webp heic heic-thumbnail avif jxl; do
            first=("$folder"/IMG_0000.*)
            for i in $(seq -f "%04g" 1 39); do ln -f "$first" "$folder/IMG_$i.${first##*.}"; done
        done && touch formats-complete)
fi

source scripts/wine-env.sh
trap ox_stop_all EXIT
ox_start_xvfb
ox_start_wine
ox_heap_checks off

for bench in bench_startup bench_decode bench_colour bench_jpeg bench_transitions bench_exhibit bench_watch bench_catalog bench_failures; do
    echo "== $bench"
    "$root/scripts/wine-run.sh" "$build/$bench.exe"
    if [ "$bench" = bench_decode ]; then
        echo "== bench_decode (progressive 4000 x 3000)"
        "$root/scripts/wine-run.sh" "$build/$bench.exe" "$(winepath -w "$build/bench_progressive.jpg" | tr -d '\r')" 5 0.3
        for name in bench_format.webp bench_format.heic bench_format.avif bench_format-10bit.avif bench_format.jxl; do
            echo "== bench_decode (4000 x 3000: $name)"
            "$root/scripts/wine-run.sh" "$build/$bench.exe" "$(winepath -w "$build/$name" | tr -d '\r')" 5 1.2
        done
    fi
done
