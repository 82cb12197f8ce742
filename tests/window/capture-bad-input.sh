#!/usr/bin/env bash
# tepple-capture given bad options, a bad data folder or an output it cannot write: each time a
# clear message naming the problem, a non-zero status (2 for the command line and for outputs
# that would share a file, 1 otherwise) and no crash. An output that cannot be written fails
# before anything is rendered; one that fails part way (a full disk, here a file-size limit)
# leaves no part-written file. Spoiled data the demo itself carries on with, the capture carries
# on with too.
source "$(dirname "$0")/lib.sh"

CAPTURE=$RUN_DIR/tepple-capture
[ -x "$CAPTURE" ] || fail "no capture tool at $CAPTURE"
failures=0

# expect <status> <text the message must hold> [NAME=value ...] -- <arguments...>
# LIMIT_KB, when set, caps the size of every file the tool writes.
expect() {
  local status=$1 text=$2 actual=0 settings=()
  shift 2
  while [ "$1" != -- ]; do
    settings+=("$1")
    shift
  done
  shift
  (cd "$WORK" && ulimit -f "${LIMIT_KB:-unlimited}" && exec env "${settings[@]}" "$CAPTURE" "$@") \
    >"$WORK/stdout" 2>"$WORK/stderr" || actual=$?
  if [ "$actual" -ne "$status" ] || { [ -n "$text" ] && ! grep -qF -- "$text" "$WORK/stderr"; }; then
    echo "FAIL: tepple-capture $*: status $actual (wanted $status), said: $(tail -n 3 "$WORK/stderr")" >&2
    failures=$((failures + 1))
    return 0
  fi
  note "ok: tepple-capture $* -> $status: $(grep -F -- "$text" "$WORK/stderr" | head -n 1)"
}

out=$WORK/out
mkdir -p "$out"

expect 2 "unknown option '--bogus'" -- --bogus
expect 2 "unknown option 'stray'" -- stray --at 1
expect 2 "--fps needs a value" -- --at 1 --fps
for fps in abc -5 0 2.5 1e9 99999999999999999999; do
  expect 2 "--fps wants a whole number" -- --at 1 --fps="$fps"
done
for seed in -1 x 4294967296; do expect 2 "--seed wants a whole number" -- --at 1 --seed "$seed"; done
for times in 200 -1 1,,2 nan inf 1e400 , 'one'; do expect 2 "--at wants times" -- --at "$times"; done
for width in 0 -3 100000 wide; do expect 2 "--width wants a whole number" -- --at 1 --width "$width"; done
expect 2 "nothing to capture" -- --out "$out"

expect 1 "data folder '$WORK/none' not found" -- --at 1 --data "$WORK/none" --out "$out"
expect 1 "data folder '$RUN_DIR/tepple' not found" -- --at 1 --data "$RUN_DIR/tepple" --out "$out"
expect 1 "output folder '$RUN_DIR/tepple' is not a folder that can be written" -- --at 1 --out "$RUN_DIR/tepple"
expect 1 "frames folder" -- --frames /dev/null --out "$out"

# Every output is checked before the first frame is drawn: a folder or a device given as a file
# fails at once, never after the whole timeline has been rendered.
quick() {
  local start
  start=$(now)
  expect "$@"
  not_above "$(since "$start")" 3 || { echo "FAIL: $*: took $(since "$start") s" >&2; failures=$((failures + 1)); }
}
quick 1 "contact sheet: cannot write $out: it is a folder" -- --contact-sheet "$out"
# A device is written through, as any program writing a named file does (a full one fails with
# its reason); a video, which must be whole and seekable, refuses one at once.
expect 1 "cannot write /dev/full: No space left on device" -- --fps 1 --contact-sheet /dev/full
quick 1 "video: cannot write /dev/full: it is a stream, and this output must be a regular file" -- --video /dev/full
mkdir -p "$out/t001.500.png"
quick 1 "picture: cannot write $out/t001.500.png: it is a folder" -- --at 1,1.5 --out "$out"
rmdir "$out/t001.500.png"

