#!/bin/bash
# Two programs on one device at once: Slateway started twice in the same instant, then
# Slateway and slatelaunch STOP (which starts the installed program when none runs) in the
# same instant. Each time exactly one program must go on running and the other end by
# itself with 0. Usage: two_at_once.sh Slateway slateway-install slatelaunch outdir
set -u
source "$(dirname "$0")/display_common.sh"
read_args program installer relay out -- "$@"
name=two-at-once
new_device "$installer"

# Whether process $1 still runs (one that ended but was not waited for does not).
runs() { ps -o stat= -p "$1" 2>/dev/null | grep -qv Z; }

# Ends program $1 with SIGTERM (it may be no child of this shell: the one slatelaunch
# started); it must end by itself.
stopped() { ! runs "$1"; }
stop() {
  kill -TERM "$1" 2>/dev/null
  eventually stopped "$1"
  if runs "$1"; then fail "Slateway $1 did not end"; kill -9 "$1"; fi
  wait "$1" 2>/dev/null
}

# The programs that run now: every process listening on its window socket.
running() {
  local pids=""
  for sock in "$SLATEWAY_DEVICE_ROOT"/.platform/ipc/*.sock; do
    [ -S "$sock" ] || continue
    local p=$(basename "$sock" .sock)
    runs "$p" && pids="$pids $p"
  done
  echo $pids
}

# Exactly one program runs and one of the two processes started has ended.
one_runs() {
  local ended=0 p
  for p in $first $second; do runs "$p" || ended=$((ended + 1)); done
  [ "$(running | wc -w)" = 1 ] && [ $ended -ge 1 ]
}

for round in 1 2 3 4; do
  if [ $((round % 2)) = 1 ]; then
    what="two programs"
    launch "$program" $args; first=$pid
    launch "$program" $args; second=$pid
  else
    what="a program and slatelaunch"
    launch "$program" $args; first=$pid
    "$relay" STOP & second=$!
  fi
  # Both have started up (or given up) once one program shows its window and the other
  # process has ended; two programs that both go on running never get there.
  eventually one_runs
  alive=$(running)
  count=$(echo $alive | wc -w)
  if [ "$count" != 1 ]; then
    fail "round $round ($what): $count programs run (${alive:-none})"
  fi
  for p in $first $second; do
    if ! runs "$p"; then
      wait "$p"; code=$?
      [ $code = 0 ] || fail "round $round ($what): the process that stood back ended with $code"
    fi
  done
  for p in $alive $first $second; do stop "$p"; done
done
[ $failed = 0 ] && echo "two at once: one program each time"
exit $failed
