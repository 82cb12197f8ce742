#!/usr/bin/env bash
# scripts/fuzz.sh refuses arguments it cannot honour before building anything: seconds that are not
# a whole number of at least 1 (0 meant no limit to libFuzzer: the run went on until the outer
# timeout killed it and reported a failure with no input) and targets it does not know (a raw
# make error). Each gets a message and status 2. cmake is stubbed to fail loudly, so an argument
# that slips through shows at once instead of starting a build.
#   fuzz-arguments.sh <source folder> <scratch folder>
set -euo pipefail
source_dir=$1 work=$2
failures=0

rm -rf "$work"
mkdir -p "$work/bin"
printf '#!/bin/sh\necho "cmake was run: the arguments were not checked" >&2\nexit 1\n' >"$work/bin/cmake"
chmod +x "$work/bin/cmake"

# expect <text of the message> <arguments...>
expect() {
  local text=$1 status=0
  shift
  PATH="$work/bin:$PATH" "$source_dir/scripts/fuzz.sh" "$@" >"$work/out" 2>&1 </dev/null || status=$?
  if [ "$status" -ne 2 ] || ! grep -qF -- "$text" "$work/out"; then
    echo "FAIL: fuzz.sh $*: status $status (wanted 2), said: $(cat "$work/out")" >&2
    failures=$((failures + 1))
  else
    echo "ok: fuzz.sh $* -> $(head -n 1 "$work/out")"
  fi
}

for seconds in 0 00 -5 1.5 abc '' 9999999999; do expect "seconds must be a whole number from 1" "$seconds" mesh; done
expect "unknown target 'bogus'" 5 bogus
expect "unknown target 'fuzz_mesh'" 5 tga fuzz_mesh

[ "$failures" -eq 0 ] || { echo "$failures failures" >&2; exit 1; }
