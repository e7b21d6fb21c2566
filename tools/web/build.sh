#!/usr/bin/env bash
# Builds the game for the web into build/web: index.html, molvane.js,
# molvane.wasm and the icons, a static site any web server serves.
#
#   bash tools/web/build.sh          build the site
#   bash tools/web/build.sh serve    build it, then serve it on 127.0.0.1
#
# Normally called through tools/dev.sh web, which installs emscripten first.
set -euo pipefail

say() { printf 'molvane: %s\n' "$*" >&2; }
die() {
    say "error: $*"
    exit 1
}

ROOT=$(cd -- "$(dirname -- "${BASH_SOURCE[0]}")/../.." && pwd -P)
cd -- "$ROOT"
JOBS=${MOLVANE_JOBS:-2}
SITE=build/web
GAME=build/web-game
export NODE_PATH=${NODE_PATH:-/usr/share/nodejs}

build_site() {
    local prefix
    prefix=$(bash tools/web/libraries.sh) || die "the web libraries could not be built"

    # The embed tool runs while building, so it is built for this machine.
    local embed=build/web-tools/embed
    if [[ ! -x "$embed" || tools/embed/embed.cpp -nt "$embed" ]]; then
        mkdir -p build/web-tools
        nice c++ -std=c++20 -O2 -o "$embed" tools/embed/embed.cpp || die "cannot build the embed tool"
    fi
    # The default font cut down to the Latin letters the game writes with: a
    # page has no other fonts to fall back on, and the whole font is 700 KB.
    local whole=/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf font=build/web-tools/DejaVuSans-Bold-latin.ttf
    [[ -f "$whole" ]] || die "no $whole (Debian package fonts-dejavu-core)"
    if [[ ! -f "$font" || "$whole" -nt "$font" ]]; then
        /usr/bin/python3 -m fontTools.subset "$whole" --unicodes=U+0020-007E,U+00A0-00FF --output-file="$font" \
            2>/dev/null || die "cannot cut down the default font (Debian package python3-fonttools)"
    fi
    font=$ROOT/$font

    # Configured afresh for other libraries or another checkout.
    if [[ ! -f "$GAME/Makefile" ]] || ! grep -qxF "CMAKE_PREFIX_PATH:UNINITIALIZED=$prefix" "$GAME/CMakeCache.txt" ||
        ! grep -qxF "CMAKE_HOME_DIRECTORY:INTERNAL=$ROOT" "$GAME/CMakeCache.txt"; then
        rm -rf -- "$GAME"
        say "configuring $GAME"
        nice emcmake cmake -S . -B "$GAME" -DCMAKE_BUILD_TYPE=Release -DMOLVANE_WERROR=ON -DBUILD_TESTING=OFF \
            -DCMAKE_PREFIX_PATH="$prefix" -DCMAKE_FIND_ROOT_PATH="$prefix" -DMOLVANE_EMBED="$ROOT/$embed" \
            -DMOLVANE_DEFAULT_FONT="$font" >&2 || die "cannot configure $GAME"
    fi
    say "building $GAME"
    nice cmake --build "$GAME" -j"$JOBS" --target molvane >&2 || die "the web build failed"

    rm -rf -- "$SITE"
    mkdir -p "$SITE"
    cp tools/web/index.html "$GAME/molvane.js" "$GAME/molvane.wasm" packaging/icons/molvane-32.png \
        packaging/icons/molvane-256.png "$SITE/"
    # What the site carries and under which licences: the game's, DejaVu's
    # (packaging/copyright has both) and the libraries'.
    cat packaging/copyright "$prefix/licences.txt" >"$SITE/LICENSES.txt"
    local bytes compressed
    bytes=$(cat "$SITE"/* | wc -c)
    compressed=$(for file in "$SITE"/*; do gzip -9c "$file"; done | wc -c)
    say "the site is in $SITE: $((bytes / 1024)) KiB, $((compressed / 1024)) KiB compressed (gzip -9, file by file)"
}

serve() {
    local port=${MOLVANE_PORT:-8000}
    say "serving $SITE on http://127.0.0.1:$port/ (Ctrl+C stops)"
    exec python3 -m http.server --bind 127.0.0.1 --directory "$SITE" "$port"
}

case "$*" in
    "") build_site ;;
    serve) build_site && serve ;;
    *) die "usage: bash tools/web/build.sh [serve]" ;;
esac
