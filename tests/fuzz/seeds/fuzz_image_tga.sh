#!/usr/bin/env bash
# Seeds for the TGA decoder fuzz target: raw and run-length, true colour,
# colour-mapped and grey, with and without alpha.
set -euo pipefail
out=$1
here=$(cd "$(dirname "$0")" && pwd)
. "$here/image_seeds.sh"
seeds_begin "$out" || exit 0
seed_magick "$out" raw.tga -compress none tga:
seed_magick "$out" rle.tga -compress RLE tga:
seed_magick "$out" map.tga -colors 20 -type palette -compress RLE tga:
seed_magick "$out" grey.tga -type grayscale -compress RLE tga:
convert "$work/alpha.png" -compress RLE "tga:$out/alpha.tga"
ppmtotga -cmap -norle < <(pnmquant 30 "$work/base.ppm" 2>/dev/null) > "$out/np.tga" 2>/dev/null
seeds_end "$out"
