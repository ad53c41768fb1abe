#!/bin/bash
# End-to-end check of the program on a real screen: a new device is installed, Slateway
# starts under Xvfb and lays out its sample documents, the register shows them (read back
# from screenshots), a tap on a column title re-sorts the rows, a tap on a row beside its
# check box opens that document in the editor (its menu bar shows the scanner button), the
# navigation bar's "ok" leaves it for the register, and SIGTERM from the editor ends the
# program, its document kept as the last view: started again, the program comes back on
# that document. Started once more from the register, it makes a new invoice from the New
# menu of its menu bar.
# Usage: slateway_display.sh Slateway slateway-install outdir [--hires]
#
# Both runs give a 480 x 640 window (240 x 320 at 2x, or 480 x 640 at 1x), so the same
# window pixels name the same places: the shell's navigation bar takes the top 52 pixels,
# the second row's left edge shows the row band, the "Amount" column title lies at
# (360, 122).
set -u
source "$(dirname "$0")/display_common.sh"
read_args program installer out -- "$@"
name=$shape
start_on_new_device

rows="440x120+4+177"                    # the first two rows of the register

expect 300 26 navigation-bar 0,0,128   # the shell's navigation bar along the top
expect 445 252 rows 200,200,246        # the second row in the band of "All Documents"
expect 445 192 first-row 255,255,255    # the first row white
documents=$(ls "$SLATEWAY_DEVICE_ROOT/My Documents/"*.QVN 2>/dev/null | wc -l)
if [ "$documents" -lt 6 ]; then fail "$documents sample documents laid out"; else echo "ok: $documents sample documents"; fi
still drawn
before=$(area $rows before)
tap 360 122                             # the "Amount" column title: sorted by balance
after=$(area_other_than $rows by-amount "$before")
if [ "$before" != "$after" ]; then echo "ok: the rows were sorted again"; else fail "a tap on the title changed nothing"; fi
tap 360 122                             # again: the other way round
again=$(area_other_than $rows by-amount-reversed "$after")
if [ "$again" != "$after" ]; then echo "ok: the second tap reversed the order"; else fail "the second tap changed nothing"; fi

tap 200 192                             # the first row, beside its check box
expect 336 612 editor 0,0,0             # the editor's menu bar: the scanner button's bars
import -window root "$out/$name-editor.png"
tap 440 26                              # the navigation bar's "ok" leaves the editor
expect 336 612 register-again 192,192,192
tap 200 192                             # and the row opens it again
expect 336 612 editor-again 0,0,0

end_program $pid Slateway
# Ended with the editor in front, the program kept its document as the last view, to show
# it again at the next start.
hive="$SLATEWAY_DEVICE_ROOT/Windows/Registry/HKEY_CURRENT_USER.reg"
if grep -q '"LastView"=dword:00000001' "$hive"; then echo "ok: the open document is the last view"
else fail "the end did not keep the open document as the last view"; fi

# Started again, the program comes back on the document its editor held.
start_slateway
expect 336 612 editor-back 0,0,0
end_program $pid Slateway
sed -i '/^"LastView"/d' "$hive"

# Started from the register: a tap on the menu bar's "New" opens the New menu, whose first
# entry starts a new invoice in the editor.
start_slateway
expect 445 192 again-first-row 255,255,255
step 50 612 new-menu                    # "New"
tap 60 $(($(menu_top new-menu) + 12))   # "Invoice...", the first entry
expect 336 612 new-invoice 0,0,0
# The page's title line: "Invoice" leaves its right part blank, any other kind does not.
blank=$(convert "$out/$name-new-invoice.png" -crop "$(crop "300x30+160+68")" +repage -format "%[fx:minima]" info:)
if [ "$blank" = "1" ]; then echo "ok: the editor shows a new invoice"; else fail "the editor shows no new invoice"; fi
end_program $pid Slateway
exit $failed
