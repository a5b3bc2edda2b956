#!/bin/sh
# glintimg info and decode on BMP, GIF, icon, PCX, TGA and WBMP files written
# by ImageMagick: the format is named, the decoded BMP holds the pixels
# ImageMagick reads, frames are chosen with --frame, and a metafile in this
# build without GDI, a missing frame or a damaged file end in a message and a
# non-zero exit.
# usage: glintimg_codecs.sh GLINTIMG
set -eu
glintimg=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
cd "$dir"
fail() { echo "FAIL: $*" >&2; exit 1; }

convert -seed 4 -size 31x17 plasma:fractal base.ppm
convert base.ppm -colors 64 a.gif
convert -delay 5 base.ppm \( base.ppm -negate \) -colors 64 anim.gif
convert base.ppm -resize 16x16! b.ico
convert base.ppm pcx:c.pcx
convert base.ppm -compress RLE tga:d.tga
convert base.ppm -monochrome wbmp:e.wbmp
convert base.ppm -colors 40 -compress RLE BMP3:f.bmp

for pair in a.gif:GIF b.ico:ICO c.pcx:PCX d.tga:TGA e.wbmp:WBMP f.bmp:BMP; do
  file=${pair%%:*}; format=${pair##*:}
  "$glintimg" info "$file" > info.txt || fail "info $file"
  grep -q "^format: $format\$" info.txt || fail "info $file does not say $format: $(cat info.txt)"
  "$glintimg" decode "$file" out.bmp || fail "decode $file"
  # TGA origins are attributes for ImageMagick until it applies them.
  convert "$file" -auto-orient -depth 8 rgb:theirs.rgb
  convert out.bmp -depth 8 rgb:ours.rgb
  cmp -s ours.rgb theirs.rgb || fail "decode $file: pixels differ from ImageMagick's"
done

"$glintimg" info anim.gif | grep -q '^frames: 2$' || fail "anim.gif has 2 frames"
"$glintimg" decode anim.gif f1.bmp --frame 1 || fail "decode --frame 1"
convert 'anim.gif[1]' -depth 8 rgb:theirs.rgb
convert f1.bmp -depth 8 rgb:ours.rgb
cmp -s ours.rgb theirs.rgb || fail "frame 1 differs"
if "$glintimg" decode anim.gif f2.bmp --frame 2 2> err.txt; then fail "frame 2 of 2 decoded"; fi
grep -q 'cannot decode' err.txt || fail "no message for a missing frame"

# A placeable metafile header: this build has no GDI to play it.
printf '\327\315\306\232\000\000\000\000\000\000\240\005\240\005\240\005\000\000\000\000\000\000' > m.wmf
head -c 100 /dev/zero >> m.wmf
if "$glintimg" info m.wmf 2> err.txt; then fail "a metafile was read without GDI"; fi
grep -q 'GDI' err.txt || fail "no GDI message for a metafile: $(cat err.txt)"

head -c 40 c.pcx > cut.pcx
if "$glintimg" info cut.pcx 2> err.txt; then fail "a cut PCX was read"; fi
grep -q 'cannot decode' err.txt || fail "no message for a cut PCX"
printf 'BM not really a bitmap' > bad.bmp
if "$glintimg" decode bad.bmp out.bmp 2> err.txt; then fail "a bad BMP was decoded"; fi
grep -q 'cannot decode bad.bmp' err.txt || fail "unclear message for a bad BMP: $(cat err.txt)"
echo "glintimg codecs: all checks passed"
