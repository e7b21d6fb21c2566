#!/usr/bin/env python3
"""Writes the SVG sources of every Molvane picture into assets/src/.

The pictures share one set of parts (grass, hole, rabbit, bat, heart), so the
five board tiles match exactly and the screens use the same characters.
tools/make_assets.sh renders the SVGs with rsvg-convert.

    python3 tools/art/gen_svg.py OUTDIR
"""
import math
import os
import random
import sys

OUTLINE = "#3b2416"
OW = 3.2  # outline width on the tiles

# ------------------------------------------------------------------ grass

GRASS = "#67b443"
GRASS_DARK = "#4f9a33"
GRASS_LIGHT = "#8bd160"


def grass_tufts(w, h, seed, count):
    """Tufts, clover dots and little flowers scattered so that the pattern
    wraps at w x h: anything near an edge is drawn again on the other side,
    so tiles placed side by side show no seam."""
    rnd = random.Random(seed)
    out = []
    for _ in range(count):
        x, y = rnd.uniform(0, w), rnd.uniform(0, h)
        kind = rnd.random()
        parts = []
        if kind < 0.72:
            col = GRASS_DARK if rnd.random() < 0.6 else GRASS_LIGHT
            n = rnd.randint(3, 4)
            for i in range(n):
                a = -90 + (i - (n - 1) / 2) * 22 + rnd.uniform(-6, 6)
                ln = rnd.uniform(7, 12)
                ex = math.cos(math.radians(a)) * ln
                ey = math.sin(math.radians(a)) * ln
                parts.append(
                    f'<path d="M{-2 + i * 1.3:.1f},0 Q{ex * 0.4:.1f},{ey * 0.6:.1f} {ex:.1f},{ey:.1f} '
                    f'Q{ex * 0.5 + 2:.1f},{ey * 0.5:.1f} {i * 1.3:.1f},0 Z" fill="{col}"/>')
        elif kind < 0.86:
            parts.append(f'<ellipse cx="0" cy="0" rx="5" ry="2.6" fill="{GRASS_DARK}" opacity="0.55"/>')
        else:
            petal = "#fff8e7" if rnd.random() < 0.6 else "#ffe066"
            for i in range(5):
                a = i * 72
                px = math.cos(math.radians(a)) * 2.6
                py = math.sin(math.radians(a)) * 2.6
                parts.append(f'<circle cx="{px:.1f}" cy="{py:.1f}" r="1.9" fill="{petal}"/>')
            parts.append('<circle cx="0" cy="0" r="1.5" fill="#f0a030"/>')
        body = "".join(parts)
        for dx in (-w, 0, w):
            for dy in (-h, 0, h):
                cx, cy = x + dx, y + dy
                if -16 < cx < w + 16 and -16 < cy < h + 16:
                    out.append(f'<g transform="translate({cx:.1f},{cy:.1f})">{body}</g>')
    return "\n".join(out)


def grass_rect(w, h, seed=7, count=70):
    return f'<rect width="{w}" height="{h}" fill="{GRASS}"/>\n' + grass_tufts(w, h, seed, count)


# ------------------------------------------------------------------ hole
HX, HY = 100, 152          # hole centre
HRX, HRY = 60, 21          # hole opening
MRX, MRY = 80, 33          # dirt mound around it

DEFS = f"""
<defs>
  <radialGradient id="holeIn" cx="50%" cy="35%" r="65%">
    <stop offset="0" stop-color="#0c0603"/>
    <stop offset="0.7" stop-color="#24140a"/>
    <stop offset="1" stop-color="#4a2c16"/>
  </radialGradient>
  <linearGradient id="mound" x1="0" y1="0" x2="0" y2="1">
    <stop offset="0" stop-color="#b98550"/>
    <stop offset="1" stop-color="#8a5a2e"/>
  </linearGradient>
  <linearGradient id="lip" x1="0" y1="0" x2="0" y2="1">
    <stop offset="0" stop-color="#c99560"/>
    <stop offset="1" stop-color="#8c5b2f"/>
  </linearGradient>
  <radialGradient id="fur" cx="40%" cy="30%" r="75%">
    <stop offset="0" stop-color="#ffffff"/>
    <stop offset="0.55" stop-color="#f1e9dc"/>
    <stop offset="1" stop-color="#cdbda5"/>
  </radialGradient>
  <radialGradient id="furPink" cx="40%" cy="30%" r="75%">
    <stop offset="0" stop-color="#fff0f6"/>
    <stop offset="0.55" stop-color="#ffc3dc"/>
    <stop offset="1" stop-color="#ec8fb8"/>
  </radialGradient>
  <radialGradient id="furGrey" cx="40%" cy="30%" r="75%">
    <stop offset="0" stop-color="#f4f4f8"/>
    <stop offset="0.55" stop-color="#dcdce6"/>
    <stop offset="1" stop-color="#a9a9bb"/>
  </radialGradient>
  <radialGradient id="heartFill" cx="38%" cy="30%" r="75%">
    <stop offset="0" stop-color="#ff7a93"/>
    <stop offset="0.6" stop-color="#e8203f"/>
    <stop offset="1" stop-color="#a50e2a"/>
  </radialGradient>
  <linearGradient id="gold" x1="0" y1="0" x2="0" y2="1">
    <stop offset="0" stop-color="#fff3a8"/>
    <stop offset="0.5" stop-color="#ffd23f"/>
    <stop offset="1" stop-color="#d89a12"/>
  </linearGradient>
  <linearGradient id="lens" x1="0" y1="0" x2="0" y2="1">
    <stop offset="0" stop-color="#3a3f5c"/>
    <stop offset="1" stop-color="#0a0a14"/>
  </linearGradient>
  <clipPath id="outOfHole">
    <rect x="0" y="0" width="200" height="{HY}"/>
    <ellipse cx="{HX}" cy="{HY}" rx="{HRX}" ry="{HRY}"/>
  </clipPath>
</defs>
"""


