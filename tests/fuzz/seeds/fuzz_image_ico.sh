#!/usr/bin/env bash
# Seeds for the icon decoder fuzz target: icons and cursors of 1, 4, 8 and
# 32 bits written by ImageMagick and netpbm.
set -euo pipefail
out=$1
here=$(cd "$(dirname "$0")" && pwd)
. "$here/image_seeds.sh"
seeds_begin "$out" || exit 0
convert "$work/alpha.png" -resize 16x16! \( "$work/alpha.png" -resize 8x8! \) "$out/magick.ico"
for n in 2 16 200; do
  pamcut 0 0 8 8 "$work/base.ppm" | pnmquant $n > "$work/q.ppm" 2>/dev/null
  ppmtowinicon "$work/q.ppm" > "$out/np$n.ico" 2>/dev/null
done
seeds_end "$out"
