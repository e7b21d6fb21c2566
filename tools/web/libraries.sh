#!/usr/bin/env bash
# Builds SDL2, SDL2_image, SDL2_mixer, SDL2_ttf and FreeType for the web, as
# static libraries, from Debian 12's source packages, with Debian's
# emscripten. The result is kept in a cache folder named after the versions
# of the sources and of emscripten, so a second run on the same machine
# builds nothing. Prints that folder (the install prefix) on stdout.
#
#   bash tools/web/libraries.sh
set -euo pipefail

say() { printf 'molvane: %s\n' "$*" >&2; }
die() {
    say "error: $*"
    exit 1
}

CACHE=${MOLVANE_WEB_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/molvane-web}
JOBS=${MOLVANE_JOBS:-2}
SOURCES=(libsdl2 libsdl2-image libsdl2-mixer libsdl2-ttf freetype)
# emcc runs its JavaScript parts with Debian's node modules (acorn).
export NODE_PATH=${NODE_PATH:-/usr/share/nodejs}

# The Debian archive the machine's apt takes bookworm from (its first "deb"
# entry for bookworm, in either format of apt's sources).
archive() {
    local file
    for file in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
        [[ -f "$file" ]] && awk '$1 == "deb" { i = 2; if ($i ~ /^\[/) { while (i <= NF && $i !~ /\]$/) i++; i++ }
                                       if ($(i + 1) == "bookworm") { print $i; exit } }' "$file"
    done
    for file in /etc/apt/sources.list.d/*.sources; do
        [[ -f "$file" ]] && awk 'BEGIN { RS = ""; FS = "\n" }
            { types = uris = suites = ""
              for (n = 1; n <= NF; n++) {
                  if ($n ~ /^Types:/) types = " " substr($n, 7) " "
                  if ($n ~ /^URIs:/) uris = substr($n, 6)
                  if ($n ~ /^Suites:/) suites = " " substr($n, 8) " "
              }
              if (types ~ /[ \t]deb[ \t]/ && suites ~ /[ \t]bookworm[ \t]/) { split(uris, u, /[ \t]+/)
                  for (k in u) if (u[k] != "") { print u[k]; exit } } }' "$file"
    done
}

# The source packages, through an apt set-up of our own (a deb-src line for
# bookworm), so the system's apt sources stay as they are.
fetch_sources() {
    local package missing=0
    for package in "${SOURCES[@]}"; do compgen -G "$CACHE/sources/${package}_*.dsc" >/dev/null || missing=1; done
    [[ $missing -eq 1 || -n "${MOLVANE_WEB_REFRESH:-}" ]] || return 0
    local apt=$CACHE/apt
    mkdir -p "$apt/lists/partial" "$CACHE/sources"
    local mirror=${MOLVANE_WEB_MIRROR:-$(archive | head -n 1)}
    [[ -n "$mirror" ]] || die "no bookworm archive in /etc/apt/sources.list*; name one in MOLVANE_WEB_MIRROR"
    printf 'deb-src %s bookworm main\n' "$mirror" >"$apt/sources.list"
    local options=(-o "Dir::Etc::SourceList=$apt/sources.list" -o Dir::Etc::SourceParts=/dev/null
        -o "Dir::State::Lists=$apt/lists" -o APT::Sandbox::User=root -q)
    apt-get "${options[@]}" update >&2 || die "apt-get update (deb-src bookworm) failed"
    (cd "$CACHE/sources" && apt-get "${options[@]}" source --download-only "${SOURCES[@]}" 2>&1 |
        { grep -v -e NOTICE -e salsa -e 'Please use' -e 'to retrieve' -e '^$' || true; } >&2) ||
        die "apt-get source failed for ${SOURCES[*]}"
}

# The version of source package $1 in the cache, from its .dsc file name.
version_of() {
    local dsc dscs=("$CACHE/sources/$1"_*.dsc)
    dsc=$(printf '%s\n' "${dscs[@]}" | sort -V | tail -n1)
    dsc=${dsc##*/}
    dsc=${dsc#"$1"_}
    echo "${dsc%.dsc}"
}

# Unpacks source package $1 (Debian's patches applied) into $2.
unpack() {
    rm -rf -- "$2"
    dpkg-source --no-check -x "$CACHE/sources/$1_$(version_of "$1").dsc" "$2" >/dev/null ||
        die "cannot unpack the source package $1"
}

# cmake_build NAME SOURCE-PACKAGE CMAKE-ARGS...: configures, builds and
# installs one library into the prefix.
cmake_build() {
    local name=$1 package=$2
    shift 2
    local src=$WORK/$name
    unpack "$package" "$src"
    say "building $name for the web"
    nice emcmake cmake -S "$src" -B "$src/build" -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$PREFIX" \
        -DCMAKE_PREFIX_PATH="$PREFIX" -DCMAKE_FIND_ROOT_PATH="$PREFIX" -DBUILD_SHARED_LIBS=OFF "$@" >"$src.log" 2>&1 ||
        die "configuring $name failed; see $src.log"
    nice cmake --build "$src/build" -j"$JOBS" >>"$src.log" 2>&1 || die "building $name failed; see $src.log"
    cmake --install "$src/build" >>"$src.log" 2>&1 || die "installing $name failed; see $src.log"
}

