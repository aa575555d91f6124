#!/usr/bin/env bash
# Configures and builds both targets: build/x86_64/Oxbrill.exe and build/i686/Oxbrill.exe.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
jobs="$(nproc 2>/dev/null || echo 2)"
bash "$root/scripts/deps.sh" x86_64 i686   # the outside libraries: a no-op once they are built
for arch in x86_64 i686; do
    dir="$root/build/$arch"
    tests=ON; [ "$arch" = i686 ] && tests=OFF   # no 32-bit Wine here: the 32-bit build is compiled, not run
    if [ ! -f "$dir/build.ninja" ]; then
        cmake -S "$root" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release \
            -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-$arch.cmake" -DOXBRILL_TESTS=$tests
    fi
    cmake --build "$dir" -j "$jobs"
done
echo "Built: $root/build/x86_64/Oxbrill.exe and $root/build/i686/Oxbrill.exe"
