#!/usr/bin/env bash
# Installs what is missing, builds the demo (Release) in build/ and runs it from its run folder,
# where its data files sit beside the executable.
set -euo pipefail
cd "$(dirname "$0")/.."

# build/ is the demo's: a cache left there by an engine-only configure would build no demo.
if grep -qs '^TEPPLE_ENGINE_ONLY:BOOL=ON' build/CMakeCache.txt; then
  echo "run.sh: build/ is configured for the engine alone (TEPPLE_ENGINE_ONLY=ON); remove build/ (or give the engine a build folder of its own) and run this again" >&2
  exit 1
fi

./scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release
cmake --build build -j"$(nproc)"

cd build/run
exec ./tepple
