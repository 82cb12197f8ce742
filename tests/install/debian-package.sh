#!/usr/bin/env bash
# debian-package.sh <build folder> <scratch folder>
# `cpack -G DEB` of the build makes the package tepple holding the three programs and the eleven
# data files under /usr. Unpacked (never installed: dpkg-deb -x), its demo started from another
# folder on SDL's dummy drivers finds the data in /usr/share/tepple of the unpacked tree and runs
# until stopped. Every shared library a packaged program loads directly belongs to a package its
# Depends names.
set -euo pipefail

build=$1 work=$2
rm -rf "$work"
mkdir -p "$work/package" "$work/elsewhere"

fail() {
  echo "FAIL: $*" >&2
  [ ! -s "$work/stderr" ] || { echo "---- standard error:" >&2; cat "$work/stderr" >&2; }
  exit 1
}

cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/package" >"$work/cpack.log" 2>&1 ||
  { cat "$work/cpack.log" >&2; fail "cpack -G DEB failed"; }
debs=("$work"/package/*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || fail "not one package made: ${debs[*]}"
deb=${debs[0]}
echo "made $(basename "$deb")"
[ "$(dpkg-deb -f "$deb" Package)" = tepple ] || fail "the package is not named tepple"
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"

root=$work/root
dpkg-deb -x "$deb" "$root"
for program in tepple tepple-assets tepple-capture; do
  [ -x "$root/usr/bin/$program" ] || fail "no /usr/bin/$program in the package"
done
data=$root/usr/share/tepple
count=$(find "$data" -type f | wc -l)
[ "$count" -eq 11 ] || fail "$count files under /usr/share/tepple, not the eleven data files"
# The data files the package carries are those the build made, byte for byte.
while IFS= read -r file; do
  cmp -s "$file" "$build/run/${file#"$data"/}" || fail "${file#"$data"/} differs from the build's"
done < <(find "$data" -type f)

# Each directly needed library, found as the loader finds it, must come from a package in Depends.
for program in tepple tepple-assets tepple-capture; do
  ldd "$root/usr/bin/$program" >"$work/ldd"
  while read -r needed; do
    path=$(awk -v lib="$needed" '$1 == lib && $2 == "=>" { print $3 }' "$work/ldd")
    [ -n "$path" ] || fail "$program needs $needed, which the loader does not find"
    owner=$(dpkg -S "$path" 2>/dev/null || dpkg -S "$(readlink -f "$path")" 2>/dev/null ||
            dpkg -S "/usr$path" 2>/dev/null || true)
    owner=${owner%%:*}
    owner=${owner%%,*}
    [ -n "$owner" ] || fail "no package owns $path, which $program needs"
    [[ ", $depends," == *", $owner "* || ", $depends," == *", $owner,"* ]] ||
      fail "$program needs $needed from $owner, which Depends does not name"
  done < <(objdump -p "$root/usr/bin/$program" | awk '$1 == "NEEDED" { print $2 }')
done

# The unpacked demo, started from a folder without data, reads the packaged data and runs.
export SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy
(cd "$work/elsewhere" && exec "$root/usr/bin/tepple") >"$work/stdout" 2>"$work/stderr" &
pid=$!
sleep 2
if ! kill -0 "$pid" 2>/dev/null; then
  status=0
  wait "$pid" || status=$?
  fail "the unpacked demo stopped (status $status)"
fi
kill -TERM "$pid"
status=0
wait "$pid" || status=$?
[ "$status" -eq 0 ] || fail "the unpacked demo ended with status $status after SIGTERM"
grep -qF "$data" "$work/stderr" || fail "the demo did not say it reads its data from $data"
cat "$work/stderr"

grep -q 'no options' <<<"$(cd "$work/elsewhere" && "$root/usr/bin/tepple" --help)" || fail "tepple --help"
echo "the unpacked demo ran on its packaged data"
