#!/usr/bin/env bash
# Builds what is asked (default: all three builds), installing what is missing
# first. Builds are incremental.
#   native  build/native  Release: tools, native unit tests, benchmarks
#   asan    build/asan    clang with AddressSanitizer + UBSan: unit tests and fuzz targets
#   win32   build/win32   the Windows programs and the tests run under Wine
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/env.sh"

builds=("$@")
[ ${#builds[@]} -gt 0 ] || builds=(native asan win32)

if [ "$(id -u)" -eq 0 ]; then
  "$here/setup-system.sh"
fi

configure() { # dir, cmake args...
  local dir=$1; shift
  if [ ! -f "$dir/build.ninja" ]; then
    cmake -S "$GLINT_TOP" -B "$dir" -G Ninja -Wno-dev "$@" >/dev/null
  fi
}

for b in "${builds[@]}"; do
  case $b in
    native)
      configure "$GLINT_BUILD/native" -DCMAKE_BUILD_TYPE=Release
      cmake --build "$GLINT_BUILD/native" ;;
    asan)
      CC=clang CXX=clang++ configure "$GLINT_BUILD/asan" -DCMAKE_BUILD_TYPE=Debug -DGLINT_SANITIZE=ON -DGLINT_FUZZ=ON
      cmake --build "$GLINT_BUILD/asan" ;;
    win32)
      "$here/build-win32-deps.sh"
      configure "$GLINT_BUILD/win32" -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_TOOLCHAIN_FILE="$GLINT_TOP/cmake/mingw-i686.cmake" -DGLINT_DEPS_PREFIX="$GLINT_DEPS_PREFIX" \
        -DGLINT_HOST_SKINC="$GLINT_BUILD/native/tools/skinc/skinc"
      cmake --build "$GLINT_BUILD/win32" ;;
    *) echo "build: unknown build '$b' (native, asan, win32)" >&2; exit 2 ;;
  esac
done
