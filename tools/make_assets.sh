#!/usr/bin/env bash
# Regenerates every picture and sound of Molvane into assets/ from the sources
# in the repo:
#   tools/art/gen_svg.py   -> assets/src/*.svg -> rsvg-convert -> PNG / JPEG
#   tools/sound/synth.cpp  -> WAV -> sox / lame -> assets/sound_*
#
# Needs (Debian packages): librsvg2-bin imagemagick sox libsox-fmt-mp3 lame g++
# python3 fonts-lobster fonts-comic-neue fonts-dejavu-core
#   apt-get install -y librsvg2-bin imagemagick sox libsox-fmt-mp3 lame g++ \
#       python3 fonts-lobster fonts-comic-neue fonts-dejavu-core
# The game itself needs none of these: it only loads the files in assets/.
#
#   bash tools/make_assets.sh            everything
#   bash tools/make_assets.sh art        pictures only
#   bash tools/make_assets.sh sound      sounds only
#   bash tools/make_assets.sh check      measure what is in assets/ (sizes, seams,
#                                        loops, levels; needs libsdl2-mixer-dev)
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
ASSETS="$ROOT/assets"
SRC="$ASSETS/src"
WORK="$(mktemp -d)"
trap 'rm -rf "$WORK"' EXIT
WHAT="${1:-all}"

# the real ImageMagick, not a wrapper that may shadow it on PATH
CONVERT=/usr/bin/convert
[ -x "$CONVERT" ] || CONVERT=convert
JPEG_Q=90

need() { command -v "$1" >/dev/null || { echo "make_assets: missing $1 ($2)" >&2; exit 1; }; }

make_art() {
    need rsvg-convert librsvg2-bin
    need python3 python3
    for f in "Lobster" "Comic Neue"; do
        fc-list : family | grep "$f" >/dev/null || { echo "make_assets: font '$f' not installed" >&2; exit 1; }
    done
    mkdir -p "$SRC"
    python3 "$ROOT/tools/art/gen_svg.py" "$SRC"

    # board tiles, screens and icon: JPEG
    for name in empty pose heart cry cool start end win icon; do
        rsvg-convert "$SRC/image_$name.svg" -o "$WORK/$name.png"
        "$CONVERT" "$WORK/$name.png" -background white -flatten -strip \
            -sampling-factor 4:2:0 -quality "$JPEG_Q" "$ASSETS/image_$name.jpg"
    done
    # bat and life heart: PNG with alpha
    for name in ready hit life; do
        rsvg-convert "$SRC/image_$name.svg" -o "$WORK/$name.png"
        "$CONVERT" "$WORK/$name.png" -strip -define png:color-type=6 "PNG32:$ASSETS/image_$name.png"
    done
}

make_sound() {
    need g++ g++
    need sox sox
    need lame lame
    g++ -O2 -std=c++17 -o "$WORK/synth" "$ROOT/tools/sound/synth.cpp"
    local S="$WORK/synth"

    # effects: 16-bit PCM mono 44100 Hz
    for name in pop hit hurt cool danger ding wait biu space retry; do
        "$S" "$name" "$ASSETS/sound_$name.wav"
    done
    # the two longer jingles: mono IMA ADPCM, a quarter of the size
    for name in end victory; do
        "$S" "$name" "$ASSETS/sound_$name.wav" --ima
    done
    # life added: MP3 (mono)
    "$S" addlife "$WORK/addlife.wav"
    lame --quiet --noreplaygain -m m -b 96 "$WORK/addlife.wav" "$ASSETS/sound_addlife.mp3"

    # title tune: mono IMA ADPCM (a whole number of 505-sample blocks)
    "$S" start "$ASSETS/sound_start.wav" --ima

    # play music: stereo MP3; LAME's gapless tag lets the decoder trim the
    # encoder delay and padding, so the decoded stream is exactly one loop
    "$S" main "$WORK/main.wav"
    lame --quiet --noreplaygain -b 128 "$WORK/main.wav" "$ASSETS/sound_main.mp3"
}

case "$WHAT" in
    all) make_art; make_sound ;;
    art) make_art ;;
    sound) make_sound ;;
    check)
        python3 "$ROOT/tools/art/check_art.py" "$ASSETS"
        python3 "$ROOT/tools/sound/check_sounds.py" "$ASSETS"
        exit 0 ;;
    *) echo "usage: $0 [all|art|sound|check]" >&2; exit 2 ;;
esac
echo "make_assets: done"
ls -l "$ASSETS" | grep -v '^total'
