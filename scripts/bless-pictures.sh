#!/usr/bin/env bash
# Re-renders the reference pictures of the picture regression test (tests/pictures/reference/)
# from the current code and data, at the times listed in tests/pictures/times.txt, and the list of
# every frame's hashes (tests/pictures/frame-hashes.txt) that the frame-hash test checks. Run it only
# when a change to what the demo shows is intended; look at the new pictures before committing.
# The pictures and hashes are made in a temporary folder first and replace the references only
# when every one of them was made: a failed capture leaves the references as they were. A picture
# whose bytes did not change is left untouched, so only real changes show in git.
# TEPPLE_BUILD_DIR picks the build folder (default build/).
set -euo pipefail
# Times are read and printed as numbers: with a decimal comma "142.5" would read as 142.
export LC_ALL=C
cd "$(dirname "$0")/.."

build=${TEPPLE_BUILD_DIR:-build}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j"$(nproc)" --target tepple-capture tepple_frame_hash_tests \
  tepple_example_picture_tests

times=$(grep -v '^[[:space:]]*#' tests/pictures/times.txt | awk 'NF { print $1 }' | paste -sd, -)
# The names the capture tool gives the pictures: t005.000.png for 5 s.
wanted=$(tr , '\n' <<<"$times" | awk '{ printf "t%07.3f.png\n", $1 }' | sort -u)
reference=tests/pictures/reference
mkdir -p "$reference"
# Beside the references, so that moving the pictures in is a rename on the same disk.
fresh=$(mktemp -d tests/pictures/.blessing-XXXXXX)
trap 'rm -rf "$fresh"' EXIT

# The same frame rate and seed as the picture test.
if ! "$build/run/tepple-capture" --fps 60 --seed 1 --data "$build/run" --at "$times" --out "$fresh"; then
  echo "bless-pictures.sh: the capture failed; the references in $reference are unchanged" >&2
  exit 1
fi
if ! "$build/tests/pictures/tepple_frame_hash_tests" --write "$fresh/frame-hashes.txt"; then
  echo "bless-pictures.sh: the frame hashes could not be made; the references in $reference are unchanged" >&2
  exit 1
fi
# The same moments' pictures at twice the size, for the times of times-2x.txt.
times2x=$(grep -v '^[[:space:]]*#' tests/pictures/times-2x.txt | awk 'NF { print $1 }' | paste -sd, -)
wanted2x=$(tr , '\n' <<<"$times2x" | awk '{ printf "t%07.3f.png\n", $1 }' | sort -u)
reference2x=tests/pictures/reference-2x
mkdir -p "$reference2x" "$fresh/2x"
if ! "$build/run/tepple-capture" --fps 60 --seed 1 --scale 2 --data "$build/run" --at "$times2x" --out "$fresh/2x"; then
  echo "bless-pictures.sh: the capture at 2x failed; the references are unchanged" >&2
  exit 1
fi
made=$(cd "$fresh" && find . -maxdepth 1 -name '*.png' -printf '%f\n' | sort)
if [ "$made" != "$wanted" ]; then
  echo "bless-pictures.sh: the capture did not make every picture; the references in $reference are unchanged" >&2
  exit 1
fi

changed=0
for name in $made; do
  if ! cmp -s "$fresh/$name" "$reference/$name"; then
    mv -f "$fresh/$name" "$reference/$name"
    changed=$((changed + 1))
  fi
done
cmp -s "$fresh/frame-hashes.txt" tests/pictures/frame-hashes.txt ||
  mv -f "$fresh/frame-hashes.txt" tests/pictures/frame-hashes.txt
# References of times no longer listed go.
for name in $(cd "$fresh/2x" && find . -maxdepth 1 -name '*.png' -printf '%f\n' | sort); do
  if ! cmp -s "$fresh/2x/$name" "$reference2x/$name"; then
    mv -f "$fresh/2x/$name" "$reference2x/$name"
    changed=$((changed + 1))
  fi
done
for old in "$reference2x"/*.png; do
  grep -qxF "$(basename "$old")" <<<"$wanted2x" || rm -f "$old"
done
for old in "$reference"/*.png; do
  grep -qxF "$(basename "$old")" <<<"$wanted" || rm -f "$old"
done
# The examples' pictures under the general rules (tests/pictures/reference-examples/).
"$build/tests/render/tepple_example_picture_tests" --write >/dev/null
echo "Blessed $(wc -l <<<"$wanted") reference pictures in $reference ($changed of them changed)" >&2
echo "and the hashes of every frame in tests/pictures/frame-hashes.txt." >&2
git status --short -- "$reference" "$reference2x" tests/pictures/reference-examples \
  tests/pictures/frame-hashes.txt >&2 || true
