#!/usr/bin/env bash
# Seeds for the JP2 fuzz target: JP2 files written by opj_compress (colour,
# grey, with opacity, several resolutions and layers).
set -euo pipefail
out=$1
here=$(cd "$(dirname "$0")" && pwd)
. "$here/image_seeds.sh"
seeds_begin "$out" || exit 0
ext=${JPEG2000_EXT:-jp2}
convert "$work/base.ppm" -depth 8 "$work/c.ppm"
convert "$work/base.ppm" -colorspace gray -depth 8 "$work/g.pgm"
convert "$work/alpha.png" -depth 8 "$work/a.png"
opj_compress -n 2 -i "$work/c.ppm" -o "$out/colour.$ext" >/dev/null
opj_compress -n 2 -i "$work/g.pgm" -o "$out/grey.$ext" >/dev/null
opj_compress -n 2 -i "$work/a.png" -o "$out/alpha.$ext" >/dev/null
opj_compress -n 2 -r 20,10 -i "$work/c.ppm" -o "$out/layers.$ext" >/dev/null
opj_compress -n 2 -I -i "$work/c.ppm" -o "$out/irreversible.$ext" >/dev/null
seeds_end "$out"
