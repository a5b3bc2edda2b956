#!/usr/bin/env bash
# Runs every test: native unit tests (plain, with sanitizers, and the player's
# drawing with the 32-bit programs' x87 floating point), the format
# checks of both Windows builds, Win32 tests under Wine, end-to-end tests of the
# real programs under Wine on Xvfb, and a short run of each fuzz target.
# Installs and builds what is missing first.
#
# Wine runs the i686 programs where this machine runs 32-bit code and the
# x86_64 programs otherwise; GLINT_WIN64=1 takes the 64-bit path anywhere.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/env.sh"
. "$here/xvfb.sh"
glint_say_path

"$here/build.sh" native asan win32 win64 x87
"$here/wine-prefix.sh"

failed=()
step() { # name, command...
  local name=$1; shift
  echo "== $name"
  if ! "$@"; then failed+=("$name"); fi
}

step "native unit tests" ctest --test-dir "$GLINT_BUILD/native" --output-on-failure
step "sanitizer unit tests" ctest --test-dir "$GLINT_BUILD/asan" --output-on-failure
step "drawing tests with x87 math, as in the 32-bit programs" ctest --test-dir "$GLINT_BUILD/x87" -R '^unit_flash$' --output-on-failure
step "program formats of win32 and win64" python3 -m unittest discover -s "$GLINT_TOP/tests/pe" -p 'test_*.py'

glint_start_x
cleanup() { glint_stop_wine; glint_stop_x; }
trap cleanup EXIT
glint_start_wine

step "Win32 tests under Wine ($GLINT_WINE_BUILD)" ctest --test-dir "$GLINT_BUILD/$GLINT_WINE_BUILD" --output-on-failure
rm -f "$GLINT_BUILD/e2e-scenes.txt"
step "end-to-end tests ($GLINT_WINE_BUILD)" python3 -m unittest discover -s "$GLINT_TOP/tests/e2e" -p 'test_*.py' -v
step "fuzz (short)" "$here/fuzz.sh" "${GLINT_FUZZ_SECONDS:-15}"

glint_say_path
if [ ${#failed[@]} -gt 0 ]; then
  # Last, where a log cut short still shows them: what each failed end-to-end test left on screen.
  if [ -s "$GLINT_BUILD/e2e-scenes.txt" ]; then cat "$GLINT_BUILD/e2e-scenes.txt" >&2; fi
  echo "FAILED: ${failed[*]}" >&2
  exit 1
fi
echo "all tests passed"
