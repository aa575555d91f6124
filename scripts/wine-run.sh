#!/usr/bin/env bash
# Runs a Windows program of ours under the project's Wine prefix.
# Used by CTest as the cross-compiling emulator. Wine's helper processes keep
# a pipe open for seconds after the program ends, so the program writes to a
# file, which is followed onto our own output while the program runs: a test
# stopped at its time limit still shows how far it got.
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
export WINEPREFIX="${WINEPREFIX:-$here/build/wine}"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
export WINEARCH=win64
out="$(mktemp "${TMPDIR:-/tmp}/oxwine.XXXXXX")"
trap 'rm -f "$out"' EXIT
wine "$@" >"$out" 2>&1 </dev/null &
pid=$!
trap 'kill "$pid" 2>/dev/null; exit 130' INT TERM
tail -n +1 -s 0.05 -f --pid="$pid" "$out"
wait "$pid"
