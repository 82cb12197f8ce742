#!/usr/bin/env bash
# The demo in a real browser: run-web-test.sh <source folder> <run folder> <scratch folder>
# Builds the browser version from the run folder's data into the scratch folder (web/CMakeLists.txt,
# as scripts/web.sh does), makes the native frames to compare with tepple-capture and two spoiled
# data packages, checks scripts/web.sh's port rules and its server on that site, then drives
# headless Chromium through browser-test.cjs. Says it is skipped (exit 77) where emscripten,
# Chromium, Node.js or the test's npm packages are missing.
set -euo pipefail

source_dir=$(cd "$1" && pwd)
run_dir=$(cd "$2" && pwd)
mkdir -p "$3"
work=$(cd "$3" && pwd)
test_dir=$source_dir/tests/web

skip() {
  echo "SKIPPED: $* (scripts/install-deps.sh installs it)"
  exit 77
}
command -v emcmake >/dev/null || skip "emscripten is not installed"
[ -x "${CHROMIUM:=/usr/bin/chromium}" ] || skip "there is no Chromium at $CHROMIUM"
command -v node >/dev/null || skip "Node.js is not installed"
[ -f "$test_dir/node_modules/playwright-core/package.json" ] || skip "playwright-core is not in tests/web/node_modules"
command -v convert >/dev/null || skip "ImageMagick is not installed"
export CHROMIUM

# Moments to compare, one in each scene (the star scene's trails included); 45.2 s shows the
# background alone.
moments=5,60,84,100,125,145
# Frames per animation frame in the comparison run, so the 150-second timeline takes about 30 s.
speed=16

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

# The build: incremental from one run to the next.
export NODE_PATH=/usr/share/nodejs${NODE_PATH:+:$NODE_PATH}
site=$work/site
mkdir -p "$work/cmake"
emcmake cmake -S "$source_dir/web" -B "$work/cmake" -DCMAKE_BUILD_TYPE=Release -DTEPPLE_DATA_DIR="$run_dir" \
  -DTEPPLE_SITE_DIR="$site" >"$work/configure.log" 2>&1 || { cat "$work/configure.log"; fail "configuring the web build"; }
cmake --build "$work/cmake" -j2 >"$work/build.log" 2>&1 || { tail -n 60 "$work/build.log"; fail "the web build"; }
echo "built $(du -cb "$site"/tepple.{js,wasm,data} | tail -n 1 | cut -f1) bytes of program and data in $site"