def hole_back():
    return f"""
<ellipse cx="{HX}" cy="{HY + 6}" rx="{MRX + 4}" ry="{MRY + 2}" fill="#000" opacity="0.18"/>
<ellipse cx="{HX}" cy="{HY}" rx="{MRX}" ry="{MRY}" fill="url(#mound)" stroke="{OUTLINE}" stroke-width="{OW}"/>
<path d="M{HX - MRX + 10},{HY - 8} q6,-6 14,-4 M{HX + MRX - 20},{HY - 14} q8,-2 12,4 M{HX - 20},{HY - MRY + 5} q8,-3 16,0"
      stroke="#d9a56b" stroke-width="2.4" fill="none" stroke-linecap="round"/>
<ellipse cx="{HX}" cy="{HY}" rx="{HRX}" ry="{HRY}" fill="url(#holeIn)" stroke="{OUTLINE}" stroke-width="{OW}"/>
"""


def hole_lip():
    """The front rim of the mound, drawn over the rabbit's body."""
    x0, x1 = HX - MRX, HX + MRX
    h0, h1 = HX - HRX, HX + HRX
    return f"""
<path d="M{x0},{HY} A{MRX},{MRY} 0 0 0 {x1},{HY} L{h1},{HY} A{HRX},{HRY} 0 0 1 {h0},{HY} Z"
      fill="url(#lip)" stroke="{OUTLINE}" stroke-width="{OW}" stroke-linejoin="round"/>
<path d="M{HX - 40},{HY + 27} q10,3 20,1 M{HX + 18},{HY + 28} q10,-1 18,-4" stroke="#6e4422" stroke-width="2"
      fill="none" stroke-linecap="round"/>
<circle cx="{HX - 55}" cy="{HY + 16}" r="2.2" fill="#6e4422"/>
<circle cx="{HX + 58}" cy="{HY + 14}" r="1.8" fill="#6e4422"/>
"""


# ------------------------------------------------------------------ rabbit parts

def ear(cx, cy, rot, fur, inner="#f7a6c1", fold=False):
    """An ear whose base is at (cx, cy), rotated by rot degrees."""
    if fold:
        # the tip flops over forward
        return f"""
<g transform="translate({cx},{cy}) rotate({rot}) scale(1,0.8)">
  <path d="M-13,0 C-16,-30 -12,-52 0,-56 C12,-52 16,-30 13,0 Z" fill="url(#{fur})" stroke="{OUTLINE}" stroke-width="{OW}"/>
  <path d="M-6,-4 C-8,-26 -6,-42 0,-46 C6,-42 8,-26 6,-4 Z" fill="{inner}"/>
  <path d="M-11,-50 C-4,-62 10,-64 26,-48 C30,-44 28,-38 22,-40 C12,-46 2,-46 -9,-44 Z"
        fill="url(#{fur})" stroke="{OUTLINE}" stroke-width="{OW}" stroke-linejoin="round"/>
</g>"""
    return f"""
<g transform="translate({cx},{cy}) rotate({rot}) scale(1,0.8)">
  <path d="M-14,0 C-18,-36 -13,-66 0,-72 C13,-66 18,-36 14,0 Z" fill="url(#{fur})" stroke="{OUTLINE}" stroke-width="{OW}"/>
  <path d="M-6.5,-5 C-9,-32 -7,-55 0,-60 C7,-55 9,-32 6.5,-5 Z" fill="{inner}"/>
</g>"""


def head(fur):
    return f"""
<ellipse cx="100" cy="{HY + 6}" rx="44" ry="44" fill="url(#{fur})" stroke="{OUTLINE}" stroke-width="{OW}"/>
<ellipse cx="100" cy="88" rx="46" ry="39" fill="url(#{fur})" stroke="{OUTLINE}" stroke-width="{OW}"/>
<path d="M60,100 q-4,-14 2,-26" stroke="#fff" stroke-opacity="0.7" stroke-width="3" fill="none" stroke-linecap="round"/>
"""


