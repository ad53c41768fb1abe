# What the end-to-end checks of the display share, sourced by each of them before its own
# steps. `out` is the folder for screenshots and `name` their prefix.
#
#   read_args VAR... -- "$@"   the script's arguments into VAR..., then an optional --hires:
#                              sets `args` (the program's screen) and `shape` (240 or 480)
#   new_device [INSTALLER]     a device in a temporary root (removed at exit), installed on
#   launch PROGRAM ARGS        started on a fixed day in the background; sets pid
#   start_slateway             `program` with `args` launched and its window found (a start
#                              that ended before its window showed is made again)
#   start_on_new_device        new_device "$installer", then start_slateway
#   eventually CMD...          CMD run until it succeeds, up to `patience` seconds; false then
#   find_window TITLE PID      sets win and the window's X, Y
#   end_program PID TITLE      SIGTERM: the program must end by itself
#   fail TEXT                  a failed check: said, and the script's result
#   tap X Y                    a tap on window pixel (x, y)
#   pixel/expect X Y SHOT RGB  a window pixel's colour once the screen settles
#   area GEOMETRY SHOT         the checksum of a window area "WxH+X+Y" in a new screenshot
#   area_other_than GEOMETRY SHOT BEFORE   that checksum once it differs from BEFORE
#   screen                     the whole window's checksum (shot "now")
#   step X Y SHOT, settle SHOT (a tap, then) the window changed and still; kept as SHOT
#   still SHOT                 the window still for a moment; kept as SHOT
#   written GEOMETRY SHOT      1 when the area of a kept shot has anything dark in it, else 0
#   menu_top SHOT              the top frame line of the menu opened upward from the bar
failed=0

# Every wait below is for the event itself (a window, a changed frame, a file, a process
# gone), never a fixed pause. `patience` only ends a wait that a fault would make endless:
# it is far longer than any step takes while the machine is busy with other builds.
patience=${patience:-90}
eventually() {
  local until=$((SECONDS + patience))
  until "$@"; do
    [ $SECONDS -lt $until ] || return 1
    sleep 0.1  # the poll's interval, not a wait for anything
  done
}
gone() { ! kill -0 "$1" 2>/dev/null; }

read_args() {
  local names=() variable
  while [ "$1" != "--" ]; do names+=("$1"); shift; done
  shift
  for variable in "${names[@]}"; do printf -v "$variable" '%s' "$1"; shift; done
  # Both give a 480 x 640 window (240 x 320 at 2x, or 480 x 640 at 1x), so the same window
  # pixels name the same places.
  if [ "${1:-}" = "--hires" ]; then args="--hires --scale 1"; shape=480; else args="--scale 2"; shape=240; fi
}

