#!/usr/bin/env bash
# A termination signal ends the demo even while a message dialog waits for OK, and no process of
# the demo outlives it: SIGTERM and SIGHUP end it with status 0 and take the dialog with them; a
# SIGKILLed demo leaves no dialog (SDL shows it from a child process) on screen.
source "$(dirname "$0")/lib.sh"

folder=$(copy_run_folder)
rm "$folder/flare.tga"
HELPERS=()

# True while process $1 exists and is not a zombie.
alive() {
  local state
  state=$(ps -o stat= -p "$1" 2>/dev/null) || return 1
  [ -n "$state" ] && [ "${state:0:1}" != Z ]
}

# Ends any helper a failed check left behind (only those this script saw).
stop_helpers() {
  local pid
  for pid in "${HELPERS[@]}"; do alive "$pid" && kill -KILL "$pid" 2>/dev/null; done
  stop_demo
}
trap stop_helpers EXIT

for signal in TERM HUP KILL; do
  start_demo "$folder" >/dev/null
  wait_window_named "Hehe :-D" 15 >/dev/null
  sleep 0.3
  helpers=$(pgrep -P "$DEMO_PID" || true)
  HELPERS+=($helpers)
  note "SIG$signal with the dialog up; its helper processes: ${helpers:-none}"
  signalled=$(now)
  kill "-$signal" "$DEMO_PID"
  wait_exit 3
  note "the demo ended $(since "$signalled") s after SIG$signal, status $DEMO_STATUS"
  case $signal in
    KILL) [ "$DEMO_STATUS" -eq 137 ] || fail "status $DEMO_STATUS after SIGKILL" ;;
    *) [ "$DEMO_STATUS" -eq 0 ] || fail "status $DEMO_STATUS after SIG$signal, not 0" ;;
  esac
  gone=$(now)
  while [ -n "$(window_named "Hehe :-D")" ] && not_above "$(since "$gone")" 3; do sleep 0.1; done
  [ -z "$(window_named "Hehe :-D")" ] || fail "the dialog is still on screen 3 s after the demo ended (SIG$signal)"
  for pid in $helpers; do
    while alive "$pid" && not_above "$(since "$gone")" 3; do sleep 0.1; done
    alive "$pid" && fail "helper process $pid outlived the demo (SIG$signal): $(ps -o pid,stat,args -p "$pid")"
  done
  note "ok: SIG$signal: nothing left on screen or running"
done
