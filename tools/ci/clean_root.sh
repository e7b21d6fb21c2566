#!/usr/bin/env bash
# CI stage: the README's play command on a fresh Debian 12, as a new player
# would run it. Makes a clean Debian 12 root (debootstrap --variant=minbase,
# from the archive this machine's apt uses), copies the committed checkout in
# (git archive HEAD), runs `bash tools/dev.sh play` there under an Xvfb of its
# own, waits for the game's window, closes it as a window manager would and
# expects status 0. Then checks that the play packages are in the root and
# that no test package is, other than those the play packages depend on
# themselves, and that the tests were not built.
#
#   bash tools/ci/clean_root.sh [BUILD_DIR]
#
# BUILD_DIR (default build/test) holds the built molvane_xwin helper, which
# sends the close request. The bare root is kept as a tarball in
# $MOLVANE_CI_CACHE (default /var/cache/molvane-ci) and re-used by later runs
# on this machine; delete it to make a fresh one. The root itself is made
# under $MOLVANE_CI_WORK (default /var/tmp) and removed at the end, whatever
# happens; nothing stays mounted.
#
# Needs root (or sudo) for debootstrap, chroot and mount, network access to
# the archive, and: debootstrap, git, xvfb, xdotool (tools/dev.sh test installs
# them). Uncommitted changes are not part of what is tried: git archive takes HEAD.
set -euo pipefail

repo=$(cd -- "$(dirname -- "${BASH_SOURCE[0]}")/../.." && pwd -P)
say() { printf 'clean-root: %s\n' "$*" >&2; }
die() {
    say "error: $*"
    exit 1
}

if [[ "$(id -u)" -ne 0 ]]; then
    command -v sudo >/dev/null || die "needs root for debootstrap, chroot and mount, and there is no sudo"
    exec sudo --preserve-env=MOLVANE_CI_CACHE,MOLVANE_CI_WORK,MOLVANE_CI_MIRROR bash "${BASH_SOURCE[0]}" "$@"
fi

build=$(cd -- "${1:-$repo/build/test}" && pwd -P)
helper=$build/tests/xvfb/molvane_xwin
[[ -x "$helper" ]] || die "$helper is not built (build $build first)"
for tool in debootstrap git Xvfb xdotool xwininfo chroot setsid; do
    command -v "$tool" >/dev/null || die "$tool is missing (see TEST_PACKAGES in tools/dev.sh)"
