#!/usr/bin/env bash
# Draws the application icon with ImageMagick and packs it as kestrivo.ico
# (128, 48, 32 and 16 pixels, 32 bits per pixel with alpha). The .ico is
# committed; run this again only to change the picture.
set -euo pipefail
cd "$(dirname "$0")"
convert=/usr/bin/convert
[ -x "$convert" ] || convert=convert
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# A blue sheet with a folded corner, five list rows (the exports list) and an
# orange arrow leaving the sheet (names going out).
"$convert" -size 128x128 xc:none \
  -fill '#1f5f99' -stroke '#123c63' -strokewidth 3 \
  -draw 'path "M 18,8 L 88,8 L 112,32 L 112,120 L 18,120 Z"' \
  -fill '#8fb8de' -stroke '#123c63' -strokewidth 2 \
  -draw 'path "M 88,8 L 88,32 L 112,32 Z"' \
  -stroke none -fill '#ffffff' \
  -draw 'rectangle 30,44 44,52' -draw 'rectangle 50,44 98,52' \
  -draw 'rectangle 30,60 44,68' -draw 'rectangle 50,60 90,68' \
  -draw 'rectangle 30,76 44,84' -draw 'rectangle 50,76 98,84' \
  -draw 'rectangle 30,92 44,100' -draw 'rectangle 50,92 84,100' \
  -fill '#f08a24' -stroke '#9c5210' -strokewidth 2 \
  -draw 'path "M 70,100 L 100,100 L 100,88 L 124,108 L 100,126 L 100,114 L 70,114 Z"' \
  "PNG32:$work/icon-128.png"

for size in 48 32 16; do
  "$convert" "$work/icon-128.png" -resize ${size}x${size} "PNG32:$work/icon-$size.png"
done
# BMP-style entries (not PNG) for every size, so any icon reader takes them.
"$convert" "$work/icon-128.png" "$work/icon-48.png" "$work/icon-32.png" "$work/icon-16.png" \
  kestrivo.ico
