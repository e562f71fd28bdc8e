#!/usr/bin/env bash
# Draws Quorlix's banner (497 x 69) from its name and gradients with
# ImageMagick. Run it from anywhere to redraw it. The line under the name
# is not in the picture: the window draws it in the user's language. The program icon,
# icon.png, is rendered from data/icons/org.example.quorlix.svg by
# data/icons/make_icons.sh.
set -euo pipefail
cd "$(dirname "$0")"

convert -size 69x497 gradient:'#12324f'-'#2f7fb5' -rotate 90 \
  \( -size 497x69 xc:none -fill '#ffffff22' \
     -draw "circle 430,34 430,90" -draw "circle 470,10 470,50" \) -composite \
  -font Helvetica-Bold -pointsize 38 -fill white -annotate +18+46 'Quorlix' \
  -depth 8 -strip banner.png

