#!/usr/bin/env bash
# headers.sh <prefix> <C++ compiler> <scratch folder>
# Every header installed under <prefix>/include/tepple compiles on its own, with warnings as
# errors, against the installed headers alone (so it includes no header that was not installed),
# and tepple.h includes every one of them.
set -euo pipefail

prefix=$1 cxx=$2 work=$3
include=$prefix/include/tepple
rm -rf "$work"
mkdir -p "$work"

[ -f "$include/tepple.h" ] || { echo "FAIL: no $include/tepple.h" >&2; exit 1; }

failed=0
count=0
while IFS= read -r header; do
  name=${header#"$include"/}
  count=$((count + 1))
  printf '#include "%s"\n' "$name" >"$work/one.cpp"
  if ! "$cxx" -std=c++17 -fsyntax-only -Wall -Wextra -Werror -I"$include" "$work/one.cpp" 2>"$work/errors"; then
    echo "FAIL: $name does not compile on its own against the installed headers:" >&2
    cat "$work/errors" >&2
    failed=1
  fi
  if [ "$name" != tepple.h ] && ! grep -qxF "#include \"$name\"" "$include/tepple.h"; then
    echo "FAIL: tepple.h does not include $name" >&2
    failed=1
  fi
done < <(find "$include" -name '*.h' | sort)

echo "$count installed headers checked"
exit "$failed"
