#!/usr/bin/env bash
# Builds everything (Release, in build/ or $TEPPLE_BUILD_DIR) and runs every benchmark: the demo's
# own speed (whole timeline and each scene's median frame, with the memory floor of a frame) with one
# thread and with two, our textured rasteriser beside Mesa's llvmpipe at 640 x 480 and 1920 x 1440
# with one thread each and with two each (where OSMesa is installed), then the rasteriser and mesh
# benchmarks. Run it on a quiet machine: other work on the same cores shows up in the numbers.
set -euo pipefail
# Numbers printed the same way whatever the user's locale, so tables from any machine compare.
export LC_ALL=C
cd "$(dirname "$0")/.."

./scripts/install-deps.sh
build=${TEPPLE_BUILD_DIR:-build}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j"$(nproc)"

echo "== The demonstration, offline at 60 frames per second, one thread"
"$build/bench/tepple_bench_scenes" --threads 1
echo "== The demonstration, offline at 60 frames per second, two threads"
"$build/bench/tepple_bench_scenes" --threads 2

if [ -x "$build/bench/tepple_bench_peer" ]; then
  echo "== Beside llvmpipe, single-threaded (both sides)"
  LP_NUM_THREADS=0 "$build/bench/tepple_bench_peer" --threads 1
  echo "== Beside llvmpipe, two threads (both sides)"
  LP_NUM_THREADS=2 "$build/bench/tepple_bench_peer" --threads 2
else
  echo "== llvmpipe peer not built (install libosmesa6-dev)"
fi

for other in tepple_bench_raster tepple_bench_mesh; do
  if [ -x "$build/bench/$other" ]; then
    echo "== $other"
    "$build/bench/$other"
  fi
done
