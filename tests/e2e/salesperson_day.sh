#!/bin/bash
# A salesperson's day on a real screen, pen only: on a new device Options chooses the
# scanner; New > Invoice; the customer is chosen in the customer list with OK; two items
# come from the line item lists and a third from a scan written to the scanner's device
# file; the customer signs; the navigation bar's "ok" saves the invoice and the register
# shows it; the toolbar prints it and e-mails it; the program is ended from its menu and
# started again. Checked: the saved document (customer, lines, total), the register's row,
# the PDF's text, the e-mail's headers and attachment, that the only message box was the
# e-mail's note, and that the program comes back on the register it was ended on.
# Usage: salesperson_day.sh Slateway slateway-install outdir [--hires]
#
# The window is 480 x 640 (240 x 320 at 2x, or 480 x 640 at 1x): the navigation bar takes
# the top 52 pixels, the menu bar the bottom 52, the command toolbar the 52 above it.
set -u
source "$(dirname "$0")/display_common.sh"
read_args program installer out -- "$@"
name=day-$shape
# The line item tree's rows, the register's rows and the toolbar's buttons follow the
# screen's font and metrics: where they lie at each resolution (tree: Inventory Part's
# expander, Hose's box, Service's expander, Consulting's box; the new register row's top;
# the toolbar's E-mail and Print and its middle; the left frame of a dialog's OK button).
tools=(367 413 563)
if [ $shape = 480 ]; then
  tree=(57 235 127 307 57 523 127 559); row_top=476; ok_frame=433
else
  tree=(57 233 127 305 57 521 127 557); row_top=478; ok_frame=431
fi
export SLATEWAY_DEBUG=1   # the program's trace names every message box it shows
log=$out/$name-trace.log
new_device "$installer"
scanner="$SLATEWAY_DEVICE_ROOT/Windows/Scanner.txt"
: >"$scanner"             # the device's scanner is attached
docs="$SLATEWAY_DEVICE_ROOT/My Documents"
start_slateway 2>"$log"

# A dialog with an OK button on its title row is up.
dialog_up() { expect $ok_frame 80 "$1" 64,64,64; }
# Waits for a file matching the glob.
wait_file() { eventually compgen -G "$1" >/dev/null || { fail "no file $1"; return 1; }; }
# The PDF printed holds the invoice's total (the file may still be being written).
pdf_has_total() {
  text=$(pdftotext "$SLATEWAY_DEVICE_ROOT/Printer Output/"*.pdf - 2>/dev/null)
  grep -qF '$186.55' <<<"$text"
}

expect 445 192 register 255,255,255     # the register's first row
# Options > Bar Codes: the Symbol scanner.
step 165 614 menu
step 195 405 options
dialog_up options-up
step 418 566 bar-codes-page
step 446 121 scanner-list
step 250 245 symbol                          # the middle of its row at either size
step 452 80 options-accepted
expect 336 612 register-back 192,192,192
grep -q '"ScannerMake"=sz:"Symbol"' "$SLATEWAY_DEVICE_ROOT/Windows/Registry/HKEY_CURRENT_USER.reg" ||
  fail "Options did not keep the scanner"

# New > Invoice: the menu opens upward from the bar; its first entry is found from its top
# frame line, as the rows follow the screen's font.
step 50 612 new-menu
step 60 $(($(menu_top new-menu) + 12)) new-invoice
expect 336 612 editor 0,0,0             # the editor's menu bar: the scanner button's bars

# Bill To opens the customer list: Owen Hallett's row, then its OK.
step 50 200 customers
step 100 297 customer-chosen
step 452 80 customer-set

# The command toolbar's "+" opens the line item lists: a hose and consulting, each added.
step 248 614 toolbar
step 28 563 item-lists
dialog_up item-lists-up
step ${tree[0]} ${tree[1]} inventory-parts
step ${tree[2]} ${tree[3]} hose-checked
step ${tree[4]} ${tree[5]} services
step ${tree[6]} ${tree[7]} consulting-checked
step 452 80 adding-first
dialog_up item-form-up
step 118 404 adding-second
step 118 404 items-added
expect 336 612 editor-back 0,0,0

# The scanner bar: Start Scan, then a code written to the scanner's device file.
step 343 614 scanner-bar
before=$(screen)
tap 240 470                             # Start Scan
echo "Installation" >>"$scanner"
eventually screen_changed
cp "$out/$name-now.png" "$out/$name-scanned.png"
step 430 396 scanner-hidden
expect 336 612 toolbar-button-kept 0,0,0

