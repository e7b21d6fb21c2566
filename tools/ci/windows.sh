#!/usr/bin/env bash
# CI stage: the Windows build, played under Wine. Builds the zip
# (tools/windows/build.sh), unpacks it into a temporary directory and starts
# its molvane.exe under Wine, in a fresh Wine prefix and an Xvfb of its own,
# then checks what a player would see:
#   - the title picture shows (the window's pixels against image_start.jpg);
#   - Space starts the countdown (the holes show where the title picture was);
#   - a real click (the pointer moved there, button 1) on a rabbit that is up
#     makes it cry (the hole against image_pose.jpg, then image_cry.jpg);
#   - the close request a window manager sends ends the game with status 0;
#   - the game's temporary directory is gone.
# Screenshots are left in build/windows/ci/ for a look.
#
#   bash tools/ci/windows.sh [BUILD_DIR]
#
# BUILD_DIR (default build/test) holds the built molvane_xwin helper, which
# sends the close request. Needs what `tools/dev.sh windows` installs, and
# wine, wine64, xvfb, xdotool and imagemagick.
set -euo pipefail

repo=$(cd -- "$(dirname -- "${BASH_SOURCE[0]}")/../.." && pwd -P)
say() { printf 'windows-ci: %s\n' "$*" >&2; }
die() {
    say "error: $*"
    exit 1
}
build=$(cd -- "${1:-$repo/build/test}" && pwd -P)
helper=$build/tests/xvfb/molvane_xwin
[[ -x "$helper" ]] || die "$helper is not built (build $build first)"
for tool in wine Xvfb xdotool import compare unzip; do
    command -v "$tool" >/dev/null || die "$tool is missing (see WINDOWS_PACKAGES and TEST_PACKAGES in tools/dev.sh)"
done

started=$SECONDS
bash "$repo/tools/windows/build.sh" || die "the Windows build failed"
built=$SECONDS
zip=$(ls -t "$repo"/build/windows/molvane-*-windows-x86_64.zip | head -n 1)
shots=$repo/build/windows/ci
rm -rf -- "$shots"
mkdir -p "$shots"

work=$(mktemp -d "${TMPDIR:-/tmp}/molvane-windows-ci-XXXXXX")
xvfb=""
game=""
cleanup() {
    set +e
    [[ -z "$game" ]] || kill -- "$game" 2>/dev/null
    [[ -z "${WINEPREFIX:-}" ]] || wineserver -k 2>/dev/null
    [[ -z "$xvfb" ]] || kill -- "$xvfb" 2>/dev/null
    wait 2>/dev/null
    rm -rf -- "$work"
}
trap cleanup EXIT

unzip -q "$zip" -d "$work" || die "could not unpack $zip"
folder=$(find "$work" -mindepth 1 -maxdepth 1 -type d -name 'molvane-*')
[[ -f "$folder/molvane.exe" ]] || die "$zip has no molvane.exe"

exec 3>"$work/display"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset >"$work/xvfb.log" 2>&1 &
xvfb=$!
exec 3>&-
for _ in $(seq 50); do [[ -s "$work/display" ]] && break; sleep 0.1; done
[[ -s "$work/display" ]] || die "Xvfb did not start"
export DISPLAY=":$(head -n 1 "$work/display")"

# A Wine prefix of its own, without the Mono and Gecko installers it would ask for.
export WINEPREFIX=$work/wine WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
say "making a Wine prefix"
wine wineboot --init >"$work/wineboot.log" 2>&1 || die "wineboot failed: $(tail -n 5 "$work/wineboot.log")"
wineserver -w

# rmse SHOT EXPECTED [CROP]: the RMSE of SHOT (cropped to CROP,
# WxH+X+Y) against EXPECTED, as a share of the full range (0 is the same).
rmse() {
    local shot=$1 expected=$2 crop=${3:-}
    local args=("$shot")
    [[ -z "$crop" ]] || args+=(-crop "$crop" +repage)
    convert "${args[@]}" "$work/cropped.png"
    distance "$work/cropped.png" "$expected"
}
distance() { { compare -metric RMSE "$1" "$2" null: 2>&1 || true; } | sed -n 's/.*(\([0-9.e-]*\)).*/\1/p'; }
below() { awk -v a="$1" -v b="$2" 'BEGIN { exit !(a != "" && a + 0 < b + 0) }'; }  # no figure is not below

say "starting molvane.exe under Wine"
launched=$SECONDS
(cd "$folder" && exec wine molvane.exe) >"$work/game.log" 2>&1 &
game=$!
window=""
unpacked=""  # the game's temporary directory, if a look catches it during start-up
for _ in $(seq 600); do
    [[ -n "$unpacked" ]] || unpacked=$(find "$WINEPREFIX/drive_c" -name 'molvane-*' -print -quit 2>/dev/null)
    window=$(xdotool search --onlyvisible --name '^Molvane$' 2>/dev/null | head -n 1 || true)
    [[ -z "$window" ]] || break
    kill -0 "$game" 2>/dev/null || die "the game ended before its window showed: $(tail -n 5 "$work/game.log")"
    sleep 0.1
