# Shared by the image seed scripts; sourced, not run. Makes small source
# pictures in a scratch folder ($work) that the scripts turn into seeds.
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
. "$here/../../../scripts/env.sh"
corpus=${GLINT_CORPUS_DIR:-$GLINT_TOP/../shared/corpus}
[ -d "$corpus" ] || corpus=/work/shared/corpus

# seeds_begin OUT: false when OUT is already seeded.
seeds_begin() {
  [ -f "$1/.seeded" ] && return 1
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
  convert -seed 7 -size 13x9 plasma:fractal "$work/base.ppm"
  convert "$work/base.ppm" -alpha set -channel A -fx 'i/w' +channel "$work/alpha.png"
}
# seed_magick OUT NAME OPTIONS... [PREFIX:]: the base picture written by ImageMagick.
seed_magick() {
  local out=$1 name=$2; shift 2
  local prefix=
  case "${*: -1}" in *:) prefix=${*: -1}; set -- "${@:1:$#-1}" ;; esac
  convert "$work/base.ppm" "$@" "$prefix$out/$name"
}
seeds_end() { touch "$1/.seeded"; }
