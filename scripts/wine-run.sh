#!/usr/bin/env bash
# Runs a Windows program of ours under the project's Wine prefix.
# Used by CTest as the cross-compiling emulator. Wine's helper processes keep
# a pipe open for seconds after the program ends, so the program writes to a
# file and the file is copied to our own output afterwards.
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
export WINEPREFIX="${WINEPREFIX:-$here/build/wine}"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
export WINEARCH=win64
out="$(mktemp "${TMPDIR:-/tmp}/oxwine.XXXXXX")"
trap 'rm -f "$out"' EXIT
wine "$@" >"$out" 2>&1 </dev/null
rc=$?
cat "$out"
exit $rc
