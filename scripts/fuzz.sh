#!/usr/bin/env bash
# Runs every fuzz target of build/asan for a while (default 20 s each), each
# from a corpus folder of its own that seed scripts may fill.
#   scripts/fuzz.sh [SECONDS] [TARGET...]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/env.sh"
seconds=${1:-20}; shift || true
fuzzdir=$GLINT_BUILD/asan/fuzz
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for t in "$fuzzdir"/*; do [ -x "$t" ] && targets+=("$(basename "$t")"); done
fi
if [ ${#targets[@]} -eq 0 ]; then
  echo "fuzz: no fuzz target in $fuzzdir (build them first: scripts/build.sh asan)" >&2
  exit 1
fi
status=0
for t in "${targets[@]}"; do
  if [ ! -x "$fuzzdir/$t" ]; then
    echo "fuzz: no fuzz target '$t' in $fuzzdir" >&2
    status=1
    continue
  fi
  corpus=$GLINT_BUILD/fuzz-corpus/$t
  mkdir -p "$corpus"
  seeds=$GLINT_TOP/tests/fuzz/seeds/$t.sh
  [ -x "$seeds" ] && "$seeds" "$corpus"
  echo "fuzz: $t for ${seconds}s"
  if ! "$fuzzdir/$t" -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=10 -print_final_stats=0 \
       -artifact_prefix="$GLINT_BUILD/fuzz-corpus/$t-" "$corpus" >"$GLINT_BUILD/fuzz-$t.log" 2>&1; then
    echo "fuzz: $t FOUND A PROBLEM (see $GLINT_BUILD/fuzz-$t.log)" >&2
    tail -n 30 "$GLINT_BUILD/fuzz-$t.log" >&2
    status=1
  fi
done
exit $status
