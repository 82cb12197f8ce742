#!/usr/bin/env bash
# Makes the README's pictures with tepple-capture: one 320 x 240 screenshot per scene in docs/,
# named after the scene, and the contact sheet of all six. TEPPLE_BUILD_DIR picks the build
# folder (default build/).
set -euo pipefail
# The times are printed as numbers: with a decimal comma printf refuses "57.75".
export LC_ALL=C
cd "$(dirname "$0")/.."

build=${TEPPLE_BUILD_DIR:-build}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j"$(nproc)" --target tepple-capture

# One moment per scene that shows it at its best, in timeline order.
scenes=(bounce spin star mushroom grid capsule)
times=(30 57.75 84 100 118 145)

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$build/run/tepple-capture" --data "$build/run" --out "$work" --width 320 \
  --at "$(IFS=,; echo "${times[*]}")" --contact-sheet contact-sheet.png
mkdir -p docs
for i in "${!scenes[@]}"; do
  mv "$work/$(printf 't%07.3f.png' "${times[$i]}")" "docs/${scenes[$i]}.png"
done
mv "$work/contact-sheet.png" docs/contact-sheet.png
ls -l docs
