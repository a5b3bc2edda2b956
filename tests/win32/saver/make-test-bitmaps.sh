#!/usr/bin/env bash
# Small solid bitmaps for the image-button tests: one colour a state, and a
# mask whose left half is opaque (black) and right half transparent (white).
set -euo pipefail
out=$1
mkdir -p "$out"
for pair in normal:'#ff0000' pressed:'#0000ff' hover:'#00ff00' focus:'#ffff00' disabled:'#808080'; do
  convert -size 20x10 "xc:${pair#*:}" -type TrueColor "BMP3:$out/${pair%%:*}.bmp"
done
convert -size 20x10 xc:white -fill black -draw 'rectangle 0,0 9,9' -type TrueColor "BMP3:$out/mask.bmp"
touch "$out/.drawn"
