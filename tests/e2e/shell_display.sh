#!/bin/bash
# End-to-end check of the display: ShellDemo in a real window under Xvfb, driven by
# xdotool taps, read back from screenshots. Usage: shell_display.sh ShellDemo outdir [--hires]
#
# Both runs give a 480 x 640 window (240 x 320 at 2x, or 480 x 640 at 1x), so the taps are
# the same window pixels: the bar's first button ("Green"), its second ("Menu"), and the
# popup's last row ("Blue"), which opens right above the bar.
set -u
demo=$1
out=$2
shift 2
if [ "${1:-}" = "--hires" ]; then args="--hires --scale 1"; name=480; else args="--scale 2"; name=240; fi
mkdir -p "$out"
export SLATEWAY_DEVICE_ROOT=$(mktemp -d)
trap 'rm -rf "$SLATEWAY_DEVICE_ROOT"' EXIT

"$demo" $args &
pid=$!
win=""
for _ in $(seq 100); do
  win=$(xdotool search --name '^ShellDemo$' 2>/dev/null | head -1)
  [ -n "$win" ] && break
  sleep 0.1
done
if [ -z "$win" ]; then echo "FAIL: no ShellDemo window"; kill $pid; exit 1; fi
eval "$(xdotool getwindowgeometry --shell "$win")"  # X Y WIDTH HEIGHT

failed=0
# The colour of window pixel (x, y) once the screen settles, as "r,g,b".
pixel() {
  local shot=$out/$name-$3.png
  local got=""
  for _ in $(seq 30); do
    import -window root "$shot"
    got=$(convert "$shot" -format "%[fx:int(255*p{$(($X + $1)),$(($Y + $2))}.r)],%[fx:int(255*p{$(($X + $1)),$(($Y + $2))}.g)],%[fx:int(255*p{$(($X + $1)),$(($Y + $2))}.b)]" info:)
    [ "$got" = "$4" ] && break
    sleep 0.2
  done
  echo "$got"
}
expect() {
  local got
  got=$(pixel "$1" "$2" "$3" "$4")
  if [ "$got" = "$4" ]; then echo "ok: $3 shows $4"; else echo "FAIL: $3 shows $got, expected $4"; failed=1; fi
}
tap() { xdotool mousemove --window "$win" "$1" "$2" click 1; }

expect 241 401 start 255,255,255
tap 25 615
expect 241 401 green 0,160,0
tap 161 615
sleep 0.5
tap 161 575
expect 241 401 blue 0,0,200

kill -TERM $pid  # as closing the window: the program ends by itself
for _ in $(seq 50); do kill -0 $pid 2>/dev/null || break; sleep 0.1; done
if kill -0 $pid 2>/dev/null; then echo "FAIL: ShellDemo did not end"; kill -9 $pid; failed=1; fi
wait $pid 2>/dev/null
exit $failed
