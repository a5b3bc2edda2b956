#!/usr/bin/env bash
# Seeds for the PNM fuzz target: every kind (P1-P6), 16-bit samples, comments.
set -euo pipefail
out=$1
here=$(cd "$(dirname "$0")" && pwd)
. "$here/image_seeds.sh"
seeds_begin "$out" || exit 0
seed_magick "$out" raw.pbm -monochrome
seed_magick "$out" plain.pbm -monochrome -compress none
seed_magick "$out" raw.pgm -colorspace gray -depth 8
seed_magick "$out" plain.pgm -colorspace gray -compress none
seed_magick "$out" raw.ppm -depth 8
seed_magick "$out" deep.ppm -depth 16
seed_magick "$out" plain.ppm -compress none
printf 'P2\n# comment\n3 2\n# another\n1000\n0 500 1000\n1 2 3\n' >"$out/comments.pgm"
seeds_end "$out"
