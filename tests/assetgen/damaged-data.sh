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

# A file far larger than listed is judged by its size, without reading it: a 2 GB sparse file
# under a 1 GB address-space limit gets its one line, promptly.
truncate -s 2G "$data/flare.tga"
# A sanitized build reserves terabytes of address space at start: it runs without the limit.
limit_kb=1000000
# (The listing is read whole first: grep -q leaving a pipe early would end ldd by SIGPIPE, and
# under pipefail that reads as no match.)
if grep -q 'lib[at]san' <<<"$(ldd "$assets" 2>/dev/null)"; then limit_kb=unlimited; fi
status=0
(ulimit -v "$limit_kb" && exec timeout 20 "$assets" --check "$data") >/dev/null 2>"$work/check" || status=$?
if [ "$status" -ne 1 ] || ! grep -q "flare.tga: 2147483648 bytes, not the" "$work/check"; then
  fail "--check on a 2 GB file: status $status, said: $(tail -n 2 "$work/check")"
fi
cp "$run/flare.tga" "$data/flare.tga"

# A manifest that lists a file twice is refused, whichever line would match.
cp "$data/tepple-assets.manifest" "$work/manifest-before"
grep flare.tga "$work/manifest-before" >>"$data/tepple-assets.manifest"
status=0
"$assets" --check "$data" >/dev/null 2>"$work/check" || status=$?
[ "$status" -eq 1 ] && grep -q "lists flare.tga more than once" "$work/check" ||
  fail "a manifest listing flare.tga twice: status $status, said: $(cat "$work/check")"
cp "$work/manifest-before" "$data/tepple-assets.manifest"

# An empty folder name is refused, never taken as the root folder. (Under a zero file-size limit
# a run that wrongly went ahead would fail at its first file rather than fill /.)
empty_refused() {
  local said
  # Through a pipe: the size limit would cut a message written to a file.
  said=$( (ulimit -f 0 && exec "$assets" "$@") 2>&1 >/dev/null; echo "status=$?")
  grep -q "the folder name is empty" <<<"$said" && grep -qx "status=2" <<<"$said" ||
    fail "tepple-assets $* '': $said"
}
empty_refused ""
empty_refused --check ""

# A link at a data file's name, pointing out of the folder, is replaced by the new file: what it
# pointed to keeps its bytes and its mode.
mkdir -p "$work/elsewhere"
printf 'my own flare' >"$work/elsewhere/myflare.tga"
chmod 600 "$work/elsewhere/myflare.tga"
ln -sf "$work/elsewhere/myflare.tga" "$data/flare.tga"
cmake -DASSETS="$assets" -DFOLDER="$data" -P "$step" >"$work/step" 2>&1 || fail "the data step failed: $(tail -n 3 "$work/step")"
[ "$(cat "$work/elsewhere/myflare.tga")" = "my own flare" ] && [ "$(stat -c %a "$work/elsewhere/myflare.tga")" = 600 ] ||
  fail "the data step wrote through the link: $(stat -c '%a %s' "$work/elsewhere/myflare.tga")"
[ ! -L "$data/flare.tga" ] && cmp -s "$data/flare.tga" "$run/flare.tga" || fail "flare.tga was not remade in place of the link"

# Temporaries a killed run left (its process gone, no lock held) go with the next run of the file;
# another process's live one stays.
sleep 30 &
live=$!
dead=$(sh -c 'echo $$')
: >"$data/.flare.partial-$dead-0.tga"
: >"$data/.flare.partial-$live-0.tga"
"$assets" "$data" >"$work/out" 2>&1 || fail "generating over leftovers failed: $(tail -n 2 "$work/out")"
[ ! -e "$data/.flare.partial-$dead-0.tga" ] || fail "a dead run's temporary was left"
[ -e "$data/.flare.partial-$live-0.tga" ] || fail "a running process's temporary was removed"
kill "$live"
rm -f "$data/.flare.partial-$live-0.tga"

[ "$failures" -eq 0 ] || { echo "$failures failures" >&2; exit 1; }
echo "ok: a cut-off run changes nothing it did not finish, --check names each damaged file, the data step remakes them;"
echo "ok: large files, doubled manifest lines, empty folder names, links and leftovers are each met"
