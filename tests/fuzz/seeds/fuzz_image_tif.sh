#!/usr/bin/env bash
# Seeds for the TIFF decoder fuzz target: libtiff's small test pictures from
# the corpus (strips, tiles, palettes, fax, old-style JPEG, two pages) and a
# few ImageMagick writes (alpha, LZW, tiles).
set -euo pipefail
out=$1
here=$(cd "$(dirname "$0")" && pwd)
. "$here/image_seeds.sh"
seeds_begin "$out" || exit 0
find "$corpus/images/tiff" -type f \( -name '*.tif' -o -name '*.tiff' \) -size -64k -exec cp {} "$out"/ \;
seed_magick "$out" alpha.tif -alpha set -depth 8
seed_magick "$out" lzw.tif -compress lzw
seed_magick "$out" tiled.tif -define tiff:tile-geometry=16x16
seed_magick "$out" grey4.tif -colorspace gray -depth 4
seeds_end "$out"
