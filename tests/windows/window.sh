#!/usr/bin/env bash
# The Windows demo under Wine as a user meets it, in a virtual X server (tests/window/run-test.sh x):
# the window by title at 640 x 480 with the first scene drawn over the background; a key, closing
# the window and Ctrl+C each end it with status 0; the soundtrack is what is played; a
# missing picture shows the dialog and the demo carries on after it; missing data names both folders
# and ends with status 1, every path printed without a doubled or trailing separator.
#   window.sh <run folder> <scratch folder>
# TEPPLE_DEMO is the command that starts tepple.exe (the emulator and the program), WINDOW_REQUEST
# the one that starts tepple_window_request.exe. Wine starts and ends programs more slowly than
# Linux does: the limits here are wider than the Linux tests'.
source "$(dirname "$0")/../window/lib.sh"
read -r -a request <<<"$WINDOW_REQUEST"
# Xvfb's GL shows nothing of what Wine's Direct3D draws: SDL's software renderer puts the same
# picture in the window, where it can be read.
export SDL_RENDER_DRIVER=software
# Wine's own processes of an earlier run are tied to the X server they started on, gone by now: the
# prefix's Wine server is ended first, so that they start again on this one.
wineserver -k 2>/dev/null || true
wineserver -w 2>/dev/null || true

# Starts the demo from folder $1 (with settings $2...) and waits for its window, whose id goes to
# $wid.
start_shown() {
  start_demo "$@"
  wid=$(find_window 30)
}

# Expects the demo to end with status 0 within 10 s of what $1 describes.
expect_clean_end() {
  local started
  started=$(now)
  wait_exit 10
  note "ended $(since "$started") s after $1, status $DEMO_STATUS"
  [ "$DEMO_STATUS" -eq 0 ] || fail "the demo ended with status $DEMO_STATUS after $1"
}

# The window, its picture, and a key.
start_shown "$RUN_DIR"
size=$(window_size "$wid")
[ "$size" = 640x480 ] || fail "the window is $size, not 640x480"
sleep 2
running || fail "the demo ended by itself before any key was pressed"
screenshot "$wid" "$WORK/shot.png"
colours=$(colour_count "$WORK/shot.png")
convert "$RUN_DIR/stone_version_1.tga" -auto-orient "$WORK/background.png"
drawn=$(differing_pixels "$WORK/shot.png" "$WORK/background.png")
note "window $wid, $size: $colours colours, $drawn of 307200 pixels differ from the background"
[ "$colours" -ge 256 ] || fail "the screenshot has only $colours colours"
[ "$drawn" -ge 500 ] || fail "no scene is drawn over the background ($drawn pixels differ)"
[ "$drawn" -le 200000 ] || fail "the background is not shown ($drawn pixels differ from it)"
press_key "$wid" space
expect_clean_end "a key"

# Closing the window, as its close button does.
start_shown "$RUN_DIR"
sleep 1
"${request[@]}" close || fail "the window could not be closed"
expect_clean_end "closing the window"

# Ctrl+C: Wine hands a SIGINT to the program as the console's Ctrl+C event. (Wine cannot send the
# other console events, Ctrl+Break and closing the console, which the same handler takes.)
start_shown "$RUN_DIR"
sleep 1
kill -INT "$DEMO_PID"
expect_clean_end "Ctrl+C"

# The soundtrack: SDL's disk driver writes what is played (signed 16-bit stereo at 44.1 kHz). Past
# the silence before the music starts it matches the soundtrack decoded here, sample for sample up
# to the rounding of two decoders.
audio=$WORK/audio.raw
start_shown "$RUN_DIR" SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$audio"
sleep 4
press_key "$wid" space
expect_clean_end "a key, with the disk audio driver"
ffmpeg -v error -i "$RUN_DIR/pelmoric.mp3" -t 8 -f s16le -ac 2 -ar 44100 "$WORK/decoded.raw" ||
  fail "ffmpeg cannot decode the soundtrack"
read -r played matched level < <(
  {
    od -An -td2 -v -w2 "$audio" | sed 's/^/p /'
    od -An -td2 -v -w2 "$WORK/decoded.raw" | sed 's/^/d /'
  } | awk '
    $1 == "p" { p[np++] = $2 + 0; next }
    { d[nd++] = $2 + 0 }
    function start(a, n,   i) {
      for (i = 0; i < n; i += 2) if (a[i] > 2000 || a[i] < -2000) return i
      return -1
    }
    END {
      ip = start(p, np); id = start(d, nd)
      if (ip < 0 || id < 0) { print np, -1, 0; exit }
      # One second of frames from the first loud sample, the best of a few frames either way.
      n = 88200; best = -1
      for (shift = -8; shift <= 8; shift += 2) {
        sum = 0; level = 0
        for (k = 0; k < n; k++) {
          a = p[ip + k]; b = d[id + shift + k]; diff = a - b
          sum += diff < 0 ? -diff : diff; level += b < 0 ? -b : b
        }
        if (best < 0 || sum < best) { best = sum; bestLevel = level }
      }
      printf "%d %.1f %.1f\n", np, best / n, bestLevel / n
    }')
note "audio: $played samples played; a second of them differs from the decoded soundtrack by $matched" \
  "on average, at a level of $level"
[ "$played" -ge 88200 ] || fail "less than a second of audio was written"
awk -v m="$matched" -v l="$level" 'BEGIN { exit !(m >= 0 && l > 300 && m < l / 50) }' ||
  fail "what was played is not the soundtrack"

# A missing picture: the dialog, then the demo carries on.
folder=$(copy_run_folder)
rm "$folder/flare.tga"
start_demo "$folder"
dialog=$(wait_window_named "Hehe :-D" 30)
sleep 0.5
running || fail "the demo ended instead of waiting for the dialog"
grep -qF "Could not load file. flare.tga" "$WORK/stderr" || fail "standard error does not name flare.tga"
press_key "$dialog" Return
wid=$(find_window 15)
sleep 2
running || fail "the demo did not carry on after the dialog"
screenshot "$wid" "$WORK/after-dialog.png"
colours=$(colour_count "$WORK/after-dialog.png")
note "dialog $dialog dismissed; then $colours colours"
[ "$colours" -ge 256 ] || fail "no scene is shown after the dialog ($colours colours)"
press_key "$wid" space
expect_clean_end "a key after the dialog"

# No data files, started from another folder: both folders named, status 1.
mkdir -p "$WORK/bare" "$WORK/elsewhere"
cp "$RUN_DIR/$DEMO_FILE" "$RUN_DIR"/*.dll "$WORK/bare/"
(cd "$WORK/elsewhere" && "${DEMO_COMMAND[@]:0:${#DEMO_COMMAND[@]}-1}" "$WORK/bare/$DEMO_FILE") \
  >"$WORK/stdout" 2>"$WORK/stderr" && status=0 || status=$?
said=$(tr -d '\r' <"$WORK/stderr")
note "no data: status $status: $said"
[ "$status" -eq 1 ] || fail "status $status without data files, not 1"
[ "$(wc -l <<<"$said")" -eq 1 ] || fail "more than one line for missing data"
grep -qi 'current folder [A-Z]:\\.*elsewhere nor in the program.s folder [A-Z]:\\.*bare' <<<"$said" ||
  fail "the message does not name both folders"
if grep -qE '[\\/][\\/]|[\\/] ' <<<"$said"; then
  fail "a path is printed with a doubled or trailing separator"
fi
exit 0
