#!/usr/bin/env bash
# Molvane's developer set-up. On a fresh Debian 12 or Ubuntu machine:
#
#   bash tools/dev.sh play   install what is missing, build a Release build in
#                            build/release and start the game
#   bash tools/dev.sh web    install emscripten, build the libraries from Debian's
#                            source packages (cached in ~/.cache/molvane-web) and
#                            the game for the web: a static site in build/web;
#                            "web serve" serves it on 127.0.0.1
#   bash tools/dev.sh test   install what is missing (with the test tools),
#                            build in build/test with warnings as errors, check
#                            the formatting, run every test, check the Debian
#                            package, fuzz the asset decoder, and run the suite
#                            again under AddressSanitizer and UBSan (build/asan)
#                            and a short game under valgrind; then builds the
#                            Windows zip and plays it under Wine
#   bash tools/dev.sh windows  install what is missing and cross-build the game
#                            for 64-bit Windows: build/windows/molvane-VERSION-
#                            windows-x86_64.zip (tools/windows/build.sh)
#
# All may be run again at any time: packages that are there are not installed
# again, and a build directory that is configured is built on, not redone.
set -euo pipefail

# ---- Debian packages ----------------------------------------------------------
# The one list of what Molvane needs from the system (names as checked on
# Debian 12 with apt-cache show).

PLAY_PACKAGES=(
    build-essential    # g++ and make
    cmake              # the build
    pkg-config         # finds the SDL libraries for CMake
    libsdl2-dev        # window, input, timing
    libsdl2-image-dev  # JPEG and PNG pictures
    libsdl2-mixer-dev  # music and sound effects (WAV, MP3)
    libsdl2-ttf-dev    # text
    libfontconfig-dev  # finds installed fonts by family name
    fonts-dejavu-core  # DejaVu Sans Bold, embedded in the game as its default font
)

TEST_PACKAGES=(
    libgtest-dev       # GoogleTest, the unit-test framework
    clang-format       # tools/check_format.sh (version 14 on Debian 12)
    git                # tools/check_format.sh checks the files git tracks
    xvfb               # a display with no screen, for the window tests
    xauth              # needed by xvfb-run
    xdotool            # moves the pointer and clicks in the window tests
    x11-utils          # xwininfo and xprop: finds the game's window
    weston             # a Wayland compositor, nested in Xvfb, for the Wayland window tests
    openbox            # a window manager, for the fullscreen window test
    imagemagick        # import and compare: screenshots of the running game
    libx11-dev         # X11 and XFixes, for tests that drive the pointer
    libxfixes-dev
    dpkg-dev           # dpkg-shlibdeps: the Debian package's computed dependencies
    lintian            # tools/ci/package.sh: checks the Debian package
    desktop-file-utils # desktop-file-validate: checks the desktop entry
    appstream          # appstreamcli validate: checks the AppStream metainfo
    clang              # tools/ci/fuzz.sh: the libFuzzer build of the asset decoder
    libclang-rt-14-dev # libFuzzer and the sanitizer runtimes for clang 14
    valgrind           # tools/ci/sanitizers.sh: memcheck on a headless game
    debootstrap        # tools/ci/clean_root.sh: a fresh Debian 12 root for the play command
    pulseaudio         # a real sound server that hangs and comes back, for tests/faults
    pulseaudio-utils   # pactl and parec: whether and what the game plays on it
    x11-xkb-utils      # setxkbmap: keyboard layouts in the window tests
    xkb-data           # the layouts themselves (fr, ru, ua, gr)
)

WINDOWS_PACKAGES=(
    build-essential    # g++ for the build-time embedding tool, which runs here
    cmake
    pkg-config
    g++-mingw-w64-x86-64-posix # MinGW-w64: C and C++ for 64-bit Windows, POSIX threads
    dpkg-dev           # dpkg-source: unpacks the libraries' Debian source packages
    icoutils           # icotool: the program's icon
    zip
    fonts-dejavu-core  # the default font, embedded, and its licence
)

# What tools/ci/windows.sh needs besides the test packages: Wine runs the game.
WINDOWS_TEST_PACKAGES=(
    wine               # Wine 8, with its 64-bit loader:
    wine64
    unzip
)

# The web build (tools/dev.sh web): the libraries are built from Debian's
# source packages with emscripten; Chromium plays the site in the tests.
WEB_PACKAGES=(
    build-essential    # g++: the build-time embed tool, built for this machine
    cmake
    emscripten         # the compiler for the web (emcc, emcmake)
    dpkg-dev           # dpkg-source: unpacks the libraries' source packages
    fonts-dejavu-core  # the default font, embedded
    python3-fonttools  # cuts the default font down to the Latin letters the game writes
)

