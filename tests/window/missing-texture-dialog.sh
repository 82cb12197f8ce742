#!/usr/bin/env bash
# With "flare.tga" missing, start-up stops at the dialog "Could not load file." captioned
# "Hehe :-D"; Return dismisses it and the demo carries on with its scenes.
source "$(dirname "$0")/lib.sh"

folder=$(copy_run_folder)
rm "$folder/flare.tga"
start_demo "$folder"
dialog=$(wait_window_named "Hehe :-D" 15)
note "dialog $dialog shown"
sleep 0.5
running || fail "the demo ended instead of waiting for the dialog"

press_key "$dialog" Return
dismissed=$(now)
while [ -n "$(window_named "Hehe :-D")" ] && not_above "$(since "$dismissed")" 5; do sleep 0.1; done
[ -z "$(window_named "Hehe :-D")" ] || fail "Return did not dismiss the dialog"
note "dialog dismissed"

wid=$(find_window 10)
sleep 2
running || fail "the demo did not carry on after the dialog"
screenshot "$wid" "$WORK/shot.png"
colours=$(colour_count "$WORK/shot.png")
note "screenshot after the dialog: $colours colours"
[ "$colours" -ge 256 ] || fail "no scene is shown after the dialog ($colours colours)"

press_key "$wid" space
wait_exit 2
[ "$DEMO_STATUS" -eq 0 ] || fail "the demo ended with status $DEMO_STATUS"
