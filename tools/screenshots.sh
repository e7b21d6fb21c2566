#!/usr/bin/env bash
# Takes the README's screenshots of the game as a player sees it: builds
# tools/screenshots in build/screenshots, runs it in a real X window on a
# display of its own (Xvfb), and writes
#
#   docs/screenshot-title.png      docs/screenshot-play.png
#   docs/screenshot-pause.png      docs/screenshot-game-over.png
#   docs/screenshot-victory.png
#
# each 600x680, reduced to 128 colours to keep the repository small.
# Needs: xvfb, xdotool, imagemagick (see tools/dev.sh test), and the build's own
# packages.
#
#   bash tools/screenshots.sh
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$root/build/screenshots
docs=$root/docs

for tool in Xvfb xdotool import convert identify; do
    command -v "$tool" >/dev/null || { echo "screenshots: $tool is missing (Debian: xvfb, xdotool, imagemagick)" >&2; exit 1; }
done

cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DMOLVANE_SCREENSHOTS=ON -DBUILD_TESTING=OFF >/dev/null
cmake --build "$build" --target molvane_screenshots -j"$(nproc)"

# The first free display from :97 on.
display=97
while [ -e "/tmp/.X$display-lock" ] || [ -e "/tmp/.X11-unix/X$display" ]; do display=$((display + 1)); done

raw=$(mktemp -d)
Xvfb ":$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'kill "$xvfb" 2>/dev/null || true; wait "$xvfb" 2>/dev/null || true; rm -rf "$raw"' EXIT

for _ in $(seq 50); do
    DISPLAY=":$display" xdotool getdisplaygeometry >/dev/null 2>&1 && break
    sleep 0.1
done

DISPLAY=":$display" SDL_AUDIODRIVER=dummy "$build/tools/screenshots/molvane_screenshots" "$raw"

mkdir -p "$docs"
for name in title play pause game-over victory; do
    out=$docs/screenshot-$name.png
    convert "$raw/$name.png" -strip +dither -colors 128 -define png:compression-level=9 "PNG8:$out"
    size=$(identify -format '%wx%h' "$out")
    [ "$size" = 600x680 ] || { echo "screenshots: $out is $size, not 600x680" >&2; exit 1; }
    echo "$out $size $(stat -c %s "$out") bytes"
done
