#!/usr/bin/env bash
# Draws the pictures of the Slate skin (slate.json) with ImageMagick into
# OUTDIR. Run by the build before skinc compiles slate.json; nothing drawn here
# is kept in the repository.
#   slate-frame.bmp     window frames (active, inactive), caption buttons, the
#                       badge image element, menus
#   slate-controls.bmp  every control kind: boxes, buttons, edit borders, bars,
#                       tabs, arrows, headers
# Magenta (#FF00FF) is the skin's transparent colour: the frame's round
# corners are cut with it, so shapes that touch it are drawn without
# anti-aliasing (a blended edge would leave a pink fringe no region removes).
#   make-slate-art.sh OUTDIR
set -euo pipefail
out=$1
mkdir -p "$out"

key='#FF00FF'
caption='#263445'     # active caption and border band
idle='#5B6675'        # inactive caption and border band
accent='#19A7A0'      # teal: active outline, selections
line='#3F4E60'        # inactive outline
face='#D9E1E8'        # dialog client
glyph='#E8EEF3'       # caption glyphs
dim='#7D8896'         # disabled glyphs
ink='#1E2833'         # control glyphs
field='#F7F9FB'       # edit fields

mvg=$(mktemp)
glyphs=$(mktemp)
trap 'rm -f "$mvg" "$glyphs"' EXIT

# ---- slate-frame.bmp (320 x 256) ----
: >"$mvg"
: >"$glyphs"

# A 200 x 80 frame at (0, Y): caption 28 rows with a teal rule under it,
# 4-pixel borders, corners rounded with radius 8.
frame() { # Y BAND OUTLINE RULE
  local y=$1
  cat >>"$mvg" <<MVG
fill '$2' stroke '$3' stroke-width 1 roundrectangle 0,$y 199,$((y + 79)) 8,8
fill '$4' stroke none rectangle 4,$((y + 26)) 195,$((y + 27))
fill '$face' stroke none rectangle 4,$((y + 28)) 195,$((y + 75))
MVG
}
frame 0 "$caption" "$accent" "$accent"
frame 80 "$idle" "$line" "$line"

# Caption buttons, 24 x 20 cells at x = 200 + 24 * column (normal, hot,
# pressed, disabled); rows: close, maximise, restore, minimise, help, menu.
cell() { # X Y COLOUR
  echo "fill '$3' stroke none roundrectangle $1,$2 $(($1 + 23)),$(($2 + 19)) 3,3" >>"$mvg"
}
mark() { # KIND X Y COLOUR   (centre of the cell)
  local x=$(($2 + 12)) y=$(($3 + 10)) c=$4
  case $1 in
    close) echo "stroke '$c' stroke-width 1.6 fill none line $((x - 4)),$((y - 4)) $((x + 4)),$((y + 4)) line $((x + 4)),$((y - 4)) $((x - 4)),$((y + 4))" ;;
    max) echo "stroke '$c' stroke-width 1.4 fill none rectangle $((x - 4)),$((y - 4)) $((x + 4)),$((y + 4))" ;;
    restore) echo "stroke '$c' stroke-width 1.2 fill none rectangle $((x - 4)),$((y - 1)) $((x + 2)),$((y + 5)) polyline $((x - 1)),$((y - 1)) $((x - 1)),$((y - 4)) $((x + 5)),$((y - 4)) $((x + 5)),$((y + 2)) $((x + 2)),$((y + 2))" ;;
    min) echo "stroke '$c' stroke-width 1.6 fill none line $((x - 4)),$((y + 3)) $((x + 4)),$((y + 3))" ;;
    help) echo "stroke '$c' stroke-width 1.5 fill none path 'M $((x - 3)),$((y - 2)) Q $((x - 3)),$((y - 5)) $x,$((y - 5)) Q $((x + 3)),$((y - 5)) $((x + 3)),$((y - 2)) Q $((x + 3)),$y $x,$((y + 1)) L $x,$((y + 2))' fill '$c' stroke none rectangle $((x - 1)),$((y + 4)) $((x + 1)),$((y + 6))" ;;
    menu) echo "stroke '$c' stroke-width 1.6 fill none polyline $((x - 4)),$((y - 2)) $x,$((y + 2)) $((x + 4)),$((y - 2))" ;;
  esac >>"$glyphs"
}
row=0
for kind in close max restore min help menu; do
  y=$((row * 20))
  if [ $kind = close ]; then hot='#D9434E'; pressed='#A8323B'
  else hot='#36485C'; pressed='#19A7A0'; fi
  cell 200 $y "$caption"; mark $kind 200 $y "$glyph"
  cell 224 $y "$hot";     mark $kind 224 $y '#FFFFFF'
  cell 248 $y "$pressed"; mark $kind 248 $y '#FFFFFF'
  cell 272 $y "$caption"; mark $kind 272 $y "$dim"
  row=$((row + 1))
