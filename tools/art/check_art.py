#!/usr/bin/env python3
"""Checks the shipped pictures: sizes, alpha where the game needs it, and that
the five board tiles share one background that tiles without seams.

  - every picture has its exact size (tiles 200x200, screens 600x680, ...);
  - the bat and life pictures are RGBA PNGs with see-through corners, and the
    bat's centre (its striking point) is covered by the mallet or its shadow;
  - the outer 6-pixel frame of the five tiles is the same grass in all five
    (so any mix of tiles on the board matches);
  - across each tile edge (right->left, bottom->top) the step between the last
    and first column/row is no larger than the steps found inside the tile.
Exits 1 on any failure.       python3 tools/art/check_art.py [assets-dir]
"""
import os
import subprocess
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
A = sys.argv[1] if len(sys.argv) > 1 else os.path.join(ROOT, "assets")
CONVERT = "/usr/bin/convert" if os.path.exists("/usr/bin/convert") else "convert"
failures = []


def fail(msg):
    failures.append(msg)
    print("FAIL", msg)


def load(name, channels="rgb"):
    path = os.path.join(A, name)
    out = subprocess.run([CONVERT, path, "-format", "%w %h", "info:"], capture_output=True, text=True, check=True)
    w, h = map(int, out.stdout.split())
    raw = subprocess.run([CONVERT, path, "-depth", "8", channels + ":-"], capture_output=True, check=True).stdout
    return w, h, raw


SIZES = {"image_%s.jpg" % n: (200, 200) for n in ("empty", "pose", "heart", "cry", "cool")}
SIZES.update({"image_%s.jpg" % n: (600, 680) for n in ("start", "end", "win")})


def main():
    for name, (w0, h0) in SIZES.items():
        w, h, _ = load(name)
        if (w, h) != (w0, h0):
            fail("%s is %dx%d, not %dx%d" % (name, w, h, w0, h0))
    w, h, _ = load("image_icon.jpg")
    if w != h or w not in (32, 48, 64, 128, 256):
        fail("image_icon.jpg is %dx%d" % (w, h))

    sizes = set()
    for name in ("image_ready.png", "image_hit.png", "image_life.png"):
        with open(os.path.join(A, name), "rb") as f:
            head = f.read(26)
        if head[:8] != b"\x89PNG\r\n\x1a\n" or head[25] != 6:
            fail("%s is not an RGBA PNG" % name)
            continue
        w, h, raw = load(name, "rgba")
        alpha = lambda x, y: raw[(y * w + x) * 4 + 3]
        if max(alpha(0, 0), alpha(w - 1, 0), alpha(0, h - 1), alpha(w - 1, h - 1)) != 0:
            fail("%s: corners are not transparent" % name)
        if name == "image_life.png":
            if h > 40:
                fail("image_life.png is %d px high" % h)
        else:
            sizes.add((w, h))
            if not 80 <= w <= 100 or not 80 <= h <= 100:
                fail("%s is %dx%d, not 80..100 px" % (name, w, h))
            if alpha(w // 2, h // 2) < 40:
                fail("%s: nothing drawn at the striking point (centre)" % name)
    if len(sizes) > 1:
        fail("the two bat pictures differ in size: %s" % sizes)

    tiles = {}
    for n in ("empty", "pose", "heart", "cry", "cool"):
        tiles[n] = load("image_%s.jpg" % n)[2]

    def px(raw, x, y):
        i = (y * 200 + x) * 3
        return raw[i:i + 3]

    def dist(a, b):
        return sum(abs(a[k] - b[k]) for k in range(3))

    frame = [(x, y) for y in range(200) for x in range(200) if min(x, y, 199 - x, 199 - y) < 6]
    base = tiles["empty"]
    for n, raw in tiles.items():
        mean = sum(dist(px(raw, x, y), px(base, x, y)) for x, y in frame) / len(frame)
        print("tile %-5s: frame differs from the empty tile by %.2f (of 765) on average" % (n, mean))
        if mean > 6:
            fail("image_%s.jpg: its edges are not the shared grass (%.1f)" % (n, mean))
        # seams: step across the wrap vs steps inside
        inner = []
        for y in range(200):
            for x in range(1, 200):
                inner.append(dist(px(raw, x - 1, y), px(raw, x, y)))
        inner.sort()
        ref = inner[int(len(inner) * 0.99)]
        seam_h = sorted(dist(px(raw, 199, y), px(raw, 0, y)) for y in range(200))[int(200 * 0.99)]
        seam_v = sorted(dist(px(raw, x, 199), px(raw, x, 0)) for x in range(200))[int(200 * 0.99)]
        print("            seam steps %d / %d, 99%% inner step %d" % (seam_h, seam_v, ref))
        if max(seam_h, seam_v) > ref * 1.5 + 10:
            fail("image_%s.jpg: visible seam when tiled (%d, %d vs %d)" % (n, seam_h, seam_v, ref))

    if failures:
        print("%d check(s) failed" % len(failures))
        return 1
    print("all picture checks passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
