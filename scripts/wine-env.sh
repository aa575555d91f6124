# Sourced by the scripts: the project's own Wine prefix and a private X display.
root="${root:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}"
export WINEPREFIX="$root/build/wine"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEARCH=win64
ox_xvfb_pid=""

# Starts Xvfb on the first free display number and exports DISPLAY.
ox_start_xvfb() {
    local n
    for n in $(seq 90 140); do
        [ -e "/tmp/.X${n}-lock" ] && continue
        Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
        ox_xvfb_pid=$!
        for _ in $(seq 1 50); do
            [ -e "/tmp/.X11-unix/X$n" ] && break
            sleep 0.1
        done
        if kill -0 "$ox_xvfb_pid" 2>/dev/null; then
            export DISPLAY=":$n"
            return 0
        fi
    done
    echo "could not start Xvfb" >&2
    return 1
}

# Makes the prefix on first use and keeps one wineserver alive for the run.
ox_start_wine() {
    mkdir -p "$root/build"
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        echo "Creating the Wine prefix in $WINEPREFIX ..."
        wineboot -i >/dev/null 2>&1 || true
    fi
    wineserver -p >/dev/null 2>&1 || true
    ox_window_manager_mode
    ox_network_drive
}

# Drive N: of the prefix is a folder Wine reports as a network drive: one
# without a recycle bin, where deleting is for ever.
ox_network_drive() {
    mkdir -p "$root/build/netdrive"
    ln -sfn "$root/build/netdrive" "$WINEPREFIX/dosdevices/n:"
    grep -q '^"n:"="network"' "$WINEPREFIX/system.reg" 2>/dev/null ||
        wine reg add 'HKLM\Software\Wine\Drives' /v n: /d network /f >/dev/null 2>&1 || true
}

# Wine's X11 driver hands top-level windows to the window manager ("managed").
# Before it hides or destroys a shown one it waits, up to 2 s, until the
# manager has taken the window over (set its WM_STATE property). Our private
# Xvfb display has no window manager, so every closed window or dialog and
# every hidden main window cost 2 s. There Wine places and hides its windows
# itself; on a real display the window manager gets them back.
ox_window_manager_mode() {
    local key='HKCU\Software\Wine\X11 Driver'
    if [ -n "$ox_xvfb_pid" ]; then
        wine reg add "$key" /v Managed /d N /f >/dev/null 2>&1 || true
    elif grep -q '^"Managed"="N"' "$WINEPREFIX/user.reg" 2>/dev/null; then
        wine reg delete "$key" /v Managed /f >/dev/null 2>&1 || true
    fi
}

# Freed memory is poisoned in the viewer and its unit tests while "on", so a
# use after free faults instead of reading stale data; benchmarks want it off.
ox_heap_checks() {
    local key='HKLM\Software\Microsoft\Windows NT\CurrentVersion\Image File Execution Options'
    local exe
    for exe in Oxbrill.exe oxbrill_unit.exe; do
        if [ "$1" = on ]; then
            wine reg add "$key\\$exe" /v GlobalFlag /t REG_DWORD /d 0x70 /f >/dev/null 2>&1 || true
        else
            wine reg delete "$key\\$exe" /f >/dev/null 2>&1 || true
        fi
    done
}

# Ends every Wine process of the prefix and the Xvfb we started.
ox_stop_all() {
    wineserver -k >/dev/null 2>&1 || true
    wineserver -w >/dev/null 2>&1 || true
    if [ -n "$ox_xvfb_pid" ]; then
        kill "$ox_xvfb_pid" 2>/dev/null || true
        wait "$ox_xvfb_pid" 2>/dev/null || true
    fi
}
