#!/usr/bin/env bash
# CI stage: the installed game. From a configured and built tree (default
# build/test), checks what `cmake --install` lays out (desktop-file-validate,
# appstreamcli validate), builds the Debian package with CPack, runs lintian
# on it, installs it with dpkg, starts the installed game under Xvfb, closes
# it as a window manager would and expects status 0 within a second, and
# removes the package again, leaving the machine as it was.
#
#   bash tools/ci/package.sh [BUILD_DIR]
#
# Needs root (or sudo) for dpkg, and: dpkg-dev, lintian, desktop-file-utils,
# appstream, xvfb, xdotool (tools/dev.sh test installs them).
set -euo pipefail

root=$(cd -- "$(dirname -- "${BASH_SOURCE[0]}")/../.." && pwd -P)
build=$(cd -- "${1:-$root/build/test}" && pwd -P)
say() { printf 'package: %s\n' "$*" >&2; }
die() {
    say "error: $*"
    exit 1
}
as_root() { if [[ "$(id -u)" -eq 0 ]]; then "$@"; else sudo "$@"; fi; }

for tool in cpack lintian desktop-file-validate appstreamcli dpkg-shlibdeps Xvfb xdotool; do
    command -v "$tool" >/dev/null || die "$tool is missing (see TEST_PACKAGES in tools/dev.sh)"
done
helper=$build/tests/xvfb/molvane_xwin
[[ -x "$helper" ]] || die "$helper is not built (build $build first)"

work=$(mktemp -d)
xvfb=""
installed_here=0
cleanup() {
    [[ -n "$xvfb" ]] && { kill "$xvfb" 2>/dev/null || true; wait "$xvfb" 2>/dev/null || true; }
    if [[ $installed_here -eq 1 ]]; then
        as_root dpkg -r molvane >/dev/null || say "could not remove the package again (dpkg -r molvane)"
    fi
    rm -rf -- "$work"
}
trap cleanup EXIT

# ---- What cmake --install lays out -------------------------------------------------
cmake --install "$build" --prefix "$work/stage/usr" >/dev/null
for file in bin/molvane share/applications/molvane.desktop share/metainfo/org.example.molvane.metainfo.xml \
    share/icons/hicolor/{16x16,32x32,48x48,64x64,128x128,256x256}/apps/molvane.png \
    share/icons/hicolor/scalable/apps/molvane.svg share/man/man6/molvane.6.gz share/doc/molvane/copyright; do
    [[ -f "$work/stage/usr/$file" ]] || die "cmake --install did not put $file in place"
done
say "desktop-file-validate:"
desktop-file-validate "$work/stage/usr/share/applications/molvane.desktop" || die "the desktop entry is not valid"
say "appstreamcli validate:"
appstreamcli validate --no-net "$work/stage/usr/share/metainfo/org.example.molvane.metainfo.xml" ||
    die "the AppStream metainfo is not valid"

# ---- The package ----------------------------------------------------------------------
(cd "$build" && cpack -G DEB -B "$work/deb" >"$work/cpack.log" 2>&1) || { cat "$work/cpack.log" >&2; die "cpack failed"; }
deb=$(ls "$work"/deb/molvane_*.deb)
say "built $(basename "$deb"), $(stat -c %s "$deb") bytes; Depends: $(dpkg-deb -f "$deb" Depends)"
say "lintian:"
lintian --fail-on error "$deb" 2>&1 | grep -v 'running with root privileges' >&2 || true
lintian --fail-on error "$deb" >/dev/null 2>&1 || die "lintian found errors in the package"

# ---- Installed, started and closed -----------------------------------------------------
if dpkg-query -W -f='${Status}' molvane 2>/dev/null | grep -q 'install ok installed'; then
    die "a molvane package is already installed here; not replacing it (dpkg -r molvane first)"
fi
as_root dpkg -i "$deb" >/dev/null || die "dpkg could not install the package"
installed_here=1
[[ -x /usr/games/molvane ]] || die "the package did not install /usr/games/molvane"

exec 3>"$work/display"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset >/dev/null 2>&1 &
xvfb=$!
exec 3>&-
for _ in $(seq 100); do [[ -s "$work/display" ]] && break; sleep 0.1; done
export DISPLAY=":$(head -n 1 "$work/display")"
mkdir "$work/play"
(cd "$work/play" && SDL_AUDIODRIVER=dummy exec /usr/games/molvane) &
game=$!
window=""
for _ in $(seq 200); do
    window=$(xdotool search --onlyvisible --name '^Molvane$' 2>/dev/null | head -n 1) && [[ -n "$window" ]] && break
    sleep 0.1
done
[[ -n "$window" ]] || { kill "$game" 2>/dev/null || true; die "the installed game showed no window"; }
start=$(date +%s%N)
"$helper" close "$window"
status=""
for _ in $(seq 100); do
    if ! kill -0 "$game" 2>/dev/null; then
        status=0
        wait "$game" || status=$?
        break
    fi
    sleep 0.01
done
took=$((($(date +%s%N) - start) / 1000000))
[[ -n "$status" ]] || { kill -9 "$game" 2>/dev/null || true; die "the installed game did not end within a second of the close request"; }
say "the installed game closed with status $status after $took ms"
[[ "$status" -eq 0 ]] || die "the installed game ended with status $status"

as_root dpkg -r molvane >/dev/null || die "dpkg -r molvane failed"
installed_here=0
[[ ! -e /usr/games/molvane ]] || die "/usr/games/molvane is still there after dpkg -r"
say "package checks passed"
