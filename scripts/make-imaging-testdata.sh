#!/usr/bin/env bash
# Regenerates the small pictures under tests/data/exif and tests/data/formats.
# exif/: a 32x16 reference picture (red, green / blue, white quadrants) stored
# turned so that each EXIF orientation 1..8 turns it back, in both TIFF byte
# orders (o<N>-ii.jpg, o<N>-mm.jpg), plus plain.jpg without any EXIF block.
# formats/: one file per pixel depth for the bit-depth read-out.
# jpeg/: one 204 x 124 picture (a seeded plasma with solid red, lime, blue and
# white 24 x 24 corners, clockwise from top left) in each way a JPEG is coded.
# webp/: the same picture made by cwebp, lossy and lossless, each also with an
# alpha channel (the lime corner half transparent, the blue one transparent),
# and a two-frame animation of the 32x16 reference picture.
# heif/: the same plasma as an HEIC (HEVC, libheif's heif-enc with x265; once more
# carrying a thumbnail of 64 pixels across) and as
# AVIFs (AV1, avifenc with aom) of 8 and 10 bits, all with 4:2:0 chroma; and
# small pictures made both ways where the tools allow: a solid colour (the AVIF
# with a made-up colour profile), a black-to-white gradient (also as a grey
# AVIF), the 32x16 reference picture with alpha (the lime quadrant half
# transparent, the blue one transparent; also as a 10-bit AVIF), 10- and
# 12-bit solid colours coded losslessly whose 8-bit values need rounding, and
# AVIFs only (heif-enc cannot): the reference stored turned with the container
# turning it back, once with an EXIF orientation saying the same, its right
# half cut out by the container's clean aperture, and a 2x2 grid of it at
# 128 x 128. heif-enc keeps a JPEG's EXIF orientation without
# turning anything: exif6.heic is stored 16 x 32.
# jxl/: made by Debian's cjxl (libjxl-tools): the 32x16 reference picture coded
# losslessly as a bare codestream; a solid rgb(40,120,200) 16x16 (lossy) and
# 1024x1024 (lossless, large enough to be decoded by several threads); a 64x16
# red-to-blue gradient, lossy and lossless; the reference picture with alpha
# (the lime quadrant half transparent, the blue one transparent); the reference
# picture stored turned with orientation 6 in its header (cjxl takes it from
# the PNG's EXIF block; a container file); a 64x1 16-bit gradient from black to
# rgb(65535,30002,10001); a 64x16 grey gradient; the red-to-blue gradient
# marked gamma 0.7 (not sRGB: its colours need a profile); and a two-frame
# animation from a GIF, the reference picture then the same turned 180 degrees.
# anim/: animations of a few 8 x 8 frames, GIFs by ImageMagick and WebPs by
# img2webp and gif2webp (webp): red, lime and blue frames shown 0, 1 and 50
# hundredths (5, 16 and 500 ms in the WebP), played 3 times (the GIF says 2
# repeats, the WebP 3 loops: both play 3 passes), the GIF's later
# frames with colour tables of their own; a red frame, then a blue 4 x 4 one at
# (2, 2) whose top left pixel is transparent, disposed of by none, background
# or previous, then a lime pixel at (0, 0), as GIFs and as WebPs converted
# from them; a 4 x 16 grey ramp (17 a row) interlaced, then the same upside
# down; a WebP of a red frame then lime at half opacity over the left half;
# and a 64 x 64 plasma of 256 colours, then the same upside down, coded in
# codes of up to 12 bits.
# colour/: pictures carrying colour profiles from Debian's colord-data: a red
# 16x16 JPEG and PNG marked SwappedRedAndGreen (shown green when its profile is
# honoured), and anim/delays.webp marked so (red, lime, blue shown lime, red, blue); eight 8x8 patches in a row, marked Adobe RGB (1998) and ProPhoto
# RGB, as JPEG (4:4:4, best quality: each patch comes back exact), PNG and TIFF; and
# expected.txt, one line a patch: file, patch, and the sRGB colour Little CMS's
# transicc computes for it (perceptual intent, clipped and rounded to 8 bits).
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
exif="$here/tests/data/exif"
formats="$here/tests/data/formats"
jpeg="$here/tests/data/jpeg"
webp="$here/tests/data/webp"
heif="$here/tests/data/heif"
jxl="$here/tests/data/jxl"
anim="$here/tests/data/anim"
colour="$here/tests/data/colour"
mkdir -p "$exif" "$formats" "$jpeg" "$webp" "$heif" "$jxl" "$anim" "$colour"
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
convert "$tmp/reference.png" -strip -type truecolor "PNG24:$tmp/reference24.png"
cjxl --quiet -d 0 "$tmp/reference24.png" "$jxl/quadrants.jxl"
convert -size 16x16 xc:'rgb(40,120,200)' -strip -type truecolor "PNG24:$tmp/solid.png"
cjxl --quiet -d 1 "$tmp/solid.png" "$jxl/solid.jxl"
convert -size 1024x1024 xc:'rgb(40,120,200)' -strip -type truecolor "PNG24:$tmp/large.png"
cjxl --quiet -d 0 "$tmp/large.png" "$jxl/large.jxl"
convert -size 16x64 gradient:red-blue -rotate 90 -strip -type truecolor "PNG24:$tmp/gradient.png"
cjxl --quiet -d 1 "$tmp/gradient.png" "$jxl/gradient-lossy.jxl"
cjxl --quiet -d 0 "$tmp/gradient.png" "$jxl/gradient-lossless.jxl"
convert "$tmp/reference.png" \( -size 32x16 xc:white -fill gray50 -draw "rectangle 16,0 31,7" \
    -fill black -draw "rectangle 0,8 15,15" \) -alpha off -compose CopyOpacity -composite -strip "PNG32:$tmp/alpha.png"
