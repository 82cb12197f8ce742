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
  # The model loaders are a component of their own, with their own header (models/Model.h).
  if [ "$name" != tepple.h ] && [ "${name#models/}" = "$name" ] &&
    ! grep -qxF "#include \"$name\"" "$include/tepple.h"; then
    echo "FAIL: tepple.h does not include $name" >&2
    failed=1
  fi
done < <(find "$include" -name '*.h' | sort)

# Every public name is in namespace tepple: a program's own names that are common words (and were
# the engine's before) compile beside the umbrella header and the engine's types alike.
cat >"$work/own-names.cpp" <<'EOF2'
#include "tepple.h"
struct Timer { int t; };
struct Vertex { double x, y; };
struct Mesh { int parts; };
struct Light { bool on; };
struct Surface { int area; };
struct Format { char c; };
struct Clock { long ticks; };
struct Area { int w, h; };
struct Console { int lines; };
int transform(int value) { return value + 1; }
int scaling(int value) { return value * 2; }
int main()
{
    tepple::Renderer renderer(tepple::Viewport::forTarget(8, 8));
    tepple::Surface target(8, 8);
    const Vertex mine{1, 2};
    tepple::Vertex theirs(0, 0, 1, 0);
    renderer.positions = {theirs, theirs, theirs};
    renderer.drawGouraud(target);
    return transform(scaling(Timer{0}.t)) + static_cast<int>(mine.x) - 2;
}
EOF2
if ! "$cxx" -std=c++17 -fsyntax-only -Wall -Wextra -Werror -I"$include" "$work/own-names.cpp" 2>"$work/errors"; then
  echo "FAIL: a program's own Timer, Vertex, transform (and the like) clash with the engine's names:" >&2
  cat "$work/errors" >&2
  failed=1
fi

echo "$count installed headers checked"
exit "$failed"
