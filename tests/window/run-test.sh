#!/usr/bin/env bash
# Runs one real-window test: run-test.sh <x|headless> <test script> <run folder> <scratch folder>
# With "x" the script runs inside its own virtual X server (Xvfb, 1024 x 768, 24-bit, no TCP), the
# demo's window centred on a screen that has no window manager. Sound goes to SDL's dummy driver
# unless the script asks for another.
set -euo pipefail

mode=$1 script=$2 run_dir=$3 work=$4
rm -rf "$work"
mkdir -p "$work"
export SDL_AUDIODRIVER=${SDL_AUDIODRIVER:-dummy}

case "$mode" in
  headless)
    exec "$script" "$run_dir" "$work"
    ;;
  x)
    for tool in xvfb-run xdotool xwininfo import convert compare; do
      command -v "$tool" >/dev/null || { echo "missing $tool: run scripts/install-deps.sh" >&2; exit 1; }
    done
    # Start the search for a free display at a number of this process's own, so tests started
    # together do not race for the same one.
    exec xvfb-run -a -n $((100 + $$ % 800)) -s "-screen 0 1024x768x24 -nolisten tcp" "$script" "$run_dir" "$work"
    ;;
  *)
    echo "run-test.sh: unknown mode $mode" >&2
    exit 2
    ;;
esac