cjxl --quiet -d 0 "$tmp/alpha.png" "$jxl/alpha.jxl"
convert "$tmp/reference.png" -rotate 270 -strip -type truecolor "PNG24:$tmp/turned.png"
exiftool -q -overwrite_original -Orientation=6 -n "$tmp/turned.png"
cjxl --quiet -d 0 "$tmp/turned.png" "$jxl/turned.jxl"
convert -size 1x64 gradient:'rgb(100%,45.78%,15.26%)'-black -rotate 90 -depth 16 -strip -type truecolor \
    "PNG48:$tmp/deep.png"
cjxl --quiet -d 0 "$tmp/deep.png" "$jxl/deep16.jxl"
convert -size 16x64 gradient:black-white -rotate 90 -colorspace Gray -depth 8 -strip -define png:color-type=0 \
    "PNG:$tmp/grey.png"
cjxl --quiet -d 0 "$tmp/grey.png" "$jxl/grey.jxl"
convert "$tmp/gradient.png" -strip -set gamma 0.7 -define png:include-chunk=gAMA "PNG24:$tmp/gamma.png"
cjxl --quiet -d 1 "$tmp/gamma.png" "$jxl/gamma.jxl"
convert "$tmp/reference.png" -rotate 180 "$tmp/second.png"
convert -delay 50 "$tmp/reference.png" "$tmp/second.png" -loop 0 "$tmp/animation.gif"
cjxl --quiet -d 0 "$tmp/animation.gif" "$jxl/animation.jxl"

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

convert -seed 7 -size 204x124 plasma:fractal -blur 0x2 \
    -fill red -draw "rectangle 0,0 23,23" -fill lime -draw "rectangle 180,0 203,23" \
    -fill blue -draw "rectangle 180,100 203,123" -fill white -draw "rectangle 0,100 23,123" \
    -strip -type truecolor "PNG24:$tmp/plasma.png"
convert "$tmp/plasma.png" "PPM:$tmp/plasma.ppm"
convert "$tmp/plasma.png" -quality 90 "$jpeg/baseline.jpg"
convert "$tmp/plasma.png" -quality 90 -interlace JPEG "$jpeg/progressive.jpg"
cjpeg -quality 90 -restart 1 -outfile "$jpeg/restart.jpg" "$tmp/plasma.ppm"
cjpeg -quality 90 -arithmetic -restart 1 -outfile "$jpeg/arithmetic.jpg" "$tmp/plasma.ppm"
convert "$tmp/plasma.png" -quality 90 -colorspace Gray "$jpeg/gray.jpg"
# CMYK as Adobe's programs write it (inverted, APP14 marker), plainly and as YCCK.
# ImageMagick writes CMYK as YCCK; the plain CMYK file is recoded from it with
# the JPEG library itself (Debian's libjpeg62-turbo-dev).
convert "$tmp/plasma.png" -quality 90 -colorspace CMYK "$jpeg/ycck.jpg"
cat >"$tmp/recode.c" <<'C'
#include <stdio.h>
#include <stdlib.h>
#include <jpeglib.h>
int main(int argc, char** argv) {
    struct jpeg_decompress_struct in; struct jpeg_compress_struct out; struct jpeg_error_mgr e1, e2;
    FILE *from = fopen(argv[1], "rb"), *to = fopen(argv[2], "wb");
    in.err = jpeg_std_error(&e1); jpeg_create_decompress(&in); jpeg_stdio_src(&in, from);
    jpeg_read_header(&in, TRUE); in.out_color_space = JCS_CMYK; jpeg_start_decompress(&in);
    out.err = jpeg_std_error(&e2); jpeg_create_compress(&out); jpeg_stdio_dest(&out, to);
    out.image_width = in.output_width; out.image_height = in.output_height;
    out.input_components = 4; out.in_color_space = JCS_CMYK;
    jpeg_set_defaults(&out); jpeg_set_colorspace(&out, JCS_CMYK); jpeg_set_quality(&out, 90, TRUE);
    jpeg_start_compress(&out, TRUE);
    JSAMPROW row = malloc(in.output_width * 4);
    while (in.output_scanline < in.output_height) { jpeg_read_scanlines(&in, &row, 1); jpeg_write_scanlines(&out, &row, 1); }
    jpeg_finish_compress(&out); jpeg_finish_decompress(&in); fclose(to); return 0;
}
C
cc -o "$tmp/recode" "$tmp/recode.c" -ljpeg
"$tmp/recode" "$jpeg/ycck.jpg" "$jpeg/cmyk.jpg"

