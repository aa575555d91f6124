#!/usr/bin/env bash
# Installs what is missing, builds, makes a folder of sample pictures and runs
# the slideshow on it: on your display when DISPLAY is set, otherwise on a
# private Xvfb display, saving screenshots under out/demo/.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"

bash scripts/setup.sh
bash scripts/build.sh

out="$root/out/demo"
pics="$out/pictures"
prog="$out/program"
rm -rf "$out"
mkdir -p "$pics/more" "$prog"

echo "Making sample pictures in $pics ..."
convert -size 1600x1000 gradient:'#1e3c72-#2a5298' -fill '#f0f0f0' -draw 'circle 800,500 800,200' \
    "$pics/01-landscape.jpg"
convert -size 600x900 gradient:'#f7971e-#ffd200' -fill '#603000' -draw 'rectangle 100,150 500,750' \
    "$pics/02-portrait.png"
convert -size 320x240 xc:'#2c3e50' -fill '#e74c3c' -draw 'circle 160,120 160,40' "$pics/03-small.gif"
convert -size 500x500 pattern:checkerboard -fill '#27ae60' -colorize 40 "$pics/04-square.bmp"
# Stored lying on its side with an EXIF tag that turns it upright: the bar ends up on top.
convert -size 1200x800 gradient:'#11998e-#38ef7d' -fill black -draw 'rectangle 0,0 1199,120' \
    -rotate 270 "$pics/more/05-exif-rotated.jpg"
exiftool -q -overwrite_original -Orientation=6 -n "$pics/more/05-exif-rotated.jpg"
convert -size 2400x600 gradient:'#8e2de2-#4a00e0' "$pics/more/06-panorama.jpg"

cp "$root/build/x86_64/Oxbrill.exe" "$prog/"
source scripts/wine-env.sh

if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
    echo "Starting Oxbrill on $DISPLAY (close its window to end the demo) ..."
    ox_start_wine
    trap ox_stop_all EXIT
    (cd "$pics" && wine "$prog/Oxbrill.exe" -t3000 "$pics")
    exit 0
fi

trap ox_stop_all EXIT
ox_start_xvfb
ox_start_wine
echo "No display: running under Xvfb $DISPLAY and saving screenshots to $out ..."
(cd "$pics" && wine "$prog/Oxbrill.exe" -t2000 "$pics" >/dev/null 2>&1 &)
for i in $(seq 1 8); do
    sleep 2.5
    import -window root "$out/screen-$(printf %02d "$i").png" 2>/dev/null || true
done
echo "Screenshots:"
ls -1 "$out"/screen-*.png
