# Shared by the real-window tests; sourced, never run. Each test script is called as
#   <script> <run folder> <scratch folder>
# by run-test.sh, already inside a virtual X server when the test needs one.
set -euo pipefail
# since and not_above read and print decimal seconds: a decimal-comma locale would break them.
export LC_ALL=C

RUN_DIR=$(cd "$1" && pwd)
WORK=$(cd "$2" && pwd)
TITLE='Tepple polygon engine'
DEMO_PID=
DEMO_STATUS=

fail() {
  echo "FAIL: $*" >&2
  if [ -s "$WORK/stderr" ]; then
    echo "---- the demo's standard error:" >&2
    cat "$WORK/stderr" >&2
  fi
  exit 1
}

note() { echo "$*"; }

now() { date +%s.%N; }

# Seconds from $1 to now, to a millisecond.
since() { awk -v start="$1" -v end="$(now)" 'BEGIN { printf "%.3f", end - start }'; }

# True when $1 <= $2, both decimal seconds.
not_above() { awk -v a="$1" -v b="$2" 'BEGIN { exit !(a <= b) }'; }

# A copy of the run folder to spoil: the demo and its data, side by side as the build lays them out.
copy_run_folder() {
  local copy=$WORK/run
  rm -rf "$copy"
  cp -r "$RUN_DIR" "$copy"
  echo "$copy"
}

# The program in the run folder, and what starts it: TEPPLE_DEMO, when set, is a command for it
# (the Windows build's tests: the emulator and tepple.exe).
DEMO_FILE=tepple
DEMO_COMMAND=(./tepple)
if [ -n "${TEPPLE_DEMO:-}" ]; then
  read -r -a DEMO_COMMAND <<<"$TEPPLE_DEMO"
  DEMO_FILE=${DEMO_COMMAND[-1]#./}
fi

# Starts the demo from folder $1 in the background, with any further arguments as environment
# settings (NAME=value). Its output goes to $WORK/stdout and $WORK/stderr.
start_demo() {
  local folder=$1
  shift
  [ -x "$folder/$DEMO_FILE" ] || fail "no demo at $folder/$DEMO_FILE"
  (cd "$folder" && exec env "$@" "${DEMO_COMMAND[@]}") >"$WORK/stdout" 2>"$WORK/stderr" &
  DEMO_PID=$!
  note "started the demo (pid $DEMO_PID) in $folder"
}

running() { [ -n "$DEMO_PID" ] && kill -0 "$DEMO_PID" 2>/dev/null; }

# Waits up to $1 seconds for the demo to end and puts its exit status in DEMO_STATUS. Fails,
# stopping the demo, when it is still running then.
wait_exit() {
  local limit=$1 start
  start=$(now)
  while running && not_above "$(since "$start")" "$limit"; do sleep 0.02; done
  if running; then
    stop_demo
    fail "the demo was still running $limit s later"
  fi
  DEMO_STATUS=0
  wait "$DEMO_PID" || DEMO_STATUS=$?
  DEMO_PID=
  # A sanitized build reports at exit, leaks among them, whatever the status it was to end with.
  if grep -q '^==[0-9]*==ERROR: [A-Za-z]*Sanitizer' "$WORK/stderr" 2>/dev/null; then
    fail "the sanitizer reported an error (status $DEMO_STATUS)"
  fi
}

# Ends a demo left running by a failed check (only the one this script started).
stop_demo() {
  if running; then
    kill -KILL "$DEMO_PID" 2>/dev/null || true
    wait "$DEMO_PID" 2>/dev/null || true
  fi
  DEMO_PID=
}
trap stop_demo EXIT

# The id of the demo's window, waiting up to $1 seconds for it to be shown. xdotool's search gives
# up at once on an X error, such as a window it was looking at vanishing while the program starts
# (SDL makes and drops windows of its own): it is asked again until the time is up.
find_window() {
  local wid="" deadline=$((SECONDS + $1))
  while [ -z "$wid" ] && [ "$SECONDS" -lt "$deadline" ]; do
    wid=$(timeout "$((deadline - SECONDS))" xdotool search --sync --onlyvisible --name "^$TITLE\$" 2>/dev/null |
      head -n 1) || true
    [ -n "$wid" ] || sleep 0.2
  done
  [ -n "$wid" ] || fail "no visible window titled \"$TITLE\" within $1 s"
  echo "$wid"
}

# The id of a shown window (dialogs included, which xdotool may not see) named exactly $1, or
# nothing. A window already created but not yet mapped does not count: it cannot take the focus.
window_named() {
  local wid
  for wid in $(xwininfo -root -tree | awk -v name=" \"$1\": " 'index($0, name) { print $1 }'); do
    if grep -q 'Map State: IsViewable' <<<"$(xwininfo -id "$wid" 2>/dev/null)"; then
      echo "$wid"
      return
    fi
  done
}

# Waits up to $2 seconds for a window named $1 and prints its id; fails if none appears.
wait_window_named() {
  local name=$1 limit=$2 start wid=
  start=$(now)
  while [ -z "$wid" ] && not_above "$(since "$start")" "$limit"; do
    wid=$(window_named "$name")
    [ -n "$wid" ] || sleep 0.1
  done
  [ -n "$wid" ] || fail "no window named \"$name\" within $limit s"
  echo "$wid"
}

# Width x height of window $1, e.g. 640x480.
window_size() { xdotool getwindowgeometry "$1" | sed -n 's/^ *Geometry: *//p'; }

# A PNG of window $1's contents in $2.
screenshot() { import -window "$1" "$2"; }

# Number of distinct colours of image $1.
colour_count() { convert "$1" -format '%k' info:; }

# Mean brightness of image $1, 0 to 1.
mean_brightness() { convert "$1" -colorspace Gray -format '%[fx:mean]' info:; }

# Number of pixels of image $1 that differ from image $2 (same size).
differing_pixels() {
  local count
  # compare writes the count on standard error and exits 1 when the images differ.
  count=$(compare -metric AE "$1" "$2" null: 2>&1 >/dev/null) || true
  echo "${count%% *}"
}

# Gives window $1 the keyboard focus and presses key $2 there. With no window manager, keys go to
# the focused window; a dialog, say, would not get them otherwise.
press_key() {
  xdotool windowfocus "$1"
  xdotool key "$2"
}
