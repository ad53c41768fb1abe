#!/bin/bash
# Invoices for a customer saved with the pen alone while the register shows Estimates, at
# 240 x 320 (the window 480 x 640 at 2x). Show > Estimates; New > Invoice, the number
# tapped and 103 typed on the panel, No to numbering new invoices from it, Bill To
# "Hallett, Owen", ok; a second invoice from the counter (102); Show > Estimates again and
# a third invoice: it takes 104 and Invoice 103 stays as saved. Then a fourth invoice
# whose file (105) another program writes while it is open: ok asks, OK takes 106, and
# that program's file stays as it wrote it.
# Usage: customer_job_save.sh Slateway slateway-install outdir
set -u
source "$(dirname "$0")/display_common.sh"
read_args program installer out -- "$@"
name=save-240
start_on_new_device
docs="$SLATEWAY_DEVICE_ROOT/My Documents"

# Waits for a file to be there.
saved() { eventually test -f "$1"; }
show_estimates() {
  step 50 75 show-menu-$1
  step 100 161 estimates-$1                # "Estimates"
}
new_invoice() {
  step 50 612 new-menu-$1
  step 60 365 invoice-$1                   # "Invoice..."
}
bill_hallett_and_save() {
  step 50 200 customers-$1                 # "Bill To:"
  tap 60 295                               # the row "Hallett, Owen" (chosen already after the first)
  step 452 80 billed-$1                    # the list's OK
  step 440 26 saved-$1                     # the navigation bar's "ok"
}

expect 445 192 register 255,255,255
show_estimates 1
new_invoice 1
step 390 124 number-form                   # "Number:"
step 330 140 number-editor                 # after the number's text: its editor opens
for _ in 1 2 3; do tap 456 540; done       # backspace over "102"
tap 24 442; tap 456 442; tap 120 442       # "1", "0", "3"
step 456 572 start-question                # Enter accepts the form
step 303 385 numbered                      # "No": not the new start
bill_hallett_and_save 1
saved "$docs/Invoice103.QVN" || fail "Invoice 103 was not saved"
typed=$(md5sum < "$docs/Invoice103.QVN")

new_invoice 2
bill_hallett_and_save 2
saved "$docs/Invoice102.QVN" && echo "ok: the counter's invoice is 102" || fail "no Invoice 102"

show_estimates 3
new_invoice 3
bill_hallett_and_save 3
saved "$docs/Invoice104.QVN" && echo "ok: the third invoice took 104" || fail "no Invoice 104"
[ "$(md5sum < "$docs/Invoice103.QVN")" = "$typed" ] && echo "ok: Invoice 103 is as it was saved" ||
  fail "Invoice 103 was written over"

new_invoice 4
sed 's/ID="103"/ID="105"/' "$docs/Invoice103.QVN" > "$docs/INVOICE105.qvn"   # another program's
theirs=$(md5sum < "$docs/INVOICE105.qvn")
step 50 200 customers-4
tap 60 295
step 452 80 billed-4
step 440 26 number-taken                   # ok: "Another document already has this number..."
step 171 397 new-number                    # OK
step 240 369 saved-4                       # OK to "The new number is 106"
saved "$docs/Invoice106.QVN" && echo "ok: the fourth invoice took 106" || fail "no Invoice 106"
[ "$(md5sum < "$docs/INVOICE105.qvn")" = "$theirs" ] && echo "ok: the other program's file stays" ||
  fail "the other program's file was written over"
end_program $pid Slateway
exit $failed