# Nothing at all in folder $1: no output, no temporary.
nothing_left() {
  local found
  found=$(find "$1" -mindepth 1 | head -n 5)
  [ -z "$found" ] || { echo "FAIL: left after a failed write: $found" >&2; failures=$((failures + 1)); }
}

# Two requests that would share a file (different frames under one name, a contact sheet or a
# frame of the sequence under a picture's name) are refused before the first frame: one picture
# would silently replace the other.
rm -rf "$out" && mkdir -p "$out"
quick 2 "--at 9.9996 and --at 10.0004 would both be written to $out/t010.000.png" -- --at 9.9996,10.0004 --out "$out"
quick 2 "would both be written to $out/t000.001.png" -- --fps 1000 --at 0.5,0.001,0.0005 --out "$out"
quick 2 "--at 1 and --contact-sheet would both be written" -- --at 1 --contact-sheet t001.000.png --out "$out"
quick 2 "--contact-sheet and --frames would both be written to" -- --frames . --contact-sheet frame000010.png --out "$out"
quick 2 "would both be written to" -- --at 1 --contact-sheet ./t001.000.png --out "$out"
nothing_left "$out"
# -0 is the time 0, named as such.
expect 0 "" -- --at -0 --out "$out"
[ -s "$out/t000.000.png" ] && [ "$(ls -A "$out")" = t000.000.png ] ||
  { echo "FAIL: --at -0 made: $(ls -A "$out")" >&2; failures=$((failures + 1)); }

# A link of the user's own at an output's name is replaced by the picture; the file it pointed to
# keeps its bytes and its mode.
rm -rf "$out" && mkdir -p "$out"
printf 'secret' >"$WORK/victim" && chmod 600 "$WORK/victim"
ln -s "$WORK/victim" "$out/t001.000.png"
expect 0 "" -- --at 1 --out "$out"
if [ "$(cat "$WORK/victim")" != secret ] || [ "$(stat -c %a "$WORK/victim")" != 600 ] || [ -L "$out/t001.000.png" ]; then
  echo "FAIL: the output went through the link: $(stat -c '%a %s' "$WORK/victim"), $(ls -l "$out")" >&2
  failures=$((failures + 1))
fi

# Another user's link there is neither followed nor replaced (only root can plant one to try).
ln -sf "$WORK/victim" "$out/t001.000.png"
if chown -h 65534:65534 "$out/t001.000.png" 2>/dev/null; then
  quick 1 "picture: cannot write $out/t001.000.png: it is a symbolic link of another user's" -- --at 1 --out "$out"
  [ "$(cat "$WORK/victim")" = secret ] && [ -L "$out/t001.000.png" ] ||
    { echo "FAIL: another user's link was followed or replaced" >&2; failures=$((failures + 1)); }
else
  note "links cannot be given away here: another user's link is not checked"
fi

# A link to a stream is the stream's name: /proc/self/fd/1 (as /dev/stdout is) is this run's own
# standard output, wherever it leads, and the link stays.
is_png() { [ "$(head -c 8 "$1" | od -An -tx1 | tr -d ' ')" = 89504e470d0a1a0a ]; }
rm -rf "$out" && mkdir -p "$out"
ln -s /proc/self/fd/1 "$out/t"
expect 0 "" -- --fps 1 --contact-sheet "$out/t"
if ! is_png "$WORK/stdout" || ! [ -L "$out/t" ] || [ "$(ls -A "$out")" != t ]; then
  echo "FAIL: a link to standard output: $(ls -l "$out"), standard output $(wc -c <"$WORK/stdout") bytes" >&2
  failures=$((failures + 1))