cwebp -quiet -q 90 "$tmp/plasma.png" -o "$webp/lossy.webp"
cwebp -quiet -lossless "$tmp/plasma.png" -o "$webp/lossless.webp"
convert "$tmp/plasma.png" \( -size 204x124 xc:white -fill gray50 -draw "rectangle 180,0 203,23" \
    -fill black -draw "rectangle 180,100 203,123" \) -alpha off -compose CopyOpacity -composite \
    -strip "PNG32:$tmp/alpha.png"
cwebp -quiet -q 90 -alpha_q 100 "$tmp/alpha.png" -o "$webp/lossy-alpha.webp"
cwebp -quiet -lossless "$tmp/alpha.png" -o "$webp/lossless-alpha.webp"
convert "$tmp/reference.png" -rotate 180 "$tmp/second.png"
img2webp -loop 0 -lossless -d 500 "$tmp/reference.png" -d 500 "$tmp/second.png" -o "$webp/animation.webp"
heif-enc -q 90 -o "$heif/plasma.heic" "$tmp/plasma.png" >/dev/null
heif-enc -q 90 -t 64 -o "$heif/thumbnail.heic" "$tmp/plasma.png" >/dev/null
avifenc -s 6 --min 0 --max 12 -y 420 "$tmp/plasma.png" "$heif/plasma.avif" >/dev/null
avifenc -s 6 --min 0 --max 12 -y 420 -d 10 "$tmp/plasma.png" "$heif/plasma-10bit.avif" >/dev/null

# Small HEIF pictures (see above).
convert -size 32x16 xc:'rgb(200,100,50)' -type truecolor "PNG24:$tmp/solid.png"
convert -size 16x64 gradient:black-white -rotate 270 -type truecolor "PNG24:$tmp/gradient.png"
convert "$tmp/reference.png" \( -size 32x16 xc:white -fill gray50 -draw "rectangle 16,0 31,7" \
    -fill black -draw "rectangle 0,8 15,15" \) -alpha off -compose CopyOpacity -composite "PNG32:$tmp/alpha.png"
# 10 bits: 339, 255, 7 (84.75, 63.75, 1.75 in 8 bits); 12 bits: 815, 1023, 31.
convert -size 32x16 xc:'#54D53FD001C0' -depth 16 "PNG48:$tmp/deep10.png"
convert -size 32x16 xc:'#32F33FF401F0' -depth 16 "PNG48:$tmp/deep12.png"
convert "$tmp/reference.png" -rotate 90 -type truecolor "PNG24:$tmp/turned90.png"
convert "$tmp/reference.png" -rotate 270 -type truecolor "PNG24:$tmp/turned270.png"
convert "$tmp/reference.png" -filter point -resize 128x128! -type truecolor "PNG24:$tmp/big.png"
printf 'not a colour profile, only its bytes' >"$tmp/profile.icc"
exiftool -b -EXIF "$exif/o6-mm.jpg" >"$tmp/exif6.bin"
avif() { avifenc -s 6 --min 0 --max 10 -y 420 "$@" >/dev/null; }
avif --icc "$tmp/profile.icc" "$tmp/solid.png" "$heif/solid.avif"
avif "$tmp/gradient.png" "$heif/gradient.avif"
avif --minalpha 0 --maxalpha 0 "$tmp/alpha.png" "$heif/alpha.avif"
avif --minalpha 0 --maxalpha 0 -d 10 "$tmp/alpha.png" "$heif/alpha10.avif"
avifenc -s 6 --min 0 --max 10 -y 400 "$tmp/gradient.png" "$heif/grey.avif" >/dev/null
avif --irot 1 "$tmp/turned90.png" "$heif/irot.avif"
avif --irot 3 --exif "$tmp/exif6.bin" "$tmp/turned270.png" "$heif/irot-exif6.avif"
avif -g 2x2 "$tmp/big.png" "$heif/grid.avif"
avif --crop 16,0,16,16 "$tmp/reference.png" "$heif/crop.avif"
avifenc -s 6 -l -d 10 "$tmp/deep10.png" "$heif/deep10.avif" >/dev/null 2>&1
avifenc -s 6 -l -d 12 "$tmp/deep12.png" "$heif/deep12.avif" >/dev/null 2>&1
for name in solid gradient alpha; do heif-enc -q 90 -o "$heif/$name.heic" "$tmp/$name.png" >/dev/null; done
heif-enc -q 90 -o "$heif/exif6.heic" "$exif/o6-mm.jpg" >/dev/null
heif-enc -L -p chroma=444 --matrix_coefficients=0 -o "$heif/deep10.heic" "$tmp/deep10.png" >/dev/null

