#!/usr/bin/env bash
# Started from a folder without data files, the demo reads them from its own folder and says so
# in one line; where neither folder has them, one line names both and the README's run command,
# and it stops with status 1 before any message about a single file. `tepple --help` says in one
# line that there are no options and exits 0 without starting. Runs on SDL's dummy video driver.
source "$(dirname "$0")/lib.sh"

export SDL_VIDEODRIVER=dummy
elsewhere=$WORK/elsewhere
mkdir -p "$elsewhere"

# Starts program $1 from the folder $elsewhere, with any further arguments as its own.
start_from_elsewhere() {
  local program=$1
  shift
  (cd "$elsewhere" && exec "$program" "$@") >"$WORK/stdout" 2>"$WORK/stderr" &
  DEMO_PID=$!
}

lines() { wc -l <"$1" | tr -d ' '; }

# The data files in the program's folder.
start_from_elsewhere "$RUN_DIR/tepple"
sleep 2
running || { wait_exit 1; fail "started from another folder, the demo stopped (status $DEMO_STATUS)"; }
kill -TERM "$DEMO_PID"
wait_exit 5
note "from another folder: status $DEMO_STATUS: $(cat "$WORK/stderr")"
[ "$DEMO_STATUS" -eq 0 ] || fail "status $DEMO_STATUS after SIGTERM"
[ "$(lines "$WORK/stderr")" -eq 1 ] || fail "not one line on standard error"
grep -qF "$RUN_DIR" "$WORK/stderr" || fail "the line does not name the folder the data files are read from"

# No data files anywhere.
bare=$WORK/bare
mkdir -p "$bare"
cp "$RUN_DIR/tepple" "$bare/"
start_from_elsewhere "$bare/tepple"
wait_exit 10
note "no data files anywhere: status $DEMO_STATUS: $(cat "$WORK/stderr")"
[ "$DEMO_STATUS" -eq 1 ] || fail "status $DEMO_STATUS, not 1"
[ "$(lines "$WORK/stderr")" -eq 1 ] || fail "not one line on standard error"
for expected in "$elsewhere" "$bare" ./scripts/run.sh; do
  grep -qF "$expected" "$WORK/stderr" || fail "the line does not name $expected"
done

# Asking for help.
start_from_elsewhere "$RUN_DIR/tepple" --help
wait_exit 2
note "--help: status $DEMO_STATUS: $(cat "$WORK/stdout")"
[ "$DEMO_STATUS" -eq 0 ] || fail "status $DEMO_STATUS after --help"
[ "$(lines "$WORK/stdout")" -eq 1 ] && grep -q 'no options' "$WORK/stdout" ||
  fail "--help does not say in one line that there are no options"
[ ! -s "$WORK/stderr" ] || fail "--help wrote on standard error"
