#!/usr/bin/env bash
# Regenerates the small pictures under tests/data/exif and tests/data/formats.
# exif/: a 32x16 reference picture (red, green / blue, white quadrants) stored
# turned so that each EXIF orientation 1..8 turns it back, in both TIFF byte
# orders (o<N>-ii.jpg, o<N>-mm.jpg), plus plain.jpg without any EXIF block.
# formats/: one file per pixel depth for the bit-depth read-out.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
exif="$here/tests/data/exif"
formats="$here/tests/data/formats"
mkdir -p "$exif" "$formats"
tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT

convert -size 16x8 xc:red -size 16x8 xc:lime +append "$tmp/top.png"
convert -size 16x8 xc:blue -size 16x8 xc:white +append "$tmp/bottom.png"
convert "$tmp/top.png" "$tmp/bottom.png" -append +repage "$tmp/reference.png"

# How the stored pixels relate to the upright picture for each orientation.
declare -A stored=([1]="" [2]="-flop" [3]="-rotate 180" [4]="-flip" [5]="-transpose"
                   [6]="-rotate 270" [7]="-transverse" [8]="-rotate 90")
for n in 1 2 3 4 5 6 7 8; do
    for order in II MM; do
        out="$exif/o$n-${order,,}.jpg"
        # shellcheck disable=SC2086
        convert "$tmp/reference.png" ${stored[$n]} -strip -quality 100 -sampling-factor 1x1 "$out"
        exiftool -q -overwrite_original -ExifByteOrder="$order" -Orientation="$n" -n "$out"
        # Check with an independent tool that the tag turns the picture upright.
        got="$(convert "$out" -auto-orient -format '%w %h %[pixel:p{4,4}]' info:)"
        [[ "$got" == "32 16 srgb(25"* || "$got" == "32 16 red"* ]] || { echo "bad $out: $got" >&2; exit 1; }
    done
done
convert "$tmp/reference.png" -strip -quality 100 -sampling-factor 1x1 "$exif/plain.jpg"

# A camera's kind of file: a 640 x 320 picture stored turned (320 x 640, orientation 6),
# carrying a 120 x 160 thumbnail of itself, stored alike, in its EXIF block, big-endian.
convert "$tmp/reference.png" -filter point -resize 640x320! -rotate 270 -strip "$tmp/camera.jpg"
convert "$tmp/camera.jpg" -resize 120x160! "$tmp/thumb.jpg"
exiftool -q -overwrite_original -ExifByteOrder=MM -Orientation=6 -n "-ThumbnailImage<=$tmp/thumb.jpg" "$tmp/camera.jpg"
cp "$tmp/camera.jpg" "$exif/camera-thumbnail.jpg"

convert "$tmp/reference.png" -monochrome -type bilevel "BMP3:$formats/bits1.bmp"
convert "$tmp/reference.png" -colors 16 -type palette "BMP3:$formats/bits4.bmp"
convert "$tmp/reference.png" -type palette "PNG8:$formats/bits8.png"
convert "$tmp/reference.png" -type truecolor "BMP3:$formats/bits24.bmp"
convert "$tmp/reference.png" -type truecoloralpha "PNG32:$formats/bits32.png"
convert "$tmp/reference.png" "$formats/bits8.gif"
