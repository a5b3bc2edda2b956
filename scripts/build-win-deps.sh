#!/usr/bin/env bash
# Cross-builds the Windows dependency libraries from Debian's source packages
# into a cache prefix outside the repository, once per machine and width. A
# library that is already in the prefix is not built again.
#   scripts/build-win-deps.sh win32|win64
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
top=$(dirname "$here")
. "$here/env.sh"

width=${1:-}
arch=$(glint_win_arch "$width") || exit 2
prefix=$(glint_deps_prefix "$width")
sources=$GLINT_CACHE/src        # unpacked once, shared by both widths
work=$GLINT_CACHE/$width-build
toolchain=$top/cmake/mingw-$arch.cmake
mingw=/usr/$arch-w64-mingw32
mkdir -p "$prefix" "$sources" "$work"

ensure_deb_src() {
  if ! grep -rqs '^Types:.*deb-src' /etc/apt/sources.list.d/ && ! grep -qs '^deb-src' /etc/apt/sources.list; then
    echo "build-win-deps: adding deb-src entries"
    sed -e 's/^Types: deb$/Types: deb-src/' /etc/apt/sources.list.d/debian.sources > /etc/apt/sources.list.d/glintbox-src.sources
    apt-get update -qq
  fi
}

# unpack_plain DIR: upstream tarball plus Debian's tarball and patches, without
# dpkg-source; false when the tarballs are not both there
unpack_plain() {
  local dir=$1 orig deb
  orig=$(find "$dir" -maxdepth 1 -name '*.orig.tar.*' ! -name '*.asc' | head -n 1)
  deb=$(find "$dir" -maxdepth 1 -name '*.debian.tar.*' | head -n 1)
  [ -n "$orig" ] && [ -n "$deb" ] || return 1
  mkdir "$dir/plain"
  tar -xf "$orig" -C "$dir/plain" --strip-components=1 && tar -xf "$deb" -C "$dir/plain" || return 1
  if [ -f "$dir/plain/debian/patches/series" ]; then
    local p
    for p in $(grep -v '^#' "$dir/plain/debian/patches/series"); do
      patch -d "$dir/plain" -p1 -s <"$dir/plain/debian/patches/$p" || return 1
    done
  fi
  rm -f "$dir"/*.tar.* "$dir"/*.dsc
}

# fetch SRCPKG: unpacks Debian's source (with Debian's patches) into $sources/SRCPKG
fetch() {
  local pkg=$1
  if [ ! -d "$sources/$pkg" ]; then
    ensure_deb_src
    local tmp="$sources/.fetch-$pkg"
    rm -rf "$tmp"; mkdir -p "$tmp"
    # The mirror may no longer hold the newest version its index names: try
    # every version the index lists, newest first.
    local v ok=
    for v in $(apt-cache showsrc "$pkg" | sed -n 's/^Version: //p' | sort -r -V); do
      if (cd "$tmp" && apt-get source -qq "$pkg=$v" >/dev/null 2>&1); then ok=1; break; fi
      # Some mirrors lack the upstream signature file (.asc) that the source
      # names, and apt then refuses to unpack what it did fetch: unpack it here.
      if unpack_plain "$tmp"; then ok=1; break; fi
      rm -rf "${tmp:?}"/*
    done
    [ -n "$ok" ] || { echo "build-win-deps: apt-get source $pkg failed" >&2; exit 1; }
    local dir
    dir=$(find "$tmp" -mindepth 1 -maxdepth 1 -type d | head -n 1)
    [ -n "$dir" ] || { echo "build-win-deps: apt-get source $pkg gave nothing" >&2; exit 1; }
    mv "$dir" "$sources/$pkg"
    rm -rf "$tmp"
  fi
}

# build NAME SRCDIR [cmake args]: configure, build and install one library once
build() {
  local name=$1 src=$2; shift 2
  local stamp="$prefix/.built-$name"
  [ -f "$stamp" ] && return 0
  echo "build-win-deps: $name for $width"
  local bdir="$work/build-$name"
  rm -rf "$bdir"
  cmake -S "$src" -B "$bdir" -G Ninja -Wno-dev \
    -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DGLINT_DEPS_PREFIX="$prefix" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" \
    -DBUILD_SHARED_LIBS=OFF -DCMAKE_POSITION_INDEPENDENT_CODE=OFF "$@" >"$bdir.log" 2>&1 \
    || { tail -n 40 "$bdir.log" >&2; exit 1; }
  cmake --build "$bdir" >>"$bdir.log" 2>&1 || { tail -n 40 "$bdir.log" >&2; exit 1; }
  cmake --install "$bdir" >>"$bdir.log" 2>&1 || { tail -n 40 "$bdir.log" >&2; exit 1; }
  touch "$stamp"
}

zlib_args=(-DZLIB_LIBRARY="$mingw/lib/libz.a" -DZLIB_INCLUDE_DIR="$mingw/include")

fetch lzo2
build lzo2 "$sources/lzo2" -DENABLE_STATIC=ON -DENABLE_SHARED=OFF

fetch libjpeg-turbo
build libjpeg-turbo "$sources/libjpeg-turbo" -DWITH_SIMD=ON -DWITH_TURBOJPEG=OFF \
  -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DCMAKE_ASM_NASM_COMPILER=nasm

fetch libpng1.6
build libpng "$sources/libpng1.6" -DPNG_STATIC=ON -DPNG_SHARED=OFF -DPNG_EXECUTABLES=OFF \
  -DPNG_TESTS=OFF -DPNG_BUILD_ZLIB=OFF "${zlib_args[@]}"

fetch tiff
build tiff "$sources/tiff" "${zlib_args[@]}" -Dzlib=ON -Djpeg=ON -Dlzma=OFF -Dzstd=OFF -Dwebp=OFF \
  -Djbig=OFF -Dlerc=OFF -Dlibdeflate=OFF -Dpixarlog=OFF -Dtiff-tools=OFF -Dtiff-tests=OFF \
  -Dtiff-contrib=OFF -Dtiff-docs=OFF -Dcxx=OFF \
  -DJPEG_INCLUDE_DIR="$prefix/include" -DJPEG_LIBRARY="$prefix/lib/libjpeg.a"

fetch openjpeg2
build openjpeg2 "$sources/openjpeg2" -DBUILD_CODEC=OFF -DBUILD_JPIP=OFF -DBUILD_JAVA=OFF \
  -DBUILD_TESTING=OFF -DBUILD_DOC=OFF -DBUILD_STATIC_LIBS=ON

# Zydis calls no Zycore function, it only includes Zycore's headers: those of
# Debian's libzycore-dev go into the prefix with a package file that names them,
# so that Zydis' own build finds "its" Zycore there.
if [ ! -f "$prefix/lib/cmake/zycore/zycore-config.cmake" ]; then
  zyan_functions=$(dpkg -L libzycore-dev | grep '/zyan-functions.cmake$' | head -n 1)
  [ -n "$zyan_functions" ] || { echo "build-win-deps: libzycore-dev is not installed" >&2; exit 1; }
  mkdir -p "$prefix/include" "$prefix/lib/cmake/zycore"
  cp -r /usr/include/Zycore "$prefix/include/"
  cp "$zyan_functions" "$prefix/lib/cmake/zycore/"
  cat > "$prefix/lib/cmake/zycore/zycore-config.cmake" <<'ZYCORE'
include("${CMAKE_CURRENT_LIST_DIR}/zyan-functions.cmake")
if(NOT TARGET Zycore)
  add_library(Zycore INTERFACE IMPORTED)
  set_target_properties(Zycore PROPERTIES
    INTERFACE_INCLUDE_DIRECTORIES "${CMAKE_CURRENT_LIST_DIR}/../../../include"
    INTERFACE_COMPILE_DEFINITIONS ZYCORE_STATIC_BUILD)
endif()
ZYCORE
fi

fetch zydis
build zydis "$sources/zydis" -DZYAN_SYSTEM_ZYCORE=ON -DZYDIS_BUILD_SHARED_LIB=OFF -DZYDIS_BUILD_TOOLS=OFF \
  -DZYDIS_BUILD_EXAMPLES=OFF -DZYDIS_BUILD_MAN=OFF -DZYDIS_BUILD_DOXYGEN=OFF

# MP3 sound of movies. The library only: no output modules, no programs.
fetch mpg123
build mpg123 "$sources/mpg123/ports/cmake" -DBUILD_PROGRAMS=OFF -DBUILD_LIBOUT123=OFF \
  -DNETWORK=OFF -DNO_MOREINFO=ON

build googletest /usr/src/googletest -Dgtest_disable_pthreads=OFF -DINSTALL_GTEST=ON

# Examples and tools the libraries install are not needed.
rm -rf "$prefix/bin" "$prefix/share/doc" "$prefix/share/man"
