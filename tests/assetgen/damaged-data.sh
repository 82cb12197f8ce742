#!/usr/bin/env bash
# tepple-assets and the build's data step against damage: a generator run that cannot finish (a
# full disk, here a file-size limit) leaves every earlier file whole and no manifest; --check names
# every missing, cut or changed file; the data step the build runs remakes them all.
#   damaged-data.sh <tepple-assets> <run folder> <scratch folder> <DataStep.cmake>
set -euo pipefail
assets=$1 run=$2 work=$3 step=$4
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

rm -rf "$work"
mkdir -p "$work"
data=$work/data
cp -r "$run" "$data"
cp "$run/stone_version_1.tga" "$work/stone-before"

# 600 KiB: the meshes and the two small pictures fit, the 900 KiB background does not.
status=0
(ulimit -f 600 && exec "$assets" "$data") >"$work/out" 2>&1 || status=$?
if [ "$status" -ne 1 ] || ! grep -q 'stone_version_1.tga.*File too large' "$work/out"; then
  fail "generator under a size limit: status $status, said: $(tail -n 2 "$work/out")"
fi
cmp -s "$data/stone_version_1.tga" "$work/stone-before" ||
  fail "the background was changed by the failed run ($(stat -c %s "$data/stone_version_1.tga") bytes)"
leftovers=$(find "$data" -name '.*' -type f)
[ -z "$leftovers" ] || fail "temporaries left: $leftovers"
[ ! -e "$data/tepple-assets.manifest" ] || fail "a manifest was left beside an unfinished set"

# A complete folder damaged three ways: each file named, status 1.
rm -rf "$data"
cp -r "$run" "$data"
"$assets" --check "$data" >/dev/null 2>"$work/check" || fail "a fresh copy fails the check: $(cat "$work/check")"
printf 'X' | dd of="$data/flare.tga" bs=1 seek=5000 conv=notrunc status=none
head -c 331000 "$run/stone_version_1.tga" >"$data/stone_version_1.tga"
rm "$data/mushroom/2.LSB"
status=0
"$assets" --check "$data" >/dev/null 2>"$work/check" || status=$?
[ "$status" -eq 1 ] || fail "--check on damaged files: status $status"
for name in flare.tga stone_version_1.tga mushroom/2.LSB; do
  grep -qF "$name" "$work/check" || fail "--check does not name $name: $(cat "$work/check")"
done
[ "$(wc -l <"$work/check")" -eq 3 ] || fail "--check reports more than the three damaged files: $(cat "$work/check")"

# The build's data step remakes them.
cmake -DASSETS="$assets" -DFOLDER="$data" -P "$step" >"$work/step" 2>&1 ||
  fail "the data step failed: $(tail -n 3 "$work/step")"
for name in flare.tga stone_version_1.tga mushroom/2.LSB; do
  cmp -s "$data/$name" "$run/$name" || fail "the data step did not remake $name"
done
"$assets" --check "$data" >/dev/null 2>&1 || fail "the repaired folder fails the check"

[ "$failures" -eq 0 ] || { echo "$failures failures" >&2; exit 1; }
echo "ok: a cut-off run changes nothing it did not finish, --check names each damaged file, the data step remakes them"
