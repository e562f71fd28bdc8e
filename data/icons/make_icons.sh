#!/usr/bin/env bash
# Renders the program icon org.example.quorlix.svg into the PNG sizes the
# hicolor theme gets and into the window icon (rsvg-convert, from Debian's
# librsvg2-bin). Run it after changing the SVG; the PNGs are committed.
set -euo pipefail
cd "$(dirname "$0")"

for size in 48 128 256; do
  rsvg-convert -w "$size" -h "$size" org.example.quorlix.svg -o "quorlix-$size.png"
done
cp quorlix-256.png ../../app/resources/icon.png
