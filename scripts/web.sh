#!/usr/bin/env bash
# The demo in a web browser:
#   scripts/web.sh [--port N] [--build-only]
# Installs what is missing (emscripten among it; nothing from npm, which only the browser test
# needs), makes the native data files first when build/run lacks them, builds the two WebAssembly
# programs (Release, with SIMD and without) with the data files packed beside them, writes the site
# into build-web/site (a folder holding nothing else, ready to upload: index.html, tepple.js with
# tepple.wasm, tepple-nosimd.js with tepple-nosimd.wasm, tepple.data and its loader tepple-data.js;
# the build tree is build-web/cmake), reports the download size and
# serves build-web/site on 127.0.0.1 (port 8000 unless told otherwise, 1-65535) until Ctrl-C through
# web/serve.py: it binds before it prints the address, serves the site's files alone (gzipped to
# browsers that accept it), bounds its connections and the time a request head may take, and sends
# the cross-origin isolation headers that give the page's timer its full precision and cache
# headers that have browsers check each file for a newer one before using a cached copy.
set -euo pipefail
cd "$(dirname "$0")/.."
export LC_ALL=C

port=8000
serve=yes
while [ $# -gt 0 ]; do
  case "$1" in
    --port)
      [ $# -ge 2 ] || { echo "web.sh: --port needs a number from 1 to 65535" >&2; exit 2; }
      port=$2
      shift 2
      ;;
    --build-only) serve=no; shift ;;
    *) echo "usage: scripts/web.sh [--port N] [--build-only]" >&2; exit 2 ;;
  esac
done
case "$port" in
  ''|*[!0-9]*) echo "web.sh: the port must be a number from 1 to 65535, not '$port'" >&2; exit 2 ;;
esac
if [ "${#port}" -gt 5 ] || [ "$((10#$port))" -lt 1 ] || [ "$((10#$port))" -gt 65535 ]; then
  echo "web.sh: the port must be a number from 1 to 65535, not '$port'" >&2
  exit 2
fi
port=$((10#$port))

# Only the system packages: serving the page needs what building it needs, and no npm registry.
./scripts/install-deps.sh --system-only

# The data files, by the names src/media/DataFiles.h gives them: its quoted strings.
mapfile -t data_files < <(sed -n 's/.*= "\([^"]*\)";.*/\1/p' src/media/DataFiles.h)
[ "${#data_files[@]}" -gt 0 ] || { echo "web.sh: no data file names found in src/media/DataFiles.h" >&2; exit 1; }
for file in "${data_files[@]}"; do
  if [ ! -f "build/run/$file" ]; then
    echo "Making the data files in build/run first (build/run/$file is missing)"
    cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
    cmake --build build -j"$(nproc)" --target tepple_data
    break
  fi
done

# Debian's emscripten runs its JavaScript optimiser with modules from Debian's own node folder.
export NODE_PATH=/usr/share/nodejs${NODE_PATH:+:$NODE_PATH}
site=build-web/site
mkdir -p build-web/cmake
if ! emcmake cmake -S web -B build-web/cmake -DCMAKE_BUILD_TYPE=Release -DTEPPLE_DATA_DIR="$PWD/build/run" \
       -DTEPPLE_SITE_DIR="$PWD/$site" >build-web/cmake/configure.log 2>&1; then
  cat build-web/cmake/configure.log >&2
  echo "web.sh: configuring the web build failed" >&2
  exit 1
fi
cmake --build build-web/cmake -j"$(nproc)"

# What a browser downloads (the page, the data and one of the two programs), plain and gzipped, as
# web/serve.py sends it to browsers that accept gzip.
echo "Download size ($site/):"
for file in index.html tepple-data.js tepple.data tepple.js tepple.wasm tepple-nosimd.js \
            tepple-nosimd.wasm; do
  [ -f "$site/$file" ] || continue
  printf '  %-19s %9d bytes (%d gzipped)\n' "$file" "$(stat -c %s "$site/$file")" \
    "$(gzip -6 -c "$site/$file" | wc -c)"
done
for program in tepple tepple-nosimd; do
  [ -f "$site/$program.wasm" ] || continue
  total=0
  total_gzip=0
  for file in index.html tepple-data.js tepple.data "$program.js" "$program.wasm"; do
    total=$((total + $(stat -c %s "$site/$file")))
    total_gzip=$((total_gzip + $(gzip -6 -c "$site/$file" | wc -c)))
  done
  awk -v p="$program" -v b="$total" -v g="$total_gzip" \
    'BEGIN { printf "  with %-14s %9d bytes, %.2f MB (%.2f MB gzipped)\n", p ":", b, b / 1e6, g / 1e6 }'
done

[ "$serve" = yes ] || exit 0
exec python3 web/serve.py "$site" "$port"
