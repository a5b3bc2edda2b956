#!/usr/bin/env bash
# Benchmark: unpacking a 200 MB data file, against copying the same payload
# bytes with cp on the same disk, in one run. Prints speed ratios and peak
# memory; it never fails on a slow machine.
#   tests/bench/datafile-extract.sh [SIZE_MB]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../../scripts/env.sh"
size_mb=${1:-200}
pack=$GLINT_BUILD/native/tools/glintpack/glintpack
scr=$GLINT_BUILD/$GLINT_WINE_BUILD/bin/Glintbox.scr
work=$(mktemp -d "$GLINT_BUILD/bench-XXXXXX")
trap 'rm -rf "$work"' EXIT

head -c "$((size_mb * 1024 * 1024))" /dev/urandom > "$work/payload.bin"
printf 'FWS\x05' > "$work/movie.swf"
"$pack" build "$work/Glintbox.dat" --movie "$work/movie.swf" --file "$work/payload.bin" --work-name bench
"$pack" build "$work/tiny.dat" --movie "$work/movie.swf" --work-name bench
mkdir -p "$work/out"

best() { # prints the fastest of three runs of a command, in seconds
  local best=999999 t
  for _ in 1 2 3; do
    sync
    /usr/bin/time -o "$work/time.txt" -f %e "$@" >/dev/null 2>&1
    t=$(tail -n 1 "$work/time.txt")
    best=$(echo "$t $best" | awk '{print ($1 < $2) ? $1 : $2}')
  done
  echo "$best"
}
peak_kb() { /usr/bin/time -o "$work/time.txt" -f %M "$@" >/dev/null 2>&1; tail -n 1 "$work/time.txt"; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b <= 0) b = 0.001; printf "%.0f%%", 100 * a / b }'; }

cp_s=$(best cp "$work/payload.bin" "$work/copy.bin")
native_s=$(best "$pack" extract "$work/Glintbox.dat" "$work/out")
native_kb=$(peak_kb "$pack" extract "$work/Glintbox.dat" "$work/out")
echo "payload ${size_mb} MB: cp ${cp_s} s"
echo "native glintpack extract: ${native_s} s, speed $(ratio "$cp_s" "$native_s") of cp, peak memory $((native_kb / 1024)) MB (limit ${size_mb} + 16 MB)"

if [ -x "$scr" ] && command -v wine >/dev/null; then
  cp "$scr" "$work/"
  # Glintbox.scr /a unpacks the data file and ends without a window; the run
  # with a tiny data file measures Wine's own start-up, which is taken off.
  run_scr=(bash -c 'cd "$1" && wine Glintbox.scr /a' _ "$work")
  mv "$work/Glintbox.dat" "$work/big.dat"; cp "$work/tiny.dat" "$work/Glintbox.dat"
  start_s=$(best "${run_scr[@]}")
  mv "$work/big.dat" "$work/Glintbox.dat"
  wine_s=$(best "${run_scr[@]}")
  wine_kb=$(peak_kb "${run_scr[@]}")
  net_s=$(awk -v a="$wine_s" -v b="$start_s" 'BEGIN { printf "%.2f", a - b }')
  echo "Glintbox.scr under Wine: ${wine_s} s (${start_s} s of it Wine start-up), speed $(ratio "$cp_s" "$net_s") of cp without start-up, $(ratio "$cp_s" "$wine_s") with it; peak memory $((wine_kb / 1024)) MB"
fi
