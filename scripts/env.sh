# Shared locations for the scripts; sourced, not run.
#
# Two Windows builds exist: win32 (i686, the programs we ship) and win64
# (x86_64). Some machines cannot run 32-bit x86 code at all, and there only
# 64-bit Wine works; the Wine tests and the demo then use the win64 build.
#   GLINT_WIN64=1   takes the 64-bit path on any machine
#   GLINT_WINE_BUILD  win32 or win64: the build that runs under Wine here
GLINT_TOP=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export GLINT_CACHE=${GLINT_CACHE:-/var/cache/glintbox}
export GLINT_BUILD=${GLINT_BUILD:-$GLINT_TOP/build}
export GLINT_LOCPATH=${GLINT_LOCPATH:-$GLINT_CACHE/locale}

# glint_deps_prefix BUILD: where the cross-built libraries of win32 or win64 live.
glint_deps_prefix() { echo "$GLINT_CACHE/$1-prefix"; }
# glint_win_arch BUILD: the processor of win32 or win64 (names cmake/mingw-ARCH.cmake).
glint_win_arch() {
  case $1 in
    win32) echo i686 ;;
    win64) echo x86_64 ;;
    *) echo "say win32 or win64, not '$1'" >&2; return 2 ;;
  esac
}

# Whether the kernel runs 32-bit x86 code: a 96-byte static ELF32 program that
# only calls exit(42) through int 0x80. Needs no 32-bit library, so it answers
# the same before and after the packages are installed.
glint_runs_x86_32() {
  local probe status
  mkdir -p "$GLINT_BUILD"
  probe=$(mktemp "$GLINT_BUILD/.probe-x86-32.XXXXXX")
  local elf=
  elf+='\177ELF\001\001\001\000\000\000\000\000\000\000\000\000'       # identity: 32-bit, little-endian
  elf+='\002\000\003\000\001\000\000\000\124\200\004\010\064\000\000\000' # executable, i386, entry, program headers
  elf+='\000\000\000\000\000\000\000\000\064\000\040\000\001\000\000\000\000\000\000\000'
  elf+='\001\000\000\000\000\000\000\000\000\200\004\010\000\200\004\010' # one loaded segment: the file
  elf+='\140\000\000\000\140\000\000\000\005\000\000\000\000\020\000\000'
  elf+='\270\001\000\000\000\273\052\000\000\000\315\200'                 # mov eax,1; mov ebx,42; int 0x80
  printf "$elf" > "$probe"
  chmod +x "$probe"
  status=0
  "$probe" 2>/dev/null || status=$?
  rm -f "$probe"
  [ "$status" -eq 42 ]
}

if [ -z "${GLINT_WINE_BUILD:-}" ]; then
  if [ "${GLINT_WIN64:-0}" = 1 ]; then
    GLINT_WINE_BUILD=win64
    GLINT_WINE_REASON="forced by GLINT_WIN64=1"
  elif glint_runs_x86_32; then
    GLINT_WINE_BUILD=win32
    GLINT_WINE_REASON="this machine runs 32-bit x86 code"
  else
    GLINT_WINE_BUILD=win64
    GLINT_WINE_REASON="this machine cannot run 32-bit x86 code"
  fi
  export GLINT_WINE_BUILD GLINT_WINE_REASON
fi

# Wine: a prefix of our own per width, quiet, no Mono or Gecko prompts.
if [ "$GLINT_WINE_BUILD" = win64 ]; then
  export WINEARCH=win64
  export WINEPREFIX=$GLINT_BUILD/wineprefix64
  # Debian's wine commands pick the 32-bit loader; these pick the 64-bit one.
  case ":$PATH:" in
    *":$GLINT_TOP/scripts/wine64:"*) ;;
    *) export PATH="$GLINT_TOP/scripts/wine64:$PATH" ;;
  esac
else
  export WINEARCH=win32
  export WINEPREFIX=$GLINT_BUILD/wineprefix
fi
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-"mscoree,mshtml="}

# glint_say_path: one line that names the path this run takes.
glint_say_path() {
  echo "Wine path: $GLINT_WINE_BUILD programs under $([ "$GLINT_WINE_BUILD" = win64 ] && echo 64 || echo 32)-bit Wine ($GLINT_WINE_REASON)"
}

# glint_start_wine: a wineserver and Wine's background services up before the
# tests, so that ctest does not wait on them; says what to do when Wine cannot start.
glint_start_wine() {
  wineserver -p 2>/dev/null || true  # exits with 2 when one already runs
  if ! wine cmd /c exit >/dev/null 2>&1; then
    echo "wine: 'wine cmd /c exit' failed in $WINEPREFIX ($GLINT_WINE_BUILD)." >&2
    if [ "$GLINT_WINE_BUILD" = win32 ]; then
      echo "wine: try the 64-bit path with GLINT_WIN64=1, or reinstall wine32:i386." >&2
    else
      echo "wine: is the package wine64 installed? Delete $WINEPREFIX to make it again." >&2
    fi
    return 1
  fi
}
glint_stop_wine() { wineserver -k >/dev/null 2>&1 || true; }
