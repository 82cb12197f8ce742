#!/usr/bin/env bash
# With no display to show the window on, the demo says so and exits with status 1 at once,
# rather than playing its 150 seconds unseen on SDL's invisible fallback driver.
source "$(dirname "$0")/lib.sh"

unset DISPLAY WAYLAND_DISPLAY SDL_VIDEODRIVER
start_demo "$RUN_DIR"
wait_exit 10
note "status $DEMO_STATUS: $(cat "$WORK/stderr")"
[ "$DEMO_STATUS" -eq 1 ] || fail "the demo ended with status $DEMO_STATUS, not 1"
grep -q '^tepple: cannot open the window: ' "$WORK/stderr" || fail "no message says the window cannot open"