def muzzle(mouth="smile"):
    m = {
        "smile": 'M92,108 q8,7 16,0',
        "o": None,
        "smirk": 'M92,110 q12,2 20,-8',
        "wail": None,
    }[mouth]
    parts = [
        '<ellipse cx="90" cy="104" rx="13" ry="10" fill="#fffaf2"/>',
        '<ellipse cx="110" cy="104" rx="13" ry="10" fill="#fffaf2"/>',
    ]
    if mouth == "smirk":
        # no teeth: a lop-sided grin with a dimple
        parts.append(f'<path d="M88,109 q14,6 26,-6" stroke="{OUTLINE}" stroke-width="2.8" fill="none" stroke-linecap="round"/>')
        parts.append(f'<path d="M112,100 q4,2 3,6" stroke="{OUTLINE}" stroke-width="2.2" fill="none" stroke-linecap="round"/>')
    elif mouth == "wail":
        parts.append(f'<path d="M88,110 q12,-8 24,0 q2,16 -12,18 q-14,-2 -12,-18 Z" fill="#7a1f2b" stroke="{OUTLINE}" stroke-width="2.4"/>')
        parts.append('<path d="M92,122 q8,-6 16,0 q-8,6 -16,0 Z" fill="#f27a8f"/>')
    else:
        parts.append(f'<rect x="95.5" y="103" width="9" height="10" rx="2" fill="#fff" stroke="{OUTLINE}" stroke-width="1.8"/>')
        parts.append(f'<line x1="100" y1="103" x2="100" y2="113" stroke="{OUTLINE}" stroke-width="1.2"/>')
        parts.append(f'<path d="{m}" stroke="{OUTLINE}" stroke-width="2.4" fill="none" stroke-linecap="round"/>')
    parts.append(f'<path d="M94,95 q6,-3 12,0 q-2,6 -6,7 q-4,-1 -6,-7 Z" fill="#f26d8f" stroke="{OUTLINE}" stroke-width="1.8" stroke-linejoin="round"/>')
    parts.append('<ellipse cx="98.5" cy="96" rx="2" ry="1.1" fill="#fff" opacity="0.8"/>')
    for s in (-1, 1):
        for dy in (-3, 3):
            x0 = 100 + s * 18
            parts.append(f'<path d="M{x0},{103 + dy} q{s * 12},{dy - 2} {s * 24},{dy * 2 - 1}" stroke="{OUTLINE}" '
                         f'stroke-width="1.3" fill="none" opacity="0.7"/>')
    return "\n".join(parts)


def cheeks(col="#ff9fb6", op=0.55):
    return (f'<ellipse cx="70" cy="100" rx="8" ry="5" fill="{col}" opacity="{op}"/>'
            f'<ellipse cx="130" cy="100" rx="8" ry="5" fill="{col}" opacity="{op}"/>')


def eyes_open():
    out = []
    for x in (82, 118):
        out.append(f'<ellipse cx="{x}" cy="80" rx="9.5" ry="12" fill="#fff" stroke="{OUTLINE}" stroke-width="2.4"/>')
        out.append(f'<ellipse cx="{x + 1}" cy="82" rx="6.5" ry="8.5" fill="#1c1009"/>')
        out.append(f'<circle cx="{x + 3}" cy="78" r="2.8" fill="#fff"/>')
        out.append(f'<circle cx="{x - 2}" cy="86" r="1.3" fill="#fff"/>')
    # eyebrows up: alert
    out.append(f'<path d="M72,62 q9,-6 18,-1 M110,61 q9,-5 18,1" stroke="{OUTLINE}" stroke-width="2.6" fill="none" stroke-linecap="round"/>')
    return "\n".join(out)


def eyes_heart():
    out = []
    for x in (82, 118):
        out.append(f'<g transform="translate({x},81) scale(0.62)">{heart_path(fill="#e8203f", stroke=OUTLINE, sw=3.6)}</g>')
        out.append(f'<circle cx="{x - 4}" cy="76" r="2.2" fill="#fff"/>')
    return "\n".join(out)


def spiral(cx, cy, r, turns=2.6):
    pts = []
    n = 60
    for i in range(n + 1):
        t = i / n
        a = t * turns * 2 * math.pi
        rr = r * t
        pts.append(f"{cx + rr * math.cos(a):.1f},{cy + rr * math.sin(a):.1f}")
    return (f'<circle cx="{cx}" cy="{cy}" r="{r + 2}" fill="#fff" stroke="{OUTLINE}" stroke-width="2.4"/>'
            f'<polyline points="{" ".join(pts)}" fill="none" stroke="#1c1009" stroke-width="2.6" stroke-linecap="round"/>')


def star(cx, cy, r, fill="url(#gold)", rot=0, points=5, inner=0.45, sw=2.0):
    pts = []
    for i in range(points * 2):
        a = math.radians(rot - 90 + i * 180 / points)
        rr = r if i % 2 == 0 else r * inner
        pts.append(f"{cx + rr * math.cos(a):.1f},{cy + rr * math.sin(a):.1f}")
    return f'<polygon points="{" ".join(pts)}" fill="{fill}" stroke="{OUTLINE}" stroke-width="{sw}" stroke-linejoin="round"/>'


def sparkle(cx, cy, r, col="#fff6b0"):
    return (f'<path d="M{cx},{cy - r} Q{cx + r * 0.18},{cy - r * 0.18} {cx + r},{cy} Q{cx + r * 0.18},{cy + r * 0.18} {cx},{cy + r} '
            f'Q{cx - r * 0.18},{cy + r * 0.18} {cx - r},{cy} Q{cx - r * 0.18},{cy - r * 0.18} {cx},{cy - r} Z" '
            f'fill="{col}" stroke="#c98a00" stroke-width="1.2"/>')


def heart_path(fill="url(#heartFill)", stroke=OUTLINE, sw=3.0, size=1.0):
    """A heart centred on (0,0), about 40 wide at size 1."""
    s = size
    return (f'<path d="M0,{14 * s} C{-6 * s},{8 * s} {-20 * s},{0} {-20 * s},{-8 * s} C{-20 * s},{-16 * s} {-14 * s},{-20 * s} '
            f'{-9 * s},{-20 * s} C{-4 * s},{-20 * s} {-1 * s},{-17 * s} 0,{-13 * s} C{1 * s},{-17 * s} {4 * s},{-20 * s} '
            f'{9 * s},{-20 * s} C{14 * s},{-20 * s} {20 * s},{-16 * s} {20 * s},{-8 * s} C{20 * s},0 {6 * s},{8 * s} 0,{14 * s} Z" '
            f'fill="{fill}" stroke="{stroke}" stroke-width="{sw}" stroke-linejoin="round"/>')


