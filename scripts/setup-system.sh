#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need. Safe to run again:
# it only asks apt for what is missing.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config git dpkg-dev
  g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix binutils-mingw-w64-i686
  mingw-w64-i686-dev libz-mingw-w64-dev nasm
  g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 mingw-w64-x86-64-dev
  liblzo2-dev libjpeg62-turbo-dev libpng-dev libtiff-dev libopenjp2-7-dev zlib1g-dev libzydis-dev libzycore-dev
  libgtest-dev googletest
  clang libclang-rt-14-dev libstb-dev libcairo2-dev libjpeg-turbo-progs libtiff-tools libopenjp2-tools
  wine wine64 wine32:i386 xvfb xauth xdotool imagemagick netpbm x11-utils
  fonts-nanum fonts-wine fonts-dejavu-core libfreetype-dev locales time python3
  tesseract-ocr tesseract-ocr-eng tesseract-ocr-kor
  libmpg123-dev lame
)

if [ "$(id -u)" -ne 0 ]; then
  echo "setup-system: must run as root to install packages" >&2
  exit 1
fi

if ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
  apt_update_needed=1
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "setup-system: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
log=$(mktemp /tmp/glintbox-apt.XXXXXX)
if ! apt-get update -qq >"$log" 2>&1 || ! apt-get install -y -qq --no-install-recommends "${missing[@]}" >>"$log" 2>&1; then
  tail -n 20 "$log" >&2
  echo "setup-system: apt-get could not install the packages above (full output in $log);" >&2
  echo "setup-system: check the network and /etc/apt/sources.list.d, then run again" >&2
  exit 1
fi
rm -f "$log"
