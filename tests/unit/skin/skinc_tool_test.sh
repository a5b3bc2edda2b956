#!/bin/sh
# skinc end to end: dump then build reproduces a skin byte for byte (the Slate
# skin, which holds every kind of object, and the default skin); info lists
# what the skin holds; bad input is answered with a message that names the
# object and field, and a non-zero exit.
#   skinc_tool_test.sh SKINC DEFAULT_SKIN SLATE_SKIN
set -u
skinc=$1
skin=$2
slate=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

for name in default slate; do
  if [ $name = default ]; then file=$skin; else file=$slate; fi
  "$skinc" dump "$file" "$work/$name" >/dev/null || fail "$name: dump"
  "$skinc" build "$work/$name/skin.json" "$work/$name.skin" >/dev/null || fail "$name: build from dump"
  cmp -s "$file" "$work/$name.skin" || fail "$name: dump then build is not byte-identical"
done
mv "$work/default" "$work/src"

# info lists the header, the counts and every object.
"$skinc" info "$skin" >"$work/info.txt" || fail "info"
for want in "GLAZEWORK_SKIN_FILE" "version     1.11" "definitions 10" "images      2" "objects     0" \
            "DlgClose" "windows.bmp"; do
  grep -q "$want" "$work/info.txt" || fail "info does not show '$want'"
done

# expect_error NAME EXPECTED-TEXT COMMAND...: fails cleanly, with that message.
expect_error() {
  name=$1; want=$2; shift 2
  "$@" >"$work/out.txt" 2>&1
  status=$?
  if [ $status -eq 0 ] || [ $status -gt 2 ]; then fail "$name: exit status $status"; fi
  grep -qF "$want" "$work/out.txt" || { fail "$name: message lacks '$want'"; cat "$work/out.txt" >&2; }
}
edit() { # FILE, python expression over the parsed source 'j'
  python3 - "$1" "$2" <<'PY'
import json, sys
j = json.load(open(sys.argv[1]))
exec(sys.argv[2])
json.dump(j, open(sys.argv[1], "w"))
PY
}
cp "$work/src/"*.bmp "$work/" 2>/dev/null
bad() { cp "$work/src/skin.json" "$work/bad.json"; edit "$work/bad.json" "$1"; }

# bad_build NAME EXPECTED-TEXT EDIT: the source with EDIT applied is refused with that message.
bad_build() { bad "$3"; expect_error "$1" "$2" "$skinc" build "$work/bad.json" "$work/x.skin"; }
bad_build colour "definition 'Dialog': field 'keyColour'" 'j["definitions"][2]["keyColour"] = "magenta"'
bad_build rect "definition 'Dialog', child 'DlgClose': field 'hotImage.rect'" \
  'j["definitions"][2]["children"][0]["hotImage"]["rect"] = [1, 2, 3]'
bad_build unknown "definition 'Edit': unknown field 'backColor'" 'j["definitions"][3]["backColor"] = "#FFFFFF"'
bad_build long "field 'name': longer than 50 bytes" 'j["definitions"][0]["name"] = "x" * 60'
bad_build toplevel "field 'type': CaptionButton cannot be a definition" \
  'j["definitions"][1]["type"] = "CaptionButton"'
bad_build duplicate "another definition has that name" 'j["definitions"][4]["name"] = "Edit"'
bad_build picture "image 'button.bmp': field 'file': cannot read" 'j["images"][0]["file"] = "missing.bmp"'
printf 'not a picture' >"$work/junk.bmp"
bad_build junk "not a BMP or PNG picture" 'j["images"][0]["file"] = "junk.bmp"'
printf '{ "format": "glazework-skin", "definitions": [ {"type": "Edit", } ] }' >"$work/syntax.json"
expect_error syntax "line 1:" "$skinc" build "$work/syntax.json" "$work/x.skin"
printf 'garbage' >"$work/garbage.skin"
expect_error container "not a skin container" "$skinc" info "$work/garbage.skin"
expect_error usage "usage:" "$skinc" frobnicate
expect_error missing "cannot read" "$skinc" dump "$work/none.skin" "$work/out"

# A PNG picture is taken and stored as BMP.
convert -size 6x4 xc:'#336699' "PNG24:$work/src/small.png" || fail "ImageMagick could not write a PNG"
bad 'j["images"].append({"name": "small.png", "file": "small.png"})'
cp "$work/src/small.png" "$work/"
"$skinc" build "$work/bad.json" "$work/png.skin" >/dev/null || fail "PNG picture refused"
"$skinc" info "$work/png.skin" | grep -q "small.png .*6 x 4, 24 bits, stored as BMP" || fail "PNG picture not stored as BMP"

[ $failures -eq 0 ] && echo "skinc tool tests passed"
exit $failures
