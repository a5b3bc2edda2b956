#!/usr/bin/env bash
# Seeds for the PCX decoder fuzz target: every plane and bit layout.
set -euo pipefail
out=$1
here=$(cd "$(dirname "$0")" && pwd)
. "$here/image_seeds.sh"
seeds_begin "$out" || exit 0
seed_magick "$out" m24.pcx pcx:
seed_magick "$out" m8.pcx -colors 50 -type palette pcx:
seed_magick "$out" m1.pcx -monochrome pcx:
ppmtopcx -24bit "$work/base.ppm" > "$out/n24.pcx" 2>/dev/null
pnmquant 16 "$work/base.ppm" 2>/dev/null | ppmtopcx -planes 4 > "$out/p4.pcx" 2>/dev/null
pnmquant 4 "$work/base.ppm" 2>/dev/null | ppmtopcx -packed > "$out/k2.pcx" 2>/dev/null
seeds_end "$out"
