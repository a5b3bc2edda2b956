#!/usr/bin/env bash
# Seeds for the Sun raster fuzz target: ImageMagick's 1-, 8- and 24-bit
# files and a hand-written run-length file.
set -euo pipefail
out=$1
here=$(cd "$(dirname "$0")" && pwd)
. "$here/image_seeds.sh"
seeds_begin "$out" || exit 0
seed_magick "$out" colour.ras SUN:
seed_magick "$out" mapped.ras -colors 16 SUN:
seed_magick "$out" mono.ras -monochrome SUN:
printf '\131\246\152\225\000\000\000\003\000\000\000\002\000\000\000\010\000\000\000\007\000\000\000\002\000\000\000\000\000\000\000\000\005\200\004\007\200\000\011' >"$out/runs.ras"
seeds_end "$out"
