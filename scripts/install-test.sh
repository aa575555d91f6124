#!/usr/bin/env bash
# The release end to end under Wine: the installer that package.sh makes is
# run silently for the current user, then for all users; the installed
# program shows two pictures and ends by itself, writing its settings into
# the user's profile; the uninstaller removes everything it installed and
# keeps the user's settings unless asked to remove them.
#   scripts/install-test.sh        (run by CTest as package.install)
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"
source scripts/wine-env.sh
fail() { echo "FAIL: $*" >&2; exit 1; }
unix() { winepath -u "$1" 2>/dev/null | tr -d '\r'; }
value() { wine reg query "$1" /v "$2" 2>/dev/null | tr -d '\r' | sed -n "s/.*$2 *REG_SZ *//p"; }

bash scripts/package.sh --no-build >/dev/null
setup="$(ls "$root"/build/package/Oxbrill-*-setup.exe)"
[ -f "$root/build/package/Oxbrill-"*"-portable.zip" ] || fail "no portable zip"
python3 -m zipfile -l "$root/build/package/Oxbrill-"*"-portable.zip" | grep -q 'licences/libjpeg-turbo/LICENSE.md' ||
    fail "no licences in the portable zip"
profile="$(unix "$(wine cmd /c echo %APPDATA% | tr -d '\r')")/Oxbrill"
pictures="$(mktemp -d)"
trap 'rm -rf "$pictures"' EXIT
for name in a b; do
    python3 -c "import struct,sys; open(sys.argv[1],'wb').write(b'BM'+struct.pack('<IHHI',246,0,0,54)
        +struct.pack('<IiiHHIIiiII',40,8,8,1,24,0,192,0,0,0,0)+b'\x40'*192)" "$pictures/$name.bmp"
done

for mode in CurrentUser AllUsers; do
    echo "== $mode"
    rm -rf "$profile"
    hive=HKCU; [ "$mode" = AllUsers ] && hive=HKLM
    key="$hive\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Oxbrill"
    timeout 120 wine "$setup" /S "/$mode" || fail "installer failed"
    folder="$(unix "$(value "$key" InstallLocation)")"
    [ -n "$folder" ] || fail "no uninstall entry under $key"
    for file in Oxbrill.exe README.md oxbrill.lang.sample.ini Oxbrill.installed uninstall.exe; do
        [ -f "$folder/$file" ] || fail "$file not installed in $folder"
    done
    [ -f "$folder/licences/libjpeg-turbo/LICENSE.md" ] || fail "no licences installed in $folder"
    menu="$(unix "$(wine cmd /c echo %APPDATA% | tr -d '\r')")/Microsoft/Windows/Start Menu/Programs/Oxbrill.lnk"
    [ "$mode" = AllUsers ] &&
        menu="$(unix "$(wine cmd /c echo %ProgramData% | tr -d '\r')")/Microsoft/Windows/Start Menu/Programs/Oxbrill.lnk"
    [ -f "$menu" ] || fail "no Start-menu entry at $menu"

    # The installed program runs, then ends after its last picture.
    timeout 60 wine "$folder/Oxbrill.exe" -t300 -loopexit -notransitions "$(winepath -w "$pictures")" ||
        fail "the installed program did not end by itself"
    [ -f "$profile/oxbrill.ini" ] || fail "no settings in $profile"
    [ ! -e "$folder/oxbrill.ini" ] || fail "settings written beside the installed program"

    remove=""; [ "$mode" = AllUsers ] && remove=/REMOVESETTINGS
    timeout 60 wine "$folder/uninstall.exe" /S "/$mode" $remove || fail "uninstaller failed"
    for _ in $(seq 1 150); do [ -d "$folder" ] || break; sleep 0.2; done
    [ ! -d "$folder" ] || fail "left in $folder: $(ls -A "$folder")"
    [ ! -f "$menu" ] || fail "Start-menu entry left"
    wine reg query "$key" >/dev/null 2>&1 && fail "uninstall entry left"
    if [ -n "$remove" ]; then
        [ ! -d "$profile" ] || fail "settings left although asked to remove them"
    else
        [ -f "$profile/oxbrill.ini" ] || fail "the user's settings were removed"
    fi
done
rm -rf "$profile"
echo "install test passed"
