#!/usr/bin/env bash
# Seeds for the data-file fuzz target: small files written by glintpack.
set -euo pipefail
out=$1
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../../../scripts/env.sh"
pack=$GLINT_BUILD/native/tools/glintpack/glintpack
if [ ! -x "$pack" ]; then
  echo "fuzz_datafile seeds: no $pack (scripts/build.sh native first)" >&2
  exit 1
fi
[ -f "$out/seed-full.dat" ] && exit 0
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
printf 'FWS\x05movie' > "$tmp/movie.swf"
printf 'BM preview' > "$tmp/prev.bmp"
printf 'extra' > "$tmp/extra.txt"
"$pack" build "$out/seed-min.dat" --movie "$tmp/movie.swf"
"$pack" build "$out/seed-full.dat" --movie "$tmp/movie.swf" --file "$tmp/extra.txt" --preview "$tmp/prev.bmp" \
  --picture "$tmp/prev.bmp" --movie-record "$tmp/movie.swf" --movie-record "$tmp/extra.txt" --site "Home" "http://x/"
