#!/usr/bin/env bash
# The real start-up, exec to a painted register, on two installed devices: the sample
# device (11 documents) and a large one (the samples, 1,000 more invoices and 10,000 more
# items). Each device is installed and started once first, so neither the installation
# nor the laying out of the samples is timed; then startup_timer starts the program N times.
#
#   benchmarks/startup_under_xvfb.sh [BUILD_DIR] [RUNS]     (default: build 7)
#
# It uses the display in DISPLAY (an Xvfb screen of 800x700 or more, nothing else on it);
# without one it runs itself on a new Xvfb screen (xvfb-run).
set -euo pipefail

build=$(cd "${1:-build}" && pwd)
runs=${2:-7}
if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 800x700x24" "$0" "$build" "$runs"
fi
program=$build/bin/Slateway
installer=$build/bin/slateway-install
timer=$build/bin/startup_timer

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# An installed device whose program has started once.
make_device() {
  export SLATEWAY_DEVICE_ROOT=$1
  "$installer" </dev/null >/dev/null 2>&1
  "$timer" --runs 1 --settle-ms 500 -- "$program" >/dev/null
}

# 1,000 invoices of a dozen lines and 10,000 service items.
grow_device() {
  local docs=$1/My\ Documents db
  for i in $(seq 1000 1999); do
    {
      printf '<?xml version="1.0" encoding="UTF-8"?>\n<SALESDOCUMENT VERSION="4" DOCTYPE="INVOICE" STYLE="4" ID="%s" ' "$i"
      printf 'DATE="3/10/2026" DATEQB="2026-03-10" TERMS="Net 30" COMPLETE="no" WIRELESS="NO" PAID="NO" VOID="NO">'
      printf '<CUSTOMER><LISTID>80000007-1234567890</LISTID><COMPANYNAME>Lee &amp; Co %s</COMPANYNAME>' $((i % 97))
      printf '<FULLNAME>Lee &amp; Co</FULLNAME></CUSTOMER><JOB><NAME>Kitchen</NAME></JOB>'
      for line in $(seq 12); do
        printf '<LINEITEM ID="%s"><TYPE>Service</TYPE><NAME>Work %s</NAME><QUANTITY>2</QUANTITY>' "$line" "$line"
        printf '<PRICE>12.50</PRICE><TOTAL>25.00</TOTAL></LINEITEM>'
      done
      printf '<TOTALS><SUBTOTAL>300.00</SUBTOTAL><TAX>24.75</TAX><TOTAL>%s.00</TOTAL></TOTALS></SALESDOCUMENT>\n' $((300 + i % 50))
    } >"$docs/Invoice$i.QVN"
  done
  db=$(find "$1/Application Data" -path '*Database/*.db' | head -1)
  sqlite3 "$db" "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 10000)
    INSERT INTO ItemsList (ListID, ListType, Name, FullName, SalesDescription, PurchaseCost, SalesAmount, Taxable,
      Tax2, TimeCreated, TimeModified, EditSequence, UnitOfMeasure, Account, Vendor, Parent, UseCount,
      ObjectPosition, StartingQuantity, EndingQuantity, QuantityOnHand, QuantityOnSalesOrder, ReorderPoint,
      ObjectType, IsOpen, sReserved1, sReserved2, sReserved3, sReserved4, nReserved1)
    SELECT printf('9%07X-1767600000', i), 'Service', 'Work ' || i, 'Work ' || i, 'Service work number ' || i,
      '0', '12.50', 'Tax', '', '', '', '1', '', '', '', 'Service', 1, -1, 0, 0, 0, 0, 0, 1, 0, '', '', '', '', 0
    FROM n;"
}

make_device "$work/small"
make_device "$work/large"
grow_device "$work/large"

for device in small large; do
  export SLATEWAY_DEVICE_ROOT=$work/$device
  count=$(find "$SLATEWAY_DEVICE_ROOT/My Documents" -name '*.QVN' | wc -l)
  echo "== $count documents, exec to painted register, --scale 2"
  "$timer" --runs 1 --settle-ms 500 -- "$program" >/dev/null  # the files in the page cache
  "$timer" --runs "$runs" -- "$program" --scale 2
done
