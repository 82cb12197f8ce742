#!/usr/bin/env bash
# Installs what is missing, builds the demo (Release) in build/ and runs it from its run folder,
# where its data files sit beside the executable.
set -euo pipefail
cd "$(dirname "$0")/.."

./scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release
cmake --build build -j"$(nproc)"

cd build/run
exec ./tepple
