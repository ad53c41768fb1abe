#!/bin/bash
# A whole invoice made with the pen alone on a new device, on a real screen: New > Invoice,
# the Bill To customer list answered with its OK button, the Edit menu scrolled to its
# last entry ("Mark as Paid") and that entry tapped, three services added from the item
# lists (the first one's quantity typed on the input panel's keys), the toolbar shown and
# the page scrolled by its scroll bar until the Total is on screen, the Profit Margin report
# opened from Tools > Reports and its viewer left by the navigation bar's "ok", the editor
# left the same way. The saved file must hold what was chosen, tapped and typed.
# Usage: pen_only_invoice.sh Slateway slateway-install outdir [--hires]
#
# Both runs give a 480 x 640 window (240 x 320 at 2x, or 480 x 640 at 1x), so the same
# window pixels name the same places. No key is pressed: every step is a tap.
set -u
source "$(dirname "$0")/display_common.sh"
read_args program installer out -- "$@"
name=$shape-pen
start_on_new_device

# Holds the pen on (x, y) until the area "WxH+X+Y" stops changing: a menu's arrow held
# scrolls it row by row to its end.
hold_until_still() {
  local before now
  now=$(area "$3" still)
  xdotool mousemove --window "$win" "$1" "$2" mousedown 1
  for _ in $(seq 40); do
    sleep 0.4
    before=$now
    now=$(area "$3" still)
    [ "$now" = "$before" ] && break
  done
  xdotool mouseup 1
}
# Taps (x, y) until the area stops changing (at most $4 taps): a page scrolled to its end.
tap_until_still() {
  local before now
  now=$(area "$3" still)
  for _ in $(seq "$4"); do
    before=$now
    tap "$1" "$2"
    sleep 0.3
    now=$(area "$3" still)
    if [ "$now" = "$before" ]; then sleep 0.5; now=$(area "$3" still); [ "$now" = "$before" ] && return; fi
  done
}
# The y of the rule above the page's Total row in screenshot $1, or nothing when the row is
# not on screen: a dark line across the page, and below it a band with nothing at the
# left and black text where "Total" is written (no other rule of the page has both).
total_rule() {
  convert "$1" -crop "440x480+$X+$(($Y + 52))" +repage txt:- | awk -F'[,:() ]+' '
    NR > 1 && $1 >= 12 {
      y = $2 + 52; black = $3 < 70 && $4 < 70 && $5 < 70; white = $3 > 240 && $4 > 240 && $5 > 240
      if ($3 < 110 && $4 < 110 && $5 < 110) full[y]++   # a rule between pixels is drawn grey
      if ($1 <= 200 && !white) left[y]++
      if ($1 >= 250 && $1 <= 310 && black) word[y]++
    }
    END {
      for (y = 53; y < 532; y++) if (full[y] > 400) {
        empty = 1; text = 0
        for (k = y + 3; k < y + 32; k++) { if (left[k]) empty = 0; if (word[k]) text = 1 }
        if (empty && text) { print y; exit }
      }
    }'
}
# Opens the editor's Edit menu (its rows are 40 pixels apart in both windows).
edit_menu() { tap 50 612; expect 1 300 "$1" 0,0,0; }   # the menu's left frame

expect 445 192 register 255,255,255
step 50 612 new-menu                     # "New"
tap 60 $(($(menu_top new-menu) + 12))    # "Invoice..."
expect 336 612 new-invoice 0,0,0         # the editor's menu bar: the scanner button's bars

tap 50 200                               # "Bill To:" opens the customer list
expect 402 80 customer-list 0,0,156      # its Cancel shows while picking
tap 100 329                              # Maple Court Apartments
expect 400 329 customer-chosen 0,0,128
tap 452 80                               # the list's OK
expect 336 612 billed 0,0,0

edit_menu edit-menu
hold_until_still 205 573 "400x480+4+60"  # the menu's down arrow until its last rows show
import -window root "$out/$name-edit-menu-end.png"
tap 100 541                              # the last entry: "Mark as Paid"
expect 336 612 marked 0,0,0

edit_menu edit-menu-again                # opened again, the menu starts from its top
tap 100 447                              # "Add Line Item..."
expect 150 116 item-lists 0,0,128         # the lists' root chosen
tap 57 449                               # the "Service" folder opens
expect 116 557 services 0,0,0            # the frame of Lawn Care's check box
tap 127 485; tap 127 521; tap 127 557    # Consulting, Installation and Lawn Care checked
still checked
tap 452 80                               # accepted: one form per item, the input panel up
expect 300 428 first-form 128,128,128    # the line along the panel's top
tap 444 540                              # backspace clears the chosen quantity
tap 120 442                              # "3" typed on the panel's keys
import -window root "$out/$name-typed.png"
for n in 1 2 3; do
  heading=$(area "300x36+8+56" heading)
  tap 118 404                            # "Add": the next item's form, or the editor after the last
  area_other_than "300x36+8+56" heading "$heading" >/dev/null
done
expect 336 612 three-items 0,0,0

tap 247 612                              # the toolbar shown: the page grows shorter
expect 28 563 toolbar 0,0,0
tap_until_still 465 90 "420x470+10+60" 20   # the track above the thumb to the page's top
top_rule=$(total_rule "$out/$name-still.png")
cp "$out/$name-still.png" "$out/$name-page-top.png"
tap_until_still 465 500 "420x470+10+60" 20  # the track below the thumb to the page's end
cp "$out/$name-still.png" "$out/$name-page-end.png"
end_rule=$(total_rule "$out/$name-page-end.png")
if [ -z "$top_rule" ] && [ -n "$end_rule" ]; then echo "ok: the page scrolled until its Total shows (at $end_rule)"
else fail "the Total is on screen at the top ('$top_rule') or not at the end ('$end_rule')"; fi

edit_menu edit-menu-tools
hold_until_still 205 573 "400x480+4+60"
step 100 411 tools                       # "Tools"
step 380 279 reports                     # "Reports"
tap 100 401                              # "Profit Margin"
expect 336 612 report-viewer 192,192,192 # the viewer's own menu bar, without the scanner
tap 440 26                               # the navigation bar's "ok" leaves the viewer
expect 336 612 editor-after-report 0,0,0
tap 440 26                               # and the editor, saving the invoice
expect 336 612 register-again 192,192,192 # the register's menu bar again

saved="$SLATEWAY_DEVICE_ROOT/My Documents/Invoice102.QVN"
check() { if grep -q "$1" "$saved" 2>/dev/null; then echo "ok: the invoice keeps $2"; else fail "the invoice lost $2"; fi; }
check '<CUSTOMER><LISTID>[^<]*</LISTID>.*<NAME>Maple Court Apartments</NAME>' "the chosen customer"
check 'PAID="YES"' "its mark as paid"
check '<TOTALQTY>5</TOTALQTY>' "the typed quantity (3 + 1 + 1)"
end_program $pid Slateway
exit $failed
