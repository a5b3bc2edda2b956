#!/usr/bin/env bash
# Seeds for the image decoder fuzz target: the small pictures of the corpus.
set -euo pipefail
out=$1
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../../../scripts/env.sh"
corpus=${GLINT_CORPUS_DIR:-$GLINT_TOP/../shared/corpus}
[ -d "$corpus" ] || corpus=/work/shared/corpus
[ -f "$out/.seeded" ] && exit 0
find "$corpus/images" -type f -size -64k \( -name '*.bmp' -o -name '*.gif' -o -name '*.png' -o -name '*.jpg' \
  -o -name '*.tif' -o -name '*.ico' \) -exec cp {} "$out"/ \; 2>/dev/null || true
touch "$out/.seeded"
