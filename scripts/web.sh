#!/usr/bin/env bash
# The demo in a web browser:
#   scripts/web.sh [--port N] [--build-only]
# Installs what is missing (emscripten among it), makes the native data files first when build/run
# lacks them, builds the WebAssembly program (Release) with the eleven data files packed beside it,
# writes the site into build-web/ (index.html, tepple.js, tepple.wasm, tepple.data and its loader
# tepple-data.js), reports the download size and serves build-web/ on 127.0.0.1 (port 8000 unless
# told otherwise) until Ctrl-C.
set -euo pipefail
cd "$(dirname "$0")/.."

port=8000
serve=yes
while [ $# -gt 0 ]; do
  case "$1" in
    --port) port=${2:-}; shift 2 || { echo "web.sh: --port needs a number" >&2; exit 2; } ;;
    --build-only) serve=no; shift ;;
    *) echo "usage: scripts/web.sh [--port N] [--build-only]" >&2; exit 2 ;;
  esac
done
case "$port" in
  ''|*[!0-9]*) echo "web.sh: the port must be a number, not '$port'" >&2; exit 2 ;;
esac

./scripts/install-deps.sh

data_files=(Shape1.LSB Shape4.LSB Shape5.LSB capsule.LSB kelvo.LSB mushroom/1.LSB mushroom/2.LSB
            flare.tga amuscaria.tga stone_version_1.tga pelmoric.mp3)
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
mkdir -p build-web/cmake
if ! emcmake cmake -S web -B build-web/cmake -DCMAKE_BUILD_TYPE=Release -DTEPPLE_DATA_DIR="$PWD/build/run" \
       -DTEPPLE_SITE_DIR="$PWD/build-web" >build-web/cmake/configure.log 2>&1; then
  cat build-web/cmake/configure.log >&2
  echo "web.sh: configuring the web build failed" >&2
  exit 1
fi
cmake --build build-web/cmake -j"$(nproc)"

# What a browser downloads, and what it would with the usual gzip compression of a web server.
total=0
total_gzip=0
echo "Download size (build-web/):"
for file in index.html tepple.js tepple.wasm tepple-data.js tepple.data; do
  bytes=$(stat -c %s "build-web/$file")
  gzip_bytes=$(gzip -9 -c "build-web/$file" | wc -c)
  total=$((total + bytes))
  total_gzip=$((total_gzip + gzip_bytes))
  printf '  %-15s %9d bytes (%d gzipped)\n' "$file" "$bytes" "$gzip_bytes"
done
awk -v b="$total" -v g="$total_gzip" 'BEGIN { printf "  %-15s %9d bytes, %.2f MB (%.2f MB gzipped)\n", "total", b, b / 1e6, g / 1e6 }'

[ "$serve" = yes ] || exit 0
echo "Open http://127.0.0.1:$port/ in a browser and press Start (Ctrl-C stops the server)."
exec python3 -m http.server --bind 127.0.0.1 --directory build-web "$port" >/dev/null
