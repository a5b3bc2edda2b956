#!/usr/bin/env bash
# Seeds for the SWF fuzz target: the malformed corpus and our demo movie.
set -euo pipefail
out=$1
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../../../scripts/env.sh"
corpus=${GLINT_CORPUS_DIR:-$GLINT_TOP/../shared/corpus}
[ -d "$corpus" ] || corpus=/work/shared/corpus
[ -f "$out/.seeded" ] && exit 0
cp "$corpus"/swf/malformed/*.swf "$out"/ 2>/dev/null || true
for f in "$corpus"/swf/visual/*.swf; do [ -f "$f" ] && [ "$(stat -c %s "$f")" -lt 65536 ] && cp "$f" "$out"/; done
demo=$GLINT_BUILD/native/tools/swfdemo/swfdemo
[ -x "$demo" ] && "$demo" "$out/demo.swf" && "$demo" "$out/demo-plain.swf" --uncompressed
touch "$out/.seeded"
