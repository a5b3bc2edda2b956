#!/usr/bin/env bash
# Creates the private Wine prefix of the build (never ~/.wine; one for 32-bit
# and one for 64-bit Wine, see scripts/env.sh) and the Korean locale files, once.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/env.sh"

# Korean runs need the glibc locale; it is made in the cache, not in the system.
if [ ! -d "$GLINT_LOCPATH/ko_KR.UTF-8" ]; then
  mkdir -p "$GLINT_LOCPATH"
  localedef -i ko_KR -f UTF-8 "$GLINT_LOCPATH/ko_KR.UTF-8" 2>/dev/null || [ -d "$GLINT_LOCPATH/ko_KR.UTF-8" ]
fi

# The prefix's settings; the marker's number grows with each new setting, so
# that prefixes made before it get it too.
apply_settings() {
  local marker=$WINEPREFIX/.glint-settings-2
  [ -f "$marker" ] && return 0
  # Without a window manager Wine must draw captions and frames itself.
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /d N /f >/dev/null 2>&1
  # Without a window manager Wine waits up to 2 s for one each time a managed
  # window is hidden; the test that opens a dialog 200 times does not wait.
  wine reg add 'HKCU\Software\Wine\AppDefaults\win32_skin_settings.exe\X11 Driver' /v Managed /d N /f \
    >/dev/null 2>&1
  wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v Gulim /d NanumGothic /f >/dev/null 2>&1
  wineserver -w
  touch "$marker"
}

if [ -f "$WINEPREFIX/.glint-ready" ]; then
  apply_settings
  exit 0
fi
mkdir -p "$WINEPREFIX"
echo "wine-prefix: creating $WINEPREFIX ($WINEARCH)"
log=$GLINT_BUILD/wineboot-$WINEARCH.log
if ! WINEDEBUG=err+all wineboot -i >"$log" 2>&1; then
  echo "wine-prefix: wineboot failed for $WINEARCH; the last lines of $log:" >&2
  tail -n 15 "$log" >&2
  if [ "$WINEARCH" = win32 ]; then
    echo "wine-prefix: if this machine cannot run 32-bit programs, run again with GLINT_WIN64=1" >&2
  else
    echo "wine-prefix: check that the package wine64 is installed (scripts/setup-system.sh)" >&2
  fi
  exit 1
fi
# Debian's Wine does not find the fonts of fonts-wine by itself (Tahoma, the
# dialog font, and Marlett, the caption buttons' glyphs): give the prefix copies.
if [ -d /usr/share/wine/fonts ]; then
  cp -n /usr/share/wine/fonts/*.ttf "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
fi
# As on Korean Windows, Tahoma borrows its Hangul from Gulim (Wine's font link);
# NanumGothic stands in for Gulim.
cp -n /usr/share/fonts/truetype/nanum/NanumGothic.ttf /usr/share/fonts/truetype/nanum/NanumGothicBold.ttf \
  "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
apply_settings
touch "$WINEPREFIX/.glint-ready"
