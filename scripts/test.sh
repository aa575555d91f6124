#!/usr/bin/env bash
# Installs what is missing, builds both targets and runs every test of the
# x86_64 build through CTest under Wine and a private Xvfb display.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"

bash scripts/setup.sh
bash scripts/build.sh

source scripts/wine-env.sh
trap ox_stop_all EXIT
ox_start_xvfb
ox_start_wine
ox_heap_checks on

build="$root/build/x86_64"
rm -rf "$build/tests/reports"
set +e
ctest --test-dir "$build" --output-on-failure -j 2 --timeout 300
rc=$?
set -e
[ $rc -eq 0 ] || python3 scripts/failed-cases.py "$build"
exit $rc
