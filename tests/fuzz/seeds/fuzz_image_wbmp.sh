#!/usr/bin/env bash
# Seeds for the WBMP decoder fuzz target, with one- and two-byte widths.
set -euo pipefail
out=$1
here=$(cd "$(dirname "$0")" && pwd)
. "$here/image_seeds.sh"
seeds_begin "$out" || exit 0
seed_magick "$out" m.wbmp -monochrome wbmp:
convert -size 200x3 xc:white -fill black -draw 'point 5,1' "wbmp:$out/wide.wbmp"
seeds_end "$out"