done

# The window icon (16 x 16 at 296,0) and the badge image element (16 x 16 at
# 296,20): a teal diamond on the caption colour.
cat >>"$mvg" <<MVG
fill '$caption' stroke none rectangle 296,0 311,15
fill '$accent' roundrectangle 296,0 311,15 4,4
fill '$caption' rectangle 296,20 311,35
fill '$accent' polygon 303,21 310,28 303,35 296,28
fill '$caption' polygon 303,25 306,28 303,31 300,28
MVG

# Popup menu frame (40 x 40 at 0,160), highlighted item (40 x 22 at 48,160),
# separator (40 x 6 at 48,186), submenu arrow (8 x 8 at 96,160), check mark
# (12 x 12 at 96,172), MDI client patch (16 x 16 at 0,208).
cat >>"$mvg" <<MVG
fill '$field' stroke '$line' stroke-width 1 rectangle 0,160 39,199
fill '$field' stroke none rectangle 48,160 87,191
fill '#BFE6E3' stroke '$accent' roundrectangle 48,160 87,181 3,3
fill '#C5CFD9' stroke none rectangle 48,188 87,188
fill '$field' rectangle 96,160 103,167
fill '$field' rectangle 96,172 107,183
fill '#4A5868' rectangle 0,208 15,223
MVG
cat >>"$glyphs" <<MVG
fill '$ink' stroke none polygon 98,161 102,164 98,167
stroke '$accent' stroke-width 1.8 fill none polyline 98,178 101,181 106,174
MVG

convert -size 320x256 "xc:$key" +antialias -draw "$(cat "$mvg")" -antialias -draw "$(cat "$glyphs")" \
  -type TrueColor "BMP3:$out/slate-frame.bmp"

# ---- slate-controls.bmp (256 x 200) ----
: >"$mvg"
: >"$glyphs"

# Check boxes (row 0) and radio buttons (row 16), 15 x 15 at x = 16 i: normal,
# selected, disabled, grayed normal, grayed selected, highlighted normal,
# highlighted selected.
box() { # INDEX FILL BORDER TICK
  local x=$(($1 * 16))
  echo "fill '$2' stroke '$3' stroke-width 1 roundrectangle $x,0 $((x + 14)),14 3,3" >>"$mvg"
  [ -n "$4" ] && echo "stroke '$4' stroke-width 2 fill none polyline $((x + 3)),7 $((x + 6)),10 $((x + 11)),4" >>"$glyphs"
  return 0
}
dot() { # INDEX FILL BORDER DOT
  local x=$(($1 * 16 + 7))
  echo "fill '$2' stroke '$3' stroke-width 1 circle $x,23 $x,30" >>"$glyphs"
  [ -n "$4" ] && echo "fill '$4' stroke none circle $x,23 $x,26" >>"$glyphs"
  return 0
}
n=0
for look in "$field|#6B7888|" "$accent|$accent|#FFFFFF" "#E6EAEE|#B4BEC9|" "#E6EAEE|$idle|" \
            "#B4BEC9|$idle|#FFFFFF" "$field|$accent|" "#23BDB5|#23BDB5|#FFFFFF"; do
  IFS='|' read -r fill border mark <<<"$look"
  box $n "$fill" "$border" "$mark"
  dot $n "$fill" "$border" "$mark"
  n=$((n + 1))
done

