#!/usr/bin/env bash
# Renders the program icon org.example.quorlix.svg into the PNG sizes the
# hicolor theme gets, into the window icon and into the Windows icon
# quorlix.ico with every size Explorer, the taskbar and the Start menu ask
# for (rsvg-convert from Debian's librsvg2-bin, icotool from icoutils).
# Run it after changing the SVG; the PNGs and the .ico are committed.
set -euo pipefail
cd "$(dirname "$0")"

for size in 48 128 256; do
  rsvg-convert -w "$size" -h "$size" org.example.quorlix.svg -o "quorlix-$size.png"
done
cp quorlix-256.png ../../app/resources/icon.png

# Small sizes as bitmaps, which every part of Windows draws; 256 as PNG.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
ico_sizes=(16 20 24 32 40 48 64)
for size in "${ico_sizes[@]}"; do
  rsvg-convert -w "$size" -h "$size" org.example.quorlix.svg -o "$work/$size.png"
done
pngs=()
for size in "${ico_sizes[@]}"; do pngs+=("$work/$size.png"); done
icotool --create --output=quorlix.ico "${pngs[@]}" --raw=quorlix-256.png