# The licence texts of the libraries the site carries, with where their
# sources are, into $PREFIX/licences.txt (the site's LICENSES.txt takes it in).
write_licences() {
    local out=$PREFIX/licences.txt package tarball file
    [[ -f "$out" ]] && return 0
    {
        for package in "${SOURCES[@]}"; do
            for tarball in "$CACHE/sources/${package}_"*.orig.tar.[gx]z; do break; done
            file=$(tar -tf "$tarball" | grep -E '^[^/]+/(LICENSE\.txt|docs/FTL\.TXT)$' | head -n1)
            printf "\n==== %s (Debian 12 source package %s: apt-get source %s=%s)\n\n" \
                "${file%%/*}" "$package" "$package" "$(version_of "$package")"
            tar -xOf "$tarball" "$file"
        done
        printf '\nSDL2_image decodes JPEG and PNG with stb_image, and SDL2_mixer MP3 with dr_mp3, both\n'
        printf 'public domain or MIT as their headers in those source packages say.\n'
    } >"$out.new" && mv "$out.new" "$out"
}

command -v emcmake >/dev/null || die "no emcmake (Debian package emscripten)"
command -v dpkg-source >/dev/null || die "no dpkg-source (Debian package dpkg-dev)"
fetch_sources
key="emscripten-$(emcc -dumpversion)"
for package in "${SOURCES[@]}"; do key+="_${package}-$(version_of "$package")"; done
PREFIX=$CACHE/$key
if [[ -f "$PREFIX/.complete" ]]; then
    say "re-using the web libraries in $PREFIX"
    write_licences
    echo "$PREFIX"
    exit 0
fi
rm -rf -- "$PREFIX"
WORK=$CACHE/work
rm -rf -- "$WORK"
mkdir -p "$WORK"
start=$SECONDS

cmake_build SDL2 libsdl2 -DSDL_SHARED=OFF -DSDL_STATIC=ON -DSDL_TEST=OFF -DSDL2_DISABLE_SDL2MAIN=ON
# Only what SDL_ttf needs: no zlib, bzip2, PNG, HarfBuzz or Brotli.
cmake_build freetype freetype -DFT_DISABLE_ZLIB=ON -DFT_DISABLE_BZIP2=ON -DFT_DISABLE_PNG=ON \
    -DFT_DISABLE_HARFBUZZ=ON -DFT_DISABLE_BROTLI=ON
cmake_build SDL2_ttf libsdl2-ttf -DSDL2TTF_VENDORED=OFF -DSDL2TTF_HARFBUZZ=OFF -DSDL2TTF_SAMPLES=OFF
# JPEG and PNG with the built-in stb decoders; nothing else.
cmake_build SDL2_image libsdl2-image -DSDL2IMAGE_VENDORED=OFF -DSDL2IMAGE_BACKEND_STB=ON -DSDL2IMAGE_SAMPLES=OFF \
    -DSDL2IMAGE_DEPS_SHARED=OFF -DSDL2IMAGE_JPG=ON -DSDL2IMAGE_PNG=ON -DSDL2IMAGE_AVIF=OFF -DSDL2IMAGE_BMP=OFF \
    -DSDL2IMAGE_GIF=OFF -DSDL2IMAGE_JXL=OFF -DSDL2IMAGE_LBM=OFF -DSDL2IMAGE_PCX=OFF -DSDL2IMAGE_PNM=OFF \
    -DSDL2IMAGE_QOI=OFF -DSDL2IMAGE_SVG=OFF -DSDL2IMAGE_TGA=OFF -DSDL2IMAGE_TIF=OFF -DSDL2IMAGE_WEBP=OFF \
    -DSDL2IMAGE_XCF=OFF -DSDL2IMAGE_XPM=OFF -DSDL2IMAGE_XV=OFF
# Its installed config asks for libjpeg and libpng even where stb decodes them.
sed -i 's/^if(SDL2IMAGE_\(JPG\|PNG\) AND NOT SDL2IMAGE_VENDORED/if(SDL2IMAGE_\1 AND NOT SDL2IMAGE_BACKEND_STB AND NOT SDL2IMAGE_VENDORED/' \
    "$PREFIX/lib/cmake/SDL2_image/SDL2_imageConfig.cmake"
# WAV and, with the built-in dr_mp3, MP3; nothing else.
cmake_build SDL2_mixer libsdl2-mixer -DSDL2MIXER_VENDORED=OFF -DSDL2MIXER_SAMPLES=OFF -DSDL2MIXER_DEPS_SHARED=OFF \
    -DSDL2MIXER_MP3=ON -DSDL2MIXER_MP3_DRMP3=ON -DSDL2MIXER_MP3_MPG123=OFF -DSDL2MIXER_FLAC=OFF \
    -DSDL2MIXER_MOD=OFF -DSDL2MIXER_MIDI=OFF -DSDL2MIXER_OPUS=OFF -DSDL2MIXER_VORBIS=OFF -DSDL2MIXER_WAVE=ON

write_licences
touch "$PREFIX/.complete"
rm -rf -- "$WORK"
say "built the web libraries in $((SECONDS - start)) s: $PREFIX"
echo "$PREFIX"
