#!/usr/bin/env python3
"""Measures the shipped sounds the way the game hears them.

Each file is decoded by SDL2_mixer's own Mix_LoadWAV (tools/sound/sdl_probe.c,
44100 Hz stereo 16-bit) and checked:
  - effects: length within the range each one is meant to have;
  - the two tunes: at least 15 s, no silence at either end, and no jump at the
    loop seam larger than the biggest step found inside the tune itself;
  - mixing: the play music with a hit, a hurt and a pop started together (at
    several offsets) peaks below -1 dBFS;
  - size: all 27 asset files together under 3 MB.
Exits 1 on any failure.

    python3 tools/sound/check_sounds.py [assets-dir]
"""
import array
import math
import os
import subprocess
import sys
import tempfile

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
ASSETS = sys.argv[1] if len(sys.argv) > 1 else os.path.join(ROOT, "assets")
RATE = 44100

EFFECTS = {  # name: (min s, max s)
    "pop": (0.1, 0.5), "hit": (0.1, 0.6), "hurt": (0.15, 0.8), "cool": (0.3, 1.5),
    "addlife.mp3": (0.3, 1.6), "danger": (0.4, 2.0), "ding": (0.3, 2.0), "wait": (0.2, 1.2),
    "biu": (0.1, 0.6), "space": (0.2, 1.2), "retry": (0.3, 1.5), "end": (2.0, 4.0),
    "victory": (3.0, 5.0),
}
ALL_FILES = ["image_%s.jpg" % n for n in ("empty", "pose", "heart", "cry", "cool", "start", "end", "win", "icon")] + \
    ["image_ready.png", "image_hit.png", "image_life.png", "sound_start.wav", "sound_main.mp3", "sound_addlife.mp3"] + \
    ["sound_%s.wav" % n for n in ("pop", "hit", "hurt", "cool", "danger", "ding", "wait", "biu", "space", "retry",
                                  "end", "victory")]

failures = []


def fail(msg):
    failures.append(msg)
    print("FAIL", msg)


def build_probe(tmp):
    exe = os.path.join(tmp, "probe")
    flags = subprocess.run(["pkg-config", "--cflags", "--libs", "SDL2_mixer"], capture_output=True, text=True,
                           check=True).stdout.split()
    subprocess.run(["gcc", os.path.join(ROOT, "tools/sound/sdl_probe.c"), "-o", exe] + flags, check=True)
    return exe


def decode(probe, path, tmp):
    """Decode with the game's loader -> interleaved stereo int16 array."""
    out = os.path.join(tmp, "dump.raw")
    env = dict(os.environ, SDL_AUDIODRIVER="dummy", DUMP=out)
    r = subprocess.run([probe, path], capture_output=True, text=True, env=env)
    if r.returncode != 0 or "FAIL" in r.stdout or not os.path.exists(out):
        fail("%s: Mix_LoadWAV could not load it (%s)" % (path, r.stdout.strip()))
        return None
    a = array.array("h")
    with open(out, "rb") as f:
        a.frombytes(f.read())
    os.remove(out)
    return a


def dbfs(v):
    return 20 * math.log10(max(v, 1) / 32768.0)


def rms(a):
    return math.sqrt(sum(x * x for x in a) / max(1, len(a)))


def check_loop(name, a):
    frames = len(a) // 2
    secs = frames / RATE
    print("%s: %d frames = %.3f s, peak %.1f dBFS" % (name, frames, secs, dbfs(max(abs(x) for x in a))))
    if secs < 15:
        fail("%s: only %.1f s long" % (name, secs))
    edge = int(0.05 * RATE) * 2
    for label, part in (("start", a[:edge]), ("end", a[-edge:])):
        if dbfs(rms(part)) < -40:
            fail("%s: near-silent %s (%.1f dBFS rms): a gap at the loop seam" % (name, label, dbfs(rms(part))))
    for ch in (0, 1):
        s = a[ch::2]
        steps = sorted(abs(s[i + 1] - s[i]) for i in range(len(s) - 1))
        inner = steps[-1]
        typical = steps[int(len(steps) * 0.999)]
        seam = abs(s[0] - s[-1])
        print("  ch%d: seam step %d, inner max step %d, 99.9%% step %d" % (ch, seam, inner, typical))
        if seam > inner:
            fail("%s ch%d: step at the seam (%d) larger than anything inside the tune (%d)" % (name, ch, seam, inner))


def main():
    with tempfile.TemporaryDirectory() as tmp:
        probe = build_probe(tmp)
        missing = [f for f in ALL_FILES if not os.path.exists(os.path.join(ASSETS, f))]
        for f in missing:
            fail("missing %s" % f)
        total = sum(os.path.getsize(os.path.join(ASSETS, f)) for f in ALL_FILES if f not in missing)
        print("27 files: %d bytes" % total)
        if total >= 3_000_000:
            fail("assets take %d bytes, over 3 MB" % total)

        decoded = {}
        for name, (lo, hi) in EFFECTS.items():
            fn = name if "." in name else name + ".wav"
            a = decode(probe, os.path.join(ASSETS, "sound_" + fn), tmp)
            if a is None:
                continue
            decoded[name] = a
            secs = len(a) / 2 / RATE
            pk = dbfs(max(abs(x) for x in a))
            print("%-12s %.3f s  peak %.1f dBFS" % (fn, secs, pk))
            if not lo <= secs <= hi:
                fail("%s: %.2f s, expected %.1f to %.1f s" % (fn, secs, lo, hi))
            if pk > -3 or pk < -20:
                fail("%s: peak %.1f dBFS out of the -20..-3 range" % (fn, pk))

        music = None
        for fn in ("sound_start.wav", "sound_main.mp3"):
            a = decode(probe, os.path.join(ASSETS, fn), tmp)
            if a is not None:
                check_loop(fn, a)
                if fn == "sound_main.mp3":
                    music = a

        if music is not None and all(k in decoded for k in ("hit", "hurt", "pop")):
            worst = 0
            for start in range(0, len(music) - RATE * 2, RATE * 2 * 3 // 2):  # every 1.5 s of the tune
                for pop_delay in (0, int(0.03 * RATE) * 2, int(0.08 * RATE) * 2):
                    n = min(len(music) - start, RATE)  # one second
                    mix = array.array("i", music[start:start + n])
                    for key, delay in (("hit", 0), ("hurt", 0), ("pop", pop_delay)):
                        fx = decoded[key]
                        for i in range(min(len(fx), n - delay)):
                            mix[i + delay] += fx[i]
                    worst = max(worst, max(abs(x) for x in mix))
            print("music + hit + hurt + pop, worst peak over the tune: %.2f dBFS" % dbfs(worst))
            if dbfs(worst) > -1.0:
                fail("mix peaks at %.2f dBFS, above -1 dBFS" % dbfs(worst))

    if failures:
        print("%d check(s) failed" % len(failures))
        return 1
    print("all sound checks passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
