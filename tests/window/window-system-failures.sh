#!/usr/bin/env bash
# What the window system does to the demo's window, and the memory it leaves for one: a window
# made 32767 x 32767 by another client is asked back within the screen, the picture still shown; under a tight address-space limit the window opens all the same (drawn by
# SDL's software renderer); a window destroyed, or its connection cut, by another client ends the
# demo with one line of its own and status 1.
source "$(dirname "$0")/lib.sh"

# In a sanitized build: SDL's software renderer sizes the frame of a 32767 x 32767 window with an
# overflowing product and asks malloc for it; the ordinary allocator answers null, which SDL
# handles, while the sanitizer's would abort. Let it answer as the ordinary one does.
if [ -n "${LSAN_OPTIONS-}" ]; then
  export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}allocator_may_return_null=1"
fi

start_demo "$RUN_DIR"
wid=$(find_window 10)
xdotool windowsize "$wid" 32767 32767
sleep 2
running || fail "the demo ended when its window was made 32767 x 32767"
size=$(window_size "$wid")
width=${size%x*} height=${size#*x}
[ "$width" -le 1024 ] && [ "$height" -le 768 ] || fail "the window stayed $size on a 1024 x 768 screen"
note "a 32767 x 32767 window was asked back to $size"
press_key "$wid" space
wait_exit 2
[ "$DEMO_STATUS" -eq 0 ] || fail "ended with status $DEMO_STATUS after a key"

# A sanitized build reserves terabytes of address space: it cannot run under a limit at all.
if [ -z "${LSAN_OPTIONS-}" ]; then
  for limit in 500000 150000; do
    (cd "$RUN_DIR" && ulimit -v "$limit" && exec ./tepple) >"$WORK/stdout" 2>"$WORK/stderr" &
    DEMO_PID=$!
    wid=$(find_window 10)
    sleep 1
    running || fail "under a $limit kB limit the demo ended: $(cat "$WORK/stderr")"
    press_key "$wid" space
    wait_exit 2
    [ "$DEMO_STATUS" -eq 0 ] || fail "under a $limit kB limit: status $DEMO_STATUS"
    note "under a $limit kB address-space limit the window opened and a key ended the demo"
  done
fi

# lost <how> <command...>: the window's id is appended to the command.
lost() {
  local how=$1
  shift
  start_demo "$RUN_DIR"
  wid=$(find_window 10)
  sleep 0.5
  "$@" "$wid"
  wait_exit 3
  note "$how: status $DEMO_STATUS: $(cat "$WORK/stderr")"
  [ "$DEMO_STATUS" -eq 1 ] || fail "$how: status $DEMO_STATUS, not 1"
  grep -q '^tepple: the window was lost: ' "$WORK/stderr" || fail "$how: no line says the window was lost"
  if grep -q -e 'X Error' -e 'XIO' "$WORK/stderr"; then fail "$how: the X library's own report came through"; fi
}
lost "its client killed" xdotool windowkill
[ -x "${DESTROY_WINDOW-}" ] || fail "no window destroyer (DESTROY_WINDOW) was given"
lost "destroyed" "$DESTROY_WINDOW"
