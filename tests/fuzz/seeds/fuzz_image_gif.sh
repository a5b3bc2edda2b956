#!/usr/bin/env bash
# Seeds for the GIF decoder fuzz target: giflib's pictures of the corpus and
# small files in the variants ImageMagick writes.
set -euo pipefail
out=$1
here=$(cd "$(dirname "$0")" && pwd)
. "$here/image_seeds.sh"
seeds_begin "$out" || exit 0
find "$corpus/images/gif" -type f -name '*.gif' -size -64k -exec cp {} "$out"/ \;
seed_magick "$out" c2.gif -colors 2
seed_magick "$out" c16.gif -colors 16
seed_magick "$out" inter.gif -colors 64 -interlace GIF
seed_magick "$out" v87.gif -colors 8 gif87:
convert -delay 5 "$work/base.ppm" \( "$work/base.ppm" -negate \) -colors 20 "$out/anim.gif"
convert "$work/alpha.png" -channel A -threshold 50% +channel -colors 16 "$out/trans.gif"
seeds_end "$out"