def paws(fur, y=HY - 4, dx=34):
    return "\n".join(
        f'<g transform="translate({100 + s * dx},{y})"><ellipse rx="13" ry="9" fill="url(#{fur})" stroke="{OUTLINE}" stroke-width="{OW}"/>'
        f'<path d="M-4,-3 v6 M4,-3 v6" stroke="{OUTLINE}" stroke-width="1.6" stroke-linecap="round"/></g>'
        for s in (-1, 1))


# ------------------------------------------------------------------ the five tiles

def rabbit_pose():
    fur = "fur"
    body = ear(82, 58, -10, fur) + ear(118, 58, 10, fur) + head(fur) + cheeks() + eyes_open() + muzzle("smile")
    return f'<g clip-path="url(#outOfHole)">{up(body)}</g>' + hole_lip() + paws(fur)


def rabbit_heart():
    fur = "furPink"
    glow = ('<ellipse cx="100" cy="92" rx="86" ry="80" fill="#fff59a" opacity="0.28"/>'
            '<ellipse cx="100" cy="92" rx="70" ry="66" fill="#fff59a" opacity="0.25"/>')
    body = (ear(82, 58, -10, fur, inner="#ffe27a") + ear(118, 58, 10, fur, inner="#ffe27a") + head(fur)
            + cheeks("#ff5f8a", 0.6) + eyes_heart() + muzzle("smile"))
    # a little gold crown between the ears
    crown = (f'<path d="M84,46 L86,30 L93,39 L100,26 L107,39 L114,30 L116,46 Z" fill="url(#gold)" stroke="{OUTLINE}" '
             f'stroke-width="2.4" stroke-linejoin="round"/>'
             '<circle cx="100" cy="40" r="2.6" fill="#e8203f"/>')
    big_heart = (f'<g transform="translate(100,140) rotate(-4)">'
                 f'{heart_path(fill="url(#gold)", stroke=OUTLINE, sw=3.2, size=1.55)}'
                 f'{heart_path(fill="url(#heartFill)", stroke="none", sw=0, size=1.3)}'
                 f'<ellipse cx="-14" cy="-16" rx="7" ry="4.5" fill="#fff" opacity="0.75" transform="rotate(-30 -14 -16)"/></g>')
    hands = "\n".join(
        f'<ellipse cx="{100 + s * 31}" cy="140" rx="10" ry="8.5" fill="url(#{fur})" stroke="{OUTLINE}" stroke-width="{OW}"/>'
        for s in (-1, 1))
    sp = (sparkle(28, 40, 11) + sparkle(170, 52, 13) + sparkle(160, 112, 8) + sparkle(38, 104, 8)
          + sparkle(144, 18, 7) + sparkle(58, 16, 6))
    return (up(glow) + f'<g clip-path="url(#outOfHole)">{up(body)}</g>' + hole_lip()
            + up(crown + sp) + big_heart + hands)


def rabbit_cry():
    fur = "furGrey"
    # ears flop out to the sides
    body = (ear(78, 62, -78, fur) + ear(122, 62, 78, fur) + head(fur) + cheeks("#ff9fb6", 0.35)
            + spiral(82, 82, 10) + spiral(118, 82, 10, turns=-2.6) + muzzle("wail"))
    # bump on the head
    bump = (f'<path d="M86,54 C86,36 114,36 114,54" fill="url(#furGrey)" stroke="{OUTLINE}" stroke-width="2.6"/>'
            '<ellipse cx="100" cy="47" rx="8" ry="5" fill="#ff8fa8" opacity="0.8"/>'
            '<path d="M95,44 q3,-3 7,-3" stroke="#fff" stroke-width="2" fill="none" stroke-linecap="round"/>'
            f'<path d="M80,40 l-6,-5 M120,40 l6,-5 M100,33 v-6" stroke="{OUTLINE}" stroke-width="2.2" stroke-linecap="round"/>')
    tears = ""
    for s in (-1, 1):
        x = 100 + s * 30
        tears += (f'<path d="M{x},92 q{s * 6},14 {s * 4},30 q{s * 10},-2 {s * 8},-20 q{-s * 2},-10 {-s * 12},-10 Z" '
                  f'fill="#7fd0ff" stroke="#1f6fb2" stroke-width="1.8" opacity="0.95"/>'
                  f'<path d="M{x + s * 24},96 q{s * 8},6 {s * 5},16 q{-s * 9},-2 {-s * 5},-16 Z" fill="#7fd0ff" stroke="#1f6fb2" stroke-width="1.6"/>'
                  f'<path d="M{x + s * 16},118 q{s * 6},6 {s * 3},13 q{-s * 7},-2 {-s * 3},-13 Z" fill="#7fd0ff" stroke="#1f6fb2" stroke-width="1.6"/>')
    orbit = f'<ellipse cx="100" cy="36" rx="50" ry="13" fill="none" stroke="#fff" stroke-width="2" stroke-dasharray="6 5" opacity="0.8"/>'
    stars = star(52, 38, 11, rot=-10) + star(100, 22, 9, rot=12) + star(147, 40, 12, rot=20)
    return (f'<g clip-path="url(#outOfHole)">{up(body + bump)}</g>' + up(tears + orbit + stars) + hole_lip()
            + paws(fur, dx=38))


