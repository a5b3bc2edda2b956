#!/usr/bin/env bash
# The main job: builds everything, makes a demo screensaver (a sample movie
# packed into Glintbox.dat with glintpack) and runs Glintbox.scr /s under Wine.
# With a display of your own the saver runs there until you press a key or
# move the mouse; without one it runs on a virtual display and screenshots are
# written to build/demo/shots. On a machine that cannot run 32-bit code the
# 64-bit screensaver runs under 64-bit Wine (see scripts/env.sh).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/env.sh"
. "$here/xvfb.sh"
glint_say_path

"$here/build.sh" native "$GLINT_WINE_BUILD"
"$here/wine-prefix.sh"

demo=$GLINT_BUILD/demo
rm -rf "$demo"
mkdir -p "$demo/shots"
cp "$GLINT_BUILD/$GLINT_WINE_BUILD/bin/Glintbox.scr" "$demo/"

swfdemo=$GLINT_BUILD/native/tools/swfdemo/swfdemo
if [ -x "$swfdemo" ]; then
  "$swfdemo" "$demo/demo.swf"
else
  # A movie header only: the saver still starts and shows its window.
  printf 'FWS\x06\x1a\x00\x00\x00\x50\x00\x03\xe8\x00\x00\x0b\xb8\x00\x00\x18\x01\x00\x40\x00\x00\x00' > "$demo/demo.swf"
fi
"$GLINT_BUILD/native/tools/glintpack/glintpack" build "$demo/Glintbox.dat" --movie "$demo/demo.swf" \
  --title "Glintbox demo" --work-name demo
rm "$demo/demo.swf"
echo "demo: made $demo/Glintbox.dat:"
"$GLINT_BUILD/native/tools/glintpack/glintpack" list "$demo/Glintbox.dat" | sed 's/^/  /'

cd "$demo"
if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
  echo "demo: running Glintbox.scr /s on $DISPLAY; press Escape to end it"
  wine Glintbox.scr /s
  exit 0
fi

glint_start_x
trap 'glint_stop_wine; glint_stop_x' EXIT
echo "demo: no display of your own; running on the virtual display $DISPLAY"
wine Glintbox.scr /s &
saver=$!
sleep 4
import -window root "$demo/shots/saver.png"
echo "demo: the work folder beside the program while the saver runs:"
ls -l "$demo"/_swf_demo_work | sed 's/^/  /'
wid=$(xdotool search --onlyvisible --classname '^glintbox.scr$' | tail -n 1)
[ -n "$wid" ] && xdotool windowfocus --sync "$wid" && xdotool key Escape
wait "$saver" || true
if [ -d "$demo/_swf_demo_work" ]; then echo "demo: the work folder is still there"; else echo "demo: the saver ended and removed its work folder"; fi

wine Glintbox.scr /c &
dialog=$!
sleep 3
import -window root "$demo/shots/settings.png"
wid=$(xdotool search --onlyvisible --name '^Settings$' | tail -n 1)
[ -n "$wid" ] && xdotool windowfocus --sync "$wid" && xdotool key Escape
wait "$dialog" || true
echo "demo: screenshots in $demo/shots: saver.png (the full-screen saver), settings.png (the settings dialog)"
