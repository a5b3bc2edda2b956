#!/usr/bin/env bash
# Prints the lines of tests over the lines of the product: C++, Python and
# shell files that git tracks. Tests are tests/, the test-only movie writer
# (flash/testing/) and the scripts that exist only to run tests; everything
# else is product.
#   scripts/test-share.sh [-v]   (-v lists the test files with their lines)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
cd "$here/.."

is_test() {
  case $1 in
    tests/* | flash/testing/* | scripts/test.sh | scripts/test-share.sh | scripts/fuzz.sh | \
      scripts/xvfb.sh | scripts/wine-prefix.sh) return 0 ;;
    *) return 1 ;;
  esac
}

is_code() {
  case $1 in
    *.cpp | *.cc | *.c | *.h | *.hpp | *.py | *.sh) return 0 ;;
    scripts/*) head -n 1 "$1" | grep -q '^#!.*\(bash\|sh\|python\)' ;;
    *) return 1 ;;
  esac
}

tests=0 product=0
while IFS= read -r -d '' f; do
  [ -f "$f" ] && is_code "$f" || continue
  n=$(wc -l <"$f")
  if is_test "$f"; then
    tests=$((tests + n))
    [ "${1:-}" = -v ] && printf '%7d %s\n' "$n" "$f"
  else
    product=$((product + n))
  fi
done < <(git ls-files -z)

if [ "$product" -eq 0 ]; then
  echo "test-share: no product files found (run it inside the git tree)" >&2
  exit 1
fi
awk -v t="$tests" -v p="$product" 'BEGIN { printf "tests %d lines, product %d lines, ratio %.2f\n", t, p, t / p }'
