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
# And the animations, played forever:
#   steps.gif, steps.webp  200x150, solid red, lime, blue and white frames
#                          shown 200, 300, 100 and 400 ms
#   tenfps.gif             400x300, red and blue at 10 frames a second
#   thousand.gif           400x300 grey, then 999 frames of a 40x40 patch in
#                          its middle, red and blue by turns, 20 ms each
#                          (holding every frame whole would take 480 MB)
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

convert -size 200x150 -delay 20 xc:red -delay 30 xc:lime -delay 10 xc:blue -delay 40 xc:white -loop 0 "$out/steps.gif"
frames=()
for step in red:200 lime:300 blue:100 white:400; do
    convert -size 200x150 "xc:${step%:*}" "PNG24:$tmp/${step%:*}.png"
    frames+=(-d "${step#*:}" "$tmp/${step%:*}.png")
done
img2webp -loop 0 -lossless "${frames[@]}" -o "$out/steps.webp" >/dev/null 2>&1
convert -size 400x300 -delay 10 xc:red xc:blue -loop 0 "$out/tenfps.gif"
[[ "$(identify -format '%T %[pixel:p{100,75}];' "$out/steps.gif")" == "20 srgb(255,0,0);30 srgb(0,255,0);10 srgb(0,0,255);40 srgb(255,255,255);" ]] ||
    { echo "steps.gif does not hold its four frames" >&2; exit 1; }

# ImageMagick takes minutes over a thousand frames: this one is written here.
python3 - "$out/thousand.gif" <<'PY'
import struct, sys

def lzw(pixels, min_size):
    clear, end = 1 << min_size, (1 << min_size) + 1
    size, nxt = min_size + 1, end + 1
    table = {(i,): i for i in range(clear)}
    bits, nbits, out = 0, 0, bytearray()
    def emit(code):
        nonlocal bits, nbits
        bits |= code << nbits
        nbits += size
        while nbits >= 8:
            out.append(bits & 255)
            bits >>= 8
            nbits -= 8
    emit(clear)
    w = ()
    for p in pixels:
        if w + (p,) in table:
            w += (p,)
            continue
        emit(table[w])
        if nxt < 4096:
            if nxt >= 1 << size:
                size += 1
            table[w + (p,)] = nxt
            nxt += 1
        else:
            emit(clear)
            table = {(i,): i for i in range(clear)}
            size, nxt = min_size + 1, end + 1
        w = (p,)
    emit(table[w])
    emit(end)
    if nbits:
        out.append(bits & 255)
    return bytes(out)

palette = [(128, 128, 128), (255, 0, 0), (0, 0, 255), (255, 255, 255)]
data = b"GIF89a" + struct.pack("<HHBBB", 400, 300, 0xF1, 0, 0) + b"".join(bytes(c) for c in palette)
data += b"\x21\xFF\x0BNETSCAPE2.0\x03\x01\0\0\0"
frames = [(0, 0, 400, 300, 0)] + [(180, 130, 40, 40, 1 + i % 2) for i in range(999)]
for x, y, w, h, colour in frames:
    data += b"\x21\xF9\x04\x04" + struct.pack("<H", 2) + b"\0\0"   # 20 ms, left in place
    data += b"\x2C" + struct.pack("<HHHHB", x, y, w, h, 0)
    body = lzw([colour] * (w * h), 2)
    data += b"\2" + b"".join(bytes([len(body[i:i + 255])]) + body[i:i + 255] for i in range(0, len(body), 255)) + b"\0"
open(sys.argv[1], "wb").write(data + b"\x3B")
PY
[[ "$(identify "$out/thousand.gif" | wc -l)" == 1000 ]] || { echo "thousand.gif does not hold 1000 frames" >&2; exit 1; }
