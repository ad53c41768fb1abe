#!/bin/bash
# Delete, Show > Deleted and Memorize with the pen alone on a new device, at 240 x 320 (the
# window 480 x 640 at 2x): a hold on Invoice 100's row offers "Delete Invoice", Yes moves
# the file into the deleted folder; Show > Deleted lists that invoice alone; the first
# estimate opened and memorized from the Edit menu (its name proposed from the customer)
# lands in the memorized folder, which Show > Memorized lists alone.
# Usage: deleted_and_memorized.sh Slateway slateway-install outdir
set -u
source "$(dirname "$0")/display_common.sh"
read_args program installer out -- "$@"
name=folders-240
start_on_new_device
docs="$SLATEWAY_DEVICE_ROOT/My Documents"

# The pen held still on (x, y) for $3 seconds.
hold() {
  before=$(screen)
  xdotool mousemove --window "$win" "$1" "$2" mousedown 1
  sleep "$3"
  xdotool mouseup 1
  settle "$4" || fail "holding $1,$2 ($4) changed nothing"
}
# Whether register row $1 (0 first) of shot $2 has anything written in it.
row_written() { written "400x56+5+$((146 + 64 * $1))" "$2"; }

expect 445 192 register 255,255,255
hold 100 360 1.5 row-menu                # Invoice 100's row
step 210 570 delete-question             # "Delete Invoice"
step 170 370 deleted                     # "Yes"
[ -f "$docs/Deleted/Invoice100.QVN" ] && [ ! -f "$docs/Invoice100.QVN" ] && echo "ok: the invoice went into its folder" ||
  fail "the invoice was not moved into the deleted folder"

step 50 75 show-menu
step 75 532 deleted-view                 # "Deleted"
[ "$(row_written 0 deleted-view)$(row_written 1 deleted-view)" = "10" ] && echo "ok: Show > Deleted lists the invoice alone" ||
  fail "Show > Deleted does not list the deleted invoice alone"

step 50 75 show-menu-again
step 100 443 all-documents               # "All Documents"
step 100 170 estimate                    # the first row: Estimate 1
step 50 612 edit-menu
hold 205 573 8 edit-menu-end             # the menu's down arrow until its last rows show
step 100 291 memorize                    # "Memorize Estimate..."
step 452 80 memorized                    # the proposed name taken as it is
step 237 381 memorized-ok
step 440 26 register-again               # the editor's "ok"
[ -f "$docs/Memorized/Birchwood Cafe Estimate.QVN" ] && echo "ok: the template is in its own folder" ||
  fail "no template \"Birchwood Cafe Estimate\" in the memorized folder"
step 50 75 show-menu-last
step 75 493 memorized-view               # "Memorized"
[ "$(row_written 0 memorized-view)$(row_written 1 memorized-view)" = "10" ] && echo "ok: Show > Memorized lists the template alone" ||
  fail "Show > Memorized does not list the template alone"
end_program $pid Slateway
exit $failed
