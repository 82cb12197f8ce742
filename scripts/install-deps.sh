#!/usr/bin/env bash
# Installs every Debian package the build, the data generator and the tests need (ffmpeg for
# tepple-capture --video and its tests), and the npm packages of the browser test (pinned in
# tests/web/package-lock.json, into tests/web/node_modules).
# Idempotent: what is already present is left alone, and apt and npm are not touched at all.
# --system-only: the Debian packages alone (scripts/web.sh needs no npm).
# --cross aarch64: instead, what scripts/cross-test.sh needs to build and run the whole project for
# 64-bit ARM: the cross compiler, qemu's user-mode emulator and the libraries' arm64 packages
# beside the machine's own (Debian multiarch: nothing of the machine's is removed).
# --cross windows: instead, what scripts/windows.sh needs: the MinGW-w64 compilers, Wine, zip, and
# a deb-src entry for Debian 12 (/etc/apt/sources.list.d/tepple-bookworm-src.sources) from which
# it fetches the sources of the libraries Debian has no Windows build of.
set -euo pipefail
cd "$(dirname "$0")/.."
node_packages=yes
[ "${1:-}" = --system-only ] && node_packages=no
cross=""
if [ "${1:-}" = --cross ]; then
  cross=${2:-}
  case "$cross" in
  aarch64 | windows) ;;
  *) echo "install-deps.sh: --cross takes aarch64 or windows" >&2; exit 2 ;;
  esac
  node_packages=no
fi

PACKAGES=(
  cmake g++ make pkg-config
  libsdl2-dev libx11-dev libsdl2-mixer-dev libmp3lame-dev libmpg123-dev libasound2-dev
  libgtest-dev libgmock-dev libbenchmark-dev libpng-dev libdeflate-dev
  xvfb xauth xdotool imagemagick x11-apps x11-utils xfonts-base
  clang libclang-rt-14-dev
  ffmpeg
  libosmesa6-dev
  # The model loaders of tepple-render (tepple::models), and f3d, its benchmark's peer.
  libassimp-dev libstb-dev f3d
  # The cross compiler with which a test builds the engine for aarch64.
  g++-aarch64-linux-gnu
  # dpkg-shlibdeps, with which `cpack -G DEB` reads the Debian package's dependencies.
  dpkg-dev
  # The browser build (scripts/web.sh) and its test in headless Chromium.
  emscripten chromium
)

# The browser test's driver library, without any browser download of its own (it drives the
# system's Chromium). Needs the machine's Node.js and npm; without them the test says it is skipped.
install_node_packages() {
  local pinned installed
  [ "$node_packages" = yes ] || return 0
  command -v npm >/dev/null || { echo "npm is missing: the browser test will be skipped" >&2; return 0; }
  pinned=$(sed -n 's/.*"playwright-core": *"\([^"]*\)".*/\1/p' tests/web/package.json)
  installed=$(sed -n 's/^ *"version": *"\([^"]*\)".*/\1/p' tests/web/node_modules/playwright-core/package.json 2>/dev/null | head -n 1 || true)
  [ "$installed" = "$pinned" ] && return 0
  echo "Installing the browser test's npm packages (playwright-core $pinned) in tests/web/node_modules" >&2
  PLAYWRIGHT_SKIP_BROWSER_DOWNLOAD=1 npm ci --prefix tests/web --no-audit --no-fund --loglevel=error
}

if [ "$cross" = aarch64 ]; then
  PACKAGES=(
    g++-aarch64-linux-gnu qemu-user
    libsdl2-dev:arm64 libsdl2-mixer-dev:arm64 libmp3lame-dev:arm64 libmpg123-dev:arm64
    libasound2-dev:arm64 libpng-dev:arm64 libdeflate-dev:arm64 zlib1g-dev:arm64
    libgtest-dev:arm64 libgmock-dev:arm64
  )
fi

if [ "$cross" = windows ]; then
  # The sources are unpacked with patch; googletest's are built for Windows too.
  PACKAGES=(
    g++-mingw-w64-x86-64-posix wine wine64 zip patch dpkg-dev googletest cmake make pkg-config
    # The program's test in a virtual X server; ffmpeg decodes the soundtrack it compares with.
    xvfb xauth xdotool x11-utils xfonts-base imagemagick ffmpeg
  )
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then
  SUDO="sudo"
fi
sources_added=no
src_list=/etc/apt/sources.list.d/tepple-bookworm-src.sources
if [ "$cross" = windows ] && [ ! -f "$src_list" ]; then
  printf '%s\n' "Types: deb-src" "URIs: http://deb.debian.org/debian" "Suites: bookworm" "Components: main" \
    "Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg" | $SUDO tee "$src_list" >/dev/null
  sources_added=yes
fi

missing=()
for pkg in "${PACKAGES[@]}"; do
  if ! grep -q 'install ok installed' <<<"$(dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null)"; then
    missing+=("$pkg")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  # The new source entry is only read once the package lists are updated.
  [ "$sources_added" = no ] || $SUDO apt-get update -q
  install_node_packages
  exit 0
fi

if [ "$cross" = aarch64 ] && ! dpkg --print-foreign-architectures | grep -qx arm64; then
  $SUDO dpkg --add-architecture arm64
fi

echo "Installing: ${missing[*]}" >&2
export DEBIAN_FRONTEND=noninteractive
# Another apt process may briefly hold the dpkg lock: retry rather than fail.
for attempt in 1 2 3 4 5 6; do
  if $SUDO apt-get update -q && $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"; then
    install_node_packages
    exit 0
  fi
  echo "apt-get failed (attempt $attempt), retrying in 10 s" >&2
  sleep 10
done
echo "error: could not install: ${missing[*]}" >&2
exit 1