# Push button states, 40 x 22 at (40 i, 32): normal, pressed, default,
# focused, highlighted, disabled.
button() { # INDEX FILL BORDER
  local x=$(($1 * 40))
  echo "fill '$2' stroke '$3' stroke-width 1 roundrectangle $x,32 $((x + 39)),53 4,4" >>"$mvg"
}
button 0 '#E9EEF2' '#8391A1'
button 1 '#B7C3CF' '#4A5868'
button 2 '#E9EEF2' "$accent"
button 3 '#E9EEF2' '#23BDB5'
button 4 '#F5F8FA' "$accent"
button 5 '#E1E5E9' '#B4BEC9'

# Edit border (24 x 24 at 0,56), group box frame (24 x 24 at 24,56), group box
# caption (16 x 16 at 48,56), progress track (40 x 14 at 64,56), progress block
# (12 x 14 at 104,56), combo thumbs (17 x 20 at 120 + 17 i, 56: normal,
# pressed, hovered, disabled).
cat >>"$mvg" <<MVG
fill '$field' stroke '#7D8A99' stroke-width 1 roundrectangle 0,56 23,79 3,3
fill none stroke '#8E9BAA' roundrectangle 24,56 47,79 5,5
fill '$face' stroke none rectangle 48,56 63,71
fill '#C5CFD9' stroke '#8E9BAA' roundrectangle 64,56 103,69 5,5
fill '#C5CFD9' stroke none rectangle 104,56 115,69
fill '#23BDB5' rectangle 106,58 113,67
fill '#E9EEF2' stroke '#8391A1' rectangle 120,56 136,75
fill '#B7C3CF' stroke '#4A5868' rectangle 137,56 153,75
fill '#F5F8FA' stroke '$accent' rectangle 154,56 170,75
fill '#E1E5E9' stroke '#B4BEC9' rectangle 171,56 187,75
MVG
for i in 0 1 2 3; do
  x=$((120 + 17 * i + 8))
  c=$ink; [ $i = 3 ] && c=$dim
  echo "fill '$c' stroke none polygon $((x - 4)),64 $((x + 4)),64 $x,69" >>"$glyphs"
done

# Scroll bar, 16 x 16 cells on row 82: arrow 1 and arrow 2 of each state
# (normal, pressed, highlighted, disabled) at x = 32 i and 32 i + 16; track at
# 128; thumbs of the four states at 144, 160, 176, 192; gripper at 208; the
# pressed track at 224 and the disabled one at 240. A horizontal bar shows
# the same pictures turned (the up arrow points left).
# A row of arrow cells 16 wide and H high at y = Y: for each state (FILL|GLYPH)
# an up arrow at x = 32 i and a down arrow at 32 i + 16.
arrow_row() { # Y H LOOK...
  local y=$1 h=$2 i=0 look fill g x mid top bottom half
  shift 2
  top=$((y + h / 4 + 1)); bottom=$((y + h - h / 4 - 2)); half=$(((h + 2) / 4))
  for look in "$@"; do
    IFS='|' read -r fill g <<<"$look"
    for x in $((32 * i)) $((32 * i + 16)); do
      echo "fill '$fill' stroke '#8391A1' stroke-width 1 rectangle $x,$y $((x + 15)),$((y + h - 1))" >>"$mvg"
      mid=$((x + 8))
      if [ $x = $((32 * i)) ]; then echo "fill '$g' stroke none polygon $((mid - half)),$bottom $((mid + half)),$bottom $mid,$top"
      else echo "fill '$g' stroke none polygon $((mid - half)),$top $((mid + half)),$top $mid,$bottom"; fi >>"$glyphs"
    done
    i=$((i + 1))
  done
}
arrow_row 82 16 "#E9EEF2|$ink" "#B7C3CF|$ink" "#F5F8FA|$accent" "#E1E5E9|$dim"
cat >>"$mvg" <<MVG
fill '#C9D2DB' stroke none rectangle 128,82 143,97
fill '#8391A1' stroke '#5B6675' roundrectangle 144,82 159,97 3,3
fill '#4A5868' stroke '#263445' roundrectangle 160,82 175,97 3,3
fill '$accent' stroke '#14857F' roundrectangle 176,82 191,97 3,3
fill '#C5CFD9' stroke '#B4BEC9' roundrectangle 192,82 207,97 3,3
fill '$face' stroke none rectangle 208,82 223,97
fill '#A9B5C2' stroke none rectangle 224,82 239,97
fill '#E1E5E9' stroke none rectangle 240,82 255,97
MVG
for d in 0 4 8; do
  echo "fill '#8391A1' stroke none rectangle $((211 + d)),$((94 - d)) $((212 + d)),$((95 - d))" >>"$glyphs"
