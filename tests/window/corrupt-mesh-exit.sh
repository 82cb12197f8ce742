#!/usr/bin/env bash
# A cut-short "Shape4.LSB" stops start-up: the error names the file on standard error (and in a
# dialog, dismissed with Return, where the server can show one), and the demo exits non-zero.
source "$(dirname "$0")/lib.sh"

folder=$(copy_run_folder)
head -c 100 "$RUN_DIR/Shape4.LSB" >"$folder/Shape4.LSB"
start_demo "$folder"

started=$(now)
dismissed=no
while running && not_above "$(since "$started")" 20; do
  dialog=$(window_named "Hehe :-D")
  if [ -n "$dialog" ] && [ "$dismissed" = no ]; then
    note "dialog $dialog shown; dismissing it"
    press_key "$dialog" Return
    dismissed=yes
  fi
  sleep 0.1
done
wait_exit 5
note "exit status $DEMO_STATUS"
[ "$DEMO_STATUS" -ne 0 ] || fail "the demo ended with status 0 despite the broken mesh"
[ "$DEMO_STATUS" -lt 128 ] || fail "the demo crashed (status $DEMO_STATUS)"
grep -q 'Shape4\.LSB' "$WORK/stderr" || fail "the error does not name Shape4.LSB"
note "message: $(cat "$WORK/stderr")"
