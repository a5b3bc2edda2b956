#!/usr/bin/env bash
# Builds what is asked (default: all five builds), installing what is missing
# first. Builds are incremental.
#   native  build/native  Release: tools, native unit tests, benchmarks
#   asan    build/asan    clang with AddressSanitizer + UBSan: unit tests and fuzz targets
#   win32   build/win32   i686: the Windows programs we ship (PE32) and their tests for Wine
#   win64   build/win64   x86_64: the same programs and tests, 64-bit (PE32+)
#   x87     build/x87     Release with x87 floating point as the 32-bit programs do it, to test
#                         and time that where they cannot run: the player's drawing tests and bench
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/env.sh"

builds=("$@")
[ ${#builds[@]} -gt 0 ] || builds=(native asan win32 win64 x87)

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
    x87)
      configure "$GLINT_BUILD/x87" -DCMAKE_BUILD_TYPE=Release -DGLINT_X87=ON
      cmake --build "$GLINT_BUILD/x87" --target unit_flash bench_swf_raster swfrender ;;
    win32|win64)
      "$here/build-win-deps.sh" "$b"
      configure "$GLINT_BUILD/$b" -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_TOOLCHAIN_FILE="$GLINT_TOP/cmake/mingw-$(glint_win_arch "$b").cmake" -DGLINT_DEPS_PREFIX="$(glint_deps_prefix "$b")" \
        -DGLINT_HOST_SKINC="$GLINT_BUILD/native/tools/skinc/skinc"
      cmake --build "$GLINT_BUILD/$b" ;;
    *) echo "build: unknown build '$b' (native, asan, win32, win64, x87)" >&2; exit 2 ;;
  esac
done