# Animations (see above).
convert -delay 0 -size 8x8 xc:red -delay 1 xc:lime -delay 50 xc:blue -loop 3 "$anim/delays.gif"
for c in red lime blue; do convert -size 8x8 xc:$c "$tmp/$c.png"; done
img2webp -loop 3 -lossless -d 5 "$tmp/red.png" -d 16 "$tmp/lime.png" -d 500 "$tmp/blue.png" -o "$anim/delays.webp" >/dev/null
for d in none background previous; do
    convert -loop 0 -delay 10 -dispose None -size 8x8 xc:red -dispose "$d" \
        \( -size 4x4 xc:blue -alpha set -fill none -draw 'color 0,0 point' -repage 8x8+2+2 \) \
        -dispose None \( -size 1x1 xc:lime -repage 8x8+0+0 \) "$anim/dispose-$d.gif"
    gif2webp -quiet "$anim/dispose-$d.gif" -o "$anim/dispose-$d.webp"
done
convert -loop 0 -delay 20 \( -size 4x16 gradient:black-white \) \( -size 4x16 gradient:white-black \) \
    -interlace GIF "$anim/interlaced.gif"
convert -size 8x8 xc:none -fill 'rgba(0,255,0,0.5)' -draw 'rectangle 0,0 3,7' "PNG32:$tmp/half.png"
img2webp -loop 0 -lossless -d 100 "$tmp/red.png" -d 100 "$tmp/half.png" -o "$anim/alpha.webp" >/dev/null
convert -seed 7 -size 64x64 plasma:fractal -blur 0x1 +dither -colors 256 "$tmp/plasma64.png"
convert -loop 0 -delay 10 "$tmp/plasma64.png" \( "$tmp/plasma64.png" -flip \) +dither -colors 256 "$anim/plasma.gif"
# Colour profiles (see above).
icc=/usr/share/color/icc/colord
patches=("255 0 0" "0 255 0" "0 0 255" "200 100 50" "50 100 200" "128 128 128" "240 220 30" "20 40 60")
draw=()
for i in "${!patches[@]}"; do
    read -r r g b <<<"${patches[$i]}"
    draw+=(-fill "rgb($r,$g,$b)" -draw "rectangle $((i * 8)),0 $((i * 8 + 7)),7")
done
convert -size 64x8 xc:black "${draw[@]}" -strip -type truecolor "PNG24:$tmp/patches.png"
convert -size 16x16 xc:red -strip -type truecolor "PNG24:$tmp/red16.png"
convert "$tmp/red16.png" -profile "$icc/SwappedRedAndGreen.icc" -quality 95 "$colour/swapped.jpg"
convert "$tmp/red16.png" -profile "$icc/SwappedRedAndGreen.icc" "PNG24:$colour/swapped.png"
webpmux -set icc "$icc/SwappedRedAndGreen.icc" "$anim/delays.webp" -o "$colour/swapped-anim.webp" >/dev/null
: >"$colour/expected.txt"
for name in adobe:AdobeRGB1998 prophoto:ProPhotoRGB; do
    file="${name%%:*}" profile="$icc/${name#*:}.icc"
    convert "$tmp/patches.png" -profile "$profile" -quality 100 -sampling-factor 1x1 "$colour/$file.jpg"
    convert "$tmp/patches.png" -profile "$profile" "PNG24:$colour/$file.png"
    convert "$tmp/patches.png" -profile "$profile" -type truecolor -compress lzw "$colour/$file.tif"
    for i in "${!patches[@]}"; do
        srgb="$(echo "${patches[$i]}" | transicc -i "$profile" -o '*sRGB' -t0 -n 2>/dev/null | tail -1 |
            awk '{ for (i = 1; i <= 3; i++) { v = int($i + 0.5); printf(" %d", (v < 0) ? 0 : (v > 255) ? 255 : v) } }')"
        for ext in jpg png tif; do echo "$file.$ext $i$srgb" >>"$colour/expected.txt"; done
    done
done
# The pixels stay as drawn: the profile is only attached.
got="$(convert "$colour/adobe.png" -format '%[pixel:p{12,4}]' info:)"
[[ "$got" == "srgb(0,255,0)" || "$got" == "lime" ]] || { echo "adobe.png: the pixels were converted ($got)" >&2; exit 1; }
