#!/usr/bin/env bash
# Draws the desktop icons, packaging/icons/molvane-SIZE.png, from the game's
# own icon drawing (assets/src/image_icon.svg, made by tools/make_assets.sh
# art). The PNG files are committed: building and installing the game need
# neither this script nor its tools.
#
# Needs: librsvg2-bin (rsvg-convert), imagemagick (convert)
#
#   bash packaging/make_icons.sh
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
svg=$root/assets/src/image_icon.svg
out=$root/packaging/icons

for tool in rsvg-convert convert; do
    command -v "$tool" >/dev/null || { echo "make_icons: $tool is missing (Debian: librsvg2-bin, imagemagick)" >&2; exit 1; }
done

mkdir -p "$out"
for size in 16 24 32 48 64 128 256; do
    rsvg-convert -w "$size" -h "$size" "$svg" -o "$out/molvane-$size.png.tmp"
    convert "$out/molvane-$size.png.tmp" -strip -define png:compression-level=9 "PNG32:$out/molvane-$size.png"
    rm -f "$out/molvane-$size.png.tmp"
    echo "$out/molvane-$size.png $(identify -format '%wx%h' "$out/molvane-$size.png") $(stat -c %s "$out/molvane-$size.png") bytes"
done
# The scalable drawing itself, for desktops that prefer it.
cp "$svg" "$out/molvane.svg"
