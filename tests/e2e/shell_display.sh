#!/bin/bash
# End-to-end check of the display: ShellDemo in a real window under Xvfb, driven by
# xdotool taps, read back from screenshots. Usage: shell_display.sh ShellDemo outdir [--hires]
#
# Both runs give a 480 x 640 window (240 x 320 at 2x, or 480 x 640 at 1x), so the taps are
# the same window pixels: the bar's first button ("Green"), its second ("Menu"), and the
# popup's last row ("Blue"), which opens right above the bar.
set -u
source "$(dirname "$0")/display_common.sh"
read_args demo out -- "$@"
name=$shape
new_device

"$demo" $args &
pid=$!
find_window ShellDemo $pid

expect 241 401 start 255,255,255
tap 25 615
expect 241 401 green 0,160,0
step 161 615 menu
tap 161 575
expect 241 401 blue 0,0,200

end_program $pid ShellDemo
exit $failed
