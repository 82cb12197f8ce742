#!/usr/bin/env bash
# The files compiled for AVX2 and AVX-512 define nothing the baseline could link to in place of its
# own copy: every symbol they define names their lane set, but for the one accessor each. An inline
# function from a shared header compiled inside an instruction-set region would show here, as a symbol the
# linker may pick for callers on processors without those instructions.
#   wide-lane-symbols.sh <object file> ...   (the engine's objects; only the wide lane files are read)
set -euo pipefail
checked=0
failures=0
for object in "$@"; do
  case "$object" in
    *TexturedAvx2.cpp.o) set=Avx2 ;;
    *TexturedAvx512.cpp.o) set=Avx512 ;;
    *) continue ;;
  esac
  checked=$((checked + 1))
  listing=$(nm -C --defined-only "$object" | awk '$2 ~ /^[TtWVuiRrDdBb]$/ && $2 ~ /[TWVui]/ { $1 = ""; $2 = ""; print }')
  while IFS= read -r symbol; do
    [ -n "$symbol" ] || continue
    case "$symbol" in
      *"${set}Lanes"* | *"texturedKernels${set}()"*) ;;
      *) echo "FAIL: $(basename "$object") defines $symbol" >&2; failures=$((failures + 1)) ;;
    esac
  done <<<"$listing"
done
[ "$checked" -eq 2 ] || { echo "FAIL: expected the two wide lane objects, found $checked" >&2; exit 1; }
[ "$failures" -eq 0 ] || exit 1
echo "ok: $checked wide lane objects define only their own lane set's symbols"
