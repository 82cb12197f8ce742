#!/usr/bin/env bash
# The engine alone cross-compiles for a processor without any of the x86 lane sets: nothing below
# the lane files may need an x86 instruction set's header. Builds the engine libraries for aarch64
# with Debian's cross compiler into a scratch folder and checks what came out is ARM code.
#   cross-compile.sh <source folder> <scratch folder>
# Skipped (status 77) where the cross compiler is not installed.
set -euo pipefail
source_dir=$1
scratch=$2
if ! command -v aarch64-linux-gnu-g++ >/dev/null; then
  echo "skipped: aarch64-linux-gnu-g++ is not installed (scripts/install-deps.sh installs it)"
  exit 77
fi
rm -rf "$scratch"
cmake -S "$source_dir" -B "$scratch" -DTEPPLE_ENGINE_ONLY=ON -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$source_dir/cmake/aarch64-linux-gnu.cmake" >"$scratch.log" 2>&1 ||
  { cat "$scratch.log"; echo "FAIL: the aarch64 configuration failed" >&2; exit 1; }
cmake --build "$scratch" -j2 >>"$scratch.log" 2>&1 ||
  { grep -E 'error|Error' "$scratch.log" | head -40; echo "FAIL: the engine does not compile for aarch64" >&2; exit 1; }
object=$(find "$scratch/src/render" -name 'TriangleLoop.cpp.o' | head -n 1)
[ -n "$object" ] || { echo "FAIL: no render object built" >&2; exit 1; }
# The ELF header's machine field: 0xB7 is AArch64.
machine=$(od -An -tx1 -j18 -N1 "$object" | tr -d ' ')
[ "$machine" = b7 ] || { echo "FAIL: $object is not AArch64 code (machine 0x$machine)" >&2; exit 1; }
rm -rf "$scratch" "$scratch.log"
echo "ok: the engine compiles for aarch64"