done
[[ -n "$window" ]] || die "no window named Molvane within 60 s"

# The title: the whole window is the title picture (JPEG-decoded either way).
failed=()
title=1
for _ in $(seq 100); do
    import -window "$window" "$shots/title.png"
    title=$(rmse "$shots/title.png" "$repo/assets/image_start.jpg")
    below "$title" 0.05 && break
    sleep 0.1
done
title_after=$((SECONDS - launched))
below "$title" 0.05 || failed+=("the title picture does not show (RMSE $title)")
say "title shown ${title_after} s after start (RMSE $title against image_start.jpg)"

# Space: the countdown begins on the holes, where the title picture was.
xdotool key --window "$window" space
hole=1
for _ in $(seq 100); do
    import -window "$window" "$shots/countdown.png"
    hole=$(rmse "$shots/countdown.png" "$repo/assets/image_empty.jpg" "${MOLVANE_HOLE:-200x200+0+80}")
    below "$hole" 0.08 && break
    sleep 0.1
done
below "$hole" 0.08 || failed+=("Space did not start the countdown (hole RMSE $hole)")
say "after Space: hole RMSE $hole against image_empty.jpg"

# A click on a rabbit that is up makes it cry. The bat is drawn under the
# pointer, so the middle of each hole is left out of the comparisons (painted
# grey); a rabbit may hide before the click lands, so up to 4 are tried.
mask=(-fill gray50 -draw 'rectangle 40,50 159,169')
holes() { convert "$1" -crop 600x600+0+80 +repage -crop 200x200 +repage "${mask[@]}" "$work/hole-%d.png"; }
for name in pose cry; do convert "$repo/assets/image_$name.jpg" "${mask[@]}" "$work/$name.png"; done
clicking=$SECONDS
cried=""
misses=()
for _ in 1 2 3 4; do
    struck=""
    looked=$SECONDS
    until [[ -n "$struck" || $((SECONDS - looked)) -gt 20 ]]; do  # the countdown first, then a rabbit
        import -window "$window" "$shots/play.png"
        holes "$shots/play.png"
        for i in {0..8}; do
            below "$(distance "$work/hole-$i.png" "$work/pose.png")" 0.04 && struck=$i && break
        done
    done
    [[ -n "$struck" ]] || break
    xdotool mousemove --window "$window" $((struck % 3 * 200 + 100)) $((struck / 3 * 200 + 190)) click 1
    clicked=$SECONDS
    until (( SECONDS - clicked > 2 )); do  # a crying rabbit stays up 1.5 s at least
        import -window "$window" "$shots/cry.png"
        holes "$shots/cry.png"
        cry=$(distance "$work/hole-$struck.png" "$work/cry.png")
        below "$cry" 0.04 && cried=$struck && break 2
    done
    misses+=("hole $((struck + 1)): RMSE $cry against image_cry.jpg, $(distance "$work/hole-$struck.png" "$work/pose.png") against image_pose.jpg;")
done
if [[ -n "$cried" ]]; then
    say "a click on the rabbit in hole $((cried + 1)) made it cry (RMSE $cry against image_cry.jpg), $((SECONDS - clicking)) s after the countdown began${misses[*]:+ (misses first: ${misses[*]})}"
else
    failed+=("no click made a rabbit that was up cry: ${misses[*]:-no rabbit was seen up within 20 s}")
fi

"$helper" close "$window" || failed+=("could not send the close request")
status=""
for _ in $(seq 100); do
    kill -0 "$game" 2>/dev/null || break
    sleep 0.1
done
if kill -0 "$game" 2>/dev/null; then
    failed+=("the game did not end within 10 s of the close request")
else
    status=0
    wait "$game" || status=$?
    game=""
    [[ "$status" -eq 0 ]] || failed+=("the game ended with status $status: $(tail -n 5 "$work/game.log")")
fi
wineserver -w
left=$(find "$WINEPREFIX/drive_c" -name 'molvane-*' 2>/dev/null | head -n 5)
[[ -z "$left" ]] || failed+=("the game left its temporary directory: $left")
say "temporary directory seen during start-up: ${unpacked:-none caught}; after the game: ${left:-none}"

say "build $((built - started)) s, Wine checks $((SECONDS - built)) s; screenshots in $shots"
if [[ ${#failed[@]} -gt 0 ]]; then
    for what in "${failed[@]}"; do say "FAILED: $what"; done
    exit 1
fi
say "the Windows build plays under Wine"
