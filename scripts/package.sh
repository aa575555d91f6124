#!/usr/bin/env bash
# Builds the release into build/package: a portable zip (the program, the
# README, a sample language file and the licences of the libraries linked into
# the program) and an installer made with NSIS.
#   scripts/package.sh [--no-build]
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"

if [ "${1:-}" != "--no-build" ]; then
    bash scripts/setup.sh
    bash scripts/build.sh
fi
version="$(sed -n 's/.*version = L"\([0-9.]*\)".*/\1/p' src/app/AppInfo.h | head -1)"
out="$root/build/package"
stage="$out/stage"
rm -rf "$out"
mkdir -p "$stage"
cp build/x86_64/Oxbrill.exe README.md "$stage/"
# licences/<package>/: each outside library's licence texts, as scripts/deps.sh installed them.
cp -r build/deps/x86_64/licences "$stage/licences"

# The sample language file is the program's own translation template, so it
# always lists every text of this build.
source scripts/wine-env.sh
started_xvfb=""
if [ -z "${DISPLAY:-}" ]; then   # else the display and the prefix are the caller's
    ox_start_xvfb
    ox_start_wine
    started_xvfb=1
fi
scratch="$(mktemp -d)"
cp build/x86_64/Oxbrill.exe "$scratch/"
(cd "$scratch" && wine Oxbrill.exe -translate >/dev/null 2>&1 || true)
cp "$scratch/oxbrill.lang.ini" "$stage/oxbrill.lang.sample.ini"
rm -rf "$scratch"
[ -n "$started_xvfb" ] && ox_stop_all

(cd "$stage" && zip -q -X -r "$out/Oxbrill-$version-portable.zip" Oxbrill.exe README.md oxbrill.lang.sample.ini licences)
makensis -V2 -DVERSION="$version" -DSTAGE="$stage" -DOUTFILE="$out/Oxbrill-$version-setup.exe" scripts/installer.nsi
echo "made $out/Oxbrill-$version-portable.zip and $out/Oxbrill-$version-setup.exe"