def rabbit_cool():
    fur = "fur"
    body = (ear(82, 58, -16, fur) + ear(118, 58, 14, fur, fold=True) + head(fur) + cheeks("#ff9fb6", 0.4)
            + muzzle("smirk"))
    brows = f'<path d="M70,60 q10,-8 20,-3 M110,55 q11,-6 20,3" stroke="{OUTLINE}" stroke-width="2.8" fill="none" stroke-linecap="round"/>'
    glasses = (f'<path d="M58,70 L142,70 L142,74 L58,74 Z" fill="#111" />'
               f'<path d="M60,71 L96,71 Q98,90 84,95 Q66,96 62,86 Z" fill="url(#lens)" stroke="#000" stroke-width="2.4" stroke-linejoin="round"/>'
               f'<path d="M104,71 L140,71 Q138,86 120,95 Q106,96 104,86 Z" fill="url(#lens)" stroke="#000" stroke-width="2.4" stroke-linejoin="round"/>'
               '<path d="M66,76 L74,76 L68,86 Z M110,76 L118,76 L112,86 Z" fill="#fff" opacity="0.65"/>'
               f'<path d="M58,72 L54,70 M142,72 L146,70" stroke="#111" stroke-width="3"/>')
    sparkle_glint = sparkle(138, 70, 8, col="#ffffff")
    # one paw waves bye-bye
    wave = (f'<g transform="translate(146,112) rotate(20)"><ellipse rx="11" ry="14" fill="url(#{fur})" stroke="{OUTLINE}" stroke-width="{OW}"/>'
            f'<path d="M-5,-10 v6 M0,-12 v6 M5,-10 v6" stroke="{OUTLINE}" stroke-width="1.6" stroke-linecap="round"/></g>'
            f'<path d="M160,96 q8,4 10,12 M164,88 q12,6 14,18" stroke="#fff" stroke-width="2.4" fill="none" stroke-linecap="round"/>')
    paw = (f'<g transform="translate(66,{HY - 4})"><ellipse rx="13" ry="9" fill="url(#{fur})" stroke="{OUTLINE}" stroke-width="{OW}"/>'
           f'<path d="M-4,-3 v6 M4,-3 v6" stroke="{OUTLINE}" stroke-width="1.6" stroke-linecap="round"/></g>')
    return (f'<g clip-path="url(#outOfHole)">{up(body + brows + glasses)}</g>' + up(sparkle_glint) + hole_lip()
            + paw + up(wave))


DY = 7  # the rabbits sit this much lower than they are drawn, clear of the tile's top edge


def up(content):
    return f'<g transform="translate(0,{DY})">{content}</g>'


def tile(content):
    return (f'<svg xmlns="http://www.w3.org/2000/svg" width="200" height="200" viewBox="0 0 200 200">{DEFS}'
            f'{grass_rect(200, 200)}{hole_back()}{content}</svg>\n')


# ------------------------------------------------------------------ bat and heart

def mallet_body():
    """A wooden mallet in its own frame: the head stands upright with its
    striking face at (0,0) pointing down; the handle leaves the head's middle
    towards the upper right."""
    return (
        '<g transform="translate(0,-17) rotate(-32)">'
        f'<rect x="8" y="-5" width="40" height="10" rx="5" fill="url(#handle)" stroke="{OUTLINE}" stroke-width="2.4"/>'
        f'<rect x="34" y="-6" width="17" height="12" rx="5" fill="#c0392b" stroke="{OUTLINE}" stroke-width="2.2"/>'
        '<path d="M39,-5 l-3,10 M44,-5 l-3,10" stroke="#7b1d14" stroke-width="1.4"/>'
        '</g>'
        f'<rect x="-15" y="-36" width="30" height="36" rx="6" fill="url(#wood)" stroke="{OUTLINE}" stroke-width="2.6"/>'
        '<path d="M-7,-29 q-3,12 0,24 M6,-30 q3,10 -1,25" stroke="#8a5425" stroke-width="1.5" fill="none" opacity="0.7"/>'
        '<rect x="-11" y="-30" width="6" height="24" rx="3" fill="#fff" opacity="0.35"/>'
        f'<rect x="-17" y="-38" width="34" height="8" rx="3" fill="url(#band)" stroke="{OUTLINE}" stroke-width="2.2"/>'
        f'<rect x="-17" y="-7" width="34" height="8" rx="3" fill="url(#band)" stroke="{OUTLINE}" stroke-width="2.2"/>'
    )


MALLET_DEFS = """<defs>
  <linearGradient id="wood" x1="0" y1="0" x2="1" y2="0">
    <stop offset="0" stop-color="#7d4a20"/><stop offset="0.3" stop-color="#e0a86a"/><stop offset="0.6" stop-color="#b9773b"/><stop offset="1" stop-color="#7d4a20"/>
  </linearGradient>
  <linearGradient id="handle" x1="0" y1="0" x2="0" y2="1">
    <stop offset="0" stop-color="#f0cc98"/><stop offset="0.5" stop-color="#c98d4e"/><stop offset="1" stop-color="#8c5a2b"/>
  </linearGradient>
  <linearGradient id="band" x1="0" y1="0" x2="1" y2="0">
    <stop offset="0" stop-color="#5c5c66"/><stop offset="0.35" stop-color="#f4f4f4"/><stop offset="0.7" stop-color="#a8a8b0"/><stop offset="1" stop-color="#5c5c66"/>
  </linearGradient>
</defs>"""