new_device() {
  mkdir -p "$out"
  export SLATEWAY_DEVICE_ROOT=$(mktemp -d)
  trap 'rm -rf "$SLATEWAY_DEVICE_ROOT"' EXIT
  [ $# -eq 0 ] || "$1" >/dev/null || { echo "FAIL: the installer failed"; exit 1; }
}

# The program runs on a fixed day (its clock starts there and runs on): a date as long as
# "12/10/2026" wraps in its cell and moves every place below it, so the places tapped
# would depend on the day the tests run. Monotonic time stays real, for the timers.
fixed_day=(env LD_PRELOAD="$(ls /usr/lib/*/faketime/libfaketimeMT.so.1 | head -1)" FAKETIME="@2026-12-09 10:00:00"
           FAKETIME_DONT_FAKE_MONOTONIC=1)
launch() {
  "${fixed_day[@]}" "$@" &
  pid=$!
}

# Under xvfb-run the X connection of a new client now and then fails at once on a busy
# machine, whatever the client: a program that ended before its window showed is started
# again (three starts at most), so that only a program that cannot start fails the check.
start_slateway() {
  local attempt
  for attempt in 1 2 3; do
    launch "$program" $args
    eventually shown_or_ended Slateway $pid
    kill -0 $pid 2>/dev/null && break
    wait $pid 2>/dev/null
    echo "note: start $attempt ended before its window showed; starting again"
  done
  find_window Slateway $pid
}

start_on_new_device() {
  new_device "$installer"
  start_slateway
}

window_named() {
  win=$(xdotool search --name "^$1\$" 2>/dev/null | head -1)
  [ -n "$win" ]
}
shown_or_ended() { window_named "$1" || gone "$2"; }

find_window() {
  win=""
  eventually shown_or_ended "$1" "$2"
  if [ -z "$win" ]; then echo "FAIL: no $1 window"; kill "$2"; exit 1; fi
  eval "$(xdotool getwindowgeometry --shell "$win")"  # X Y WIDTH HEIGHT
}

end_program() {
  kill -TERM "$1"
  eventually gone "$1"
  if kill -0 "$1" 2>/dev/null; then fail "$2 did not end"; kill -9 "$1"; fi
  wait "$1" 2>/dev/null
}

fail() { echo "FAIL: $1"; failed=1; }

tap() { xdotool mousemove --window "$win" "$1" "$2" click 1; }

pixel_is() {
  local shot=$out/$name-$3.png
  import -window root "$shot"
  got=$(convert "$shot" -format "%[fx:int(255*p{$(($X + $1)),$(($Y + $2))}.r)],%[fx:int(255*p{$(($X + $1)),$(($Y + $2))}.g)],%[fx:int(255*p{$(($X + $1)),$(($Y + $2))}.b)]" info:)
  [ "$got" = "$4" ]
}

# The colour of window pixel (x, y) once the screen shows RGB (or when patience runs out),
# as "r,g,b".
pixel() {
  local got=""
  eventually pixel_is "$@"
  echo "$got"
}

expect() {
  local got
  got=$(pixel "$1" "$2" "$3" "$4")
  if [ "$got" = "$4" ]; then echo "ok: $3 shows $4"; else fail "$3 shows $got, expected $4"; fi
}

# A window area "WxH+X+Y" as the crop of screenshot $1 that ImageMagick takes.
crop() { echo "${1%%+*}+$(($X + $(echo "$1" | cut -d+ -f2)))+$(($Y + ${1##*+}))"; }

area() {
  import -window root "$out/$name-$2.png"
  convert "$out/$name-$2.png" -crop "$(crop "$1")" +repage -format "%#" info:
}

area_differs() {
  now=$(area "$1" "$2")
  [ "$now" != "$3" ]
}

# The area once it differs from $3 (a busy machine may take a while to draw it again), or
# as it stands when patience runs out.
area_other_than() {
  local now
  eventually area_differs "$@"
  echo "$now"
}

screen() { area "480x640+0+0" now; }

# Taps (x, y) and settles; a tap that changed nothing fails the check.
step() {
  before=$(screen)
  tap "$1" "$2"
  settle "$3" || fail "the tap at $1,$2 ($3) changed nothing"
}

screen_changed() {
  now=$(screen)
  [ "$now" != "$before" ]
}

# Waits for the window to change from `before` and then to stay still for a moment (three
# shots alike); keeps the last shot as $1. False when it did not change.
settle() {
  local now
  eventually screen_changed || return 1
  still "$1"
}

# Waits for the window to stay still for a moment (three shots alike, or a while of a
# blinking caret); keeps the last shot as $1.
still() {
  local now last alike=0
  now=$(screen)
  for _ in $(seq 40); do
    sleep 0.3
    last=$(screen)
    if [ "$last" = "$now" ]; then alike=$((alike + 1)); else alike=0; fi
    [ $alike -ge 2 ] && break
    now=$last
  done
  cp "$out/$name-now.png" "$out/$name-$1.png"
}

written() {
  convert "$out/$name-$2.png" -crop "$(crop "$1")" +repage -colorspace gray -format "%[fx:minima<0.5]" info:
}

# The menu's rows follow the screen's font, so its entries are found from its top frame
# line: the lowest black pixel above the bar (its top at 588 in both windows) in the column
# just inside the menu's left edge.
menu_top() {
  convert "$out/$name-$1.png" -crop "1x584+$(($X + 3))+$Y" +repage txt:- |
    awk -F'[,: ]+' '/#000000/ { top = $2 } END { print top }'
}
