#!/usr/bin/env bash
# Builds the outside libraries of cmake/outside-libraries.txt as static libraries for
# each target and installs them into build/deps/<target> (include/, lib/ and
# licences/<package>/). Each library is built from its Debian source package,
# fetched with `apt-get source` through a private apt configuration under
# build/deps/apt (the machine's own apt configuration is only read), and
# cross-compiled with the project's MinGW-w64 toolchains.
#
# A built library is kept in a per-user cache outside the clone, keyed by
# library, version, target and a digest of its row and compiler, so another
# clone on the same machine reuses it without fetching or compiling:
#   ${OXBRILL_DEPS_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/oxbrill-deps}/<name>-<version>-<target>-<digest>
# When build/deps/<target> already holds every row, nothing is done.
#
#   scripts/deps.sh [x86_64] [i686]      (both by default)
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
deps="$root/build/deps"
cache="${OXBRILL_DEPS_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/oxbrill-deps}"
jobs="$(nproc 2>/dev/null || echo 2)"
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(x86_64 i686)

say() { echo "deps: $*" >&2; }
die() { echo "deps: $*" >&2; exit 1; }

# The rows, comments and blank lines left out.
rows=()
while IFS= read -r line; do
    line="${line%%#*}"
    [ -n "${line//[[:space:]]/}" ] && rows+=("$line")
done < "$root/cmake/outside-libraries.txt"

row_named() {   # name
    local row name
    for row in "${rows[@]}"; do read -r name _ <<< "$row"; [ "$name" = "$1" ] && { echo "$row"; return; }; done
    die "no row '$1' in cmake/outside-libraries.txt"
}

# The cache key of a row for a target: a change of the row (version, options),
# of a row it needs or of the compiler builds it anew.
key() {   # row target
    local name package version kind archives needs rest digest need
    read -r name package version kind archives needs rest <<< "$1"
    digest="$( { echo "$1"; "$2-w64-mingw32-gcc-posix" -dumpfullversion
                 for need in ${needs//,/ }; do [ "$need" = - ] || key "$(row_named "$need")" "$2"; done
               } | sha1sum | cut -c1-10)"
    echo "$name-${version//:/_}-$2-$digest"
}

# --- Fetching: apt-get source through a private configuration -------------

apt_dir="$deps/apt"
apt_opts=(-q -o Dir::Etc::SourceList="$apt_dir/sources.list" -o Dir::Etc::SourceParts="$apt_dir/sources.list.d"
          -o Dir::State="$apt_dir/state" -o Dir::Cache="$apt_dir/cache" -o Debug::NoLocking=1)
# As root apt hands downloads to its own user, who may not reach build/.
[ "$(id -u)" -ne 0 ] || apt_opts+=(-o APT::Sandbox::User=root)

