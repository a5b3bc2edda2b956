#!/usr/bin/env bash
# Seeds for the JPEG decoder fuzz target: libjpeg-turbo's test pictures
# (baseline, progressive, arithmetic, 12-bit) and small files in the variants
# ImageMagick writes (grey, CMYK, progressive, restart markers).
set -euo pipefail
out=$1
here=$(cd "$(dirname "$0")" && pwd)
. "$here/image_seeds.sh"
seeds_begin "$out" || exit 0
find "$corpus/images/jpeg" -type f -name '*.jpg' -size -64k -exec cp {} "$out"/ \;
seed_magick "$out" base.jpg -quality 80
seed_magick "$out" grey.jpg -type grayscale
seed_magick "$out" cmyk.jpg -colorspace CMYK
seed_magick "$out" prog.jpg -interlace JPEG
seed_magick "$out" restart.jpg -define jpeg:restart-interval=1
seeds_end "$out"
