#!/usr/bin/env bash
# The demo opens its 640 x 480 window by title, shows the stone background with the first scene
# drawn over it, and a key press ends it with status 0 within a second.
source "$(dirname "$0")/lib.sh"

start_demo "$RUN_DIR"
started=$(now)
wid=$(find_window 10)
note "window $wid shown $(since "$started") s after the start"
size=$(window_size "$wid")
[ "$size" = 640x480 ] || fail "the window is $size, not 640x480"

sleep 2
running || fail "the demo ended by itself before any key was pressed"
screenshot "$wid" "$WORK/shot.png"
colours=$(colour_count "$WORK/shot.png")
brightness=$(mean_brightness "$WORK/shot.png")
note "screenshot: $colours colours, mean brightness $brightness"
[ "$colours" -ge 256 ] || fail "the screenshot has only $colours colours"
not_above 0.02 "$brightness" || fail "the screenshot is black (mean brightness $brightness)"

# The background file is stored bottom row first; -auto-orient turns it upright.
convert "$RUN_DIR/stone_version_1.tga" -auto-orient "$WORK/background.png"
drawn=$(differing_pixels "$WORK/shot.png" "$WORK/background.png")
note "$drawn of 307200 pixels differ from the background picture"
[ "$drawn" -ge 500 ] || fail "no scene is drawn over the background ($drawn pixels differ)"
[ "$drawn" -le 200000 ] || fail "the background is not shown ($drawn pixels differ from it)"

pressed=$(now)
press_key "$wid" space
wait_exit 1
note "ended $(since "$pressed") s after the key, status $DEMO_STATUS"
[ "$DEMO_STATUS" -eq 0 ] || fail "the demo ended with status $DEMO_STATUS after a key press"