# scripts/web.sh's port rules and its server (web/serve.py), on the site just built: ports outside
# 1-65535 refused before anything is built, a port already taken reported in one line, the
# address printed only once the port is bound, the site's files alone served, with the isolation
# and cache headers.
free_port() { python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'; }
for port in 0 99999 65536 x; do
  if "$source_dir/scripts/web.sh" --port "$port" >"$work/web-sh.log" 2>&1 || [ $? -ne 2 ] ||
     ! grep -q "from 1 to 65535" "$work/web-sh.log"; then
    cat "$work/web-sh.log"; fail "scripts/web.sh --port $port was not refused"
  fi
done
port=$(free_port)
python3 -c 'import socket, sys, time
s = socket.socket(); s.bind(("127.0.0.1", int(sys.argv[1]))); s.listen(); print("bound", flush=True); time.sleep(30)' \
  "$port" >"$work/holder.log" &
holder=$!
for _ in $(seq 50); do grep -q bound "$work/holder.log" && break; sleep 0.1; done
status=0
timeout 10 python3 "$source_dir/web/serve.py" "$site" "$port" >"$work/serve.out" 2>"$work/serve.err" || status=$?
kill "$holder" 2>/dev/null || true
[ "$status" -eq 1 ] && [ "$(wc -l <"$work/serve.err")" -eq 1 ] && grep -q "port $port is taken" "$work/serve.err" &&
  [ ! -s "$work/serve.out" ] || { cat "$work/serve.out" "$work/serve.err"; fail "a taken port: status $status"; }
port=$(free_port)
python3 "$source_dir/web/serve.py" "$site" "$port" >"$work/serve.out" 2>"$work/serve.err" &
server=$!
for _ in $(seq 50); do grep -q "Open http://127.0.0.1:$port/" "$work/serve.out" && break; sleep 0.1; done
# Each path as sent, its status, and the headers of the first.
answers=$(python3 - "$port" / /tepple.wasm /../cmake/CMakeCache.txt /%2e%2e/configure.log <<'PYTHON'
import http.client, sys
port = int(sys.argv[1])
for path in sys.argv[2:]:
    connection = http.client.HTTPConnection('127.0.0.1', port, timeout=10)
    connection.request('GET', path)
    response = connection.getresponse()
    print('status', path, response.status)
    if path == '/tepple.wasm':
        for name, value in response.getheaders():
            print(f'{name}: {value}')
PYTHON
) || true
kill "$server" 2>/dev/null || true
served=$(grep '^status' <<<"$answers" | tr '\n' ' ')
wanted="status / 200 status /tepple.wasm 200 status /../cmake/CMakeCache.txt 404 status /%2e%2e/configure.log 404 "
[ "$served" = "$wanted" ] ||
  { cat "$work/serve.err"; fail "the server answered: $served"; }
for header in 'Cross-Origin-Opener-Policy: same-origin' 'Cross-Origin-Embedder-Policy: require-corp' \
              'Cache-Control: no-cache' 'Content-type: application/wasm'; do
  grep -qi "^$header" <<<"$answers" || fail "the server's answer lacks '$header':
$answers"
done

# Hostile clients: a NUL byte in the path is answered 400 with nothing on standard error; a gzip
# answer holds the very file; 40 connections trickling their request heads are held by at most
# the bound of threads (the rest answered 503 at once) and closed at the header time-out, after
# which the server answers as before.
port=$(free_port)
python3 "$source_dir/web/serve.py" "$site" "$port" --header-timeout 1 --max-connections 8 >"$work/serve.out" \
  2>"$work/serve.err" &
server=$!
for _ in $(seq 50); do grep -q "Open http://127.0.0.1:$port/" "$work/serve.out" && break; sleep 0.1; done
hostile=$(python3 - "$port" "$server" "$site/tepple.wasm" <<'PYTHON'
import collections, gzip, http.client, socket, sys, time
port, pid, wasm = int(sys.argv[1]), int(sys.argv[2]), sys.argv[3]
def answer(request):
    with socket.create_connection(('127.0.0.1', port), timeout=5) as s:
        s.sendall(request)
        return s.recv(100).split(b'\r\n')[0].decode()
print('nul', answer(b'GET /index.html\0x HTTP/1.0\r\n\r\n'), '|', answer(b'GET /%00 HTTP/1.0\r\n\r\n'))
connection = http.client.HTTPConnection('127.0.0.1', port, timeout=10)
connection.request('GET', '/tepple.wasm', headers={'Accept-Encoding': 'gzip'})
response = connection.getresponse()
body = response.read()
same = gzip.decompress(body) == open(wasm, 'rb').read()
print('gzip', response.getheader('Content-Encoding'), 'same' if same else 'different', len(body))
def threads():
    return int([line for line in open(f'/proc/{pid}/status') if line.startswith('Threads:')][0].split()[1])
start = time.monotonic()
slow = []
for _ in range(40):
    s = socket.create_connection(('127.0.0.1', port), timeout=5)
    s.sendall(b'G')
    s.setblocking(False)
    slow.append(s)
ended, most = {}, 0
while time.monotonic() - start < 4 and len(ended) < len(slow):
    most = max(most, threads())
    for i, s in enumerate(slow):
        if i in ended: continue
        try:
            first = s.recv(100)
            ended[i] = ('503' if first.startswith(b'HTTP/1.0 503') else 'closed', time.monotonic() - start)
        except BlockingIOError:
            try: s.send(b'E')
            except OSError: pass
        except OSError:
            ended[i] = ('closed', time.monotonic() - start)
    time.sleep(0.2)
kinds = collections.Counter(kind for kind, _ in ended.values())
print('slow', len(ended), 'ended', kinds['503'], 'refused', kinds['closed'], 'closed',
      'in %.1f s,' % max(t for _, t in ended.values()), 'threads at most', most)
connection = http.client.HTTPConnection('127.0.0.1', port, timeout=10)
connection.request('GET', '/')
print('after', connection.getresponse().status)
PYTHON
) || true
kill "$server" 2>/dev/null || true
echo "$hostile" | sed 's/^/  /'
grep -qx 'nul HTTP/1.0 400 .* | HTTP/1.0 400 .*' <<<"$hostile" && grep -q '^gzip gzip same' <<<"$hostile" &&
  grep -q '^slow 40 ended 32 refused 8 closed' <<<"$hostile" && grep -qx 'after 200' <<<"$hostile" &&
  [ "$(sed -n 's/.*threads at most \([0-9]*\).*/\1/p' <<<"$hostile")" -le 9 ] && [ ! -s "$work/serve.err" ] ||
  { cat "$work/serve.err"; fail "the server and hostile clients"; }
echo "scripts/web.sh: ports outside 1-65535 refused, a taken port told in one line, the site alone served," \
     "hostile clients bounded"

rm -rf "$work/capture" "$work/spoiled" "$work"/*-failure.png "$work"/fixed-*-browser.png
"$run_dir/tepple-capture" --fps 60 --seed 1 --at "$moments,45.2" --out "$work/capture" 2>"$work/capture.log" ||
  { cat "$work/capture.log"; fail "tepple-capture"; }

# Spoiled copies of the packed data, packed as the build packs them: every file the real package
# holds, less flare.tga in one, with Shape4.LSB cut short in another, the soundtrack bytes no
# decoder takes in the third.
files=$(grep -o '"filename": *"/[^"]*"' "$site/tepple-data.js" | sed 's|.*"/\(.*\)"|\1|')
[ -n "$files" ] || fail "no file list in $site/tepple-data.js"
pack() {
  local variant=$1 folder=$work/spoiled/$1 file arguments=()
  for file in $files; do
    [ -f "$work/data-$variant/$file" ] && arguments+=("$work/data-$variant/$file@/$file")
  done
  mkdir -p "$folder"
  /usr/share/emscripten/tools/file_packager "$folder/tepple.data" --preload "${arguments[@]}" \
    --js-output="$folder/tepple-data.js" --no-node >/dev/null 2>"$work/pack-$variant.log" ||
    { cat "$work/pack-$variant.log"; fail "packing the $variant data"; }
}
for variant in missing-flare broken-mesh bad-music; do
  rm -rf "$work/data-$variant"
  mkdir -p "$work/data-$variant/mushroom"
  for file in $files; do cp "$run_dir/$file" "$work/data-$variant/$file"; done
done
rm "$work/data-missing-flare/flare.tga"
head -c 100 "$run_dir/Shape4.LSB" >"$work/data-broken-mesh/Shape4.LSB"
head -c 65536 /dev/zero | tr '\0' 'x' >"$work/data-bad-music/pelmoric.mp3"
pack missing-flare
pack broken-mesh
pack bad-music

cd "$test_dir"
exec node browser-test.cjs "$site" "$work/capture" "$work/spoiled" "$work" "$moments" "$speed"
