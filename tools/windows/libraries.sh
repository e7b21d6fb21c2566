#!/usr/bin/env bash
# Builds the libraries the Windows game needs (SDL2, SDL2_image, SDL2_mixer,
# SDL2_ttf, FreeType) as 64-bit Windows DLLs with MinGW-w64, from
# Debian 12's source packages, with Debian's patches applied.
#
#   bash tools/windows/libraries.sh CACHE_DIR
#
# Prints the install prefix (CACHE_DIR/libs-KEY) on its last line. KEY names
# the source packages' versions, the compiler and this script, so a prefix
# built once is used again until one of them changes. The prefix also holds
# licences/NAME/ (the upstream licence and Debian's copyright file) and
# licences/SOURCES.txt (where each source comes from). Works in a temporary
# directory under CACHE_DIR, which is removed whatever happens.
set -euo pipefail

here=$(cd -- "$(dirname -- "${BASH_SOURCE[0]}")" && pwd -P)
cache=$1
host=x86_64-w64-mingw32
jobs=${MOLVANE_JOBS:-$(nproc)}
say() { printf 'windows-libs: %s\n' "$*" >&2; }
die() {
    say "error: $*"
    exit 1
}
mkdir -p -- "$cache"
cache=$(cd -- "$cache" && pwd -P)

# A private apt state with deb-src entries for the archive(s) this machine's
# apt already uses: the system's sources are left as they are.
apt_dir=$cache/apt
mkdir -p "$apt_dir"/lists/partial "$apt_dir"/cache/archives/partial
apt-get indextargets --format '$(REPO_URI) $(RELEASE)' | sort -u |
    awk '$2 ~ /^bookworm(-updates|-security)?$/ { print "deb-src", $1, $2, "main" }' >"$apt_dir/sources.list"
[[ -s "$apt_dir/sources.list" ]] || die "this machine's apt has no Debian 12 (bookworm) archive"
apt_options=(-o "Dir::Etc::SourceList=$apt_dir/sources.list" -o Dir::Etc::SourceParts=/nonexistent
    -o "Dir::State::Lists=$apt_dir/lists" -o "Dir::Cache=$apt_dir/cache" -o Debug::NoLocking=1)
[[ "$(id -u)" -ne 0 ]] || apt_options+=(-o APT::Sandbox::User=root)
say "reading the source package lists"
apt-get "${apt_options[@]}" -qq update || die "apt-get update (deb-src) failed"

sources=(libsdl2 libsdl2-image libsdl2-mixer libsdl2-ttf freetype)
# The .dsc of each source package's candidate version: its address, then its file name.
mapfile -t dsc_lines < <(apt-get "${apt_options[@]}" --print-uris source "${sources[@]}" 2>/dev/null |
    awk '$2 ~ /\.dsc$/ { gsub("\047", "", $1); print $1, $2 }')