done

# Trackbar: channel (40 x 6 at 0,100), horizontal thumb (11 x 18 at 40,100),
# vertical thumb (18 x 11 at 52,100), background (16 x 16 at 72,100).
cat >>"$mvg" <<MVG
fill '#B7C3CF' stroke '#6B7888' roundrectangle 0,100 39,105 2,2
fill '$accent' stroke '#14857F' polygon 40,100 50,100 50,112 45,117 40,112
fill '$accent' stroke '#14857F' polygon 52,100 64,100 69,105 64,110 52,110
fill '$face' stroke none rectangle 72,100 87,115
MVG

# Tabs, 40 x 22 at (40 i, 120): normal, pressed (selected), disabled,
# hovered; tab frame (24 x 24 at 160,120); tab background (16 x 16 at 184,120).
tab() { # INDEX FILL BORDER
  local x=$(($1 * 40))
  echo "fill '$2' stroke '$3' stroke-width 1 roundrectangle $x,120 $((x + 39)),145 4,4" >>"$mvg"
  echo "fill '$2' stroke none rectangle $((x + 1)),138 $((x + 38)),141" >>"$mvg"
}
tab 0 '#C9D2DB' '#8391A1'
tab 1 "$face" "$accent"
tab 2 '#E1E5E9' '#B4BEC9'
tab 3 '#E4EBF0' '#23BDB5'
cat >>"$mvg" <<MVG
fill '$face' stroke '#8391A1' rectangle 160,120 183,143
fill '$face' stroke none rectangle 184,120 199,135
MVG

# Up-down, 16 x 10 at (32 i, 146) up and (32 i + 16, 146) down for normal,
# hover, pressed, disabled; status bar background (24 x 18 at 128,146) and
# item (24 x 18 at 152,146); header background (24 x 18 at 176,146) and item
# (24 x 18 at 200,146).
arrow_row 146 10 "#E9EEF2|$ink" "#F5F8FA|$accent" "#B7C3CF|$ink" "#E1E5E9|$dim"
cat >>"$mvg" <<MVG
fill '$caption' stroke none rectangle 128,146 151,163
fill '#36485C' stroke '#4A5868' rectangle 152,146 175,163
fill '#C9D2DB' stroke none rectangle 176,146 199,163
fill '#E9EEF2' stroke '#8391A1' rectangle 200,146 223,163
MVG

# Toolbar grids (24 x 24 at 24 i, 168: background, normal, hot, pressed,
# checked), rebar background (24 x 24 at 120,168) and band (24 x 24 at
# 144,168), animation border (24 x 24 at 168,168), list background patch
# (16 x 16 at 192,168).
cat >>"$mvg" <<MVG
fill '#C9D2DB' stroke none rectangle 0,168 23,191
fill '#C9D2DB' stroke none rectangle 24,168 47,191
fill '#E4EBF0' stroke '#23BDB5' roundrectangle 48,168 71,191 3,3
fill '#B7C3CF' stroke '#4A5868' roundrectangle 72,168 95,191 3,3
fill '#BFE6E3' stroke '$accent' roundrectangle 96,168 119,191 3,3
fill '#C9D2DB' stroke none rectangle 120,168 143,191
fill '#D9E1E8' stroke '#8391A1' roundrectangle 144,168 167,191 3,3
fill '$field' stroke '#4A5868' rectangle 168,168 191,191
fill '$field' stroke none rectangle 192,168 207,183
MVG

convert -size 256x200 "xc:$face" +antialias -draw "$(cat "$mvg")" -antialias -draw "$(cat "$glyphs")" \
  -type TrueColor "BMP3:$out/slate-controls.bmp"
