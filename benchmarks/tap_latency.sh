#!/bin/bash
# How soon the real program answers a tap, beside a key press: the time from an xdotool
# click (or key) to the first changed frame of Slateway's window, median and worst over
# 50 of each. Run by hand on a desktop or under Xvfb (never by ctest):
#
#   xvfb-run -a -s "-screen 0 800x700x24" benchmarks/tap_latency.sh [BUILD-DIR] [--hires] [COUNT]
#
# (BUILD-DIR defaults to "build", COUNT to 50; the arguments come in any order.)
#
# A new device is installed, a new invoice made (New, first entry), and its Bill To opens
# the contact chooser. There the taps fall alternately on the list's second and first row
# (each moves the selection), then the keys Down and Up do the same by keyboard, so both
# measure one and the same change of the screen. Last, taps on the document page (through
# the tap-and-hold recogniser) open the chooser and taps on its Cancel close it again.
# `frame_watch` (built beside the benchmarks) reads the window's pixels from the start of
# each xdotool command until they differ, while the command runs: xdotool's own pause
# after a click (100 ms in some versions) is not counted. Both screen shapes give a
# 480 x 640 window, so the window pixels below hold for both.
set -u
build=build
shape=
count=50
for arg in "$@"; do
  case $arg in
    --hires) shape=--hires ;;
    *[!0-9]*|"") build=$arg ;;
    *) count=$arg ;;
  esac
done
if [ "$shape" = "--hires" ]; then args=(--hires --scale 1); else args=(--scale 2); fi
watch=$build/bin/frame_watch
for tool in "$watch" "$build/bin/Slateway" "$build/bin/slateway-install"; do
  [ -x "$tool" ] || {
    echo "tap_latency: $tool is missing; build the targets frame_watch, Slateway and slateway-install" >&2
    exit 1
  }
done
command -v xdotool >/dev/null || { echo "tap_latency: xdotool is missing" >&2; exit 1; }
[ -n "${DISPLAY:-}" ] || { echo "tap_latency: no DISPLAY; run it under xvfb-run" >&2; exit 1; }

SLATEWAY_DEVICE_ROOT=$(mktemp -d)
export SLATEWAY_DEVICE_ROOT
"$build/bin/slateway-install" </dev/null >/dev/null || { echo "tap_latency: the installer failed" >&2; exit 1; }
"$build/bin/Slateway" "${args[@]}" >/dev/null 2>&1 &
pid=$!
# The program ends as a closed window ends it, or is stopped after a while.
finish() {
  xdotool key Escape 2>/dev/null
  kill -TERM $pid 2>/dev/null
  for _ in $(seq 30); do kill -0 $pid 2>/dev/null || break; sleep 0.1; done
  kill -KILL $pid 2>/dev/null
  wait $pid 2>/dev/null
  rm -rf "$SLATEWAY_DEVICE_ROOT"
}
trap finish EXIT
win=""
for _ in $(seq 150); do
  win=$(xdotool search --all --pid $pid --name '^Slateway$' 2>/dev/null | head -1)
  [ -n "$win" ] && break
  sleep 0.1
done
[ -n "$win" ] || { echo "tap_latency: no Slateway window" >&2; exit 1; }
sleep 1.5  # the register lays out its sample documents

# Window pixels (both shapes): the menu bar's New button, the Bill To block of a new
# invoice. The chooser's rows are found on the screen: the selected first row is the
# lowest navy band down the list's right-hand side, and the second row lies right below it.
tap() { xdotool mousemove --window "$win" "$1" "$2" click 1; }
tap 55 615; sleep 0.5
xdotool key Down Return; sleep 1.5
tap 40 202; sleep 1
shot=$SLATEWAY_DEVICE_ROOT/chooser.png
timeout 10 import -window "$win" "$shot"
read -r -a band < <(convert "$shot" -crop 1x640+440+0 +repage txt:- | grep -i "#000080" | cut -d, -f2 | cut -d: -f1 |
  awk 'NR == 1 || $1 != last + 1 { start = $1 } { last = $1 } END { if (NR) print start, last }')
[ ${#band[@]} -eq 2 ] || { echo "tap_latency: the contact chooser did not open" >&2; exit 1; }
pitch=$((band[1] - band[0] + 1))
first_row=(100 $(((band[0] + band[1]) / 2)))
second_row=(100 $((first_row[1] + pitch)))

# One input: the milliseconds from the start of its xdotool command to the first changed
# frame, or "timeout"; then a pause, so the screen settles before the next one.
watched() {
  "$watch" "$win" 1000 -- "$@" 2>/dev/null || true
  sleep 0.25
}
tap_at() { watched xdotool mousemove --window "$win" "$1" "$2" click 1; }

# "median worst lost" of the times read on stdin.
summary() {
  sort -n | awk '$1 == "timeout" || $1 == "" { lost++; next } { v[++n] = $1 }
    END { if (!n) { printf "- - %d\n", lost; exit }
          m = (n % 2) ? v[(n + 1) / 2] : (v[n / 2] + v[n / 2 + 1]) / 2; printf "%.1f %.1f %d\n", m, v[n], lost }'
}

pairs=$(((count + 1) / 2))
rows=$(for _ in $(seq $pairs); do tap_at "${second_row[@]}"; tap_at "${first_row[@]}"; done | summary)
# The keys go to the list, which the taps left focused.
keys=$(for _ in $(seq $pairs); do watched xdotool key Down; watched xdotool key Up; done | summary)
# A tap on the document page goes through the tap-and-hold recogniser: Bill To opens the
# chooser again, its Cancel (in the title row at the right) closes it.
tap_at 332 78 >/dev/null
opened=$SLATEWAY_DEVICE_ROOT/opened
closed=$SLATEWAY_DEVICE_ROOT/closed
for _ in $(seq $pairs); do tap_at 40 202 >>"$opened"; tap_at 332 78 >>"$closed"; sleep 0.5; done
page=$(summary <"$opened")
cancel=$(summary <"$closed")

echo "screen: $([ "$shape" = "--hires" ] && echo 480x640 || echo 240x320); milliseconds from the xdotool command to the first changed frame"
report() {
  read -r median worst lost <<<"$2"
  printf '%-34s median %6s  worst %6s  no change seen: %s of %s\n' "$1" "$median" "$worst" "$lost" "$3"
}
report "tap on a list row" "$rows" $((2 * pairs))
report "key Down/Up in the list" "$keys" $((2 * pairs))
report "tap on the page (opens a dialog)" "$page" $pairs
report "tap on Cancel (closes it)" "$cancel" $pairs
