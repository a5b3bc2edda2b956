#!/usr/bin/env bash
# Seeds for the image fuzz targets, one format at a time: the small pictures
# of the corpus, and a small plasma picture written in the variants that
# ImageMagick, netpbm and OpenJPEG make (bit depths, palettes, compressions,
# interlacing, alpha), plus a few hand-written files.
#   tests/fuzz/seeds/image_seeds.sh FORMAT OUT     (fuzz_image_FORMAT.sh calls it)
set -euo pipefail
format=$1 out=$2
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../../../scripts/env.sh"
corpus=${GLINT_CORPUS_DIR:-$GLINT_TOP/../shared/corpus}
[ -d "$corpus" ] || corpus=/work/shared/corpus
[ -f "$out/.seeded" ] && exit 0
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
convert -seed 7 -size 13x9 plasma:fractal "$work/base.ppm"
convert "$work/base.ppm" -alpha set -channel A -fx 'i/w' +channel "$work/alpha.png"

# seed NAME OPTIONS... [PREFIX:]: the base picture written by ImageMagick.
seed() {
  local name=$1 prefix=; shift
  case "${*: -1}" in *:) prefix=${*: -1}; set -- "${@:1:$#-1}" ;; esac
  convert "$work/base.ppm" "$@" "$prefix$out/$name"
}
# from_corpus FOLDER FIND-TESTS...: the corpus pictures below 64 KB.
from_corpus() { local dir=$1; shift; find "$corpus/images/$dir" -type f -size -64k \( "$@" \) -exec cp {} "$out"/ \; ; }

case $format in
decode) # every codec through the trial order
  from_corpus . -name '*.bmp' -o -name '*.gif' -o -name '*.png' -o -name '*.jpg' -o -name '*.tif' -o -name '*.ico' ;;
gif)
  from_corpus gif -name '*.gif'
  seed c2.gif -colors 2; seed c16.gif -colors 16; seed inter.gif -colors 64 -interlace GIF; seed v87.gif -colors 8 gif87:
  convert -delay 5 "$work/base.ppm" \( "$work/base.ppm" -negate \) -colors 20 "$out/anim.gif"
  convert "$work/alpha.png" -channel A -threshold 50% +channel -colors 16 "$out/trans.gif" ;;
ico) # icons of 1, 4, 8 and 32 bits
  convert "$work/alpha.png" -resize 16x16! \( "$work/alpha.png" -resize 8x8! \) "$out/magick.ico"
  for n in 2 16 200; do
    pamcut 0 0 8 8 "$work/base.ppm" | pnmquant $n > "$work/q.ppm" 2>/dev/null
    ppmtowinicon "$work/q.ppm" > "$out/np$n.ico" 2>/dev/null
  done ;;
jp2 | jpc) # JP2 files or bare code streams: colour, grey, opacity, resolutions, layers
  ext=$([ "$format" = jp2 ] && echo jp2 || echo j2k)
  convert "$work/base.ppm" -depth 8 "$work/c.ppm"
  convert "$work/base.ppm" -colorspace gray -depth 8 "$work/g.pgm"
  convert "$work/alpha.png" -depth 8 "$work/a.png"
  opj_compress -n 2 -i "$work/c.ppm" -o "$out/colour.$ext" >/dev/null
  opj_compress -n 2 -i "$work/g.pgm" -o "$out/grey.$ext" >/dev/null
  opj_compress -n 2 -i "$work/a.png" -o "$out/alpha.$ext" >/dev/null
  opj_compress -n 2 -r 20,10 -i "$work/c.ppm" -o "$out/layers.$ext" >/dev/null
  opj_compress -n 2 -I -i "$work/c.ppm" -o "$out/irreversible.$ext" >/dev/null ;;
jpg) # libjpeg-turbo's pictures (baseline, progressive, arithmetic, 12-bit) and variants
  from_corpus jpeg -name '*.jpg'
  seed base.jpg -quality 80; seed grey.jpg -type grayscale; seed cmyk.jpg -colorspace CMYK
  seed prog.jpg -interlace JPEG; seed restart.jpg -define jpeg:restart-interval=1 ;;
pcx) # every plane and bit layout
  seed m24.pcx pcx:; seed m8.pcx -colors 50 -type palette pcx:; seed m1.pcx -monochrome pcx:
  ppmtopcx -24bit "$work/base.ppm" > "$out/n24.pcx" 2>/dev/null
  pnmquant 16 "$work/base.ppm" 2>/dev/null | ppmtopcx -planes 4 > "$out/p4.pcx" 2>/dev/null
  pnmquant 4 "$work/base.ppm" 2>/dev/null | ppmtopcx -packed > "$out/k2.pcx" 2>/dev/null ;;
pgx) # OpenJPEG's 8- and 16-bit output, and signed samples in both byte orders
  for d in 8 16; do
    convert "$work/base.ppm" -colorspace gray -depth $d "$work/g$d.pgm"
    opj_compress -n 2 -i "$work/g$d.pgm" -o "$work/g$d.j2k" >/dev/null
    opj_decompress -i "$work/g$d.j2k" -o "$out/grey$d.pgx" >/dev/null
  done
  printf 'PG LM - 12 2 2\n\001\010\377\017\000\000\000\010' >"$out/signed.pgx" ;;
png) # PngSuite: every colour type and bit depth, interlaced and not, transparency
  from_corpus png -name '*.png'
  seed alpha16.png -depth 16 -alpha on ;;
pnm) # P1-P6, 16-bit samples, comments
  seed raw.pbm -monochrome; seed plain.pbm -monochrome -compress none
  seed raw.pgm -colorspace gray -depth 8; seed plain.pgm -colorspace gray -compress none
  seed raw.ppm -depth 8; seed deep.ppm -depth 16; seed plain.ppm -compress none
  printf 'P2\n# comment\n3 2\n# another\n1000\n0 500 1000\n1 2 3\n' >"$out/comments.pgm" ;;
ras) # 1-, 8- and 24-bit files and a run-length one
  seed colour.ras SUN:; seed mapped.ras -colors 16 SUN:; seed mono.ras -monochrome SUN:
  printf '\131\246\152\225\000\000\000\003\000\000\000\002\000\000\000\010\000\000\000\007\000\000\000\002\000\000\000\000\000\000\000\000\005\200\004\007\200\000\011' >"$out/runs.ras" ;;
tga) # raw and run-length, true colour, colour-mapped and grey, with and without alpha
  seed raw.tga -compress none tga:; seed rle.tga -compress RLE tga:
  seed map.tga -colors 20 -type palette -compress RLE tga:; seed grey.tga -type grayscale -compress RLE tga:
  convert "$work/alpha.png" -compress RLE "tga:$out/alpha.tga"
  ppmtotga -cmap -norle < <(pnmquant 30 "$work/base.ppm" 2>/dev/null) > "$out/np.tga" 2>/dev/null ;;
tif) # libtiff's pictures (strips, tiles, palettes, fax, old JPEG, two pages) and variants
  from_corpus tiff -name '*.tif' -o -name '*.tiff'
  seed alpha.tif -alpha set -depth 8; seed lzw.tif -compress lzw
  seed tiled.tif -define tiff:tile-geometry=16x16; seed grey4.tif -colorspace gray -depth 4 ;;
wbmp) # one- and two-byte widths
  seed m.wbmp -monochrome wbmp:
  convert -size 200x3 xc:white -fill black -draw 'point 5,1' "wbmp:$out/wide.wbmp" ;;
*) echo "image_seeds: unknown format '$format'" >&2; exit 2 ;;
esac
touch "$out/.seeded"