fi
(cd "$WORK" && "$CAPTURE" --fps 1 --contact-sheet /dev/stdout 2>/dev/null | cat >"$WORK/piped.png")
is_png "$WORK/piped.png" || { echo "FAIL: --contact-sheet /dev/stdout into a pipe" >&2; failures=$((failures + 1)); }
# A named pipe: its reader gets the picture; with none, a stop still ends the wait at once.
rm -rf "$out" && mkdir -p "$out" && mkfifo "$out/sheet.png"
cat "$out/sheet.png" >"$WORK/from-pipe.png" &
reader=$!
expect 0 "" -- --fps 1 --contact-sheet "$out/sheet.png"
wait "$reader"
is_png "$WORK/from-pipe.png" && [ -p "$out/sheet.png" ] ||
  { echo "FAIL: a named pipe as the contact sheet" >&2; failures=$((failures + 1)); }

# ends_on_term <seconds to wait first> <capture arguments...>: a SIGTERM ends the run within a
# second, with the stop's status and line.
ends_on_term() {
  local delay=$1 pid status=0 start
  shift
  (cd "$WORK" && exec "$CAPTURE" "$@") >"$WORK/stdout" 2>"$WORK/stderr" &
  pid=$!
  sleep "$delay"
  start=$(now)
  kill -TERM "$pid"
  wait "$pid" || status=$?
  if [ "$status" -ne 143 ] || ! not_above "$(since "$start")" 1 || ! grep -q "stopped by" "$WORK/stderr"; then
    echo "FAIL: SIGTERM during $*: status $status after $(since "$start") s, said: $(tail -n 2 "$WORK/stderr")" >&2
    failures=$((failures + 1))
  fi
}
ends_on_term 3 --fps 1 --contact-sheet "$out/sheet.png"
rm "$out/sheet.png" && nothing_left "$out"

# The longest name a file may have is a name the outputs may have: the temporary stays within it.
long=$(printf 'n%.0s' $(seq 246)).png
expect 0 "" -- --fps 1 --contact-sheet "$out/$long"
[ "$(ls -A "$out")" = "$long" ] || { echo "FAIL: a 250-byte name: $(ls -A "$out" | head -c 300)" >&2; failures=$((failures + 1)); }
rm -rf "$out" && mkdir -p "$out"

# A folder on a read-only file system: the message gives the cause (where a mount can be made).
mkdir -p "$WORK/readonly"
if mount -t tmpfs -o ro,size=1m tmpfs "$WORK/readonly" 2>/dev/null; then
  # Never left mounted: the next run could not clear its scratch folder.
  trap 'umount "$WORK/readonly" 2>/dev/null || true; stop_demo' EXIT
  expect 1 "output folder '$WORK/readonly' is not a folder that can be written: Read-only file system" \
    -- --at 1 --out "$WORK/readonly"
  umount "$WORK/readonly"
  trap stop_demo EXIT
else
  note "no read-only mount could be made here: its message is not checked"
fi

# Past a size limit (a full disk) a write fails with its reason, and nothing part-written is left,
# not even a temporary.
rm -rf "$out" && mkdir -p "$out"
LIMIT_KB=50 expect 1 "cannot write $out/t030.000.png: File too large" -- --at 30 --out "$out"
nothing_left "$out"
# Two workers write at once: whichever frame fails first is reported.
LIMIT_KB=50 expect 1 "cannot write $out/frames/frame0000" -- --frames frames --out "$out"
rm -rf "${out:?}/frames" && nothing_left "$out"
LIMIT_KB=50 expect 1 "cannot write $out/sheet.png: File too large" -- --contact-sheet sheet.png --fps 1 --out "$out"
nothing_left "$out"

# No ffmpeg on the way: stop at once and say how to get it.
mkdir -p "$WORK/no-programs"
expect 1 "apt-get install ffmpeg" PATH="$WORK/no-programs" -- --video demo.mp4 --out "$out"

