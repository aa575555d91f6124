#!/usr/bin/env bash
# Regenerates the damaged pictures under tests/data/e2e used by the viewer's
# end-to-end scenarios. Each is a few hundred bytes at most.
#   truncated.jpg  a 64x48 JPEG cut off inside its tables, before any pixels
#   huge.png       a PNG whose header claims 100,000 x 100,000 pixels
#   corrupt.gif    a GIF header and colour table followed by noise
#   broken.emf     an EMF header with an impossible record size and no frame
# and the Catalog's thumbnail cases, a few kilobytes each:
#   transparent.png   300x200, transparent but for a purple 150x100 middle
#   letterboxed.jpg   300x200 green, carrying a 160x120 EXIF thumbnail of
#                     another colour (yellow) between black bars
#   camera.jpg        300x200 red, carrying a 160x107 EXIF thumbnail of its
#                     shape but another colour (blue): the one a thumbnail uses
#   turned.tif        stored 200x300 with orientation 6: upright it is 300x200,
#                     cyan above blue
# and one 128x64 picture (red and lime over blue and white) in each format with
# a decoder of its own: quadrants.webp (lossless), quadrants.heic,
# quadrants.jxl (lossless), and quadrants.avif stored turned a quarter
# clockwise (64x128), its container's rotation turning it upright.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
out="$here/tests/data/e2e"
mkdir -p "$out"
tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT

convert -size 64x48 gradient:red-blue -quality 90 "$tmp/whole.jpg"
head -c 160 "$tmp/whole.jpg" >"$out/truncated.jpg"

convert -size 64x48 xc:orange -colors 4 "$tmp/whole.gif"
python3 - "$tmp/whole.gif" "$out" <<'PY'
import random, struct, sys, zlib
gif, out = sys.argv[1], sys.argv[2]

data = open(gif, "rb").read()
flags = data[10]
table = 3 * (2 << (flags & 7)) if flags & 0x80 else 0
noise = bytes(random.Random(7).randrange(256) for _ in range(200))
open(out + "/corrupt.gif", "wb").write(data[:13 + table] + noise)

def chunk(kind, body):
    return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))
ihdr = struct.pack(">IIBBBBB", 100000, 100000, 8, 2, 0, 0, 0)
png = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", ihdr) + chunk(b"IDAT", zlib.compress(b"\0" * 64)) + chunk(b"IEND", b"")
open(out + "/huge.png", "wb").write(png)

# EMR_HEADER (88 bytes) whose nSize runs far past the file, bounds and frame
# empty, then one EMR_EOF record.
eof = struct.pack("<IIIII", 14, 20, 0, 0, 20)
total = 88 + len(eof)
header = struct.pack("<II4i4iIIIIHHIIIiiii", 1, 0x7FFFFFF0, 0, 0, 0, 0, 0, 0, 0, 0,
                     0x464D4520, 0x10000, total, 2, 1, 0, 0, 0, 0, 1280, 1024, 320, 240)
assert len(header) == 88, len(header)
open(out + "/broken.emf", "wb").write(header + eof)
PY

convert -size 300x200 xc:none -fill 'rgb(200,40,200)' -draw 'rectangle 75,50 224,149' "PNG32:$out/transparent.png"

convert -size 300x200 'xc:rgb(30,190,40)' -quality 95 "$out/letterboxed.jpg"
convert -size 160x107 'xc:rgb(230,200,20)' -background black -gravity center -extent 160x120 "$tmp/bars.jpg"
exiftool -q -overwrite_original -Orientation=1 -n "-ThumbnailImage<=$tmp/bars.jpg" "$out/letterboxed.jpg"
[[ "$(exiftool -b -ThumbnailImage "$out/letterboxed.jpg" | convert - -format '%w %h' info:)" == "160 120" ]] ||
    { echo "letterboxed.jpg has no thumbnail" >&2; exit 1; }

convert -size 300x200 'xc:rgb(220,30,30)' -quality 95 "$out/camera.jpg"
convert -size 160x107 'xc:rgb(40,40,220)' "$tmp/own.jpg"
exiftool -q -overwrite_original -Orientation=1 -n "-ThumbnailImage<=$tmp/own.jpg" "$out/camera.jpg"

convert -size 300x100 'xc:rgb(20,200,200)' -size 300x100 'xc:rgb(40,40,220)' -append -rotate 270 -compress lzw \
    "$out/turned.tif"
exiftool -q -overwrite_original -Orientation=6 -n "$out/turned.tif"
[[ "$(convert "$out/turned.tif" -auto-orient -format '%w %h %[pixel:p{150,20}]' info:)" == "300 200 srgb(20,200,200)" ]] ||
    { echo "turned.tif does not turn upright" >&2; exit 1; }

convert -size 64x32 xc:red xc:lime +append \( -size 64x32 xc:blue xc:white +append \) -append "PNG24:$tmp/quadrants.png"
cwebp -quiet -lossless "$tmp/quadrants.png" -o "$out/quadrants.webp"
heif-enc -q 95 -o "$out/quadrants.heic" "$tmp/quadrants.png" >/dev/null
convert "$tmp/quadrants.png" -rotate 90 "PNG24:$tmp/turned.png"
avifenc -s 8 --min 0 --max 10 --irot 1 "$tmp/turned.png" "$out/quadrants.avif" >/dev/null
cjxl --quiet -d 0 "$tmp/quadrants.png" "$out/quadrants.jxl"
