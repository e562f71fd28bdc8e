#!/usr/bin/env bash
# Draws Quorlix's banner (497 x 69) and program icon (256 x 256) from text
# and gradients with ImageMagick. Run it from anywhere to redraw both.
set -euo pipefail
cd "$(dirname "$0")"

convert -size 69x497 gradient:'#12324f'-'#2f7fb5' -rotate 90 \
  \( -size 497x69 xc:none -fill '#ffffff22' \
     -draw "circle 430,34 430,90" -draw "circle 470,10 470,50" \) -composite \
  -font Helvetica-Bold -pointsize 38 -fill white -annotate +18+46 'Quorlix' \
  -font Helvetica -pointsize 15 -fill '#d8ecff' -annotate +190+30 'chat logs to forum code' \
  -font Helvetica -pointsize 15 -fill '#d8ecff' -annotate +190+52 'and web pages' \
  -depth 8 -strip banner.png

convert -size 256x256 xc:none -fill '#1f5a8a' -draw "roundrectangle 8,8 247,247 40,40" \
  -font Helvetica-Bold -pointsize 190 -fill white -gravity center -annotate +0-6 'Q' \
  -fill '#8fd0ff' -draw "rectangle 150,190 230,206" \
  -depth 8 -strip icon.png