WEB_TEST_PACKAGES=(
    chromium           # plays the site, headless, driven by playwright-core (npm)
    imagemagick        # convert: the assets' pictures the screenshots are compared with
)

# -------------------------------------------------------------------------------

say() { printf 'molvane: %s\n' "$*" >&2; }
die() {
    say "error: $*"
    exit 1
}

usage() {
    cat >&2 <<'EOF'
usage: bash tools/dev.sh play        build the game (Release) and start it
       bash tools/dev.sh test        build with warnings as errors, check the format, run the tests
       bash tools/dev.sh windows     build build/windows/molvane-VERSION-windows-x86_64.zip
       bash tools/dev.sh web         build the game for the web: a static site in build/web
       bash tools/dev.sh web serve   build it and serve it on 127.0.0.1 for a look in a browser
EOF
    exit 2
}

# The repository root, wherever the script is called from.
ROOT=$(cd -- "$(dirname -- "${BASH_SOURCE[0]}")/.." && pwd -P)
cd -- "$ROOT"

# Prints the packages of "$@" that are not installed, one a line.
missing_packages() {
    local package status
    for package in "$@"; do
        status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
        if [[ "$status" != "install ok installed" ]]; then
            printf '%s\n' "$package"
        fi
    done
}

# Runs a command as root: directly when we are root, through sudo otherwise.
as_root() {
    if [[ "$(id -u)" -eq 0 ]]; then
        "$@"
    else
        sudo "$@"
    fi
}

