#!/bin/sh
# glintimg decode of BMP files written by ImageMagick and netpbm gives the
# pixels that ImageMagick reads from the original file. (16-bit files are
# checked field by field in unit_image_tools: tools widen 5-bit values by
# rounding, our decoder by shifting.)
# usage: glintimg_decode_variants.sh GLINTIMG
set -eu
glintimg=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
cd "$dir"

convert -seed 11 -size 53x29 xc: +noise Random -depth 8 noise.ppm
convert noise.ppm \( +clone -fx 'i/w' \) -alpha off -compose copy_opacity -composite alpha.png
convert -size 53x29 gradient:red-blue -fill lime -draw 'rectangle 10,5 40,20' -depth 8 flat.ppm

convert noise.ppm -monochrome BMP3:im1.bmp
convert noise.ppm -colors 16 BMP3:im4.bmp
convert noise.ppm -colors 200 -compress None BMP3:im8.bmp
convert flat.ppm -colors 40 -compress RLE BMP3:imrle8.bmp
convert noise.ppm BMP3:im24.bmp
convert alpha.png BMP:im32v5.bmp
convert alpha.png -define bmp3:alpha=true BMP3:im32.bmp
convert noise.ppm -monochrome ppm:- | ppmtobmp -bpp=1 > nb1.bmp 2>/dev/null
convert noise.ppm -colors 16 ppm:- | ppmtobmp -bpp=4 > nb4.bmp 2>/dev/null
convert noise.ppm -colors 16 ppm:- | ppmtobmp -bpp=8 > nb8.bmp 2>/dev/null
ppmtobmp -bpp=24 < noise.ppm > nb24.bmp 2>/dev/null
convert noise.ppm -colors 16 ppm:- | ppmtobmp -os2 -bpp=4 > os2_4.bmp 2>/dev/null
ppmtobmp -os2 -bpp=24 < noise.ppm > os2_24.bmp 2>/dev/null

passed=0
failed=0
for f in *.bmp; do
    "$glintimg" decode "$f" "out-$f"
    convert "$f" -depth 8 rgb:expected.rgb
    convert "out-$f" -depth 8 rgb:got.rgb
    if cmp -s expected.rgb got.rgb; then
        passed=$((passed + 1))
    else
        echo "DIFFERENT: $f"
        failed=$((failed + 1))
    fi
done
# Bad input: a clear message and a non-zero exit, never a crash.
printf 'BM not really a bitmap' > bad.bmp
if "$glintimg" decode bad.bmp out.bmp 2> err.txt; then
    echo "DIFFERENT: glintimg accepted a bad file"; failed=$((failed + 1))
elif ! grep -q "cannot decode bad.bmp" err.txt; then
    echo "DIFFERENT: unclear message: $(cat err.txt)"; failed=$((failed + 1))
else
    passed=$((passed + 1))
fi
echo "glintimg decode: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