# An ffmpeg that cannot run (here a script whose interpreter is missing) is said to be so; the
# soundtrack is not blamed.
mkdir -p "$WORK/broken-ffmpeg"
printf '#!/no/such/interpreter\n' >"$WORK/broken-ffmpeg/ffmpeg"
chmod +x "$WORK/broken-ffmpeg/ffmpeg"
expect 1 "cannot run $WORK/broken-ffmpeg/ffmpeg: No such file or directory" PATH="$WORK/broken-ffmpeg" \
  -- --video demo.mp4 --out "$out"
if grep -q damaged "$WORK/stderr"; then
  echo "FAIL: an ffmpeg that cannot run blamed on the soundtrack: $(cat "$WORK/stderr")" >&2
  failures=$((failures + 1))
fi

# Spoiled data folders.
data=$(copy_run_folder)
head -c 100 "$RUN_DIR/kelvo.LSB" >"$data/kelvo.LSB"
expect 1 "kelvo.LSB: 100 bytes is shorter" -- --at 1 --data "$data" --out "$out"
rm "$data/kelvo.LSB"
expect 1 "kelvo.LSB: cannot open" -- --at 1 --data "$data" --out "$out"

data=$(copy_run_folder)
rm "$data/flare.tga"
: >"$data/amuscaria.tga"
rm "$data/pelmoric.mp3"
expect 0 "Could not load file. $data/flare.tga" -- --at 1 --data "$data" --out "$out"
[ -s "$out/t001.000.png" ] || { echo "FAIL: no picture written from the spoiled data" >&2; failures=$((failures + 1)); }

# A soundtrack ffmpeg cannot decode is met like a missing one: one line, and a silent video.
audio_streams() { ffprobe -v error -select_streams a -show_entries stream=index -of csv=p=0 "$1" | wc -l; }
command -v ffmpeg >/dev/null || fail "no ffmpeg: run scripts/install-deps.sh"
data=$(copy_run_folder)
expect 0 "" -- --video "$out/sound.mp4" --fps 1 --data "$data"
if ! [ "$(audio_streams "$out/sound.mp4")" -eq 1 ]; then
  echo "FAIL: no soundtrack in the video" >&2
  failures=$((failures + 1))
fi
cp "$RUN_DIR/Shape1.LSB" "$data/pelmoric.mp3"
expect 0 "the soundtrack $data/pelmoric.mp3 is damaged" -- --video "$out/silent.mp4" --fps 1 --data "$data"
if [ "$(grep -vc '^capture: ' "$WORK/stderr")" -ne 1 ] || [ "$(audio_streams "$out/silent.mp4")" -ne 0 ]; then
  echo "FAIL: a damaged soundtrack: wanted one line and a silent video, said: $(cat "$WORK/stderr")" >&2
  failures=$((failures + 1))
fi
rm -rf "$out" && mkdir -p "$out"
LIMIT_KB=50 expect 1 "ffmpeg" -- --video "$out/cut.mp4" --fps 1
nothing_left "$out"

# An encoder that ends well having made nothing, or that is killed: said so, nothing left under
# the video's name. (Both answer the soundtrack check as a working ffmpeg does.)
fake=$WORK/fake-ffmpeg
mkdir -p "$fake"
printf '#!/bin/sh\ncat >/dev/null\nexit 0\n' >"$fake/ffmpeg"
chmod +x "$fake/ffmpeg"
expect 1 "ffmpeg ended without error but made no video" PATH="$fake:$PATH" -- --video "$out/empty.mp4" --fps 1
nothing_left "$out"
printf '#!/bin/sh\ncase "$*" in *-xerror*) exit 0 ;; esac\nkill -KILL $$\n' >"$fake/ffmpeg"
expect 1 "ffmpeg stopped reading frames: it was killed by signal 9 (Killed)" PATH="$fake:$PATH" \
  -- --video "$out/killed.mp4" --fps 1
nothing_left "$out"

