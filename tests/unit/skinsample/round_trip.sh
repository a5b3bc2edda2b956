#!/bin/sh
# skinc dump then skinc build gives back the compiled skin byte for byte, and
# the dump names every kind of object the skin holds.
#   round_trip.sh SKINC SKIN
set -u
skinc=$1
skin=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$skinc" dump "$skin" "$work/src" >/dev/null || { echo "FAIL: dump" >&2; exit 1; }
"$skinc" build "$work/src/skin.json" "$work/again.skin" >/dev/null || { echo "FAIL: build from dump" >&2; exit 1; }
cmp -s "$skin" "$work/again.skin" || { echo "FAIL: dump then build is not byte-identical" >&2; exit 1; }
for kind in Frame CaptionButton ImageElement Menu PushButton CheckBox RadioButton ComboBox Edit ListBox \
            IpAddress ListView TreeView RichEdit GroupBox ProgressBar ScrollBar Trackbar Static StatusBar Tab \
            Toolbar ControlBar Info UpDown Rebar Header Animation SliceNode FourValues Custom Object; do
  grep -q "\"type\": \"$kind\"" "$work/src/skin.json" || { echo "FAIL: no $kind in the dump" >&2; exit 1; }
done
echo "Slate round trip passed"