def mallet(hit):
    """96x96: the centre of the picture is the point the mallet strikes."""
    if hit:
        body = (f'<g transform="translate(48,48)">{mallet_body()}</g>'
                '<g stroke="#fff6b0" stroke-width="3.2" stroke-linecap="round">'
                '<line x1="30" y1="52" x2="20" y2="58"/><line x1="66" y1="52" x2="76" y2="58"/>'
                '<line x1="37" y1="56" x2="32" y2="66"/><line x1="59" y1="56" x2="64" y2="66"/>'
                '<line x1="48" y1="57" x2="48" y2="68"/></g>'
                '<g stroke="#fff" stroke-width="2.6" stroke-linecap="round" fill="none" opacity="0.8">'
                '<path d="M22,8 q-8,16 -2,32"/><path d="M14,16 q-5,12 0,24"/></g>')
    else:
        # raised and tilted back, its shadow marks the aim
        body = ('<ellipse cx="48" cy="50" rx="13" ry="5" fill="#000" opacity="0.28"/>'
                f'<g transform="translate(26,46) rotate(25)">{mallet_body()}</g>')
    return (f'<svg xmlns="http://www.w3.org/2000/svg" width="96" height="96" viewBox="0 0 96 96">{MALLET_DEFS}'
            f'{body}</svg>\n')


def life_heart():
    return (f'<svg xmlns="http://www.w3.org/2000/svg" width="36" height="32" viewBox="0 0 36 32">{DEFS}'
            f'<g transform="translate(18,16.5) scale(0.8)">{heart_path(sw=3.2)}'
            '<ellipse cx="-9" cy="-9" rx="5" ry="3.2" fill="#fff" opacity="0.8" transform="rotate(-35 -9 -9)"/></g></svg>\n')


# ------------------------------------------------------------------ icon

def icon():
    fur = "fur"
    inner = ear(82, 58, -10, fur) + ear(118, 58, 10, fur) + head(fur) + cheeks() + eyes_open() + muzzle("smile")
    return (f'<svg xmlns="http://www.w3.org/2000/svg" width="128" height="128" viewBox="0 0 128 128">{DEFS}'
            '<defs><radialGradient id="iconBg" cx="50%" cy="40%" r="70%"><stop offset="0" stop-color="#9be06c"/>'
            '<stop offset="1" stop-color="#3f8a2a"/></radialGradient></defs>'
            '<rect width="128" height="128" fill="url(#iconBg)"/>'
            f'<g transform="translate(64,5) scale(0.92) translate(-100,-3)">'
            '<defs><clipPath id="neck"><rect x="0" y="0" width="200" height="140"/></clipPath></defs>'
            f'<g clip-path="url(#neck)">{inner}</g></g></svg>\n')


# ------------------------------------------------------------------ screens

FONT_TITLE = "Lobster Two"
FONT_TEXT = "Comic Neue"


def sky_scene(sky_top, sky_bottom, hill1, hill2, sun=None):
    s = [f'<defs><linearGradient id="sky" x1="0" y1="0" x2="0" y2="1"><stop offset="0" stop-color="{sky_top}"/>'
         f'<stop offset="1" stop-color="{sky_bottom}"/></linearGradient></defs>',
         '<rect width="600" height="680" fill="url(#sky)"/>']
    if sun:
        s.append(sun)
    s.append(f'<path d="M0,300 C120,250 230,270 330,300 C430,330 520,280 600,270 L600,680 L0,680 Z" fill="{hill1}"/>')
    s.append(f'<path d="M0,360 C150,330 300,340 420,360 C500,372 560,350 600,345 L600,680 L0,680 Z" fill="{hill2}"/>')
    return "\n".join(s)


def cloud(x, y, s=1.0, op=0.95):
    return (f'<g transform="translate({x},{y}) scale({s})" opacity="{op}" fill="#fff">'
            '<ellipse cx="0" cy="0" rx="34" ry="20"/><ellipse cx="30" cy="-10" rx="28" ry="24"/>'
            '<ellipse cx="62" cy="2" rx="30" ry="18"/><rect x="-10" y="0" width="80" height="18" rx="9"/></g>')


def tile_group(content, x, y, s):
    """A board tile (grass clipped to a rounded square) placed on a screen."""
    return (f'<g transform="translate({x},{y}) scale({s})">'
            f'<clipPath id="c{x}_{y}"><rect width="200" height="200" rx="26"/></clipPath>'
            f'<g clip-path="url(#c{x}_{y})">{grass_rect(200, 200)}{hole_back()}{content}</g>'
            f'<rect width="200" height="200" rx="26" fill="none" stroke="{OUTLINE}" stroke-width="5"/></g>')


def title_text(text, y, size, fill="url(#titleFill)", stroke="#5a2d0c"):
    return (f'<text x="300" y="{y + 6}" font-family="{FONT_TITLE}" font-size="{size}" text-anchor="middle" fill="#000" opacity="0.3">{text}</text>'
            f'<text x="300" y="{y}" font-family="{FONT_TITLE}" font-size="{size}" text-anchor="middle" fill="none" '
            f'stroke="{stroke}" stroke-width="14" stroke-linejoin="round">{text}</text>'
            f'<text x="300" y="{y}" font-family="{FONT_TITLE}" font-size="{size}" text-anchor="middle" fill="{fill}" '
            f'stroke="#fff" stroke-width="2" stroke-opacity="0.6">{text}</text>')


