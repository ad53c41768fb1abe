#!/bin/bash
# End-to-end check of the input panel on a real screen, pen only: on a new device the
# program opens Invoice 100 from the register, a tap on the first line opens its item form
# (which raises the panel), the keyboard button at the menu bar's right end lowers the panel
# and raises it again, the quantity field is tapped and "15" typed on the panel's keys,
# and the panel's Enter accepts the form: the page shows the line's new quantity and amount.
# The editor hides the keyboard button, as the main window does; the forms show it.
# Usage: input_panel_display.sh Slateway slateway-install outdir [--hires]
#
# Both runs give a 480 x 640 window (240 x 320 at 2x, or 480 x 640 at 1x), so the same
# window pixels name the same places: the panel spans y 428-588, its keys 48 x 32 pixels.
set -u
source "$(dirname "$0")/display_common.sh"
read_args program installer out -- "$@"
name=$shape-panel
start_on_new_device

expect 445 192 register 255,255,255     # the register's first row
tap 120 355                             # the fourth row: Invoice 100
expect 336 612 editor 0,0,0             # the editor's menu bar: the scanner button's bars
first_line="200x24+270+464"             # the first line's quantity and amount
before=$(area $first_line line-before)

tap 100 475                             # the first line: its item form raises the panel
expect 300 428 form-panel 128,128,128   # the line along the panel's top
expect 448 595 button-lit 255,255,255   # the keyboard button stays lit while the panel is up
tap 448 614                             # the keyboard button lowers the panel
expect 300 428 panel-down 255,255,255
tap 448 614                             # and raises it again
expect 300 428 panel-up 128,128,128
step 240 140 editor                     # the quantity's value: its editor opens
tap 456 540                             # backspace
tap 24 442                              # "1"
tap 216 442                             # "5"
import -window root "$out/$name-typed.png"
tap 456 572                             # Enter accepts the form
expect 336 612 editor-again 0,0,0

after=$(area_other_than $first_line line-after "$before")
if [ "$before" != "$after" ]; then echo "ok: the line shows what was typed"; else fail "the line did not change"; fi
# Ended outright: what closing the program saves is checked elsewhere.
kill -9 $pid
exit $failed