# Installs whatever of "$@" is missing; does nothing when all is there.
install_packages() {
    if ! command -v dpkg-query >/dev/null 2>&1 || ! command -v apt-get >/dev/null 2>&1; then
        say "no dpkg/apt-get here (this script knows Debian 12 and Ubuntu); make sure these are installed:"
        say "  $*"
        return 0
    fi

    local missing=()
    mapfile -t missing < <(missing_packages "$@")
    if [[ ${#missing[@]} -eq 0 ]]; then
        say "all ${#} packages are installed"
        return 0
    fi

    say "installing ${#missing[@]} missing package(s): ${missing[*]}"
    if [[ "$(id -u)" -ne 0 ]] && ! command -v sudo >/dev/null 2>&1; then
        die "not root, and no sudo to become root: as root, run
    apt-get update && apt-get install -y --no-install-recommends ${missing[*]}
then run this again"
    fi
    local env=(env)
    if [[ -n "${CI:-}" ]] || ! [[ -t 0 ]]; then
        env+=(DEBIAN_FRONTEND=noninteractive)
    fi
    # Waits for another apt (an unattended upgrade, say) rather than failing at once.
    local lock=(-o DPkg::Lock::Timeout=300)
    as_root "${env[@]}" apt-get "${lock[@]}" update ||
        die "apt-get update failed"
    as_root "${env[@]}" apt-get "${lock[@]}" install -y --no-install-recommends "${missing[@]}" ||
        die "apt-get install failed for: ${missing[*]}"

    mapfile -t missing < <(missing_packages "$@")
    if [[ ${#missing[@]} -gt 0 ]]; then
        die "still not installed after apt-get: ${missing[*]}"
    fi
}

# Whether every -DNAME=VALUE of "$@" is already so in the CMake cache "$1".
cache_has() {
    local cache=$1 arg name value
    shift
    for arg in "$@"; do
        [[ "$arg" == -D*=* ]] || continue
        name=${arg#-D}
        name=${name%%=*}
        value=${arg#*=}
        grep -qxF -e "$name:STRING=$value" -e "$name:BOOL=$value" -e "$name:UNINITIALIZED=$value" "$cache" ||
            return 1
    done
}

# configure DIR CMAKE-ARGS...: configures DIR unless it already is, for this
# checkout and with these settings.
configure() {
    local dir=$1
    shift
    local cache="$dir/CMakeCache.txt"
    if [[ -f "$cache" ]]; then
        local home
        home=$(sed -n 's/^CMAKE_HOME_DIRECTORY:INTERNAL=//p' "$cache")
        if [[ -n "$home" && "$home" != "$ROOT" ]]; then
            say "$dir was configured for another checkout ($home); configuring it afresh"
            rm -rf -- "$dir"
        elif [[ -f "$dir/Makefile" || -f "$dir/build.ninja" ]] && cache_has "$cache" "$@"; then
            say "re-using the build in $dir"
            return 0
        fi
    fi
    [[ -f CMakeLists.txt ]] || die "no CMakeLists.txt in $ROOT"
    say "configuring $dir"
    cmake -S . -B "$dir" "$@" || die "cmake could not configure $dir"
}

# build DIR [TARGET...]: builds the given targets of DIR (all of them when none given).
build() {
    local dir=$1
    shift
    local targets=()
    [[ $# -eq 0 ]] || targets=(--target "$@")
    say "building $dir"
    cmake --build "$dir" -j"$(nproc)" "${targets[@]}" || die "the build in $dir failed"
}

play() {
    install_packages "${PLAY_PACKAGES[@]}"
    # Only the game: no tests, so no GoogleTest and no time spent building them.
    configure build/release -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF
    build build/release molvane
    [[ -x build/release/molvane ]] || die "build/release/molvane was not built"
    say "starting the game"
    exec build/release/molvane
}

windows() {
    install_packages "${WINDOWS_PACKAGES[@]}"
    bash tools/windows/build.sh
}

test_all() {
    install_packages "${PLAY_PACKAGES[@]}" "${TEST_PACKAGES[@]}" "${WINDOWS_PACKAGES[@]}" "${WINDOWS_TEST_PACKAGES[@]}" \
        "${WEB_PACKAGES[@]}" "${WEB_TEST_PACKAGES[@]}"
    configure build/test -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMOLVANE_WERROR=ON -DBUILD_TESTING=ON
    build build/test

    # Both checks run, so that one failure does not hide the other.
    local failed=()
    say "checking the format"
    bash tools/check_format.sh || failed+=("format check (fix with: bash tools/check_format.sh --fix)")
    say "checking that every test has a time limit and the tests' environment"
    cmake -DBUILD=build/test -P tools/ci/test_properties.cmake ||
        failed+=("test properties (tools/ci/test_properties.cmake)")
    say "running the tests"
    # In an empty temporary directory of their own, which they must leave empty.
    local tests_tmp
    tests_tmp=$(mktemp -d)
    TMPDIR=$tests_tmp ctest --test-dir build/test --output-on-failure --no-tests=error -j2 || failed+=("tests")
    if [[ -n "$(ls -A "$tests_tmp")" ]]; then
        say "the tests left this in their temporary directory:"
        ls -A "$tests_tmp" >&2
        failed+=("tests left files in the temporary directory")
    fi
    rm -rf -- "$tests_tmp" || say "could not remove $tests_tmp"
    say "checking the install, the Debian package and the installed game"
    bash tools/ci/package.sh build/test || failed+=("package checks (tools/ci/package.sh)")
    bash tools/ci/fuzz.sh 60 || failed+=("asset fuzzer (tools/ci/fuzz.sh; build/fuzz holds what crashed)")
    say "the suite again under AddressSanitizer and UBSan, random-input games, valgrind"
    bash tools/ci/sanitizers.sh || failed+=("sanitizers and valgrind (tools/ci/sanitizers.sh)")
    say "the web build, played in headless Chromium"
    bash tools/ci/web.sh || failed+=("web build in Chromium (tools/ci/web.sh; screenshots in build/web-check)")
    say "the play command on a fresh Debian 12 root"
    bash tools/ci/clean_root.sh build/test || failed+=("play command on a fresh root (tools/ci/clean_root.sh)")
    say "the Windows build, played under Wine"
    bash tools/ci/windows.sh build/test || failed+=("Windows build under Wine (tools/ci/windows.sh)")

    if [[ ${#failed[@]} -gt 0 ]]; then
        local what
        for what in "${failed[@]}"; do say "FAILED: $what"; done
        exit 1
    fi
    say "all checks passed"
}

case "$*" in
    play) play ;;
    test) test_all ;;
    windows) windows ;;
    web)
        install_packages "${WEB_PACKAGES[@]}"
        exec bash tools/web/build.sh
        ;;
    "web serve")
        install_packages "${WEB_PACKAGES[@]}"
        exec bash tools/web/build.sh serve
        ;;
    # For tools/ci/clean_root.sh: the package lists, one name a line.
    "packages play") printf '%s\n' "${PLAY_PACKAGES[@]}" ;;
    "packages test") printf '%s\n' "${TEST_PACKAGES[@]}" ;;
    *) usage ;;
esac