TITLE_DEFS = """<defs>
  <linearGradient id="titleFill" x1="0" y1="0" x2="0" y2="1">
    <stop offset="0" stop-color="#fff3a0"/><stop offset="0.55" stop-color="#ffc531"/><stop offset="1" stop-color="#ff8a1c"/>
  </linearGradient>
  <linearGradient id="panel" x1="0" y1="0" x2="0" y2="1">
    <stop offset="0" stop-color="#fffaf0"/><stop offset="1" stop-color="#f5e6c8"/>
  </linearGradient>
</defs>"""


def text_line(x, y, text, size=23, anchor="start", fill="#3b2416", weight="bold"):
    return (f'<text x="{x}" y="{y}" font-family="{FONT_TEXT}" font-weight="{weight}" font-size="{size}" '
            f'text-anchor="{anchor}" fill="{fill}">{text}</text>')


def key_cap(x, y, label, w):
    return (f'<g transform="translate({x},{y})"><rect x="0" y="-24" width="{w}" height="32" rx="7" fill="#fff" '
            f'stroke="#3b2416" stroke-width="2.5"/><rect x="3" y="2" width="{w - 6}" height="4" rx="2" fill="#d8c9b4"/>'
            f'<text x="{w / 2}" y="-2" font-family="DejaVu Sans" font-weight="bold" font-size="15" text-anchor="middle" '
            f'fill="#3b2416">{label}</text></g>')


def screen_start():
    sun = '<circle cx="520" cy="70" r="44" fill="#fff3a0" opacity="0.9"/><circle cx="520" cy="70" r="34" fill="#ffe15a"/>'
    parts = [TITLE_DEFS, DEFS, sky_scene("#5cc3f5", "#c9f0ff", "#7cc653", GRASS, sun),
             cloud(60, 60, 1.0), cloud(330, 40, 0.8), cloud(420, 170, 0.6, 0.8),
             title_text("Molvane", 160, 128)]
    # three rabbits under the title
    parts.append(tile_group(rabbit_pose(), 40, 190, 0.62))
    parts.append(tile_group(rabbit_heart(), 238, 180, 0.62))
    parts.append(tile_group(rabbit_cool(), 436, 190, 0.62))
    # how to play
    parts.append('<rect x="30" y="330" width="540" height="290" rx="22" fill="#3b2416" opacity="0.25" transform="translate(4,6)"/>')
    parts.append('<rect x="30" y="330" width="540" height="290" rx="22" fill="url(#panel)" stroke="#3b2416" stroke-width="4"/>')
    parts.append(text_line(300, 368, "How to play", 30, "middle", "#b4491c"))
    rows = [
        ("bat", "Click the rabbits before they hide!"),
        ("cool", "A rabbit that hides costs a life."),
        ("heart", "Hit the heart rabbit to win a life back."),
    ]
    y = 412
    for kind, txt in rows:
        if kind == "bat":
            icon_svg = f'{MALLET_DEFS}<g transform="translate(56,{y + 6}) rotate(-25) scale(0.55)">{mallet_body()}</g>'
        elif kind == "cool":
            icon_svg = f'<g transform="translate(62,{y - 10}) scale(0.27) translate(-100,-96)">{rabbit_face_small("cool")}</g>'
        else:
            icon_svg = f'<g transform="translate(62,{y - 7}) scale(0.7)">{heart_path(sw=3.4)}</g>'
        parts.append(icon_svg)
        parts.append(text_line(92, y, txt, 22))
        y += 44
    parts.append(key_cap(62, y + 6, "SPACE", 86))
    parts.append(text_line(160, y + 4, "start and pause", 22))
    parts.append(key_cap(354, y + 6, "ESC", 60))
    parts.append(text_line(422, y + 4, "back to title", 22))
    parts.append(text_line(300, 596, "10 levels, 30 seconds each. Good luck!", 19, "middle", "#6b4a2a", "normal"))
    parts.append(f'<rect x="110" y="632" width="380" height="38" rx="19" fill="#ff8a1c" stroke="#5a2d0c" stroke-width="3"/>')
    parts.append(text_line(300, 659, "Press SPACE to play", 25, "middle", "#fff"))
    return svg_screen("\n".join(parts))


def mallet_inline(angle):
    s = mallet(False)
    return s[s.index(">") + 1:s.rindex("</svg>")]


def rabbit_face_small(kind):
    content = {"cool": rabbit_cool, "pose": rabbit_pose, "cry": rabbit_cry}[kind]()
    return f'{DEFS}{content}'


def svg_screen(body):
    return (f'<svg xmlns="http://www.w3.org/2000/svg" width="600" height="680" viewBox="0 0 600 680">{body}</svg>\n')


def screen_end():
    moon = '<circle cx="480" cy="90" r="40" fill="#f6f0c8"/><circle cx="496" cy="80" r="36" fill="#2c2a5a"/>'
    stars = "".join(f'<circle cx="{x}" cy="{y}" r="{r}" fill="#fff" opacity="0.8"/>' for x, y, r in
                    [(60, 50, 2), (140, 100, 1.5), (250, 40, 2), (330, 120, 1.5), (400, 60, 1.8), (560, 180, 1.5),
                     (30, 200, 1.5), (200, 190, 1.2), (560, 30, 2)])
    parts = [TITLE_DEFS, DEFS, sky_scene("#1d1b45", "#7a5a9a", "#3f6a3a", "#4c8a3c", moon + stars),
             '<defs><linearGradient id="overFill" x1="0" y1="0" x2="0" y2="1"><stop offset="0" stop-color="#ffd0d0"/>'
             '<stop offset="0.6" stop-color="#ff6a6a"/><stop offset="1" stop-color="#c8283a"/></linearGradient></defs>',
             title_text("Game Over", 200, 104, fill="url(#overFill)", stroke="#3a0c18")]
    parts.append(tile_group(rabbit_cool(), 60, 260, 0.8))
    parts.append(tile_group(rabbit_cool(), 380, 260, 0.8))
    parts.append(tile_group(rabbit_pose(), 220, 300, 0.8))
    parts.append(text_line(300, 510, "The rabbits got away this time...", 26, "middle", "#fff"))
    parts.append('<rect x="90" y="560" width="420" height="54" rx="27" fill="#ff8a1c" stroke="#5a2d0c" stroke-width="3"/>')
    parts.append(text_line(300, 596, "Press SPACE to play again", 28, "middle", "#fff"))
    return svg_screen("\n".join(parts))


