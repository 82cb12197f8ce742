#!/bin/sh
# Runs an aarch64 program of the cross build on this machine, under qemu's user-mode emulation: the
# cross build's emulator (cmake/aarch64-linux-gnu.cmake).
# The program is built against Debian's arm64 multiarch libraries, C library included, so qemu
# looks for its loader and libraries from the root, where multiarch puts them. Mixing in the cross
# compiler's own copy of the C library (under /usr/aarch64-linux-gnu) hangs the first thread a
# program starts; it is the fallback only where no arm64 C library is installed.
if [ -e /lib/aarch64-linux-gnu/libc.so.6 ]; then
  exec qemu-aarch64 -L / "$@"
fi
exec qemu-aarch64 -L /usr/aarch64-linux-gnu "$@"