# deb-src lines for the Debian suites of this machine's release, from the
# mirrors (and keyrings) its own apt sources name.
write_sources() {
    local codename
    codename="$(. /etc/os-release && echo "${VERSION_CODENAME:-}")"
    [ -n "$codename" ] || die "cannot tell this machine's Debian release from /etc/os-release"
    mkdir -p "$apt_dir/sources.list.d" "$apt_dir/state/lists/partial" "$apt_dir/cache/archives/partial"
    local lists=()
    local file
    for file in /etc/apt/sources.list /etc/apt/sources.list.d/*.list /etc/apt/sources.list.d/*.sources; do
        [ -f "$file" ] && lists+=("$file")
    done
    [ ${#lists[@]} -gt 0 ] || die "no apt sources on this machine"
    awk -v release="$codename" '
        function ours(suite) { return suite == release || index(suite, release "-") == 1 }
        function emit(   n, i, s, u, opts) {
            if (types !~ /(^| )deb( |$)/ || uris == "") return
            opts = keyring == "" ? "" : "[signed-by=" keyring "] "
            n = split(suites, s, " ")
            for (i = 1; i <= n; i++) if (ours(s[i])) print "deb-src " opts uris " " s[i] " " comps
        }
        FNR == 1 { if (stanza) emit(); stanza = 0; types = uris = suites = comps = keyring = "" }
        FILENAME ~ /\.sources$/ {   # deb822 stanzas
            if ($0 ~ /^[[:space:]]*$/) { if (stanza) emit(); stanza = 0; types = uris = suites = comps = keyring = ""; next }
            stanza = 1; field = tolower($1); $1 = ""; sub(/^ +/, "")
            if (field == "types:") types = $0; else if (field == "uris:") uris = $1
            else if (field == "suites:") suites = $0; else if (field == "components:") comps = $0
            else if (field == "signed-by:") keyring = $1
            next
        }
        $1 == "deb" {               # one-line entries
            opts = ""
            if ($2 ~ /^\[/) { while ($2 !~ /\]$/) { opts = opts " " $2; $2 = ""; $0 = $0 } opts = opts " " $2; $2 = ""; $0 = $0 }
            if (ours($3)) { line = "deb-src"; if (opts != "") line = line opts; for (i = 2; i <= NF; i++) line = line " " $i; print line }
        }
        END { if (stanza) emit() }
    ' "${lists[@]}" | sort -u > "$apt_dir/sources.list.new"
    [ -s "$apt_dir/sources.list.new" ] || die "no Debian $codename entries in this machine's apt sources"
    mv "$apt_dir/sources.list.new" "$apt_dir/sources.list"
}

apt_updated=""
apt_update() {
    [ -n "$apt_updated" ] && return
    write_sources
    say "reading the Debian source lists ($(awk '{print $(NF-1)}' "$apt_dir/sources.list" | sort -u | tr '\n' ' '))"
    apt-get "${apt_opts[@]}" update >"$apt_dir/update.log" 2>&1 || { cat "$apt_dir/update.log" >&2; die "apt-get update failed"; }
    apt_updated=1
}

# Unpacks the pinned source of a row into build/deps/src/<package>-<version>
# (once) and prints its folder.
fetch() {   # row
    local name package version rest dir
    read -r name package version rest <<< "$1"
    dir="$deps/src/$package-${version//:/_}"
    if [ ! -f "$dir/.fetched" ] || [ "$(cat "$dir/.fetched")" != "$package=$version" ]; then
        rm -rf "$dir"; mkdir -p "$dir"
        compgen -G "$apt_dir/state/lists/*Sources*" >/dev/null || apt_update
        if ! (cd "$dir" && apt-get "${apt_opts[@]}" source "$package=$version") >"$dir/fetch.log" 2>&1; then
            apt_update   # the lists may be old: read them afresh and try once more
            if ! (cd "$dir" && apt-get "${apt_opts[@]}" source "$package=$version") >"$dir/fetch.log" 2>&1; then
                cat "$dir/fetch.log" >&2
                local known
                known="$(apt-cache "${apt_opts[@]}" showsrc "$package" 2>/dev/null | sed -n 's/^Version: //p' | sort -u | tr '\n' ' ')"
                die "cannot fetch $package $version (pinned for $name in cmake/outside-libraries.txt); the Debian sources here have: ${known:-no $package at all}"
            fi
        fi
        echo "$package=$version" > "$dir/.fetched"
    fi
    find "$dir" -mindepth 1 -maxdepth 1 -type d | head -1
}

# --- Building --------------------------------------------------------------

# Builds a row for a target from `source` and installs it into `stage`; the
# rows before it are installed in `prefix`.
build_row() {   # row target source stage prefix
    local name package version kind archives licences options work file
    read -r name package version kind archives _ licences options <<< "$1"
    work="$deps/work/$name-$2"
    rm -rf "$work"; mkdir -p "$work"
    # The project's toolchain, which also finds the rows built before this one.
    cat > "$work/toolchain.cmake" <<EOF
include($root/cmake/mingw-$2.cmake)
unset(CMAKE_CROSSCOMPILING_EMULATOR)
list(APPEND CMAKE_FIND_ROOT_PATH $5)
EOF
    case "$kind" in
    cmake)
        # pkg-config sees only the rows built before this one, never the
        # machine's own libraries (as pkg_config_libdir below for meson).
        # shellcheck disable=SC2086   # the options are words
        PKG_CONFIG_LIBDIR="$5/lib/pkgconfig" PKG_CONFIG_PATH="" \
        cmake -S "$3" -B "$work/build" -G Ninja -Wno-dev -DCMAKE_BUILD_TYPE=Release \
            -DCMAKE_TOOLCHAIN_FILE="$work/toolchain.cmake" -DCMAKE_INSTALL_PREFIX="$4" -DCMAKE_PREFIX_PATH="$5" \
            -DBUILD_SHARED_LIBS=OFF \
            $options >"$work/configure.log" 2>&1 ||
            { tail -30 "$work/configure.log" >&2; die "$name ($2): configuring failed, see $work/configure.log"; }
        cmake --build "$work/build" -j "$jobs" >"$work/build.log" 2>&1 ||
            { tail -30 "$work/build.log" >&2; die "$name ($2): building failed, see $work/build.log"; }
        cmake --install "$work/build" >"$work/install.log" 2>&1 ||
            { tail -30 "$work/install.log" >&2; die "$name ($2): installing failed, see $work/install.log"; }
        ;;
    meson)
        local family=$2 tool="$2-w64-mingw32"
        [ "$2" = i686 ] && family=x86
        printf '%s\n' "[binaries]" "c = '$tool-gcc-posix'" "cpp = '$tool-g++-posix'" "ar = '$tool-ar'" \
            "strip = '$tool-strip'" "windres = '$tool-windres'" "pkg-config = 'pkg-config'" \
            "[properties]" "pkg_config_libdir = '$5/lib/pkgconfig'" \
            "[host_machine]" "system = 'windows'" "cpu_family = '$family'" "cpu = '$2'" "endian = 'little'" \
            > "$work/cross.ini"
        # shellcheck disable=SC2086   # the options are words
        meson setup "$work/build" "$3" --cross-file "$work/cross.ini" --prefix "$4" --libdir lib \
            --buildtype release --default-library static $options >"$work/configure.log" 2>&1 ||
            { tail -30 "$work/configure.log" >&2; die "$name ($2): configuring failed, see $work/configure.log"; }
        ninja -C "$work/build" -j "$jobs" >"$work/build.log" 2>&1 ||
            { tail -30 "$work/build.log" >&2; die "$name ($2): building failed, see $work/build.log"; }
        meson install -C "$work/build" >"$work/install.log" 2>&1 ||
            { tail -30 "$work/install.log" >&2; die "$name ($2): installing failed, see $work/install.log"; }
        ;;
    *) die "$name: unknown build kind '$kind' in cmake/outside-libraries.txt" ;;
    esac
    # Only the headers, the libraries and the licences are kept; pkg-config
    # files find their prefix from their own place, as the tree is copied.
    # A library whose build makes DLLs too leaves their import libraries
    # (lib*.dll.a): dropped, so that nothing links against a DLL by mistake.
    rm -rf "${4:?}/bin" "$4/share" "$4/doc"
    rm -f "$4"/lib/*.dll.a
    for file in "$4"/lib/pkgconfig/*.pc; do
        [ -f "$file" ] && sed -i "s|$4|\${pcfiledir}/../..|g" "$file"
    done
    for archive in ${archives//,/ }; do
        [ -f "$4/lib/lib$archive.a" ] || die "$name ($2): lib$archive.a was not installed"
    done
    mkdir -p "$4/licences/$package"
    for file in ${licences//,/ }; do
        [ -f "$3/$file" ] || die "$name: licence file $file not in the $package source"
        cp "$3/$file" "$4/licences/$package/"
    done
    rm -rf "$work"
}

# --- Each target -------------------------------------------------------------

for target in "${targets[@]}"; do
    case "$target" in x86_64|i686) ;; *) die "unknown target '$target' (x86_64 or i686)" ;; esac
    dest="$deps/$target"
    current=1
    for row in "${rows[@]}"; do
        read -r name rest <<< "$row"
        [ "$(cat "$dest/.installed/$name" 2>/dev/null)" = "$(key "$row" "$target")" ] || current=""
    done
    [ -n "$current" ] && continue

    mkdir -p "$cache"
    exec 9>"$cache/.lock"
    flock 9   # one build of the cache at a time
    # Put together beside its place, so a failed run leaves no half of it.
    rm -rf "$dest.partial"
    mkdir -p "$dest.partial/.installed"
    for row in "${rows[@]}"; do
        read -r name package version rest <<< "$row"
        k="$(key "$row" "$target")"
        if [ ! -f "$cache/$k/.complete" ]; then
            started=$SECONDS
            source_dir="$(fetch "$row")"
            say "building $package $version for $target"
            rm -rf "$cache/$k.partial"
            build_row "$row" "$target" "$source_dir" "$cache/$k.partial" "$dest.partial"
            touch "$cache/$k.partial/.complete"
            rm -rf "${cache:?}/$k"
            mv "$cache/$k.partial" "$cache/$k"
            say "built $package $version for $target in $((SECONDS - started)) s"
        fi
        cp -a "$cache/$k/." "$dest.partial/"
        rm -f "$dest.partial/.complete"
        echo "$k" > "$dest.partial/.installed/$name"
    done
    rm -rf "$dest"
    mv "$dest.partial" "$dest"
    exec 9>&-
    say "$target: $(ls "$dest/.installed" | tr '\n' ' ')in $dest"
done
