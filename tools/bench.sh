#!/usr/bin/env bash
# Molvane's benchmarks: builds build/bench (Release, with -DMOLVANE_BENCH=ON)
# and runs every measurement docs/performance.md reports: the frame cost
# headless and in a real window under Xvfb, whole games, memory, pacing at
# the cap (in the window and fullscreen at 1920 x 1080) and start-up time.
#
#   bash tools/bench.sh
#
# Needs xvfb and openbox (Debian 12), which dev.sh test installs, and for the
# comparison with a pygame program python3-pygame.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD=build/bench

cmake -S . -B "$BUILD" -DCMAKE_BUILD_TYPE=Release -DMOLVANE_BENCH=ON -DBUILD_TESTING=OFF >/dev/null
cmake --build "$BUILD" -j2 --target molvane_bench >/dev/null
bench=$BUILD/bench/molvane_bench

echo "== machine"
echo "cores: $(nproc); CPU: $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ //')"
echo "load: $(cut -d' ' -f1-3 /proc/loadavg)"

echo "== headless (SDL dummy drivers), frame cap lifted"
export SDL_AUDIODRIVER=dummy
SDL_VIDEODRIVER=dummy "$bench" frames
SDL_VIDEODRIVER=dummy "$bench" game
SDL_VIDEODRIVER=dummy "$bench" games 5

echo "== a real window under Xvfb"
# start_x SIZE: an Xvfb of that size on a display of its own, in DISPLAY.
start_x() {
    local display=:$((90 + RANDOM % 100))
    Xvfb "$display" -screen 0 "$1" -nolisten tcp -noreset >/dev/null 2>&1 &
    servers+=($!)
    for _ in $(seq 50); do
        [ -e "/tmp/.X11-unix/X${display#:}" ] && break
        sleep 0.1
    done
    export DISPLAY=$display
}
servers=()
trap 'kill "${servers[@]}" 2>/dev/null || true' EXIT
# -noreset: an X server left with no client resets itself (it reloads its
# keymaps, among other things), and the next client to connect waits for it:
# each start of the game would wait some 40 ms for the reset its previous
# run caused. A desktop's server never resets while its session lasts.
start_x 1024x768x24
"$bench" frames
"$bench" start-up 50
"$bench" pacing
if /usr/bin/python3 -c "import pygame" 2>/dev/null; then
    PYGAME_HIDE_SUPPORT_PROMPT=1 /usr/bin/python3 tools/bench_pygame.py
else
    echo "pygame: not installed (Debian: python3-pygame), no comparison"
fi

echo "== fullscreen at 1920 x 1080 (openbox makes the window fullscreen)"
start_x 1920x1080x24
openbox >/dev/null 2>&1 &
servers+=($!)
sleep 1
"$bench" pacing fullscreen
echo "load at the end: $(cut -d' ' -f1-3 /proc/loadavg)"
