#!/usr/bin/env bash
# SIGTERM, the request a desktop sends when the window's close button is used, ends the demo
# with status 0; so does SIGHUP, sent when the terminal it was started from goes away.
source "$(dirname "$0")/lib.sh"

for signal in TERM HUP; do
  start_demo "$RUN_DIR"
  find_window 10 >/dev/null
  sleep 1
  running || fail "the demo ended by itself"
  signalled=$(now)
  kill "-$signal" "$DEMO_PID"
  wait_exit 2
  note "ended $(since "$signalled") s after SIG$signal, status $DEMO_STATUS"
  [ "$DEMO_STATUS" -eq 0 ] || fail "the demo ended with status $DEMO_STATUS after SIG$signal"
done
