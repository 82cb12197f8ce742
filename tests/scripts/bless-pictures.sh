#!/usr/bin/env bash
# scripts/bless-pictures.sh in a copy of the source tree (the build step stubbed out, the real
# capture tool and data in a copied run folder): with a spoiled data file it fails and leaves
# every reference as it was; with good data it replaces them all, drops those no longer listed and
# puts the frame-hash list in place (from a stand-in of the hashing program, which is tested on its own).
#   bless-pictures.sh <source folder> <run folder> <scratch folder>
set -euo pipefail
source_dir=$1 run=$2 work=$3
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

rm -rf "$work"
repo=$work/repo
mkdir -p "$repo/scripts" "$repo/tests/pictures/reference" "$work/bin" "$work/build/tests/pictures"
cp "$source_dir/scripts/bless-pictures.sh" "$repo/scripts/"
printf '# two early times keep the run short\n1\n2.5\n' >"$repo/tests/pictures/times.txt"
printf '# one at twice the size\n2.5\n' >"$repo/tests/pictures/times-2x.txt"
# One reference that is wrong for its time and one for a time no longer listed.
cp "$source_dir/tests/pictures/reference/t005.000.png" "$repo/tests/pictures/reference/t001.000.png"
cp "$source_dir/tests/pictures/reference/t030.000.png" "$repo/tests/pictures/reference/t099.000.png"
# The build is not under test here: its commands do nothing.
printf '#!/bin/sh\nexit 0\n' >"$work/bin/cmake"
chmod +x "$work/bin/cmake"
cp -r "$run" "$work/build/run"
printf '#!/bin/sh\n[ "$1" = --write ] && echo "0 hashes" >"$2"\n' >"$work/build/tests/pictures/tepple_frame_hash_tests"
chmod +x "$work/build/tests/pictures/tepple_frame_hash_tests"
mkdir -p "$work/build/tests/render"
printf '#!/bin/sh\nexit 0\n' >"$work/build/tests/render/tepple_example_picture_tests"
chmod +x "$work/build/tests/render/tepple_example_picture_tests"
bless() { PATH="$work/bin:$PATH" TEPPLE_BUILD_DIR="$work/build" "$repo/scripts/bless-pictures.sh" >"$work/out" 2>&1; }
# Every file and folder under tests/pictures, with the content of each file.
fingerprint() { (cd "$repo/tests/pictures" && find . | sort && find . -type f -exec md5sum {} + | sort); }

before=$(fingerprint)
: >"$work/build/run/kelvo.LSB"
status=0
bless || status=$?
[ "$status" -ne 0 ] || fail "blessing from a spoiled mesh succeeded"
grep -q "references in tests/pictures/reference are unchanged" "$work/out" ||
  fail "no word that the references are kept: $(tail -n 3 "$work/out")"
[ "$(fingerprint)" = "$before" ] ||
  fail "the references changed after a failed capture: $(ls -A "$repo/tests/pictures/reference")"

cp "$run/kelvo.LSB" "$work/build/run/kelvo.LSB"
# Under a decimal-comma locale (made here, as the machine may have none installed) the times must
# still be read and named as the capture tool names them: 2.5 s is t002.500.png, not t002,000.png.
locale_env=()
mkdir -p "$work/locale"
if localedef -i de_DE -f UTF-8 "$work/locale/de_DE.UTF-8" >/dev/null 2>&1; then
  locale_env=(LOCPATH="$work/locale" LC_ALL=de_DE.UTF-8)
else
  echo "note: no de_DE locale could be made; the blessing runs in the C locale only"
fi
env "${locale_env[@]}" PATH="$work/bin:$PATH" TEPPLE_BUILD_DIR="$work/build" "$repo/scripts/bless-pictures.sh" \
  >"$work/out" 2>&1 || fail "blessing from good data failed: $(tail -n 3 "$work/out")"
"$run/tepple-capture" --fps 60 --seed 1 --data "$run" --at 1,2.5 --out "$work/direct" 2>/dev/null
for name in t001.000.png t002.500.png; do
  cmp -s "$repo/tests/pictures/reference/$name" "$work/direct/$name" || fail "$name is not the new picture"
done
"$run/tepple-capture" --fps 60 --seed 1 --scale 2 --data "$run" --at 2.5 --out "$work/direct-2x" 2>/dev/null
cmp -s "$repo/tests/pictures/reference-2x/t002.500.png" "$work/direct-2x/t002.500.png" ||
  fail "the picture at twice the size is not the new one"
[ "$(ls -A "$repo/tests/pictures/reference" | wc -l)" -eq 2 ] ||
  fail "references left besides the two listed: $(ls -A "$repo/tests/pictures/reference")"
[ "$(cat "$repo/tests/pictures/frame-hashes.txt" 2>/dev/null)" = "0 hashes" ] ||
  fail "the frame hashes were not put in place"
[ "$(ls -A "$repo/tests/pictures")" = "$(printf 'frame-hashes.txt\nreference\nreference-2x\ntimes-2x.txt\ntimes.txt')" ] ||
  fail "left in tests/pictures: $(ls -A "$repo/tests/pictures")"

# Blessed again with nothing changed, no reference is rewritten (the same file, not a copy).
identities() { (cd "$repo/tests/pictures" && stat -c '%n %i %Y' reference/*.png reference-2x/*.png frame-hashes.txt); }
before=$(identities)
bless || fail "blessing again failed: $(tail -n 3 "$work/out")"
[ "$(identities)" = "$before" ] || fail "unchanged references were rewritten: $before / $(identities)"

[ "$failures" -eq 0 ] || { echo "$failures failures" >&2; exit 1; }
echo "ok: a failed capture keeps every reference; a good one replaces the changed ones and drops the unlisted"
