#!/usr/bin/env bash
# The Windows build tested under Wine (scripts/windows.sh --test runs it after building):
#   tests/windows/run-tests.sh <Windows build folder> <unpacked folder of the zip>
# the unit tests through CTest (the build's emulator is Wine); the frame hashes of the whole
# timeline equal to the committed list at every lane width this processor runs, on one thread and
# on two; then the program as packed, in a virtual X server (tests/windows/window.sh).
# Prints how long each part took.
set -euo pipefail
export LC_ALL=C
cd "$(dirname "$0")/../.."
build=$(cd "$1" && pwd)
pack=$(cd "$2" && pwd)
emulator=$PWD/cmake/run-windows.sh
export WINEPREFIX=$build/wine
started=$SECONDS
part() { echo "== $1 ($((SECONDS - started)) s so far)"; }
run() { "$emulator" "$@"; }

if [ ! -f "$WINEPREFIX/system.reg" ]; then
  part "making the Wine prefix"
  WINEDEBUG=-all WINEDLLOVERRIDES="mscoree=;mshtml=" xvfb-run -a wine wineboot --init >/dev/null 2>&1
fi

part "the unit tests under Wine"
ctest --test-dir "$build" -R '^windows\.unit$' --output-on-failure

source scripts/emulated-hashes.sh
hashes() { frame_hashes "$build/tests/windows/tepple_frame_hash_tests.exe" "$1" "$2"; }
part "the frame hashes under Wine"
# Every lane width the program runs here, as the lane-set test reports them (1: one span at a time).
widths=$(run "$build/tests/windows/tepple_windows_tests.exe" --gtest_filter='LaneSets.*' 2>/dev/null |
  tr -d '\r' | sed -n 's/^lane widths here://p')
[ -n "$widths" ] || { echo "FAIL: the lane-set test named no lane widths" >&2; exit 1; }
echo "lane widths here:$widths"
# Each width once, on two threads and one by turns (each run is the whole timeline): both thread
# counts are drawn wherever the processor has a lane set.
threads=2
for lanes in $widths; do
  hashes "$lanes" "$threads"
  threads=$((3 - threads))
done

part "the program in a virtual X server"
TEPPLE_DEMO="$emulator ./tepple.exe" \
  WINDOW_REQUEST="$emulator $build/tests/windows/tepple_window_request.exe" \
  tests/window/run-test.sh x "$PWD/tests/windows/window.sh" "$pack" "$build/window-test"
part "done"
echo "ok: tepple.exe under Wine draws every frame of the timeline as Linux does, and plays"
