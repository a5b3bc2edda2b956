#!/usr/bin/env bash
# Runs every test: native unit tests (plain and with sanitizers), Win32 tests
# under Wine, end-to-end tests of the real programs under Wine on Xvfb, and a
# short run of each fuzz target. Installs and builds what is missing first.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/env.sh"
. "$here/xvfb.sh"

"$here/build.sh" native asan win32
"$here/wine-prefix.sh"

failed=()
step() { # name, command...
  local name=$1; shift
  echo "== $name"
  if ! "$@"; then failed+=("$name"); fi
}

step "native unit tests" ctest --test-dir "$GLINT_BUILD/native" --output-on-failure
step "sanitizer unit tests" ctest --test-dir "$GLINT_BUILD/asan" --output-on-failure

glint_start_x
# A running wineserver keeps ctest from waiting on Wine's background services.
wineserver -p 2>/dev/null || true  # already running is fine
wine cmd /c exit >/dev/null 2>&1 || true
cleanup() { wineserver -k >/dev/null 2>&1 || true; glint_stop_x; }
trap cleanup EXIT

step "Win32 tests under Wine" ctest --test-dir "$GLINT_BUILD/win32" --output-on-failure
step "end-to-end tests" python3 -m unittest discover -s "$GLINT_TOP/tests/e2e" -p 'test_*.py' -v
step "fuzz (short)" "$here/fuzz.sh" "${GLINT_FUZZ_SECONDS:-15}"

if [ ${#failed[@]} -gt 0 ]; then
  echo "FAILED: ${failed[*]}" >&2
  exit 1
fi
echo "all tests passed"