done
mapfile -t play_packages < <(bash "$repo/tools/dev.sh" packages play)
mapfile -t test_packages < <(bash "$repo/tools/dev.sh" packages test)
[[ ${#play_packages[@]} -gt 0 && ${#test_packages[@]} -gt 0 ]] || die "tools/dev.sh lists no packages"

# The Debian archive this machine's apt takes bookworm from: the first entry
# for the suite bookworm itself, in either format of apt's sources.
archive() {
    local file
    for file in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
        [[ -f "$file" ]] || continue
        awk '$1 == "deb" {
                 i = 2
                 if ($i ~ /^\[/) { while (i <= NF && $i !~ /\]$/) i++; i++ }
                 if ($(i + 1) == "bookworm") { print $i; exit }
             }' "$file"
    done
    for file in /etc/apt/sources.list.d/*.sources; do
        [[ -f "$file" ]] || continue
        awk 'BEGIN { RS = ""; FS = "\n" }
             {
                 types = uris = suites = ""
                 for (n = 1; n <= NF; n++) {
                     if ($n ~ /^Types:/) types = " " substr($n, 7) " "
                     if ($n ~ /^URIs:/) uris = substr($n, 6)
                     if ($n ~ /^Suites:/) suites = " " substr($n, 8) " "
                 }
                 if (types ~ /[ \t]deb[ \t]/ && suites ~ /[ \t]bookworm[ \t]/) {
                     split(uris, u, /[ \t]+/)
                     for (k in u) if (u[k] != "") { print u[k]; exit }
                 }
             }' "$file"
    done
}
mirror=${MOLVANE_CI_MIRROR:-$(archive | head -n 1)}
[[ -n "$mirror" ]] || die "no bookworm archive in /etc/apt/sources.list*; name one in MOLVANE_CI_MIRROR"

cache_dir=${MOLVANE_CI_CACHE:-/var/cache/molvane-ci}
tarball=$cache_dir/bookworm-minbase-$(dpkg --print-architecture).tar
work_parent=${MOLVANE_CI_WORK:-/var/tmp}
started=$SECONDS
work=$(mktemp -d "$work_parent/molvane-clean-root-XXXXXX")
root=$work/root
mounts=()
xvfb=""
play=""

# Everything mounted under the work directory, deepest first.
mounted_under_work() {
    awk -v work="$work" '$5 == work || index($5, work "/") == 1 { print $5 }' /proc/self/mountinfo | sort -r
}
cleanup() {
    local status=$? pid process_root point began=$SECONDS
    set +e
    # The play command and whatever it started (apt, the build, the game),
    # in their own process group; then anything else still running in the root.
    if [[ -n "$play" ]]; then
        kill -TERM -- "-$play" 2>/dev/null
        sleep 1
        kill -KILL -- "-$play" 2>/dev/null
        wait "$play" 2>/dev/null
    fi
    for pid in /proc/[0-9]*; do
        process_root=$(readlink "$pid/root" 2>/dev/null) || continue
        [[ "$process_root" == "$root" ]] && kill -KILL "${pid#/proc/}" 2>/dev/null
    done
    [[ -n "$xvfb" ]] && { kill "$xvfb" 2>/dev/null; wait "$xvfb" 2>/dev/null; }
    for ((i = ${#mounts[@]} - 1; i >= 0; i--)); do
        umount -R "${mounts[i]}" 2>/dev/null || umount -R -l "${mounts[i]}" 2>/dev/null
    done
    for point in $(mounted_under_work); do umount -l "$point" 2>/dev/null; done
    if [[ -n "$(mounted_under_work)" ]]; then
        say "error: still mounted, so $work is left in place:"
        mounted_under_work >&2
        exit 1
    fi
    rm -rf --one-file-system -- "$work"
    say "cleaned up in $((SECONDS - began)) s; $((SECONDS - started)) s in all"
    exit "$status"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

# ---- The bare root ----------------------------------------------------------
mkdir -p "$cache_dir"
if [[ -s "$tarball" ]]; then
    say "unpacking the cached Debian 12 root ($tarball)"
    mkdir "$root"
    tar -xpf "$tarball" -C "$root"
else
    say "making a Debian 12 root: debootstrap --variant=minbase bookworm from $mirror"
    debootstrap --variant=minbase bookworm "$root" "$mirror" >"$work/debootstrap.log" 2>&1 ||
        { tail -n 20 "$work/debootstrap.log" >&2; die "debootstrap failed"; }
    tar -cpf "$tarball.part" -C "$root" . && mv -f "$tarball.part" "$tarball"
    say "cached it as $tarball ($(du -m "$tarball" | cut -f1) MB)"
fi
root_ready=$SECONDS
say "root ready after $((root_ready - started)) s"
cp /etc/resolv.conf "$root/etc/resolv.conf"

# ---- The checkout, and what a running system has -----------------------------
mkdir -p "$root/root/molvane"
git -C "$repo" archive HEAD | tar -x -C "$root/root/molvane"
say "copied commit $(git -C "$repo" rev-parse --short HEAD) into the root"

mount_in() { # mount_in TARGET MOUNT-ARGS...: mounts and remembers it for the clean-up
    local target=$1
    shift
    mkdir -p "$target"
    mount "$@" "$target"
    mounts+=("$target")
}
mount_in "$root/proc" -t proc proc
mount_in "$root/sys" -t sysfs sysfs
mount_in "$root/dev" --rbind /dev
mount --make-rslave "$root/dev" # nothing unmounted here reaches the machine's /dev

exec 3>"$work/display"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset >"$work/xvfb.log" 2>&1 &
xvfb=$!
exec 3>&-
for _ in $(seq 100); do [[ -s "$work/display" ]] && break; sleep 0.1; done
[[ -s "$work/display" ]] || die "Xvfb did not start"
display=":$(head -n 1 "$work/display")"
mount_in "$root/tmp/.X11-unix" --bind /tmp/.X11-unix
mount --make-private "$root/tmp/.X11-unix"

# ---- The README's play command -----------------------------------------------
say "running 'bash tools/dev.sh play' in the root on display $display"
setsid chroot "$root" /usr/bin/env -i HOME=/root LANG=C.UTF-8 DISPLAY="$display" \
    PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
    /bin/bash -c 'cd /root/molvane && exec bash tools/dev.sh play' </dev/null >"$work/play.log" 2>&1 &
play=$!

window=""
# Installing the packages and building take minutes; a loaded machine, more.
deadline=$((SECONDS + 1800))
while [[ -z "$window" ]]; do
    if ! kill -0 "$play" 2>/dev/null; then
        status=0
        wait "$play" || status=$?
        play=""
        tail -n 30 "$work/play.log" >&2
        die "the play command ended with status $status before the game showed a window"
    fi
    ((SECONDS < deadline)) || { tail -n 30 "$work/play.log" >&2; die "no window after 30 minutes"; }
    sleep 1
    window=$(DISPLAY=$display xdotool search --onlyvisible --name '^Molvane$' 2>/dev/null | head -n 1) || window=""
done
shown=$SECONDS
geometry=$(DISPLAY=$display xwininfo -id "$window" | awk '/Width:/ { w = $2 } /Height:/ { h = $2 } END { print w "x" h }')
say "the game's window ($geometry) opened $((shown - root_ready)) s after the play command started"

sleep 1 # the title, as a player would see it
DISPLAY=$display "$helper" close "$window"
status=""
for _ in $(seq 500); do
    if ! kill -0 "$play" 2>/dev/null; then
        status=0
        wait "$play" || status=$?
        play=""
        break
    fi
    sleep 0.01
done
[[ -n "$status" ]] || die "the game did not end within 5 s of the close request"
say "the game closed with status $status"
if [[ "$status" -ne 0 ]]; then
    tail -n 30 "$work/play.log" >&2
    die "the game ended with status $status after the close request"
fi

# ---- What the play command installed and built --------------------------------
# shellcheck disable=SC2016 # ${Status} is dpkg-query's, not ours
installed() { # installed PACKAGE: whether the root has it installed
    [[ "$(chroot "$root" dpkg-query -W -f='${Status}' "$1" 2>/dev/null)" == "install ok installed" ]]
}
# Some test packages come with the play packages (build-essential needs
# dpkg-dev, libsdl2-dev the X11 headers): those are a player's too. Any
# other test package in the root is one the play command should not have
# asked for.
mapfile -t needed < <(chroot "$root" apt-cache depends --recurse --installed --no-recommends --no-suggests \
    --no-conflicts --no-breaks --no-replaces --no-enhances "${play_packages[@]}" | grep -v '^ ' | sort -u)
faults=()
for package in "${play_packages[@]}"; do
    if ! installed "$package"; then faults+=("play package $package is not installed"); fi
done
with_play=()
for package in "${test_packages[@]}"; do
    if printf '%s\n' "${needed[@]}" | grep -qxF "$package"; then
        with_play+=("$package")
    elif installed "$package"; then
        faults+=("test package $package was installed")
    fi
done
release=$root/root/molvane/build/release
grep -qx 'BUILD_TESTING:BOOL=OFF' "$release/CMakeCache.txt" || faults+=("build/release was configured with the tests")
[[ ! -e "$release/tests" ]] || faults+=("build/release has a tests directory")
if [[ ${#faults[@]} -gt 0 ]]; then
    for fault in "${faults[@]}"; do say "FAULT: $fault"; done
    die "the play command did more than a player needs, or less"
fi
say "${#play_packages[@]} play packages installed (with ${#needed[@]} packages in all they need);" \
    "of the ${#test_packages[@]} test packages only what they need themselves (${with_play[*]:-none}); no tests built"
say "passed in $((SECONDS - started)) s (root $((root_ready - started)) s, packages and build $((shown - root_ready)) s)"
