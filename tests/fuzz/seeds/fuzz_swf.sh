#!/usr/bin/env bash
# Seeds for the SWF fuzz target: the malformed corpus and our demo movie.
set -euo pipefail
out=$1
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../../../scripts/env.sh"
corpus=${GLINT_CORPUS_DIR:-$GLINT_TOP/../shared/corpus}
[ -d "$corpus" ] || corpus=/work/shared/corpus
[ -f "$out/.seeded" ] && exit 0
demo=$GLINT_BUILD/native/tools/swfdemo/swfdemo
if [ ! -d "$corpus/swf/malformed" ] || [ ! -x "$demo" ]; then
  echo "fuzz_swf seeds: no corpus at $corpus/swf or no $demo (scripts/build.sh native first)" >&2
  exit 1
fi
cp "$corpus"/swf/malformed/*.swf "$out"/
for f in "$corpus"/swf/visual/*.swf; do if [ "$(stat -c %s "$f")" -lt 65536 ]; then cp "$f" "$out"/; fi; done
"$demo" "$out/demo.swf"
"$demo" "$out/demo-plain.swf" --uncompressed
touch "$out/.seeded"