# A disk that fills is named in the capture's own line (where a small file system can be mounted).
mkdir -p "$WORK/small"
if mount -t tmpfs -o size=256k tmpfs "$WORK/small" 2>/dev/null; then
  trap 'umount "$WORK/small" 2>/dev/null || true; stop_demo' EXIT
  expect 1 "no space left on the device holding $WORK/small" -- --video "$WORK/small/full.mp4" --fps 1
  nothing_left "$WORK/small"
  umount "$WORK/small"
  trap stop_demo EXIT
else
  note "no small file system could be mounted here: a full disk under ffmpeg is not checked"
fi

# An encoder that has stalled (here stopped outright) does not hold the run past a SIGTERM: it is
# killed, and its partial video removed.
(cd "$WORK" && exec "$CAPTURE" --video "$out/stalled.mp4") >"$WORK/stdout" 2>"$WORK/stderr" &
capture_pid=$!
sleep 2
encoder=$(pgrep -P "$capture_pid" | head -n 1)
if [ -n "$encoder" ]; then
  kill -STOP "$encoder"
  sleep 2
  start=$(now)
  kill -TERM "$capture_pid"
  status=0
  wait "$capture_pid" || status=$?
  if [ "$status" -ne 143 ] || ! not_above "$(since "$start")" 1; then
    echo "FAIL: SIGTERM with the encoder stalled: status $status after $(since "$start") s" >&2
    failures=$((failures + 1))
  fi
  if kill -0 "$encoder" 2>/dev/null; then
    echo "FAIL: the stalled encoder was left running" >&2
    failures=$((failures + 1))
    kill -KILL "$encoder"
  fi
  nothing_left "$out"
else
  kill -KILL "$capture_pid"
  wait "$capture_pid" 2>/dev/null || true
  echo "FAIL: no encoder was started for --video" >&2
  failures=$((failures + 1))
fi

# Stopped part way, it cleans up as after a failure: no short video that looks finished.
rm -rf "$out" && mkdir -p "$out"
(cd "$WORK" && exec "$CAPTURE" --video "$out/stopped.mp4") >"$WORK/stdout" 2>"$WORK/stderr" &
capture_pid=$!
sleep 2
kill -TERM "$capture_pid"
status=0
wait "$capture_pid" || status=$?
if [ "$status" -ne 143 ] || ! grep -q "no output was left half-written" "$WORK/stderr"; then
  echo "FAIL: SIGTERM during --video: status $status, said: $(tail -n 2 "$WORK/stderr")" >&2
  failures=$((failures + 1))
fi
nothing_left "$out"

# SIGHUP (the terminal closed) stops it the same way.
(cd "$WORK" && exec "$CAPTURE" --video "$out/hung-up.mp4") >"$WORK/stdout" 2>"$WORK/stderr" &
capture_pid=$!
sleep 2
kill -HUP "$capture_pid"
status=0
wait "$capture_pid" || status=$?
if [ "$status" -ne 129 ] || ! grep -q "no output was left half-written" "$WORK/stderr"; then
  echo "FAIL: SIGHUP during --video: status $status, said: $(tail -n 2 "$WORK/stderr")" >&2
  failures=$((failures + 1))
fi
nothing_left "$out"

# Killed outright, it leaves a hidden partial video; the next run of that output clears it.
(cd "$WORK" && exec "$CAPTURE" --video "$out/killed.mp4") >"$WORK/stdout" 2>"$WORK/stderr" &
capture_pid=$!
sleep 1
kill -KILL "$capture_pid"
wait "$capture_pid" 2>/dev/null || true
expect 0 "" -- --video "$out/killed.mp4" --fps 1
[ "$(ls -A "$out")" = killed.mp4 ] || { echo "FAIL: left after a killed run: $(ls -A "$out")" >&2; failures=$((failures + 1)); }

[ "$failures" -eq 0 ] || fail "$failures capture cases failed"
