#!/usr/bin/env bash
# Small solid bitmaps for the image-button tests: one colour a state, and a
# mask (20 x 10) whose block at columns 10-19, rows 2-9 is opaque (black), the
# rest transparent (white).
set -euo pipefail
out=$1
mkdir -p "$out"
for pair in normal:'#ff0000' pressed:'#0000ff' hover:'#00ff00' focus:'#ffff00' disabled:'#808080'; do
  convert -size 20x10 "xc:${pair#*:}" -type TrueColor "BMP3:$out/${pair%%:*}.bmp"
done
convert -size 20x10 xc:white -fill black -draw 'rectangle 10,2 19,9' -type TrueColor "BMP3:$out/mask.bmp"
touch "$out/.drawn"
