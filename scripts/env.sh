# Shared locations for the scripts; sourced, not run.
GLINT_TOP=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export GLINT_CACHE=${GLINT_CACHE:-/var/cache/glintbox}
export GLINT_DEPS_PREFIX=${GLINT_DEPS_PREFIX:-$GLINT_CACHE/win32-prefix}
export GLINT_BUILD=${GLINT_BUILD:-$GLINT_TOP/build}
# Wine: a prefix of our own, quiet, no Mono or Gecko prompts.
export WINEPREFIX=${WINEPREFIX:-$GLINT_BUILD/wineprefix}
export WINEARCH=win32
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-"mscoree,mshtml="}
export GLINT_LOCPATH=${GLINT_LOCPATH:-$GLINT_CACHE/locale}