# The signature: a stroke on the pad, then Accept.
step 295 614 signature-bar
xdotool mousemove --window "$win" 100 480 mousedown 1 mousemove --window "$win" 150 440 \
  mousemove --window "$win" 200 500 mousemove --window "$win" 260 450 mousemove --window "$win" 320 490 mouseup 1
step 430 396 signed

# The navigation bar's "ok" saves the invoice and the register comes back with its bar.
step 440 26 saved
invoice="$docs/Invoice102.QVN"
if wait_file "$invoice"; then
  for want in '<FULLNAME>Hallett, Owen</FULLNAME>' '<NAME>Hose 50 ft</NAME>' '<NAME>Consulting</NAME>' \
              '<NAME>Installation</NAME>' '<SUBTOTAL>$182.00</SUBTOTAL>' '<TOTAL>$186.55</TOTAL>' 'SIGNED="(signed'; do
    grep -qF "$want" "$invoice" || fail "the saved invoice lacks $want"
  done
  echo "ok: the invoice was saved"
fi
expect 336 612 register-bar 192,192,192
# The new row, the last one shown, is written on (a blank place has no dark pixel).
[ "$(written "400x40+10+$row_top" saved)" = "1" ] || fail "the register shows no new row"

# The row opens the invoice; the toolbar's Print asks for a printer once, then prints.
step 150 $((row_top + 17)) reopened
step ${tools[1]} ${tools[2]} printer-settings
dialog_up printer-settings-up
step 455 134 printer-list
step 280 171 printer-chosen
step 455 238 port-list
step 220 274 port-chosen
step 452 80 printed
if wait_file "$SLATEWAY_DEVICE_ROOT/Printer Output/*.pdf"; then
  eventually pdf_has_total
  for want in "Owen Hallett" "Garden hose, 50 feet" "Consulting by the hour" "On-site installation" '$186.55'; do
    grep -qF "$want" <<<"$text" || fail "the PDF lacks $want"
  done
  echo "ok: the PDF shows the invoice"
fi

# The toolbar's E-mail: the message dialog's OK puts it in the Outbox, which a note says.
step ${tools[0]} ${tools[2]} email-dialog
dialog_up email-dialog-up
step 452 80 emailed
if wait_file "$SLATEWAY_DEVICE_ROOT/Messaging/ActiveSync/Outbox/*.eml"; then
  eventually grep -q 'message box shown.*Outbox' "$log"
  step 237 394 note-closed
  python3 - "$SLATEWAY_DEVICE_ROOT/Messaging/ActiveSync/Outbox/"*.eml <<'EOF' || failed=1
import email, sys
message = email.message_from_binary_file(open(sys.argv[1], "rb"))
problems = []
if message["To"] != "Owen@example.com": problems.append("To is %r" % message["To"])
subject = message["Subject"] or ""
if not subject.startswith("Invoice") or subject.endswith(" from"): problems.append("Subject is %r" % subject)
files = {part.get_filename(): part.get_payload(decode=True) for part in message.walk() if part.get_filename()}
page = files.get("Invoice102.htm", b"")
for want in (b"Owen Hallett", b"On-site installation"):
    if want not in page: problems.append("the attached page lacks %s" % want.decode())
# The page shows the signature from a picture sent beside it.
signatures = [data for name, data in files.items() if name.upper().startswith("SIGNATURE")]
if not signatures or not signatures[0].startswith(b"BM"): problems.append("no signature picture is attached")
for problem in problems: print("FAIL: the e-mail: " + problem)
if not problems: print("ok: the e-mail holds the invoice")
sys.exit(1 if problems else 0)
EOF
fi

# Back to the register and Menu > Exit; started again, the register is what shows.
step 440 26 register-again
expect 336 612 register-bar-again 192,192,192
step 165 614 menu-again
tap 160 565                              # "Exit"
eventually gone $pid
if kill -0 $pid 2>/dev/null; then fail "Exit did not end the program"; kill -9 $pid; fi
wait $pid 2>/dev/null
boxes=$(grep 'message box shown' "$log" | grep -v 'Outbox')
[ -z "$boxes" ] || fail "message boxes were shown: $boxes"
grep -q '"LastView"=dword:00000000' "$SLATEWAY_DEVICE_ROOT/Windows/Registry/HKEY_CURRENT_USER.reg" ||
  fail "the register was not kept as the last view"

start_slateway 2>>"$log"
expect 336 612 register-after-restart 192,192,192
expect 445 192 first-row-after-restart 255,255,255
end_program $pid Slateway
exit $failed
