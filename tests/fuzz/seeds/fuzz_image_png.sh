#!/usr/bin/env bash
# Seeds for the PNG decoder fuzz target: PngSuite (every colour type and bit
# depth, interlaced and not, transparency) from the corpus.
set -euo pipefail
out=$1
here=$(cd "$(dirname "$0")" && pwd)
. "$here/image_seeds.sh"
seeds_begin "$out" || exit 0
find "$corpus/images/png" -type f -name '*.png' -exec cp {} "$out"/ \;
seed_magick "$out" alpha16.png -depth 16 -alpha on
seeds_end "$out"