dscs=("${dsc_lines[@]#* }")
[[ ${#dscs[@]} -eq ${#sources[@]} ]] || die "could not find all of: ${sources[*]}"
compiler=$("$host-gcc-posix" -dumpfullversion)
key=$( (printf '%s\n' "${dscs[@]##*/}" "$compiler" && cat -- "${BASH_SOURCE[0]}") | sha256sum | cut -c1-16)
prefix=$cache/libs-$key
if [[ -f "$prefix/.complete" ]]; then
    say "re-using $prefix"
    printf '%s\n' "$prefix"
    exit 0
fi

# Prefixes of other versions are of no more use.
find "$cache" -mindepth 1 -maxdepth 1 -name 'libs-*' ! -name "libs-$key" -exec rm -rf -- {} +
work=$(mktemp -d "$cache/work-XXXXXX")
trap 'rm -rf -- "$work"' EXIT
rm -rf -- "$prefix"
mkdir -p "$prefix/licences" "$work/download"
say "downloading ${sources[*]}"
# A signature listed in a .dsc may be missing from the archive; the files
# themselves are checked against the .dsc's checksums when unpacked.
(cd "$work/download" && apt-get "${apt_options[@]}" -qq source --download-only "${sources[@]}" >/dev/null 2>&1) || true

cat >"$work/toolchain.cmake" <<TOOLCHAIN
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER $host-gcc-posix)
set(CMAKE_CXX_COMPILER $host-g++-posix)
set(CMAKE_RC_COMPILER $host-windres)
set(CMAKE_FIND_ROOT_PATH /usr/$host "$prefix")
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
TOOLCHAIN
cp "$work/toolchain.cmake" "$prefix/toolchain.cmake"

# build NAME SOURCE_SUBDIR LICENCE_FILES CMAKE_ARGS...: unpacks the source
# package NAME, builds it with CMake and installs it into the prefix.
build() {
    local name=$1 subdir=$2 licence_files=$3 dsc
    shift 3
    dsc=$(printf '%s\n' "${dscs[@]##*/}" | grep -m1 "^${name}_") || die "no source for $name"
    say "building $name (${dsc%.dsc})"
    dpkg-source -x --no-check "$work/download/$dsc" "$work/$name" >/dev/null ||
        die "could not unpack $dsc"
    (cd "$work/download" && grep -A20 '^Checksums-Sha256:' "$dsc" | sed -n 's/^ \([0-9a-f]\{64\}\) [0-9]* \(.*\)/\1  \2/p' |
        grep -v '\.asc$' | sha256sum --quiet -c -) || die "checksums of $dsc do not match"
    cmake -S "$work/$name/$subdir" -B "$work/$name-build" -DCMAKE_TOOLCHAIN_FILE="$work/toolchain.cmake" \
        -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" -DBUILD_SHARED_LIBS=ON "$@" \
        >"$work/$name-configure.log" 2>&1 || { tail -n 30 "$work/$name-configure.log" >&2; die "configuring $name failed"; }
    cmake --build "$work/$name-build" -j"$jobs" >"$work/$name-build.log" 2>&1 ||
        { tail -n 30 "$work/$name-build.log" >&2; die "building $name failed"; }
    cmake --install "$work/$name-build" --strip >/dev/null || die "installing $name failed"
    mkdir -p "$prefix/licences/$name"
    local file
    for file in $licence_files debian/copyright; do
        cp -- "$work/$name/$file" "$prefix/licences/$name/" || die "$name has no $file"
    done
    printf '%s: Debian 12 source package %s\n  %s\n' "$name" "${dsc%.dsc}" \
        "$(printf '%s\n' "${dsc_lines[@]}" | awk -v f="$dsc" '$2 == f { print $1 }')" >>"$prefix/licences/SOURCES.txt"
}

build libsdl2 . LICENSE.txt -DSDL_SHARED=ON -DSDL_STATIC=OFF -DSDL_TEST=OFF
build freetype . "LICENSE.TXT docs/FTL.TXT" -DFT_DISABLE_ZLIB=ON -DFT_DISABLE_BZIP2=ON \
    -DFT_DISABLE_PNG=ON -DFT_DISABLE_HARFBUZZ=ON -DFT_DISABLE_BROTLI=ON
build libsdl2-image . LICENSE.txt -DSDL2IMAGE_BACKEND_STB=ON -DSDL2IMAGE_VENDORED=OFF \
    -DSDL2IMAGE_SAMPLES=OFF -DSDL2IMAGE_DEPS_SHARED=OFF -DSDL2IMAGE_AVIF=OFF -DSDL2IMAGE_JXL=OFF \
    -DSDL2IMAGE_TIF=OFF -DSDL2IMAGE_WEBP=OFF -DSDL2IMAGE_SVG=OFF
# Its installed CMake config asks for libjpeg and libpng even where stb decodes both.
sed -i 's/^if(SDL2IMAGE_\(JPG\|PNG\) AND /if(SDL2IMAGE_\1 AND NOT SDL2IMAGE_BACKEND_STB AND /' \
    "$prefix/lib/cmake/SDL2_image/SDL2_imageConfig.cmake"
build libsdl2-mixer . LICENSE.txt -DSDL2MIXER_VENDORED=OFF -DSDL2MIXER_SAMPLES=OFF -DSDL2MIXER_CMD=OFF \
    -DSDL2MIXER_FLAC=OFF -DSDL2MIXER_MOD=OFF -DSDL2MIXER_MIDI=OFF -DSDL2MIXER_OPUS=OFF \
    -DSDL2MIXER_VORBIS=OFF -DSDL2MIXER_MP3=ON -DSDL2MIXER_MP3_DRMP3=ON -DSDL2MIXER_MP3_MPG123=OFF
build libsdl2-ttf . LICENSE.txt -DSDL2TTF_VENDORED=OFF -DSDL2TTF_HARFBUZZ=OFF -DSDL2TTF_SAMPLES=OFF

touch "$prefix/.complete"
say "libraries ready in $prefix"
printf '%s\n' "$prefix"
