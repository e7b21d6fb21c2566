#!/usr/bin/env bash
# Composes a mock game screen from the shipped pictures, to look at the board:
# the HUD strip, nine tiles (a mix of all five) and the bat.
#   bash tools/art/mock_board.sh OUT.png [bat: ready|hit]
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
A="$ROOT/assets"; OUT="${1:-/tmp/mock_board.png}"; BAT="${2:-ready}"
C=/usr/bin/convert; [ -x "$C" ] || C=convert
T=$(mktemp -d); trap 'rm -rf "$T"' EXIT
order=(pose empty cool heart cry empty empty pose cry)
for i in "${!order[@]}"; do cp "$A/image_${order[$i]}.jpg" "$T/t$i.jpg"; done
"$C" \( "$T/t0.jpg" "$T/t1.jpg" "$T/t2.jpg" +append \) \( "$T/t3.jpg" "$T/t4.jpg" "$T/t5.jpg" +append \) \
     \( "$T/t6.jpg" "$T/t7.jpg" "$T/t8.jpg" +append \) -append "$T/board.png"
"$C" -size 600x80 xc:black -fill white -font DejaVu-Sans-Bold -pointsize 26 \
     -annotate +10+50 "Level: 3" -annotate +265+50 "17" -annotate +530+50 " X 3" "$T/hud.png"
"$C" "$T/hud.png" "$A/image_life.png" -geometry +480+24 -composite "$T/hud.png"
"$C" "$T/hud.png" "$T/board.png" -append "$A/image_$BAT.png" -geometry +252+192 -composite "$OUT"
echo "$OUT"
