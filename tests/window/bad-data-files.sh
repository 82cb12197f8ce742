#!/usr/bin/env bash
# Every data file missing, empty, cut short, replaced by garbage, by a folder or by a named pipe
# (and the soundtrack damaged), one at a time: the demo never crashes or hangs, and says what is
# wrong in one line at most. A broken mesh stops it with status 1 and a message naming the file; a
# broken picture or soundtrack is reported (a missing picture) or shown as it decodes, and the demo
# carries on until it is told to stop. Runs on SDL's dummy video driver, where messages go to
# standard error.
source "$(dirname "$0")/lib.sh"

export SDL_VIDEODRIVER=dummy
failures=0

# The data names, as src/media/DataFiles.h writes them (each quoted on the line of its constant),
# by constant; the meshes and pictures told apart by their endings.
DATA_FILES_HEADER=$(dirname "$0")/../../src/media/DataFiles.h
declare -A DATA=()
MESHES=() PICTURES=()
while IFS= read -r line; do
  [[ $line =~ ^[^/]*[^A-Za-z0-9_]([A-Za-z0-9_]+)\ =\ \"([^\"]+)\"\; ]] || continue
  name=${BASH_REMATCH[2]}
  DATA[${BASH_REMATCH[1]}]=$name
  case "$name" in
    *.LSB) MESHES+=("$name") ;;
    *.tga) PICTURES+=("$name") ;;
  esac
done <"$DATA_FILES_HEADER"
for constant in soundtrack background columnMesh; do
  [ -n "${DATA[$constant]:-}" ] || fail "no $constant in $DATA_FILES_HEADER"
done
[ "$(( ${#MESHES[@]} + ${#PICTURES[@]} + 1 ))" -eq "${#DATA[@]}" ] ||
  fail "$DATA_FILES_HEADER: ${#DATA[@]} names, but ${#MESHES[@]} meshes, ${#PICTURES[@]} pictures and a soundtrack"
SOUNDTRACK=${DATA[soundtrack]}

check() {
  if ! "$@"; then
    failures=$((failures + 1))
  fi
}

# One line at most for one spoiled file: what happened, which file, what the demo does instead.
at_most_one_line() {
  local count
  count=$(wc -l <"$WORK/stderr")
  [ "$count" -le 1 ] && return
  echo "FAIL: $1: $count lines on standard error for one problem: $(head -n 5 "$WORK/stderr")" >&2
  return 1
}

# Spoils file $2 of a fresh copy of the run folder in way $1.
spoil() {
  local how=$1 file=$2 folder=$WORK/run
  case "$how" in
    missing) rm "$folder/$file" ;;
    empty) : >"$folder/$file" ;;
    short) head -c 40 "$RUN_DIR/$file" >"$folder/$file" ;;
    # Another data file's bytes: well-formed for its own kind, wrong for this one. (The
    # soundtrack's bytes would not do for a mesh: they begin like a valid empty one.)
    garbage)
      case "$file" in
        *.LSB) cp "$RUN_DIR/${DATA[background]}" "$folder/$file" ;;
        *) cp "$RUN_DIR/${DATA[columnMesh]}" "$folder/$file" ;;
      esac
      ;;
    directory) rm "$folder/$file" && mkdir "$folder/$file" ;;
    # Nothing ever writes to it: a reader that opens it and waits would wait forever.
    fifo) rm "$folder/$file" && mkfifo "$folder/$file" ;;
    # 64 bytes overwritten every 1500 from byte 3000 on: frames the decoder stumbles over within
    # the first second, in the file's full length.
    damaged)
      local offset
      for offset in $(seq 3000 1500 40000); do
        printf 'U%.0s' $(seq 64) | dd of="$folder/$file" bs=1 seek="$offset" conv=notrunc status=none
      done
      ;;
  esac
}

expect_stop() {
  local how=$1 file=$2
  copy_run_folder >/dev/null
  spoil "$how" "$file"
  start_demo "$WORK/run" >/dev/null
  wait_exit 20
  if [ "$DEMO_STATUS" -ne 1 ]; then
    echo "FAIL: $file $how: status $DEMO_STATUS, not 1" >&2
    return 1
  fi
  if ! grep -qF "$file" "$WORK/stderr"; then
    echo "FAIL: $file $how: the message does not name the file: $(cat "$WORK/stderr")" >&2
    return 1
  fi
  at_most_one_line "$file $how" || return 1
  note "ok: $file $how -> $(grep -F "$file" "$WORK/stderr" | head -n 1)"
}

# $3, when given, is text standard error must hold within the first two seconds, before the demo
# is told to stop: a start-up stuck on the file would only say it when interrupted.
expect_carry_on() {
  local how=$1 file=$2 expected=${3:-} said
  copy_run_folder >/dev/null
  spoil "$how" "$file"
  start_demo "$WORK/run" >/dev/null
  sleep 2
  if ! running; then
    wait_exit 1
    echo "FAIL: $file $how: the demo stopped (status $DEMO_STATUS): $(cat "$WORK/stderr")" >&2
    return 1
  fi
  said=yes
  [ -z "$expected" ] || grep -qF "$expected" "$WORK/stderr" || said=no
  kill -TERM "$DEMO_PID"
  wait_exit 5
  if [ "$DEMO_STATUS" -ne 0 ]; then
    echo "FAIL: $file $how: status $DEMO_STATUS after SIGTERM: $(cat "$WORK/stderr")" >&2
    return 1
  fi
  if [ "$said" = no ]; then
    echo "FAIL: $file $how: standard error lacked \"$expected\" 2 s after the start: $(cat "$WORK/stderr")" >&2
    return 1
  fi
  at_most_one_line "$file $how" || return 1
  note "ok: $file $how -> carried on${expected:+, said: $(grep -F "$expected" "$WORK/stderr" | head -n 1)}"
}

for mesh in "${MESHES[@]}"; do
  for how in missing empty short garbage directory fifo; do check expect_stop "$how" "$mesh"; done
done
for picture in "${PICTURES[@]}"; do
  for how in missing directory fifo; do check expect_carry_on "$how" "$picture" "Could not load file. $picture"; done
  for how in empty short garbage; do check expect_carry_on "$how" "$picture"; done
done
for how in missing empty short garbage directory fifo damaged; do
  check expect_carry_on "$how" "$SOUNDTRACK" "tepple: $SOUNDTRACK: cannot be played ("
done

[ "$failures" -eq 0 ] || fail "$failures bad-data cases failed"
