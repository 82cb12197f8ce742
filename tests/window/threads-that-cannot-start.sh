#!/usr/bin/env bash
# Drawing threads the system will not start (here too little address space for their stacks; a
# container's process limit does the same): the demo says in one line how many it could start,
# plays on with those and still ends on SIGTERM; the capture tool says the same and makes the
# very picture it makes with one thread.
source "$(dirname "$0")/lib.sh"

# A sanitized build reserves terabytes of address space at start: it cannot run under a limit.
if [ -n "${LSAN_OPTIONS:-}" ]; then
  note "sanitized build: no address-space limit can be set; nothing checked"
  exit 0
fi
# Room for the program, its data and a few threads' 8 MB stacks, not for 30 of them.
limit_kb=150000

(cd "$RUN_DIR" && ulimit -v "$limit_kb" &&
  exec env TEPPLE_THREADS=30 SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy ./tepple) >"$WORK/stdout" 2>"$WORK/stderr" &
DEMO_PID=$!
start=$(now)
until grep -q 'drawing threads' "$WORK/stderr" || ! running || ! not_above "$(since "$start")" 10; do sleep 0.05; done
grep -Eq '^tepple: could start only [0-9]+ of 30 drawing threads$' "$WORK/stderr" ||
  fail "no line saying how many drawing threads started"
note "$(grep 'drawing threads' "$WORK/stderr")"
sleep 1
running || fail "the demo did not play on with the threads it had"
signalled=$(now)
kill -TERM "$DEMO_PID"
wait_exit 5
note "ended $(since "$signalled") s after SIGTERM, status $DEMO_STATUS"
[ "$DEMO_STATUS" -eq 0 ] || fail "the demo ended with status $DEMO_STATUS after SIGTERM"

status=0
(ulimit -v "$limit_kb" && exec timeout 60 "$RUN_DIR/tepple-capture" --threads 30 --at 1 --out "$WORK/limited") \
  >"$WORK/stdout" 2>"$WORK/stderr" || status=$?
[ "$status" -eq 0 ] || fail "the capture under the limit ended with status $status"
grep -Eq '^tepple-capture: could start only [0-9]+ of 30 drawing threads$' "$WORK/stderr" ||
  fail "the capture did not say how many drawing threads started"
"$RUN_DIR/tepple-capture" --threads 1 --at 1 --out "$WORK/one" 2>/dev/null
cmp -s "$WORK/limited/t001.000.png" "$WORK/one/t001.000.png" || fail "the picture differs from the one-thread picture"
note "ok: $(grep 'drawing threads' "$WORK/stderr")"
