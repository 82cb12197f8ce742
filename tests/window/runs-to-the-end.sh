#!/usr/bin/env bash
# Left alone, the demo plays its whole 150-second timeline and exits with status 0 by itself.
source "$(dirname "$0")/lib.sh"

started=$(now)
start_demo "$RUN_DIR"
find_window 10 >/dev/null
wait_exit 200
elapsed=$(since "$started")
note "ended by itself $elapsed s after it was started, status $DEMO_STATUS"
[ "$DEMO_STATUS" -eq 0 ] || fail "the demo ended with status $DEMO_STATUS"
# The timeline's clock starts after the window opens and the data is loaded.
not_above 150 "$elapsed" || fail "the demo ended after $elapsed s, before its 150-second timeline"
not_above "$elapsed" 170 || fail "the demo took $elapsed s to end, well past its 150-second timeline"
