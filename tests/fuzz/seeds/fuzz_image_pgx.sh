#!/usr/bin/env bash
# Seeds for the PGX fuzz target: opj_decompress's PGX output (8 and 16 bits)
# and hand-written files in both byte orders with signed samples.
set -euo pipefail
out=$1
here=$(cd "$(dirname "$0")" && pwd)
. "$here/image_seeds.sh"
seeds_begin "$out" || exit 0
convert "$work/base.ppm" -colorspace gray -depth 8 "$work/g8.pgm"
convert "$work/base.ppm" -colorspace gray -depth 16 "$work/g16.pgm"
for d in 8 16; do
  opj_compress -n 2 -i "$work/g$d.pgm" -o "$work/g$d.j2k" >/dev/null
  opj_decompress -i "$work/g$d.j2k" -o "$out/grey$d.pgx" >/dev/null
done
printf 'PG LM - 12 2 2\n\001\010\377\017\000\000\000\010' >"$out/signed.pgx"
seeds_end "$out"