def screen_win():
    rnd = random.Random(3)
    confetti = []
    cols = ["#ff5f8a", "#ffd23f", "#5cc3f5", "#8bd160", "#b57bff", "#ff8a1c"]
    for _ in range(70):
        x, y = rnd.uniform(0, 600), rnd.uniform(0, 520)
        confetti.append(f'<rect x="{x:.0f}" y="{y:.0f}" width="{rnd.uniform(6, 11):.0f}" height="{rnd.uniform(3, 6):.0f}" '
                        f'fill="{rnd.choice(cols)}" transform="rotate({rnd.uniform(0, 180):.0f} {x:.0f} {y:.0f})"/>')
    sun = ('<g opacity="0.35">' + "".join(
        f'<path d="M300,330 L{300 + 700 * math.cos(math.radians(a)):.0f},{330 + 700 * math.sin(math.radians(a)):.0f} '
        f'L{300 + 700 * math.cos(math.radians(a + 9)):.0f},{330 + 700 * math.sin(math.radians(a + 9)):.0f} Z" fill="#fff"/>'
        for a in range(0, 360, 18)) + '</g>')
    parts = [TITLE_DEFS, DEFS, sky_scene("#ffb347", "#ffe9a8", "#7cc653", GRASS, sun),
             "".join(confetti), title_text("You Win!", 150, 112)]
    # trophy
    parts.append(f'''<g transform="translate(300,300)">
  <path d="M-60,-80 L60,-80 Q58,10 0,30 Q-58,10 -60,-80 Z" fill="url(#gold)" stroke="{OUTLINE}" stroke-width="5"/>
  <path d="M-60,-66 Q-100,-66 -90,-30 Q-82,-6 -44,0" fill="none" stroke="{OUTLINE}" stroke-width="14"/>
  <path d="M-60,-66 Q-100,-66 -90,-30 Q-82,-6 -44,0" fill="none" stroke="#ffd23f" stroke-width="8"/>
  <path d="M60,-66 Q100,-66 90,-30 Q82,-6 44,0" fill="none" stroke="{OUTLINE}" stroke-width="14"/>
  <path d="M60,-66 Q100,-66 90,-30 Q82,-6 44,0" fill="none" stroke="#ffd23f" stroke-width="8"/>
  <rect x="-12" y="28" width="24" height="30" fill="url(#gold)" stroke="{OUTLINE}" stroke-width="4"/>
  <rect x="-46" y="56" width="92" height="26" rx="6" fill="#8a5a2e" stroke="{OUTLINE}" stroke-width="4"/>
  <text x="0" y="76" font-family="{FONT_TEXT}" font-weight="bold" font-size="18" text-anchor="middle" fill="#ffe9a8">10 / 10</text>
  {star(0, -40, 26, rot=0, sw=3)}
  <path d="M-40,-70 Q-36,-20 -10,6" stroke="#fff" stroke-width="6" fill="none" opacity="0.5" stroke-linecap="round"/>
</g>''')
    parts.append(f'{MALLET_DEFS}<g transform="translate(112,392) rotate(-28) scale(1.5)">{mallet_body()}</g>')
    parts.append(tile_group(rabbit_cry(), 400, 232, 0.7))
    parts.append(sparkle(160, 220, 16) + sparkle(460, 210, 12) + sparkle(90, 420, 10) + sparkle(520, 430, 14))
    parts.append(text_line(300, 500, "All ten levels cleared!", 30, "middle", "#5a2d0c"))
    parts.append('<rect x="90" y="560" width="420" height="54" rx="27" fill="#ff8a1c" stroke="#5a2d0c" stroke-width="3"/>')
    parts.append(text_line(300, 596, "Press SPACE to play again", 28, "middle", "#fff"))
    return svg_screen("\n".join(parts))


# ------------------------------------------------------------------ main

def main():
    out = sys.argv[1] if len(sys.argv) > 1 else "assets/src"
    os.makedirs(out, exist_ok=True)
    files = {
        "image_empty.svg": tile(""),
        "image_pose.svg": tile(rabbit_pose()),
        "image_heart.svg": tile(rabbit_heart()),
        "image_cry.svg": tile(rabbit_cry()),
        "image_cool.svg": tile(rabbit_cool()),
        "image_ready.svg": mallet(False),
        "image_hit.svg": mallet(True),
        "image_life.svg": life_heart(),
        "image_icon.svg": icon(),
        "image_start.svg": screen_start(),
        "image_end.svg": screen_end(),
        "image_win.svg": screen_win(),
    }
    for name, text in files.items():
        with open(os.path.join(out, name), "w") as f:
            f.write(text)


if __name__ == "__main__":
    main()
