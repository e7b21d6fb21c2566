#!/usr/bin/env bash
# Cross-builds Molvane for 64-bit Windows with MinGW-w64 and packs it:
#
#   bash tools/windows/build.sh    (tools/dev.sh windows installs what it needs first)
#
# writes build/windows/molvane-VERSION-windows-x86_64.zip: one folder with
# molvane.exe, the DLLs it needs, README.txt and licences/ (the licence of
# everything inside and where its source is). The libraries come from
# tools/windows/libraries.sh, cached in $MOLVANE_WINDOWS_CACHE (default
# ~/.cache/molvane-windows). The game's build is in build/windows/game.
set -euo pipefail

root=$(cd -- "$(dirname -- "${BASH_SOURCE[0]}")/../.." && pwd -P)
cd -- "$root"
host=x86_64-w64-mingw32
out=$root/build/windows
cache=${MOLVANE_WINDOWS_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/molvane-windows}
say() { printf 'windows: %s\n' "$*" >&2; }
die() {
    say "error: $*"
    exit 1
}

prefix=$(bash tools/windows/libraries.sh "$cache" | tail -n 1)
[[ -f "$prefix/.complete" ]] || die "the libraries were not built"

# The build-time embedding tool runs here, so it is built for this machine.
mkdir -p "$out"
if [[ ! -x "$out/embed" || tools/embed/embed.cpp -nt "$out/embed" ]]; then
    say "building the native embedding tool"
    g++ -std=c++20 -O2 -o "$out/embed" tools/embed/embed.cpp || die "could not build tools/embed/embed.cpp"
fi

say "building the game"
# A build made against other libraries starts afresh.
if [[ "$(cat "$out/game/libraries" 2>/dev/null)" != "$prefix" ]]; then
    rm -rf -- "$out/game"
    mkdir -p "$out/game"
    printf '%s\n' "$prefix" >"$out/game/libraries"
fi
PKG_CONFIG_LIBDIR=$prefix/lib/pkgconfig cmake -S . -B "$out/game" -DCMAKE_TOOLCHAIN_FILE="$prefix/toolchain.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF -DMOLVANE_WERROR=ON -DMOLVANE_EMBED="$out/embed" >/dev/null ||
    die "configuring the Windows build failed"
cmake --build "$out/game" -j"${MOLVANE_JOBS:-$(nproc)}" --target molvane || die "the Windows build failed"

version=$(sed -n 's/^project(molvane VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
name=molvane-$version-windows-x86_64
stage=$out/$name
rm -rf -- "$stage" "$out/$name.zip"
mkdir -p "$stage/licences"
"$host-strip" -o "$stage/molvane.exe" "$out/game/molvane.exe"

# The DLLs molvane.exe needs, and those they need in turn, from the built
# libraries and MinGW's runtime; any other is Windows' own.
dll_dirs=("$prefix/bin" "$(dirname -- "$("$host-g++-posix" -print-libgcc-file-name)")" "/usr/$host/lib")
queue=("$stage/molvane.exe")
runtime=()
while [[ ${#queue[@]} -gt 0 ]]; do
    file=${queue[0]}
    queue=("${queue[@]:1}")
    while read -r dll; do
        [[ -e "$stage/$dll" ]] && continue
        for dir in "${dll_dirs[@]}"; do
            found=$(find "$dir" -maxdepth 1 -iname "$dll" -print -quit)
            [[ -n "$found" ]] || continue
            cp -- "$found" "$stage/$dll"
            queue+=("$stage/$dll")
            [[ "$dir" == "$prefix/bin" ]] || runtime+=("$found")
            break
        done
    done < <("$host-objdump" -p "$file" | sed -n 's/^[[:space:]]*DLL Name: //p')
done

# Licences: the game's, DejaVu's (embedded in molvane.exe), each library's,
# and the Debian copyright file of each MinGW runtime DLL's package.
cp LICENSE "$stage/licences/molvane-LICENSE.txt"
mkdir -p "$stage/licences/fonts-dejavu-core"
cp /usr/share/doc/fonts-dejavu-core/copyright "$stage/licences/fonts-dejavu-core/"
cp -r "$prefix/licences/." "$stage/licences/"
{
    printf 'fonts-dejavu-core: DejaVu Sans Bold, embedded in molvane.exe: Debian 12 package %s\n' \
        "$(dpkg-query -W -f='${source:Package} ${source:Version}' fonts-dejavu-core)"
    for dll in "${runtime[@]}"; do
        package=$(dpkg -S "$dll" | cut -d: -f1)
        mkdir -p "$stage/licences/$package"
        cp "/usr/share/doc/$package/copyright" "$stage/licences/$package/"
        printf '%s: %s, from Debian 12 package %s (source %s)\n' "$package" "${dll##*/}" "$package" \
            "$(dpkg-query -W -f='${source:Package} ${source:Version}' "$package")"
    done
    printf 'Debian source packages: apt-get source NAME=VERSION on Debian 12, or https://sources.debian.org/\n'
} >>"$stage/licences/SOURCES.txt"
cat >"$stage/README.txt" <<README
Molvane $version for 64-bit Windows: strike the rabbits before they hide.

Unzip this folder anywhere and double-click molvane.exe. Keep the DLLs beside it.
Click a rabbit that is up to strike it. Space starts and pauses, Esc goes back
to the title, M turns the sound off and on, F11 or Alt+Enter toggles fullscreen.

Molvane is free software under the Expat licence (licences/molvane-LICENSE.txt).
licences/ holds the licence of every library inside, and SOURCES.txt there
says where each one's source is.
README
find "$stage" -exec touch -h -d "@$(git log -1 --format=%ct)" {} +
(cd "$out" && zip -q -r -9 -X "$name.zip" "$name") || die "could not write the zip"
say "wrote $out/$name.zip ($(du -k "$out/$name.zip" | cut -f1) KiB)"
