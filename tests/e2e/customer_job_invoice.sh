#!/bin/bash
# A customer and a job made and invoiced with the pen alone on a new device, on a real
# screen: Menu > Customers opens the customer list; its New makes "Zed" (the name typed on
# the input panel raised by the keyboard button of "New Customer"); a hold on the new row
# and "Add Job..." makes the job "Deck" in "Edit Customer:Job", again typed on the panel;
# the list's OK gives the register back without the keyboard; New > Invoice, Bill To opens
# the same list, the job is tapped and OK chosen; the navigation bar's "ok" saves the
# invoice. The saved file must name the job by the list id the customer table gave it, as
# its customer and as its job, though the job's Job Info page was left empty.
# Usage: customer_job_invoice.sh Slateway slateway-install outdir
#
# The window is 480 x 640 (240 x 320 at 2x): the panel spans y 428-588, its keys 48 x 32.
set -u
source "$(dirname "$0")/display_common.sh"
read_args program installer out -- "$@"
name=240-customer
start_on_new_device

# Types a word on the panel's keys: a capital (after shift), then small letters.
declare -A key=([d]="120 507" [e]="120 475" [c]="193 540" [k]="360 507" [z]="97 540")
type_word() {
  tap 37 540                              # shift
  for letter in $(echo "$1" | tr 'A-Z' 'a-z' | grep -o .); do tap ${key[$letter]}; done
}

expect 445 192 register 255,255,255
tap 165 614                               # "Menu"
expect 200 341 menu 128,128,128           # its separator line
tap 210 365                               # "Customers..."
expect 150 165 customer-list 192,192,192  # the list's column header
expect 402 80 managing 255,255,255        # no Cancel while managing
tap 55 614                                # the list's "New"
expect 120 565 new-customer 192,192,192   # the dialog's tabs
tap 448 614                               # the keyboard button raises the panel
expect 300 428 panel-raised 128,128,128   # the line along the panel's top
tap 300 125                               # the customer's name: the keys go there
type_word Zed
tap 452 80                                # OK: the customer is stored
expect 150 165 list-again 192,192,192
tap 448 614                               # the keyboard button lowers the panel again
expect 300 428 panel-lowered 255,255,255
# Held on the new row (the eighth), its menu offers "Add Job...".
xdotool mousemove --window "$win" 60 425 mousedown 1 sleep 1.2 mouseup 1
expect 150 510 hold-menu 128,128,128      # the menu's separator
tap 140 485                               # "Add Job..."
expect 100 565 edit-customer-job 192,192,192
tap 448 614                               # the keyboard works in "Edit Customer:Job" too
expect 300 428 panel-for-job 128,128,128
tap 300 155                               # the job's name
type_word Deck
tap 452 80                                # OK: the job is stored
expect 150 165 list-with-job 192,192,192
tap 452 80                                # the list's OK: back to the register
expect 336 612 register-back 192,192,192  # the register's menu bar
expect 300 428 keyboard-gone 255,255,255  # the register offers no keyboard button: no panel

# New > Invoice; Bill To opens the customer list to pick from: the job's row, then OK.
tap 50 612
expect 15 365 new-menu 255,255,255
tap 60 365                                # "Invoice..."
expect 336 612 editor 0,0,0               # the editor's menu bar
tap 50 200                                # "Bill To:"
expect 402 80 picking 0,0,156             # Cancel shows while picking
tap 60 457                                # the job "Deck" under "Zed"
tap 452 80                                # OK
expect 336 612 editor-again 0,0,0
tap 440 26                                # the navigation bar's "ok" saves the invoice
expect 336 612 register-again 192,192,192

saved="$SLATEWAY_DEVICE_ROOT/My Documents/Invoice102.QVN"
db="$SLATEWAY_DEVICE_ROOT/Application Data/VendelSoftware/Slateway/Database/Slateway.db"
eventually test -f "$saved"
id=$(sqlite3 "$db" "SELECT ListID FROM CustomerList WHERE FullName = 'Zed:Deck'")
if [ -n "$id" ] && grep -qF "<CUSTOMER><LISTID>$id</LISTID>" "$saved" && grep -qF "<FULLNAME>Zed:Deck</FULLNAME>" "$saved"; then
  echo "ok: the invoice names the job by its list id $id"
else
  fail "the invoice does not carry the table's job (list id '$id')"
fi
# Nothing was typed on the job's Job Info page: the invoice's job is the job all the same.
job=$(grep -o "<JOB>.*</JOB>" "$saved")
if [ -n "$id" ] && grep -qF "<LISTID>$id</LISTID>" <<<"$job" && grep -qF "<NAME>Deck</NAME>" <<<"$job"; then
  echo "ok: the invoice's job is Deck"
else
  fail "the invoice's job is not Deck: $job"
fi
end_program $pid Slateway
exit $failed
