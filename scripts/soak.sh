#!/usr/bin/env bash
# The long run of the file-operations model: the same seeded random sequence
# of archive, move, copy, favorite, recycle, Save As and undo, mixed with
# another program's deletes, renames, replacements and locks, as CI runs it,
# for many more steps. Not run by CI.
#
#   scripts/soak.sh [steps] [seed]     # defaults: 50000 steps, a new seed
#
# A failure prints the seed; give it back to replay the run.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"

bash scripts/setup.sh
[ -f build/x86_64/build.ninja ] ||
    cmake -S . -B build/x86_64 -G Ninja -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake -DOXBRILL_TESTS=ON
cmake --build build/x86_64 --target oxbrill_unit

source scripts/wine-env.sh
trap ox_stop_all EXIT
ox_start_xvfb
ox_start_wine
ox_heap_checks off

export OXBRILL_MODEL_STEPS="${1:-${OXBRILL_MODEL_STEPS:-50000}}"
[ -n "${2:-}" ] && export OXBRILL_MODEL_SEED="$2"
export WINEDEBUG=-all
start=$(date +%s)
scripts/wine-run.sh build/x86_64/oxbrill_unit.exe --gtest_filter='FilingModel.*'
echo "soak: $OXBRILL_MODEL_STEPS steps in $(( $(date +%s) - start )) s"
