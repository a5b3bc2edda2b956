#!/usr/bin/env bash
# Seeds for the skin fuzz target: the default skin as a container (first byte
# odd) and expanded (first byte even), plus a small file with children, from
# the native build's skinc.
set -euo pipefail
out=$1
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../../../scripts/env.sh"
skinc=$GLINT_BUILD/native/tools/skinc/skinc
skin=$GLINT_BUILD/native/default-skin/Glintbox.skin
if [ ! -x "$skinc" ] || [ ! -f "$skin" ]; then
  echo "fuzz_skin seeds: no $skinc or $skin (scripts/build.sh native first)" >&2
  exit 1
fi
[ -f "$out/seed-default-expanded" ] && exit 0
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
{ printf '\001'; cat "$skin"; } >"$out/seed-default-container"
"$skinc" expand "$skin" "$tmp/expanded"
{ printf '\000'; cat "$tmp/expanded"; } >"$out/seed-default-expanded"
# A small skin without pictures: every kind of record that the default skin lacks.
cat >"$tmp/small.json" <<'JSON'
{ "format": "glazework-skin",
  "definitions": [
    { "type": "PushButton", "name": "B" }, { "type": "ComboBox", "name": "C" }, { "type": "ScrollBar", "name": "S" },
    { "type": "Trackbar", "name": "T" }, { "type": "Tab", "name": "Tb" }, { "type": "Toolbar", "name": "Tl" },
    { "type": "UpDown", "name": "U" }, { "type": "Rebar", "name": "R" }, { "type": "Header", "name": "H" },
    { "type": "Animation" }, { "type": "SliceNode", "name": "Sl" }, { "type": "FourValues", "name": "F" },
    { "type": "StatusBar", "name": "St" },
    { "type": "Custom", "name": "X", "properties": [ { "kind": 7, "name": "Depth", "data": "01020304", "text": "t" } ],
      "children": [ { "type": "ImageElement", "name": "E", "children": [ { "type": "CaptionButton", "name": "Close" } ] } ] } ],
  "images": [ { "name": "none.bmp" } ],
  "objects": [ { "name": "Plain" } ] }
JSON
"$skinc" build "$tmp/small.json" "$tmp/small.skin" >/dev/null
"$skinc" expand "$tmp/small.skin" "$tmp/small"
{ printf '\000'; cat "$tmp/small"; } >"$out/seed-small-expanded"
