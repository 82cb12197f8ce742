#!/usr/bin/env bash
# Builds the whole project for another processor on this machine and tests it there under qemu's
# user-mode emulation: the unit tests, and the frame hashes of the whole timeline equal to the
# committed list (the x86 pictures) one span at a time, on every lane width the processor's lane
# sets have and on two threads; then the same from a build without lane sets (TEPPLE_LANE_SETS=OFF).
#   scripts/cross-test.sh aarch64
# Installs what it needs first (scripts/install-deps.sh --cross aarch64). Builds in build-aarch64/
# and build-aarch64-portable/, with the data files of the native build in build/ (made first).
# Prints how long each part took. Emulated runs count instructions, not speed: nothing here times.
set -euo pipefail
export LC_ALL=C
cd "$(dirname "$0")/.."

target=${1:-}
if [ "$target" != aarch64 ]; then
  echo "usage: scripts/cross-test.sh aarch64" >&2
  exit 2
fi

./scripts/install-deps.sh --cross aarch64

started=$SECONDS
part() { echo "== $1 ($((SECONDS - started)) s so far)"; }
run() { cmake/run-aarch64.sh "$@"; }

build_for() {
  local dir=$1
  shift
  cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE=cmake/aarch64-linux-gnu.cmake \
    -DTEPPLE_DATA_FROM="$PWD/build/run" -DTEPPLE_MODELS=OFF "$@" >/dev/null
  cmake --build "$dir" -j"$(nproc)" --target "${targets[@]}"
}

source scripts/emulated-hashes.sh
hashes() { frame_hashes "$1/tests/pictures/tepple_frame_hash_tests" "$2" "$3"; }

part "the data files, from the native build"
./scripts/install-deps.sh --system-only
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j"$(nproc)" --target tepple_data
part "building for aarch64 with its lane sets"
targets=(tepple_tests tepple_frame_hash_tests)
build_for build-aarch64
part "the renderer's unit tests under emulation"
# The engine's drawing tests (lane sets at their edges, lanes against one span at a time, threads,
# depth, every draw mode); the rest of the suite (the generator's music and meshes above all) runs
# for over twenty minutes emulated and holds nothing that depends on the processor's lane sets.
run build-aarch64/tests/tepple_tests --gtest_brief=1 \
  --gtest_filter='LaneSets.*:Renderer*:Depth*:Gouraud*:Textured*:Sprites*:Flat*:Projection*:MeshDraw*:WorkerPool*:Viewport*:General*'

part "the frame hashes under emulation"
# Every lane width this build runs here, as the lane-set test reports them (1: one span at a time),
# each on one thread and on two.
widths=$(run build-aarch64/tests/tepple_tests --gtest_filter='LaneSets.*' 2>/dev/null |
  sed -n 's/^lane widths here://p')
[ -n "$widths" ] || { echo "FAIL: the lane-set test named no lane widths" >&2; exit 1; }
echo "lane widths here:$widths"
for lanes in $widths; do
  hashes build-aarch64 "$lanes" 1
  hashes build-aarch64 "$lanes" 2
done

part "building for aarch64 without lane sets"
targets=(tepple_frame_hash_tests)
build_for build-aarch64-portable -DTEPPLE_LANE_SETS=OFF
part "the portable build's frame hashes under emulation"
hashes build-aarch64-portable 1 1
hashes build-aarch64-portable 1 2

part "done"
echo "ok: aarch64 draws every frame of the timeline as x86 does, with and without its lane sets"
