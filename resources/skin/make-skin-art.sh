#!/usr/bin/env bash
# Draws the default skin's pictures with ImageMagick into OUTDIR. Run by the
# build before skinc compiles skin.json; nothing drawn here is kept in the
# repository.
#   windows.bmp  window frames (active, inactive), caption buttons, menus
#   button.bmp   check boxes, edit border, group box, progress bar
# Magenta (#FF00FF) is the skin's transparent colour: frame corners are cut
# with it, so every shape that touches it is drawn without anti-aliasing
# (a blended edge would leave a pink fringe that no region removes).
#   make-skin-art.sh OUTDIR
set -euo pipefail
out=$1
mkdir -p "$out"

key='#FF00FF'
face='#F0F2F5'      # dialog client
caption='#F7F8FA'   # caption and border band
accent='#3A6EA5'    # active outline, selections
idle='#AEB8C6'      # inactive outline, control borders
ink='#3C4654'       # glyphs
dim='#B4BCC8'       # disabled glyphs

mvg=$(mktemp)
glyphs=$(mktemp)
trap 'rm -f "$mvg" "$glyphs"' EXIT

# ---- windows.bmp (240 x 216) ----

# A 120 x 72 frame at (0, Y): rounded outline, caption band, client face.
frame() { # Y OUTLINE
  local y=$1 line=$2
  cat >>"$mvg" <<MVG
fill '$caption' stroke '$line' stroke-width 1 roundrectangle 0,$y 119,$((y + 71)) 6,6
fill '$face' stroke none rectangle 5,$((y + 30)) 114,$((y + 65))
fill '#E3E7ED' rectangle 5,$((y + 29)) 114,$((y + 29))
MVG
}
: >"$mvg"
frame 0 "$accent"
frame 72 "$idle"

# Caption buttons, 28 x 22: rows close, maximise, restore, minimise at x = 128;
# columns normal, hot, pressed, disabled.
button_cell() { # X Y BACKGROUND
  echo "fill '$3' stroke none rectangle $1,$2 $(($1 + 27)),$(($2 + 21))" >>"$mvg"
}
glyph() { # KIND X Y COLOUR   (centre of the cell)
  local kind=$1 x=$(($2 + 14)) y=$(($3 + 11)) c=$4
  case $kind in
    close) echo "stroke '$c' stroke-width 1.4 fill none line $((x - 5)),$((y - 5)) $((x + 5)),$((y + 5)) line $((x + 5)),$((y - 5)) $((x - 5)),$((y + 5))" ;;
    max) echo "stroke '$c' stroke-width 1.2 fill none rectangle $((x - 5)),$((y - 5)) $((x + 5)),$((y + 5))" ;;
    restore) echo "stroke '$c' stroke-width 1.2 fill none rectangle $((x - 5)),$((y - 2)) $((x + 3)),$((y + 6)) polyline $((x - 2)),$((y - 2)) $((x - 2)),$((y - 5)) $((x + 6)),$((y - 5)) $((x + 6)),$((y + 3)) $((x + 3)),$((y + 3))" ;;
    min) echo "stroke '$c' stroke-width 1.2 fill none line $((x - 5)),$((y + 3)) $((x + 5)),$((y + 3))" ;;
  esac >>"$glyphs"
}
row=0
for kind in close max restore min; do
  y=$((row * 22))
  if [ $kind = close ]; then hot='#E81123'; pressed='#B50E1C'; hotink='#FFFFFF'
  else hot='#E5E9EF'; pressed='#D3D9E2'; hotink='#1F2A37'; fi
  button_cell 128 $y "$caption"; glyph $kind 128 $y "$ink"
  button_cell 156 $y "$hot";     glyph $kind 156 $y "$hotink"
  button_cell 184 $y "$pressed"; glyph $kind 184 $y "$hotink"
  button_cell 212 $y "$caption"; glyph $kind 212 $y "$dim"
  row=$((row + 1))
done

