#!/usr/bin/env bash
# Draws the programs' bitmaps and icons with ImageMagick into OUTDIR.
# Run by the build; nothing drawn here is kept in the repository.
#   make-art.sh OUTDIR
set -euo pipefail
out=$1
mkdir -p "$out/en" "$out/ko"
font=NanumBarunGothic-Bold   # Latin and Hangul in one face

# button W H FILL_TOP FILL_BOTTOM BORDER TEXT TEXT_COLOUR OFFSET OUT
# A rounded button on the dialog face colour with a soft vertical gradient.
button() {
  local w=$1 h=$2 top=$3 bottom=$4 border=$5 text=$6 ink=$7 offset=$8 file=$9
  local r=$(( h / 4 ))
  convert -size "${w}x${h}" xc:'#f0f0f0' \
    \( -size "$((w - 2))x$((h - 2))" gradient:"$top-$bottom" \) -geometry +1+1 -composite \
    \( -size "${w}x${h}" xc:black -fill white -draw "roundrectangle 1,1 $((w - 2)),$((h - 2)) $r,$r" \) \
    -alpha off -compose copy_opacity -composite -background '#f0f0f0' -compose over -flatten \
    -fill none -stroke "$border" -strokewidth 1 -draw "roundrectangle 1,1 $((w - 2)),$((h - 2)) $r,$r" \
    ${text:+-font "$font" -pointsize $(( h * 2 / 5 )) -fill "$ink" -stroke none -gravity center \
      -annotate +$offset+$offset "$text"} \
    -type TrueColor "BMP3:$file"
}

# The settings dialog's OK and Cancel buttons (90 x 48): normal, pressed, hover.
ok_cancel() { # lang ok_text cancel_text
  local d=$out/$1
  button 90 48 '#fdfdfd' '#e4e8ee' '#9aa4b1' "$3" '#2b2f36' 0 "$d/142.bmp"
  button 90 48 '#cfd8e6' '#e9eef5' '#5f7fa8' "$3" '#1d2a3b' 1 "$d/141.bmp"
  button 90 48 '#ffffff' '#eef3fa' '#6f95c8' "$3" '#1d2a3b' 0 "$d/143.bmp"
  button 90 48 '#4f8fe0' '#2f6fc4' '#245aa0' "$2" '#ffffff' 0 "$d/145.bmp"
  button 90 48 '#2a62ad' '#3f7ccc' '#1c4a86' "$2" '#ffffff' 1 "$d/144.bmp"
  button 90 48 '#6aa4ec' '#3f80d6' '#245aa0' "$2" '#ffffff' 0 "$d/146.bmp"
}
ok_cancel en "OK" "Cancel"
ok_cancel ko "확인" "취소"

# The site button (168 x 27): its caption comes from the data file at run time.
button 168 27 '#fdfdfd' '#e7ebf0' '#9aa4b1' "" '#000000' 0 "$out/151.bmp"
button 168 27 '#d3dbe7' '#eef2f7' '#5f7fa8' "" '#000000' 0 "$out/150.bmp"
button 168 27 '#ffffff' '#f0f5fb' '#6f95c8' "" '#000000' 0 "$out/152.bmp"
# The maker's button (168 x 26).
button 168 26 '#f7f8fa' '#e9ecf0' '#b5bcc6' "Fablewick Flash" '#4a5563' 0 "$out/156.bmp"

# icon NAME BACKGROUND GLYPH: a rounded tile with a white glyph, 32 and 16 pixels.
icon() {
  local name=$1 bg=$2 glyph=$3
  for s in 32 16; do
    convert -size "${s}x${s}" xc:none -fill "$bg" -draw "roundrectangle 0,0 $((s - 1)),$((s - 1)) $((s / 5)),$((s / 5))" \
      -fill white -stroke none -draw "$glyph" -scale "${s}x${s}" "$out/$name-$s.png"
    glyph=$(echo "$glyph" | awk -v k=0.5 '{ for (i = 1; i <= NF; i++) { n = split($i, p, ","); o = ""; for (j = 1; j <= n; j++) { v = p[j]; if (v ~ /^[0-9.]+$/) v = v * k; o = o (j > 1 ? "," : "") v } $i = o } print }')
  done
  convert "$out/$name-16.png" "$out/$name-32.png" "$out/$name.ico"
  rm -f "$out/$name-16.png" "$out/$name-32.png"
}
# The uninstaller: a red tile with a white cross.
icon uninstaller '#d9463b' "polygon 9,7 16,14 23,7 25,9 18,16 25,23 23,25 16,18 9,25 7,23 14,16 7,9"
