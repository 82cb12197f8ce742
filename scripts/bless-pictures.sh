#!/usr/bin/env bash
# Re-renders the reference pictures of the picture regression test (tests/pictures/reference/)
# from the current code and data, at the times listed in tests/pictures/times.txt. Run it only
# when a change to what the demo shows is intended; look at the new pictures before committing.
# TEPPLE_BUILD_DIR picks the build folder (default build/).
set -euo pipefail
cd "$(dirname "$0")/.."

build=${TEPPLE_BUILD_DIR:-build}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j"$(nproc)" --target tepple-capture

times=$(grep -v '^[[:space:]]*#' tests/pictures/times.txt | awk 'NF { print $1 }' | paste -sd, -)
reference=tests/pictures/reference
mkdir -p "$reference"
rm -f "$reference"/*.png
# The same frame rate and seed as the picture test.
"$build/run/tepple-capture" --fps 60 --seed 1 --data "$build/run" --at "$times" --out "$reference"
echo "Blessed $(ls "$reference"/*.png | wc -l) reference pictures in $reference:" >&2
git status --short -- "$reference" >&2