# The window icon (16 x 16 at 128,88): a rounded tile with a four-point spark.
cat >>"$mvg" <<MVG
fill '$caption' rectangle 128,88 143,103
fill '$accent' stroke none roundrectangle 128,88 143,103 3,3
MVG
echo "fill '#FFFFFF' stroke none polygon 136,90 137.6,94.4 142,96 137.6,97.6 136,102 134.4,97.6 130,96 134.4,94.4" >>"$glyphs"

# Popup menu frame (40 x 40 at 0,144), highlighted item (40 x 22 at 48,144),
# separator (40 x 6 at 48,170), submenu arrow (8 x 8 at 96,144),
# check mark (12 x 12 at 96,156), MDI client patch (16 x 16 at 0,192).
cat >>"$mvg" <<MVG
fill '#FFFFFF' stroke '#C5CCD6' stroke-width 1 rectangle 0,144 39,183
fill '#FFFFFF' stroke none rectangle 48,144 87,175
fill '#E3ECF8' stroke '#AFC6E6' roundrectangle 48,144 87,165 3,3
fill '#E1E5EB' stroke none rectangle 48,172 87,172
fill '#FFFFFF' rectangle 96,144 103,151
fill '#FFFFFF' rectangle 96,156 107,167
fill '#8E99A8' rectangle 0,192 15,207
MVG
cat >>"$glyphs" <<MVG
fill '$ink' stroke none polygon 98,145 102,148 98,151
stroke '$accent' stroke-width 1.8 fill none polyline 98,162 101,165 106,158
MVG

convert -size 240x216 "xc:$key" +antialias -draw "$(cat "$mvg")" -antialias -draw "$(cat "$glyphs")" \
  -type TrueColor "BMP3:$out/windows.bmp"

# ---- button.bmp (128 x 64) ----

: >"$mvg"
: >"$glyphs"
echo "fill '$face' stroke none rectangle 0,0 127,63" >>"$mvg"
# Check boxes, 15 x 15 at (16 i, 0): normal, selected, disabled, grayed normal,
# grayed selected, highlighted normal, highlighted selected.
box() { # INDEX FILL BORDER TICK
  local x=$(($1 * 16))
  echo "fill '$2' stroke '$3' stroke-width 1 roundrectangle $x,0 $((x + 14)),14 2,2" >>"$mvg"
  [ -n "$4" ] && echo "stroke '$4' stroke-width 2 fill none polyline $((x + 3)),7 $((x + 6)),10 $((x + 11)),4" >>"$glyphs"
  return 0
}
box 0 '#FFFFFF' '#8A96A6' ''
box 1 "$accent" "$accent" '#FFFFFF'
box 2 '#E9ECF0' '#C3CAD3' ''
box 3 '#E9ECF0' "$idle" ''
box 4 '#C3CAD3' "$idle" '#FFFFFF'
box 5 '#FFFFFF' "$accent" ''
box 6 '#4F85C2' '#4F85C2' '#FFFFFF'
# Edit border (24 x 24 at 0,20), group box frame (24 x 24 at 32,20), group box
# caption (16 x 16 at 64,20), progress track (40 x 14 at 0,48) and progress
# block (12 x 14 at 48,48: a 2-pixel track rim around an 8-pixel bar).
cat >>"$mvg" <<MVG
fill '#FFFFFF' stroke '$idle' stroke-width 1 roundrectangle 0,20 23,43 3,3
fill none stroke '#C9D0DA' roundrectangle 32,20 55,43 4,4
fill '#E3E7ED' stroke '#C3CBD6' roundrectangle 0,48 39,61 4,4
fill '#E3E7ED' stroke none rectangle 48,48 59,61
MVG
cat >>"$glyphs" <<MVG
fill '#4A8BE0' stroke none rectangle 50,50 57,54
fill '#2F6FC4' rectangle 50,55 57,59
MVG
convert -size 128x64 "xc:$face" +antialias -draw "$(cat "$mvg")" -antialias -draw "$(cat "$glyphs")" \
  -type TrueColor "BMP3:$out/button.bmp"
