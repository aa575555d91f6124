#!/usr/bin/env bash
# Installs whatever the build, the tests and the demo need on a Debian machine.
set -euo pipefail

need=()
have() { command -v "$1" >/dev/null 2>&1; }
have x86_64-w64-mingw32-g++-posix || need+=(g++-mingw-w64-x86-64-posix)
have i686-w64-mingw32-g++-posix || need+=(g++-mingw-w64-i686-posix)
have x86_64-w64-mingw32-windres || need+=(binutils-mingw-w64-x86-64)
have cmake || need+=(cmake)
have ninja || need+=(ninja-build)
have wine || need+=(wine)
have wine64 || [ -x /usr/lib/wine/wine64 ] || need+=(wine64)
have Xvfb || need+=(xvfb)
have xauth || need+=(xauth)
have xdpyinfo || need+=(x11-utils)
# Another program may answer to "convert": only ImageMagick's will do, and it
# brings "import" (screenshots) with it.
{ have convert && convert -version 2>/dev/null | grep -q ImageMagick && have import; } || need+=(imagemagick)
have exiftool || need+=(libimage-exiftool-perl)
# Test JPEG XL files (scripts/make-imaging-testdata.sh).
have cjxl || need+=(libjxl-tools)
# Test JPEGs coded the less common ways (scripts/make-imaging-testdata.sh).
have cjpeg || need+=(libjpeg-turbo-progs)
[ -f /usr/include/jpeglib.h ] || need+=(libjpeg62-turbo-dev)
# Test WebPs, lossy, lossless and with alpha, and their chunks put together.
{ have cwebp && have img2webp; } || need+=(webp)
# ... and HEIC and AVIF test pictures.
have heif-enc || need+=(libheif-examples)
have avifenc || need+=(libavif-bin)
# Colour profiles for test pictures and the values Little CMS computes for them.
[ -f /usr/share/color/icc/colord/SwappedRedAndGreen.icc ] || need+=(colord-data)
have transicc || need+=(liblcms2-utils)
have python3 || need+=(python3)
# The release: the installer and the portable zip.
have makensis || need+=(nsis)
have zip || need+=(zip)
[ -f /usr/src/googletest/CMakeLists.txt ] || need+=(googletest)
# The decoding libraries, built from Debian's source packages (scripts/deps.sh):
# apt-get source unpacks with dpkg-source, SIMD code is assembled with nasm,
# and some libraries build with meson and find each other with pkg-config.
have dpkg-source || need+=(dpkg-dev)
have nasm || need+=(nasm)
have meson || need+=(meson)
have pkg-config || need+=(pkgconf)
have flock || need+=(util-linux)

if [ ${#need[@]} -gt 0 ]; then
    echo "Installing: ${need[*]}"
    export DEBIAN_FRONTEND=noninteractive
    SUDO=""; [ "$(id -u)" -eq 0 ] || SUDO="sudo"
    $SUDO apt-get update
    $SUDO apt-get install -y --no-install-recommends "${need[@]}"
fi
