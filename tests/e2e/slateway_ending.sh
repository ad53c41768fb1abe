#!/bin/bash
# End-to-end check of how the program ends: on a new device with a Socket scanner (so the
# power watch and the scanner's polling run beside the customer loader and the relay's
# listener), Slateway is started 20 times and sent SIGTERM at once, while it shows the
# register or the editor, with a command connection that stalls, and must close and end by
# itself each time with exit code 0 (a close that outran the program's own end deadline
# would end it with the deadline's code instead). Then it runs on an X server of its own
# that is stopped under it: it must end by itself the same way, the open document saved as
# a close saves it. Usage: slateway_ending.sh Slateway slateway-install outdir
set -u
source "$(dirname "$0")/display_common.sh"
read_args program installer out -- "$@"
name=ending
new_device "$installer"
: > "$out/$name-stderr.txt"
# The scanner chosen on Options' Bar Codes page: a Socket scanner, which the power thread watches.
hive="$SLATEWAY_DEVICE_ROOT/Windows/Registry/HKEY_CURRENT_USER.reg"
sed -i 's/^\[Software\\VendelSoftware\\Slateway\\Preferences\]$/&\n"ScannerMake"=sz:"Socket"/' "$hive"
grep -q '"ScannerMake"=sz:"Socket"' "$hive" || { echo "FAIL: the scanner could not be chosen"; exit 1; }
: > "$SLATEWAY_DEVICE_ROOT/Windows/Scanner.txt"

now_ms() { echo $(( $(date +%s%N) / 1000000 )); }

# Waits for process $1 (a child of this shell) to end, killing it only once patience runs
# out (a program that hangs); sets `took` (ms since $2) and `code`.
await_end() {
  # (The guard's own pause ends with it, so that nothing outlives the script.)
  (
    sleep "$patience" &
    trap 'kill $!; exit' TERM
    wait $!
    kill -9 "$1" 2>/dev/null
  ) >/dev/null 2>&1 &
  local guard=$!
  wait "$1" 2>/dev/null
  code=$?
  took=$(( $(now_ms) - $2 ))
  kill $guard 2>/dev/null
  wait $guard 2>/dev/null
}

# Starts the program (sets pid) and waits for its window (find_window). Under xvfb-run the
# X connection of a new client now and then fails at once, whatever the client (seen about
# once in 50 starts on a busy machine): a start that found no display is tried again.
start_program() {
  for attempt in 1 2 3; do
    launch "$program" $args 2>"$out/$name-start.txt"
    eventually shown_or_ended Slateway $pid
    cat "$out/$name-start.txt" >>"$out/$name-stderr.txt"
    kill -0 $pid 2>/dev/null && break
    wait $pid 2>/dev/null
    grep -q "no display" "$out/$name-start.txt" || break
    echo "note: start $attempt found no display; starting again"
  done
  find_window Slateway $pid
}

# Waits until process $1 has started (its main window shares itself with other processes).
started() { eventually test -S "$SLATEWAY_DEVICE_ROOT/.platform/ipc/$1.sock"; }

# A peer that connects to the program's window socket, writes part of a request and stalls
# until the program drops the connection; returns once it has written.
stall() {
  local wrote=$out/$name-stalled
  rm -f "$wrote"
  perl -MIO::Socket::UNIX -e '$s = IO::Socket::UNIX->new(Peer => $ARGV[0]) or exit 1; $s->autoflush(1);
    print $s "SWIP"; open(my $f, ">", $ARGV[1]); close $f; sysread($s, my $b, 1)' \
    "$SLATEWAY_DEVICE_ROOT/.platform/ipc/$1.sock" "$wrote" &
  staller=$!
  eventually stalling "$wrote"
}
stalling() { [ -e "$1" ] || ! kill -0 $staller 2>/dev/null; }

slowest=0
for round in $(seq 20); do
  start_program
  # Before the program has started, SIGTERM ends it by the signal's own action (143):
  # nothing is open yet, and the kernel ends it as soon as its present system call returns
  # (a write reaching the disk may take a while on a busy machine). Once started, it closes
  # and ends with 0.
  allowed="0"
  case $((round % 4)) in
    1) started $pid; expect 445 192 first-row 255,255,255
       tap 200 192                                 # the first row: its document opens in the editor
       expect 336 612 editor-open 0,0,0 ;;         # the editor's menu bar
    2) started $pid; stall $pid ;;
    3) started $pid ;;
    *) allowed="0 143" ;;                        # at once, while the program starts
  esac
  start=$(now_ms)
  kill -TERM $pid
  await_end $pid "$start"
  [ -n "${staller:-}" ] && { kill "$staller" 2>/dev/null; wait "$staller" 2>/dev/null; staller=""; }
  [ "$code" -eq 0 ] && [ "$took" -gt "$slowest" ] && slowest=$took
  if [[ " $allowed " != *" $code "* ]]; then
    fail "round $round ended with code $code after $took ms"
  fi
done
echo "ok: 20 starts ended on SIGTERM, the slowest close after $slowest ms"

# An X server of its own, stopped under the program while the editor shows a document. The
# program starts on the register, so that only its close can make the editor the last view.
sed -i '/^"LastView"\|^"LastInvoice"/d' "$hive"
rm -f "$out/$name-display.txt"          # a number from an earlier run is no display
Xvfb -displayfd 5 -screen 0 800x700x24 5>"$out/$name-display.txt" 2>/dev/null &
xvfb=$!
trap 'kill $xvfb 2>/dev/null; rm -rf "$SLATEWAY_DEVICE_ROOT"' EXIT
eventually test -s "$out/$name-display.txt"
export DISPLAY=:$(head -1 "$out/$name-display.txt")
eventually xdotool getdisplaygeometry >/dev/null 2>&1
start_program
expect 445 192 register-first-row 255,255,255
tap 200 192
expect 336 612 editor 0,0,0             # the editor's menu bar: the scanner button's bars
start=$(now_ms)
kill $xvfb
wait $xvfb 2>/dev/null
await_end $pid "$start"
if [ "$code" -ne 0 ]; then
  fail "after its display went away the program ended with code $code after $took ms"
else
  echo "ok: the program ended $took ms after its display went away"
fi
if grep -q '"LastView"=dword:00000001' "$hive" && grep -q '"LastInvoice"=sz:"..My Documents' "$hive"; then
  echo "ok: the open document is the last view"
else
  fail "the close did not store the open document: $(grep -a '"LastView"\|"LastInvoice"' "$hive" | tr '\n' ' ')"
fi
exit $failed
