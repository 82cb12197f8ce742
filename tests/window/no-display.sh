#!/usr/bin/env bash
# With no display to show the window on, the demo says so and exits with status 1 at once,
# rather than playing its 150 seconds unseen on SDL's invisible fallback driver. Where DISPLAY
# names a display that cannot be used (its server refuses or is not there), the message gives
# that display and SDL's own reason instead of asking whether DISPLAY is set. One line either way.
source "$(dirname "$0")/lib.sh"

unset DISPLAY WAYLAND_DISPLAY SDL_VIDEODRIVER XDG_RUNTIME_DIR
start_demo "$RUN_DIR"
wait_exit 10
note "status $DEMO_STATUS: $(cat "$WORK/stderr")"
[ "$DEMO_STATUS" -eq 1 ] || fail "the demo ended with status $DEMO_STATUS, not 1"
grep -q '^tepple: cannot open the window: ' "$WORK/stderr" || fail "no message says the window cannot open"
# Nothing else: no word from the libraries SDL probes with (no XDG_RUNTIME_DIR complaint).
[ "$(wc -l <"$WORK/stderr")" -eq 1 ] || fail "more than the one line on standard error"

# A display number no server listens on.
number=4242
while [ -e "/tmp/.X11-unix/X$number" ]; do number=$((number + 1)); done
start_demo "$RUN_DIR" DISPLAY=":$number"
wait_exit 10
note "DISPLAY=:$number: status $DEMO_STATUS: $(cat "$WORK/stderr")"
[ "$DEMO_STATUS" -eq 1 ] || fail "the demo ended with status $DEMO_STATUS, not 1"
grep -q "^tepple: cannot open the window: DISPLAY is \":$number\" but SDL cannot use it: ." "$WORK/stderr" ||
  fail "the message does not name the display and SDL's reason"
[ "$(wc -l <"$WORK/stderr")" -eq 1 ] || fail "more than the one line on standard error"

# A value echoed back from the environment cannot drive the terminal: control characters are shown
# escaped.
start_demo "$RUN_DIR" TEPPLE_THREADS=$'\e[31mRED'
wait_exit 10
grep -qF "not '\\e[31mRED'" "$WORK/stderr" || fail "TEPPLE_THREADS not shown escaped: $(cat -v "$WORK/stderr")"
if grep -q $'\e' "$WORK/stderr"; then fail "an escape character reached standard error"; fi
