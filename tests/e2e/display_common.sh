# What the end-to-end checks of the display share; sourced after setting `out` (the folder
# for screenshots) and `name` (their prefix). Gives: find_window TITLE PID (sets win, X, Y),
# pixel/expect (a window pixel's colour once the screen settles), tap X Y,
# launch PROGRAM ARGS (on a fixed day, in the background; sets pid),
# start_on_new_device PROGRAM INSTALLER (sets pid too) and end_program PID TITLE (SIGTERM:
# the program must end by itself within 5 s).
failed=0
# The program runs on a fixed day (its clock starts there and runs on): a date as long as
# "12/10/2026" wraps in its cell and moves every place below it, so the places tapped
# would depend on the day the tests run. Monotonic time stays real, for the timers.
fixed_day=(env LD_PRELOAD="$(ls /usr/lib/*/faketime/libfaketimeMT.so.1 | head -1)" FAKETIME="@2026-12-09 10:00:00"
           FAKETIME_DONT_FAKE_MONOTONIC=1)
# Starts the program (its arguments after it) on that day in the background; sets pid.
launch() {
  "${fixed_day[@]}" "$@" &
  pid=$!
}

find_window() {
  win=""
  for _ in $(seq 150); do
    win=$(xdotool search --name "^$1\$" 2>/dev/null | head -1)
    [ -n "$win" ] && break
    sleep 0.1
  done
  if [ -z "$win" ]; then echo "FAIL: no $1 window"; kill "$2"; exit 1; fi
  eval "$(xdotool getwindowgeometry --shell "$win")"  # X Y WIDTH HEIGHT
}

# The colour of window pixel (x, y) once the screen settles, as "r,g,b".
pixel() {
  local shot=$out/$name-$3.png
  local got=""
  for _ in $(seq 75); do
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

end_program() {
  kill -TERM "$1"
  for _ in $(seq 50); do kill -0 "$1" 2>/dev/null || break; sleep 0.1; done
  if kill -0 "$1" 2>/dev/null; then echo "FAIL: $2 did not end"; kill -9 "$1"; failed=1; fi
  wait "$1" 2>/dev/null
}

# Installs a new device in a temporary root (removed at exit), starts the program there with
# `args` and finds its window.
start_on_new_device() {
  mkdir -p "$out"
  export SLATEWAY_DEVICE_ROOT=$(mktemp -d)
  trap 'rm -rf "$SLATEWAY_DEVICE_ROOT"' EXIT
  "$2" >/dev/null || { echo "FAIL: the installer failed"; exit 1; }
  launch "$1" $args
  find_window Slateway $pid
}
