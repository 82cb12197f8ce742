#!/usr/bin/env bash
# The soundtrack really plays: SDL's disk driver writes the mixed output (signed 16-bit stereo at
# 44.1 kHz) to a file, and its first two seconds are not silent.
source "$(dirname "$0")/lib.sh"

audio=$WORK/audio.raw
start_demo "$RUN_DIR" SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$audio"
wid=$(find_window 10)
sleep 3
press_key "$wid" space
wait_exit 2
[ "$DEMO_STATUS" -eq 0 ] || fail "the demo ended with status $DEMO_STATUS"
[ -s "$audio" ] || fail "no audio was written"

# Over the first 2 s: the share of samples louder than about -30 dB, and the peak.
read -r samples loud peak < <(head -c $((44100 * 4 * 2)) "$audio" | od -An -td2 -v -w2 |
  awk '{ n++; a = $1 < 0 ? -$1 : $1; if (a > 1000) loud++; if (a > peak) peak = a }
       END { print n + 0, loud + 0, peak + 0 }')
note "first 2 s of audio: $samples samples, $loud above 1000, peak $peak"
[ "$samples" -ge 44100 ] || fail "less than half a second of audio was written"
[ "$loud" -ge $((samples / 20)) ] || fail "the audio is (nearly) silent"
